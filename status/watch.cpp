#include "status/watch.h"

#include <windows.h>

#include "host/host_requests.h"
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

// ---- the playing entry ----------------------------------------------------------

// A text of the host as the tick compares it: which request answered (0:
// none did), the length and a hash of the whole text, and its first units
// (a narrow text's bytes one unit each), the rest zero. The host's buffer is
// only read here: it is valid until the next request.
enum { MARK_UNITS = 64 };

struct TextMark {
    LPARAM command;
    DWORD length;
    DWORD hash;
    WCHAR head[MARK_UNITS];
};

struct EntryMark {
    bool known;
    int index;
    TextMark path, title;
};

// What the last update read, or the tick's first look.
static EntryMark playedEntry;

static void MarkText(const void *text, bool wide, LPARAM command, TextMark *mark) {
    ZeroMemory(mark, sizeof *mark);
    if (text == NULL)
        return;
    mark->command = command;
    DWORD hash = 2166136261u;  // FNV-1a
    DWORD n = 0;
    for (;; n++) {
        unsigned unit = wide ? ((const WCHAR *)text)[n] : ((const unsigned char *)text)[n];
        if (unit == 0)
            break;
        if (n < MARK_UNITS)
            mark->head[n] = (WCHAR)unit;
        hash = (hash ^ unit) * 16777619u;
    }
    mark->length = n;
    mark->hash = hash;
}

// The Unicode text, else the narrow one, as the update reads them.
static void MarkHostText(int index, LPARAM wideCommand, LPARAM narrowCommand, TextMark *mark) {
    const WCHAR *wide = HostWideText((WPARAM)index, wideCommand);
    if (wide != NULL)
        MarkText(wide, true, wideCommand, mark);
    else
        MarkText(HostText((WPARAM)index, narrowCommand), false, narrowCommand, mark);
}

// The one reading of an entry, for the update and the tick alike: two
// requests from a Unicode host, none for a negative index.
static void ReadEntry(int index, EntryMark *mark) {
    mark->known = true;
    mark->index = index;
    MarkText(NULL, false, 0, &mark->path);
    MarkText(NULL, false, 0, &mark->title);
    if (index < 0)
        return;
    MarkHostText(index, HOST_ENTRY_FILE_W, HOST_ENTRY_FILE, &mark->path);
    MarkHostText(index, HOST_ENTRY_TITLE_W, HOST_ENTRY_TITLE, &mark->title);
}

static bool SameText(const TextMark *a, const TextMark *b) {
    if (a->command != b->command || a->length != b->length || a->hash != b->hash)
        return false;
    for (int i = 0; i < MARK_UNITS; i++) {
        if (a->head[i] != b->head[i])
            return false;
    }
    return true;
}

void RecordEntry(int index) {
    ReadEntry(index, &playedEntry);
}

void ForgetEntry(void) {
    playedEntry.known = false;
}

// Whether the host now plays another entry, or the same one under another
// path or title, than the last update read.
static bool EntryChanged(void) {
    EntryMark now;
    ReadEntry((int)SendHostCommand(0, HOST_CURRENT_INDEX), &now);
    if (!playedEntry.known) {
        playedEntry = now;
        return false;
    }
    return now.index != playedEntry.index || !SameText(&now.path, &playedEntry.path) ||
           !SameText(&now.title, &playedEntry.title);
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
