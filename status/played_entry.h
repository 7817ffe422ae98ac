// What a check compares, cheaply, before it reads any track: the settings,
// the host's play state and, while the host plays, the playing entry: its
// path and title as the host gives them, and its file's size and last write
// time (a tag editor may rewrite the file in place). Only when one of these
// differs from what the last status was made of are the metadata and tags
// read again.
#pragma once

#include <windows.h>

#include "status/state.h"
#include "track/readers.h"

// A text as the check compares it: which request answered (0: none did),
// the length and a hash of the whole text, and its first MARK_UNITS units (a
// narrow text's bytes one unit each), the rest zero. A text longer than the
// copy is still told apart by its length and hash.
enum { MARK_UNITS = 64 };

struct TextMark {
    LPARAM command;
    DWORD length;
    DWORD hash;
    WCHAR head[MARK_UNITS];
};

// ReadEntryMark zeroes a mark first, padding included, so that two marks
// compare byte for byte.
struct EntryMark {
    int enabled;
    int sources[SLOT_COUNT];
    DWORD customTexts;  // a hash of the four custom texts
    int playState;      // asked only while publishing is on
    PlayingEntry entry; // what names the track, while the host plays
    TextMark path, title;
    bool stream;        // the path is a URL
    DWORD sizeHigh, sizeLow;
    FILETIME written;
};

// Reads the mark as things stand now. The play state, the playing file
// (3031, else the entry at the cursor), its title and the file's time stamp
// are asked only while publishing is on and the host plays. With `stamped`,
// a file of the same path keeps the time stamp `stamped` has, unread.
void ReadEntryMark(EntryMark *mark, const EntryMark *stamped = NULL);

bool SameMark(const EntryMark *a, const EntryMark *b);

// True when the two marks name the same stream (a URL) and differ in the
// title alone: the station has a new song, or is buffering.
bool OnlyStreamTitleDiffers(const EntryMark *now, const EntryMark *before);

// Whether the host plays, by the mark.
bool IsPlaying(const EntryMark *mark);
