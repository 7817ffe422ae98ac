// Title, artist and album from a FLAC file's Vorbis comments. No Windows
// calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Looks for the "fLaC" marker at `at` (the start of the file, or the end of
// an ID3v2 tag in front of the stream), walks the metadata blocks to the
// VORBIS_COMMENT block and fills `text` from its TITLE, ARTIST and ALBUM
// comments. Returns false when there is no marker, no such block, or a size
// points past the block or the file; `text` is then of no use.
bool ReadFlacComments(ByteReader *reader, uint64_t at, TrackText *text);
