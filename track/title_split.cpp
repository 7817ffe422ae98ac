#include "track/title_split.h"

#include "track/text_copy.h"

static const size_t SPLIT_FIELD_LENGTH = 30;

void SplitTitleText(const char *title, char *artist, char *songTitle, char *album) {
    char *fields[3] = {artist, songTitle, album};
    const char *p = title;
    for (int i = 0; i < 3; i++) {
        while (*p == '-')
            p++;
        if (*p == 0)
            return;
        size_t length = 0;
        while (p[length] != 0 && p[length] != '-')
            length++;
        CopyText(fields[i], TEXT_FIELD_SIZE, p, length < SPLIT_FIELD_LENGTH ? length : SPLIT_FIELD_LENGTH);
        p += length;
    }
}
