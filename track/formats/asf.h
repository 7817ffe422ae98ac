// Title, artist and album from an ASF file (WMA): the Content Description
// and Extended Content Description objects of its header. No Windows calls.
#pragma once

#include "track/byte_reader.h"
#include "track/track_text.h"

// Needs the ASF Header Object at the start of the file. Fills `text` from
// the Content Description Object's Title and Author (the artist) and the
// Extended Content Description Object's "WM/AlbumTitle", UTF-16LE, and
// returns true. False when the file is no ASF file or an object or a
// length on the way points past its parent.
bool ReadAsfTags(ByteReader *reader, TrackText *text);
