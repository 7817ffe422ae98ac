// Fuzzes the playlist title split with any title: the input's bytes taken as
// UTF-16LE code units, up to the first zero unit. Aborts when a field is not
// zero-terminated within its 128 units, is not well-formed UTF-16, differs
// from the piece an independent split of the title gives for it, a field
// without a piece was touched, or the title changed.
#include <stdint.h>
#include <string.h>

#include "tests/native/fuzz_fields.h"
#include "track/title_split.h"

enum { MAX_UNITS = 2048 };

static bool IsHigh(uint16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
static bool IsLow(uint16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

struct Piece {
    size_t first, last;  // [first, last) in the title, without the spaces around it
};

// Where the title splits: at " - " when it holds one, else at "-"; pieces
// without their spaces, empty ones left out, the first three kept.
static int Pieces(const uint16_t *t, size_t n, Piece pieces[3]) {
    bool spaced = false;
    for (size_t i = 0; i + 2 < n && !spaced; i++)
        spaced = t[i] == ' ' && t[i + 1] == '-' && t[i + 2] == ' ';
    int count = 0;
    size_t start = 0;
    while (count < 3) {
        size_t end = start;
        while (end < n && !(spaced ? end + 2 < n && t[end] == ' ' && t[end + 1] == '-' && t[end + 2] == ' '
                                   : t[end] == '-'))
            end++;
        size_t first = start, last = end;
        while (first < last && t[first] == ' ')
            first++;
        while (last > first && t[last - 1] == ' ')
            last--;
        if (last > first)
            pieces[count++] = {first, last};
        if (end >= n)
            break;
        start = end + (spaced ? 3 : 1);
    }
    return count;
}

// The piece as a field must hold it: unpaired surrogates as U+FFFD, at most
// 127 units, a pair kept whole or not at all.
static bool FieldHolds(const TextUnit *field, const uint16_t *t, Piece piece) {
    size_t out = 0;
    for (size_t i = piece.first; i < piece.last; i++) {
        bool pair = IsHigh(t[i]) && i + 1 < piece.last && IsLow(t[i + 1]);
        if (out + (pair ? 2 : 1) > FIELD_UNITS - 1)
            break;
        if (pair) {
            if ((uint16_t)field[out++] != t[i++] || (uint16_t)field[out++] != t[i])
                return false;
        } else if ((uint16_t)field[out++] != (IsHigh(t[i]) || IsLow(t[i]) ? 0xFFFD : t[i])) {
            return false;
        }
    }
    return field[out] == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static uint16_t units[MAX_UNITS];
    size_t count = 0;
    for (size_t i = 0; i + 1 < size && count < MAX_UNITS && (data[i] | data[i + 1]) != 0; i += 2)
        units[count++] = (uint16_t)(data[i] | data[i + 1] << 8);
    // The host's title, exactly as long as it is, so a read past it is a
    // finding.
    TextUnit *title = new TextUnit[count + 1];
    for (size_t i = 0; i < count; i++)
        title[i] = (TextUnit)units[i];
    title[count] = 0;

    static TrackText text;
    memset(&text, 0x5A, sizeof text);
    ClearTrackText(&text);
    SplitTitleText(title, count, &text);

    Piece pieces[3];
    int found = Pieces(units, count, pieces);
    TextUnit *fields[3] = {text.artist, text.title, text.album};
    for (int f = 0; f < 3; f++) {
        FuzzCheckField(fields[f]);
        if (f < found) {
            FuzzCheck(FieldHolds(fields[f], units, pieces[f]));
        } else {
            FuzzCheck(fields[f][0] == 0);
            for (size_t k = 1; k < FIELD_UNITS; k++)
                FuzzCheck(fields[f][k] == (TextUnit)0x5A5A);
        }
    }
    for (size_t i = 0; i < count; i++)
        FuzzCheck((uint16_t)title[i] == units[i]);
    delete[] title;
    return 0;
}
