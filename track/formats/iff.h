// Title, artist and album from the chunk files of the IFF family: RIFF WAVE
// (an ID3v2 tag in an "id3 " chunk, else the LIST INFO texts) and AIFF or
// AIFC (an ID3v2 tag in an "ID3 " chunk). No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Needs "RIFF" and "WAVE" at the start. The first "id3 " or "ID3 " chunk,
// when its ID3v2 tag is usable; else the first LIST chunk of type INFO:
// INAM (title), IART (artist), IPRD (album), each read as UTF-8 when it is
// valid UTF-8 and through `narrow` (the ANSI code page) otherwise. False
// when the file is no WAVE file, holds neither, or a chunk size points past
// the RIFF data.
bool ReadWaveTags(ByteReader *reader, NarrowDecoder narrow, TrackText *text);

// Needs "FORM" and "AIFF" or "AIFC" at the start: the ID3v2 tag of the first
// "ID3 " or "id3 " chunk. False as for WAVE files.
bool ReadAiffTags(ByteReader *reader, TrackText *text);
