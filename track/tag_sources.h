// The file's own tags, tried in a fixed order. No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Fills `text` from the first of the file's tags that gives a title, artist
// or album, and returns true; false, with `text` empty, when none does.
// Narrow text (ID3v1 tags, some WAV texts) is widened with `narrow`.
bool ReadFileTags(ByteReader *reader, NarrowDecoder narrow, TrackText *text);
