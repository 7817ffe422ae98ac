// The readers that fill the track fields: the host's own reading of the
// file, the file's tags and, for a file without a usable tag, the playlist
// title.
#pragma once

#include <windows.h>

#include "track/track_text.h"

// Which requests name the playing track: the host's playing file (3031 and
// 3034, which stay with the track however the playlist is edited), or, for a
// host without them, the playlist entry at the cursor (214 or 211, 213 or
// 212, with the index). A command of 0 is not asked.
struct PlayingEntry {
    WPARAM index;
    LPARAM pathW, pathA, titleW, titleA;
};

void PlayingFileEntry(PlayingEntry *entry);
void CursorEntry(PlayingEntry *entry, int index);

// The entry's path or title as the host gives it, Unicode first, read with a
// bound (HostWideText, HostText): one of the two is set, or neither. Valid
// until the next request.
struct EntryText {
    const WCHAR *wide;
    const char *narrow;
    size_t length;
};
void AskEntryPath(const PlayingEntry *entry, EntryText *text);
void AskEntryTitle(const PlayingEntry *entry, EntryText *text);

// A path that names a file: not empty, and no URL ("http://", "mms://", any
// scheme of two letters or more). A single letter before ":" is a drive.
bool IsFilePath(const EntryText *path);

// Fills `text` for the playing entry from the first of these that gives a
// title, artist or album: the host's reading of the file, the file's tags,
// the playlist title. A path that is a URL is neither opened nor asked about.
void ReadPlayingTrack(const PlayingEntry *entry, TrackText *text);

// Asks the host for the file's title, artist and album (requests 3026, in
// Unicode, and 290, narrow), one request a field. True when the host wrote
// any field with text in it: `text` then holds its answers, and the fields
// it did not write are empty.
bool AskHostMetadataW(const WCHAR *path, TrackText *text);
bool AskHostMetadataA(const char *path, TrackText *text);

// Fills `text` from the first of the file's tags that gives a title, artist
// or album, and returns true; returns false, with `text` empty, when none
// does or the file cannot be read. The file is named by `widePath` when it
// is not NULL, else by `narrowPath` (ANSI code page), which may be NULL.
bool ReadTrackFile(const WCHAR *widePath, const char *narrowPath, TrackText *text);

// Fills artist, title and album from the entry's display title. Writes
// nothing when the host gives no title.
void SplitPlaylistTitle(const PlayingEntry *entry, TrackText *text);
