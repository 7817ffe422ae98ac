// Title, artist and album from an MP4 file (M4A, M4B: AAC, ALAC): the items
// of moov/udta/meta/ilst. No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Needs "ftyp" as the type of the file's first atom. Fills `text` from the
// items "\xA9nam", "\xA9ART" and "\xA9alb" (the first of each; its UTF-8
// data atoms joined by " / ") and returns true. False when the file is no
// MP4 file, has no item list, or an atom on the way is broken (a size past
// its parent, smaller than its header); `text` is then of no use.
bool ReadMp4Tags(ByteReader *reader, TrackText *text);
