// Fuzzes the playlist title splitter with any display title (the input up to
// its first zero byte). Aborts when a field is not zero-terminated within its
// 32 bytes, holds more than 30 bytes, differs from the token the title holds
// for it, a field without a token was touched, or the title changed.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "track/text_copy.h"
#include "track/title_split.h"

static void Check(bool ok) {
    if (!ok)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The host's title: exactly the input and its terminating zero.
    char *title = (char *)malloc(size + 1);
    memcpy(title, data, size);
    title[size] = 0;
    std::vector<char> before(title, title + size + 1);

    // The tokens, found independently: runs of bytes other than "-".
    std::vector<std::vector<char>> tokens;
    for (size_t i = 0; i < size && title[i] != 0;) {
        if (title[i] == '-') {
            i++;
            continue;
        }
        std::vector<char> token;
        while (i < size && title[i] != 0 && title[i] != '-')
            token.push_back(title[i++]);
        tokens.push_back(token);
    }

    char *fields[3];
    for (int i = 0; i < 3; i++) {
        fields[i] = (char *)malloc(TEXT_FIELD_SIZE);
        memset(fields[i], 0x5A, TEXT_FIELD_SIZE);
        fields[i][0] = 0;  // the caller empties the fields first
    }
    SplitTitleText(title, fields[0], fields[1], fields[2]);

    for (size_t i = 0; i < 3; i++) {
        if (i >= tokens.size()) {
            Check(fields[i][0] == 0);
            for (int k = 1; k < TEXT_FIELD_SIZE; k++)
                Check(fields[i][k] == 0x5A);
            continue;
        }
        const char *end = (const char *)memchr(fields[i], 0, TEXT_FIELD_SIZE);
        Check(end != NULL);
        size_t length = (size_t)(end - fields[i]);
        Check(length <= 30);
        size_t want = tokens[i].size() < 30 ? tokens[i].size() : 30;
        Check(length == want && (want == 0 || memcmp(fields[i], tokens[i].data(), want) == 0));
    }
    Check(memcmp(before.data(), title, size + 1) == 0);

    for (int i = 0; i < 3; i++)
        free(fields[i]);
    free(title);
    return 0;
}
