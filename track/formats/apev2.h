// Title, artist and album from an APEv2 tag (WavPack, Musepack, Monkey's
// Audio, and MP3 files tagged by some tools). No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Looks for the tag's footer at the end of the file or just before an ID3v1
// tag there, fills `text` from the text items Title, Artist and Album
// (names in any letter case; the first of each; several values, separated
// by zero bytes, joined by " / ") and returns true. False without a
// footer, or when a size or count points past the tag or the file.
bool ReadApeTags(ByteReader *reader, TrackText *text);
