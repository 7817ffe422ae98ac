// The readers that fill the track fields: the host's own reading of the
// file, the file's tags and, for a file without a usable tag, the playlist
// title.
#pragma once

#include <windows.h>

#include "track/track_text.h"

// Fills `text` for the playlist entry `index` (not negative) from the first
// of these that gives a title, artist or album: the host's reading of the
// file, the file's tags, the playlist title. A path that is a URL is
// neither opened nor asked about.
void ReadPlayingTrack(int index, TrackText *text);

// Asks the host for the file's title, artist and album (requests 3026, in
// Unicode, and 290, narrow). True when the host could read the file: `text`
// then holds its answers, possibly empty.
bool AskHostMetadataW(const WCHAR *path, TrackText *text);
bool AskHostMetadataA(const char *path, TrackText *text);

// Fills `text` from the first of the file's tags that gives a title, artist
// or album, and returns true; returns false, with `text` empty, when none
// does or the file cannot be read. The file is named by `widePath` when it
// is not NULL, else by `narrowPath` (ANSI code page), which may be NULL.
bool ReadTrackFile(const WCHAR *widePath, const char *narrowPath, TrackText *text);

// Fills artist, title and album from the entry's display title. Writes
// nothing when the host gives no title.
void SplitPlaylistTitle(int index, TrackText *text);
