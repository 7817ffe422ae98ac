// Narrow texts (tag fields, playlist titles, custom texts) are in the
// Windows ANSI code page: widening them goes through that code page.
#pragma once

#include <windows.h>

#include "track/track_text.h"

// Appends narrow text of `length` bytes to a field. A lead byte cut off at
// the end of a fixed-size field is dropped rather than guessed at.
void AppendAnsi(FieldWriter *writer, const char *text, size_t length);

// The whole of a narrow text of `bytes` bytes, widened into `buffer` when it
// fits (`capacity` units) or into a heap block the caller frees with
// ReleaseWideText; NULL when it cannot be had. `length` gets its units.
WCHAR *WidenWholeText(const char *text, int bytes, WCHAR *buffer, int capacity, int *length);
void ReleaseWideText(WCHAR *text, WCHAR *buffer);
