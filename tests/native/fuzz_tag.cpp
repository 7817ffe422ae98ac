// Fuzzes the tag reader's text handling with the bytes of a whole file: the
// same steps as the plug-in's ReadTrackTag (the last 128 bytes, the marker
// check, three 30-byte field reads through StoreTagField), once with every
// read complete and once with reads cut short as after an input error. Aborts
// when a field is not zero-terminated within its 32 bytes, holds more than 30
// bytes, holds anything but the trimmed text read for it, or the input changed.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "track/formats/id3v1.h"
#include "track/text_copy.h"

static void Check(bool ok) {
    if (!ok)
        abort();
}

static bool IsBlank(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

// What the field must hold: the bytes read up to the first zero, without the
// blanks at the end, the first byte always kept.
static std::vector<char> Expected(const uint8_t *read, size_t got) {
    std::vector<char> text;
    for (size_t i = 0; i < got && read[i] != 0; i++)
        text.push_back((char)read[i]);
    while (text.size() > 1 && IsBlank((unsigned char)text.back()))
        text.pop_back();
    return text;
}

// One field read: `got` of the 30 asked-for bytes arrive; the rest of the
// work buffer keeps what it held.
static void ReadField(char *work, const uint8_t *source, size_t got) {
    char *field = (char *)malloc(TEXT_FIELD_SIZE);
    memset(field, 0x5A, TEXT_FIELD_SIZE);
    memcpy(work, source, got);
    StoreTagField(work, got, field);
    const char *end = (const char *)memchr(field, 0, TEXT_FIELD_SIZE);
    Check(end != NULL);
    size_t length = (size_t)(end - field);
    Check(length <= TAG_FIELD_SIZE);
    std::vector<char> expected = Expected(source, got);
    Check(length == expected.size() && (length == 0 || memcmp(field, expected.data(), length) == 0));
    free(field);
}

static void ReadTag(const uint8_t *tag, const size_t got[3]) {
    // Exactly the reader's 32-byte work buffer, filled with what an earlier
    // use could have left there.
    char *work = (char *)malloc(TEXT_FIELD_SIZE);
    memset(work, 'Z', TEXT_FIELD_SIZE);
    memcpy(work, tag, TAG_MARKER_SIZE);
    work[TAG_MARKER_SIZE] = 0;
    bool marker = IsTagMarker(work);
    Check(marker == (memcmp(tag, "TAG", 3) == 0));
    if (marker) {
        for (int i = 0; i < 3; i++)
            ReadField(work, tag + TAG_MARKER_SIZE + TAG_FIELD_SIZE * i, got[i]);
    }
    free(work);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < TAG_SIZE)
        return 0;  // no tag: the reader stops before reading
    std::vector<uint8_t> before(data, data + size);
    const uint8_t *tag = data + size - TAG_SIZE;

    const size_t full[3] = {TAG_FIELD_SIZE, TAG_FIELD_SIZE, TAG_FIELD_SIZE};
    ReadTag(tag, full);

    // Short reads, their lengths taken from the genre byte and the file size.
    size_t cut[3] = {(size_t)tag[127] % 31, (size_t)(tag[127] / 31) % 31, size % 31};
    ReadTag(tag, cut);

    Check(memcmp(before.data(), data, size) == 0);
    return 0;
}
