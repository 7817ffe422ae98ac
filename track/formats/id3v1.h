// The ID3v1 tag in a file's last 128 bytes, as narrow text in whatever code
// page the file was written: no Windows calls, so it also builds natively for
// unit tests, sanitizers and fuzzing.
#pragma once

#include <stddef.h>

#include "track/byte_reader.h"
#include "track/text_copy.h"

enum { TAG_SIZE = 128, TAG_MARKER_SIZE = 3, TAG_FIELD_SIZE = 30 };

// Strips white space (space, tab, line feed, vertical tab, form feed,
// carriage return) from the end of a zero-terminated text, in place. The
// first byte is never examined, so a text of only blanks keeps one.
char *TrimTrailingBlanks(char *text);

// True when the work buffer starts with the three bytes "TAG" followed by the
// zero byte the reader puts after them.
bool IsTagMarker(const char *work);

// Turns one field read into the 32-byte work buffer into track text: only the
// `got` bytes that were read count (at most 30), the text ends at the first
// zero byte, trailing blanks go, and the result is copied into the 32-byte
// `field`, always zero-terminated.
void StoreTagField(char *work, size_t got, char *field);

// Fills the three 32-byte fields (title, artist, album) from the file's
// ID3v1 tag and returns true; false, touching nothing, when the file is
// shorter than a tag or its last 128 bytes do not begin with "TAG".
bool ReadId3v1Fields(ByteReader *reader, char *title, char *artist, char *album);
