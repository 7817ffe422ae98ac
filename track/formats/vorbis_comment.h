// Vorbis comments, the tags of FLAC, Ogg Vorbis and Ogg Opus: a vendor text
// and a list of "NAME=value" comments in UTF-8. No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Fills `text` from the TITLE, ARTIST and ALBUM comments (names in any
// letter case; several of one name joined by " / "), reading the comment
// list from `stream`. Comments are read in part and skipped over, never read
// whole. False when a length points past the end of the stream.
bool ReadVorbisComments(ByteStream *stream, TrackText *text);
