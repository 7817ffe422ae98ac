#include "status/watch.h"

#include <windows.h>

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

// A tick with nothing changed asks the host its play state and, while it
// plays, the playing file's path and title, and reads nothing
// (played_entry.h). When the host stops or pauses, the off
// status goes out; when it plays again, the current track, as on a track
// change; an entry that changed without a notice, a stream's new song among
// them, is read again.
static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    CheckStatus(CHECK_TICK);
    if (windowsCreated || windowHook == NULL) {
        windowsCreated = false;
        UpdateNewMessengers();
    }
}

// ---- one more look -------------------------------------------------------------------

static UINT_PTR lookTimer;
static DWORD lookAt;  // when it is due, by GetTickCount

static void StopLook(void) {
    if (lookTimer != 0)
        KillTimer(NULL, lookTimer);
    lookTimer = 0;
}

static void CALLBACK Look(HWND, UINT, UINT_PTR, DWORD) {
    StopLook();
    CheckStatus(CHECK_LOOK);
}

void LookAgainIn(DWORD ms) {
    DWORD now = GetTickCount();
    if (lookTimer != 0 && (LONG)(lookAt - (now + ms)) <= 0)
        return;
    StopLook();
    lookAt = now + ms;
    lookTimer = SetTimer(NULL, 0, ms, Look);
}

void StartWatching(void) {
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
    StopLook();
    if (windowHook != NULL)
        UnhookWinEvent(windowHook);
    windowHook = NULL;
    windowsCreated = false;
}
