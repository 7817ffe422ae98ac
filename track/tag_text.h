// Pure text handling for the ID3v1 tag reader: no Windows calls, so it also
// builds natively for unit tests, sanitizers and fuzzing.
#pragma once

#include <stddef.h>

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
