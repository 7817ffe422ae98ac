// Title, artist and album from an ID3v2 tag (versions 2.2, 2.3 and 2.4) at
// the start of a file. No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Fills `text` from the tag's TIT2, TPE1 and TALB frames (TT2, TP1, TAL in
// version 2.2) and returns true; the fields of frames the tag lacks stay
// empty. Returns false when the file has no tag or the tag is malformed (a
// size that points past the tag or the file, an unusable header); `text`
// is then of no use. `tagEnd` receives the file offset just after a tag
// whose header is sound, else 0.
bool ReadId3v2(ByteReader *reader, TrackText *text, uint64_t *tagEnd);

// The same for a tag at `at` that must end by `limit`: a tag kept in a chunk
// of a WAV or AIFF file.
bool ReadId3v2At(ByteReader *reader, uint64_t at, uint64_t limit, TrackText *text, uint64_t *tagEnd);
