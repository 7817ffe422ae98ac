// The two readers that fill TrackFields: the ID3v1 tag at the end of the
// playing file, and, for a file without one, the playlist title.
#pragma once

// Fills title, artist and album from the file's ID3v1 tag and returns true;
// returns false, touching nothing, when the file has no tag or cannot be
// read. The path is the host's text and may be null.
bool ReadTrackTag(const char *path);

// Fills artist, title and album from the entry's display title, split at
// hyphens. Writes nothing when the host gives no title.
void SplitPlaylistTitle(int index);
