#include "status/played_entry.h"

#include <windows.h>

#include "host/host_requests.h"

// An entry as the tick compares it: its index, and for its path and its
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

bool EntryChanged(void) {
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
