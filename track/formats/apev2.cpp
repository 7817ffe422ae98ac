#include "track/formats/apev2.h"

#include <string.h>

enum {
    FOOTER_SIZE = 32,
    ID3V1_SIZE = 128,
    APE_VERSION_2 = 2000,
    ITEM_HEADER = 8,
    KEY_LIMIT = 256,  // a key is at most 255 characters and its zero
    ITEM_TEXT = 0,
};

static bool IsFooter(const uint8_t *b) {
    return b != NULL && memcmp(b, "APETAGEX", 8) == 0;
}

// The zero-separated values of one item.
static void TakeValues(const uint8_t *value, size_t size, FieldWriter *field) {
    size_t start = 0;
    while (start < size) {
        const uint8_t *zero = (const uint8_t *)memchr(value + start, 0, size - start);
        size_t end = zero != NULL ? (size_t)(zero - value) : size;
        AppendUtf8Value(field, value + start, end - start);
        start = end + 1;
    }
}

bool ReadApeTags(ByteReader *reader, TrackText *text) {
    ClearTrackText(text);
    uint64_t size = reader->source->size;
    // Both places in one read, which also holds an ID3v1 tag for its reader.
    uint64_t tail = size < ID3V1_SIZE + FOOTER_SIZE ? size : (uint64_t)(ID3V1_SIZE + FOOTER_SIZE);
    const uint8_t *last = ReadAt(reader, size - tail, (size_t)tail);
    uint64_t footer;
    if (last != NULL && tail >= FOOTER_SIZE && IsFooter(last + tail - FOOTER_SIZE))
        footer = size - FOOTER_SIZE;
    else if (last != NULL && tail == ID3V1_SIZE + FOOTER_SIZE && IsFooter(last))
        footer = size - ID3V1_SIZE - FOOTER_SIZE;
    else
        return false;
    const uint8_t *f = ReadAt(reader, footer, FOOTER_SIZE);
    if (f == NULL || LittleEndian32(f + 8) != APE_VERSION_2)
        return false;
    uint64_t tagSize = LittleEndian32(f + 12);
    uint32_t count = LittleEndian32(f + 16);
    // The size counts the items and the footer, not a header before them.
    if (tagSize < FOOTER_SIZE || tagSize - FOOTER_SIZE > footer || count == 0xFFFFFFFF)
        return false;
    uint64_t position = footer - (tagSize - FOOTER_SIZE), end = footer;

    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    bool seen[TRACK_FIELDS] = {false, false, false};
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t *h = end - position < ITEM_HEADER ? NULL : ReadAt(reader, position, ITEM_HEADER);
        if (h == NULL)
            return false;
        uint64_t valueSize = LittleEndian32(h);
        uint32_t flags = LittleEndian32(h + 4);
        uint64_t key = position + ITEM_HEADER;
        size_t window = end - key < KEY_LIMIT ? (size_t)(end - key) : (size_t)KEY_LIMIT;
        const uint8_t *k = ReadAt(reader, key, window);
        const uint8_t *zero = k == NULL ? NULL : (const uint8_t *)memchr(k, 0, window);
        if (zero == NULL)
            return false;
        size_t keyLength = (size_t)(zero - k);
        int field = TrackFieldNamed(k, keyLength);
        uint64_t value = key + keyLength + 1;
        if (valueSize > end - value)
            return false;
        position = value + valueSize;
        if (field < 0 || seen[field] || ((flags >> 1) & 3) != ITEM_TEXT)
            continue;
        seen[field] = true;
        size_t taken;
        const uint8_t *bytes = ReadValue(reader, value, valueSize, &taken);
        if (bytes == NULL)
            return false;
        TakeValues(bytes, taken, &writers[field]);
    }
    return true;
}
