// The custom texts: UTF-16, up to FIELD_UNITS - 1 units like a track field,
// and the form of the exact copy that the settings file keeps beside a
// CUSTOMn key that cannot hold a text as it is. No Windows calls.
#pragma once

#include "track/track_text.h"

// Stores `count` units of `text` in `field` (FIELD_UNITS units): cut where
// the field is full, never inside a surrogate pair, and with every control
// character (C0, DEL, C1, the line and paragraph separators) made a space,
// so that a status stays one line and a saved text one line of the file.
void StoreCustomText(TextUnit *field, const TextUnit *text, size_t count);

// The copy's form is printable ASCII only, so any code page and both
// families of profile functions carry it unchanged: eight hexadecimal
// digits that mark the CUSTOMn text it was written beside, a colon, then
// the text in UTF-8 with every byte outside "!" to "~", and every "%" and
// quotation mark, written as "%" and two hexadecimal digits:
// "1A2B3C4D:%E2%99%AB%20Now%20playing".
enum {
    // 8 + 1, and at most 3 UTF-8 bytes for each unit, each byte 3 characters.
    CUSTOM_COPY_SIZE = 8 + 1 + 3 * 3 * (FIELD_UNITS - 1) + 1,
};

// Writes the copy of `text` beside a CUSTOMn that holds `shown` into `copy`
// (CUSTOM_COPY_SIZE bytes).
void EncodeCustomCopy(const TextUnit *text, const TextUnit *shown, char *copy);

// The exact text from a copy, into `text` (FIELD_UNITS units), when the copy
// is sound and was written beside a CUSTOMn that holds `shown` as it does
// now. False, with `text` empty, for anything else: another form, a text
// that does not fit, a control character, or a CUSTOMn changed since.
bool DecodeCustomCopy(const char *copy, const TextUnit *shown, TextUnit *text);
