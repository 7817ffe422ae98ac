#include "status/watch.h"

#include <windows.h>

#include "host/host_requests.h"
#include "status/played_entry.h"
#include "status/state.h"
#include "status/update.h"

enum { TICK_MS = 1000 };

static UINT_PTR timer;
static HWINEVENTHOOK windowHook;
// A window was created somewhere since the last look at the messenger
// windows; without the hook every tick looks.
static bool windowsCreated;

// Told by the system, on this thread, of every window created on the
// desktop. It only takes note: the tick looks at the messenger windows.
static void CALLBACK WindowCreated(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_WINDOW && child == CHILDID_SELF)
        windowsCreated = true;
}

// ---- the tick ----------------------------------------------------------------------

// A tick with nothing changed asks the host four things (play state, index,
// path, title) and reads no file. When the host stops or pauses, the off
// status goes out; when it plays again, the current track, as on a track
// change. While it plays, an entry that changed without a notification runs
// an update, which sends only a status that differs from the last one.
static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    bool wasPlaying = HostLink.playing;
    bool playing = HostIsPlaying();
    if (StatusSettings.enabled != 0) {
        if (playing != wasPlaying) {
            UpdateStatus();
            return;
        }
        if (playing && EntryChanged()) {
            UpdateChangedStatus();
            return;
        }
    }
    if (windowsCreated || windowHook == NULL) {
        windowsCreated = false;
        UpdateNewMessengers();
    }
}

void StartWatching(void) {
    HostLink.playStateKnown = false;
    HostLink.playing = true;
    ForgetEntry();
    if (windowHook == NULL)
        windowHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, NULL, WindowCreated, 0, 0,
                                     WINEVENT_OUTOFCONTEXT);
    if (timer == 0)
        timer = SetTimer(NULL, 0, TICK_MS, Tick);
}

void StopWatching(void) {
    if (timer != 0)
        KillTimer(NULL, timer);
    timer = 0;
    if (windowHook != NULL)
        UnhookWinEvent(windowHook);
    windowHook = NULL;
    windowsCreated = false;
}
