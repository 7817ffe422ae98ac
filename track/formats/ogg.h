// Title, artist and album from an Ogg Vorbis or Ogg Opus file: the comment
// header of the file's first logical stream. No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Needs "OggS" at the start of the file and a first stream whose first
// packet is a Vorbis or Opus identification header. Reassembles the second
// packet, the comment header, across pages, reading only page headers where
// a comment is skipped, and fills `text` from its Vorbis comments. False
// when the file is none of these or a page or a length is broken (a lacing
// table or a page past the end of the file, a comment past its packet).
bool ReadOggComments(ByteReader *reader, TrackText *text);
