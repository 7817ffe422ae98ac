#include "track/tag_text.h"

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
