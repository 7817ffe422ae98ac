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

// The entry as the tick compares it: its index, and for its path and its
// title which request answered (0: none did), the length and a hash of the
// whole text, and its first MARK_UNITS units (a narrow text's bytes one unit
// each), the rest zero. A text longer than the copy is still told apart by
// its length and hash. ReadEntry zeroes a mark first, padding included, so
// two marks compare byte for byte. The host's buffers are read only while
// marking: they are valid until its next request.
enum { MARK_UNITS = 64 };

struct TextMark {
    LPARAM command;
    DWORD length;
    DWORD hash;
    WCHAR head[MARK_UNITS];
};

struct EntryMark {
    int index;
    TextMark path, title;
};

// What the last update read, or the tick's first look; not known after an
// update that read no entry.
static EntryMark playedEntry;
static bool playedEntryKnown;

// Marks the Unicode text, else the narrow one, as the update reads them.
static void MarkHostText(int index, LPARAM wideCommand, LPARAM narrowCommand, TextMark *mark) {
    LPARAM command = wideCommand;
    const void *text = HostWideText((WPARAM)index, wideCommand);
    if (text == NULL) {
        command = narrowCommand;
        text = HostText((WPARAM)index, narrowCommand);
        if (text == NULL)
            return;
    }
    mark->command = command;
    DWORD hash = 2166136261u;  // FNV-1a
    DWORD n = 0;
    for (;; n++) {
        unsigned unit = command == wideCommand ? ((const WCHAR *)text)[n] : ((const unsigned char *)text)[n];
        if (unit == 0)
            break;
        if (n < MARK_UNITS)
            mark->head[n] = (WCHAR)unit;
        hash = (hash ^ unit) * 16777619u;
    }
    mark->length = n;
    mark->hash = hash;
}

// The one reading of an entry, for the update and the tick alike: two
// requests from a Unicode host, none for a negative index.
static void ReadEntry(int index, EntryMark *mark) {
    ZeroMemory(mark, sizeof *mark);
    mark->index = index;
    if (index < 0)
        return;
    MarkHostText(index, HOST_ENTRY_FILE_W, HOST_ENTRY_FILE, &mark->path);
    MarkHostText(index, HOST_ENTRY_TITLE_W, HOST_ENTRY_TITLE, &mark->title);
}

void RecordEntry(int index) {
    ReadEntry(index, &playedEntry);
    playedEntryKnown = true;
}

void ForgetEntry(void) {
    playedEntryKnown = false;
}

// Whether the host now plays another entry, or the same one under another
// path or title, than the last update read.
static bool EntryChanged(void) {
    EntryMark now;
    ReadEntry((int)SendHostCommand(0, HOST_CURRENT_INDEX), &now);
    if (!playedEntryKnown) {
        CopyMemory(&playedEntry, &now, sizeof now);
        playedEntryKnown = true;
        return false;
    }
    const BYTE *a = (const BYTE *)&now, *b = (const BYTE *)&playedEntry;
    for (size_t i = 0; i < sizeof now; i++) {
        if (a[i] != b[i])
            return true;
    }
    return false;
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
