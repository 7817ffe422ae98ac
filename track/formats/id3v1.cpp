#include "track/formats/id3v1.h"

#include <string.h>

#include "track/text_copy.h"

static bool IsBlank(unsigned char c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

char *TrimTrailingBlanks(char *text) {
    size_t n = 0;
    while (text[n] != 0)
        n++;
    for (size_t i = n; i-- > 1;) {
        if (!IsBlank((unsigned char)text[i]))
            break;
        text[i] = 0;
    }
    return text;
}

bool IsTagMarker(const char *work) {
    return work[0] == 'T' && work[1] == 'A' && work[2] == 'G' && work[3] == 0;
}

void StoreTagField(char *work, size_t got, char *field) {
    if (got > TAG_FIELD_SIZE)
        got = TAG_FIELD_SIZE;
    work[got] = 0;
    work[TAG_FIELD_SIZE] = 0;
    TrimTrailingBlanks(work);
    CopyText(field, TEXT_FIELD_SIZE, work, TAG_FIELD_SIZE);
}

bool ReadId3v1Fields(ByteReader *reader, char *title, char *artist, char *album) {
    uint64_t size = reader->source->size;
    const uint8_t *tag = size < TAG_SIZE ? NULL : ReadAt(reader, size - TAG_SIZE, TAG_SIZE);
    if (tag == NULL)
        return false;
    char work[TEXT_FIELD_SIZE];
    memcpy(work, tag, TAG_MARKER_SIZE);
    work[TAG_MARKER_SIZE] = 0;
    if (!IsTagMarker(work))
        return false;
    char *fields[3] = {title, artist, album};
    for (int i = 0; i < 3; i++) {
        memcpy(work, tag + TAG_MARKER_SIZE + i * TAG_FIELD_SIZE, TAG_FIELD_SIZE);
        StoreTagField(work, TAG_FIELD_SIZE, fields[i]);
    }
    return true;
}
