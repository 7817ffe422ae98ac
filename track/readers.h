// The readers that fill the track fields: the file's tags (ID3v2, FLAC
// Vorbis comments, ID3v1, in this order) and, for a file without a usable
// tag, the playlist title.
#pragma once

#include <windows.h>

#include "track/track_text.h"

// Fills `text` from the first of the file's tags that gives a title, artist
// or album, and returns true; returns false, with `text` empty, when none
// does or the file cannot be read. The file is named by `widePath` when it
// is not NULL, else by `narrowPath` (ANSI code page), which may be NULL.
bool ReadTrackFile(const WCHAR *widePath, const char *narrowPath, TrackText *text);

// Fills artist, title and album from the entry's display title. Writes
// nothing when the host gives no title.
void SplitPlaylistTitle(int index, TrackText *text);
