#include "track/title_split.h"

// Where the separator " - " starts at or after `from`, or `length`.
static size_t FindSpacedHyphen(const TextUnit *title, size_t length, size_t from) {
    for (size_t i = from; i + 3 <= length; i++) {
        if (title[i] == ' ' && title[i + 1] == '-' && title[i + 2] == ' ')
            return i;
    }
    return length;
}

static size_t FindHyphen(const TextUnit *title, size_t length, size_t from) {
    for (size_t i = from; i < length; i++) {
        if (title[i] == '-')
            return i;
    }
    return length;
}

void SplitTitleText(const TextUnit *title, size_t length, TrackText *text) {
    TextUnit *fields[3] = {text->artist, text->title, text->album};
    bool spaced = FindSpacedHyphen(title, length, 0) < length;
    size_t separator = spaced ? 3 : 1;
    int stored = 0;
    for (size_t start = 0; start <= length && stored < 3;) {
        size_t end = spaced ? FindSpacedHyphen(title, length, start) : FindHyphen(title, length, start);
        size_t first = start, last = end;
        while (first < last && title[first] == ' ')
            first++;
        while (last > first && title[last - 1] == ' ')
            last--;
        if (last > first) {
            FieldWriter writer;
            StartField(&writer, fields[stored++]);
            AppendUnits(&writer, title + first, last - first);
        }
        start = end + separator;
    }
}
