// What every fuzzed reader must leave in the track fields.
#pragma once

#include <stdlib.h>

#include "track/track_text.h"

inline void FuzzCheck(bool ok) {
    if (!ok)
        abort();
}

// Zero-terminated within its 128 units, every surrogate in a pair.
inline void FuzzCheckField(const TextUnit *field) {
    size_t length = 0;
    while (length < FIELD_UNITS && field[length] != 0)
        length++;
    FuzzCheck(length < FIELD_UNITS);
    for (size_t i = 0; i < length; i++) {
        uint16_t u = (uint16_t)field[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            FuzzCheck(i + 1 < length && (uint16_t)field[i + 1] >= 0xDC00 && (uint16_t)field[i + 1] <= 0xDFFF);
            i++;
        } else {
            FuzzCheck(u < 0xDC00 || u > 0xDFFF);
        }
    }
}

inline void FuzzCheckFields(const TrackText *text) {
    FuzzCheckField(text->title);
    FuzzCheckField(text->artist);
    FuzzCheckField(text->album);
}

inline bool FuzzSameField(const TextUnit *a, const TextUnit *b) {
    for (size_t i = 0; i < FIELD_UNITS; i++) {
        if (a[i] != b[i])
            return false;
        if (a[i] == 0)
            return true;
    }
    return true;
}

inline bool FuzzSameFields(const TrackText *a, const TrackText *b) {
    return FuzzSameField(a->title, b->title) && FuzzSameField(a->artist, b->artist) &&
           FuzzSameField(a->album, b->album);
}
