// Splitting a playlist title into artist, title and album. No Windows calls.
#pragma once

#include <stddef.h>

#include "track/track_text.h"

// Cuts `title` (`length` UTF-16 code units, zero units included as they
// stand) into pieces: at every " - " (space, hyphen, space; left to right,
// not overlapping) when the title holds one, else at every "-". Each piece
// loses its leading and trailing spaces, and empty pieces are skipped. The
// first piece goes to artist, the second to title, the third to album, each
// cut to the field's size; a field without a piece is left as it is.
// `title` is only read.
void SplitTitleText(const TextUnit *title, size_t length, TrackText *text);
