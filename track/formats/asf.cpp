#include "track/formats/asf.h"

#include <string.h>

enum {
    GUID_SIZE = 16,
    OBJECT_HEADER = GUID_SIZE + 8,
    HEADER_OBJECT_SIZE = OBJECT_HEADER + 6,  // then the count of objects and two reserved bytes
    MAX_OBJECTS = 1024,
    VALUE_UNICODE = 0,
};

static const uint8_t HEADER_OBJECT[GUID_SIZE] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
static const uint8_t CONTENT_DESCRIPTION[GUID_SIZE] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                       0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
static const uint8_t EXTENDED_CONTENT_DESCRIPTION[GUID_SIZE] = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                                                0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};

// "WM/AlbumTitle" in UTF-16LE with its terminating zero, as the descriptor
// names it.
static const uint8_t ALBUM_NAME[] = {'W', 0, 'M', 0, '/', 0, 'A', 0, 'l', 0, 'b', 0, 'u', 0,
                                     'm', 0, 'T', 0, 'i', 0, 't', 0, 'l', 0, 'e', 0, 0,   0};

// Adds the UTF-16LE text of `length` bytes at `at` as the field's value.
static bool TakeText(ByteReader *reader, uint64_t at, uint64_t length, FieldWriter *field) {
    size_t taken;
    const uint8_t *bytes = ReadValue(reader, at, length, &taken);
    if (bytes == NULL)
        return false;
    AppendUtf16LeValue(field, bytes, taken);
    return true;
}

// Five lengths (title, author, copyright, description, rating), then the
// texts in that order.
static bool ReadContentDescription(ByteReader *reader, uint64_t at, uint64_t end, FieldWriter writers[]) {
    const uint8_t *lengths = end - at < 10 ? NULL : ReadAt(reader, at, 10);
    if (lengths == NULL)
        return false;
    uint64_t title = LittleEndian16(lengths), author = LittleEndian16(lengths + 2);
    if (title + author > end - at - 10)
        return false;
    return TakeText(reader, at + 10, title, &writers[TRACK_TITLE]) &&
           TakeText(reader, at + 10 + title, author, &writers[TRACK_ARTIST]);
}

// A count, then descriptors: name length, name, value type, value length,
// value. The first "WM/AlbumTitle" that holds text is the album.
static bool ReadExtendedDescription(ByteReader *reader, uint64_t at, uint64_t end, FieldWriter *album) {
    const uint8_t *b = end - at < 2 ? NULL : ReadAt(reader, at, 2);
    if (b == NULL)
        return false;
    uint32_t count = LittleEndian16(b);
    uint64_t position = at + 2;
    for (uint32_t i = 0; i < count; i++) {
        if ((b = end - position < 2 ? NULL : ReadAt(reader, position, 2)) == NULL)
            return false;
        uint64_t nameLength = LittleEndian16(b);
        uint64_t name = position + 2;
        if (nameLength + 4 > end - name)
            return false;
        bool isAlbum = false;
        if (nameLength == sizeof ALBUM_NAME) {
            const uint8_t *n = ReadAt(reader, name, sizeof ALBUM_NAME);
            isAlbum = n != NULL && memcmp(n, ALBUM_NAME, sizeof ALBUM_NAME) == 0;
        }
        if ((b = ReadAt(reader, name + nameLength, 4)) == NULL)
            return false;
        uint32_t type = LittleEndian16(b);
        uint64_t valueLength = LittleEndian16(b + 2);
        uint64_t value = name + nameLength + 4;
        if (valueLength > end - value)
            return false;
        if (isAlbum && type == VALUE_UNICODE)
            return TakeText(reader, value, valueLength, album);
        position = value + valueLength;
    }
    return true;
}

bool ReadAsfTags(ByteReader *reader, TrackText *text) {
    ClearTrackText(text);
    const uint8_t *h = ReadAt(reader, 0, HEADER_OBJECT_SIZE);
    if (h == NULL || memcmp(h, HEADER_OBJECT, GUID_SIZE) != 0)
        return false;
    uint64_t end = LittleEndian64(h + GUID_SIZE);
    if (end < HEADER_OBJECT_SIZE || end > reader->source->size)
        return false;
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    bool described = false, extended = false;
    uint64_t position = HEADER_OBJECT_SIZE;
    for (int n = 0; n < MAX_OBJECTS && end - position >= OBJECT_HEADER; n++) {
        const uint8_t *object = ReadAt(reader, position, OBJECT_HEADER);
        if (object == NULL)
            return false;
        uint64_t size = LittleEndian64(object + GUID_SIZE);
        if (size < OBJECT_HEADER || size > end - position)
            return false;
        uint64_t body = position + OBJECT_HEADER, objectEnd = position + size;
        if (!described && memcmp(object, CONTENT_DESCRIPTION, GUID_SIZE) == 0) {
            described = true;
            if (!ReadContentDescription(reader, body, objectEnd, writers))
                return false;
        } else if (!extended && memcmp(object, EXTENDED_CONTENT_DESCRIPTION, GUID_SIZE) == 0) {
            extended = true;
            if (!ReadExtendedDescription(reader, body, objectEnd, &writers[TRACK_ALBUM]))
                return false;
        }
        position = objectEnd;
    }
    return true;
}
