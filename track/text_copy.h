// Bounded copies into the plug-in's fixed text fields. No Windows calls.
#pragma once

#include <stddef.h>

enum { TEXT_FIELD_SIZE = 32 };

// Copies at most `maxLength` bytes of `source`, stopping at its first zero
// byte, into `dest` of `destSize` bytes, and always terminates `dest`.
// Returns the number of bytes copied.
size_t CopyText(char *dest, size_t destSize, const char *source, size_t maxLength);
