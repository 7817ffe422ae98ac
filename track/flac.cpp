#include "track/flac.h"

#include <string.h>

enum {
    BLOCK_VORBIS_COMMENT = 4,
    BLOCK_INVALID = 127,
    // Real streams have a handful of metadata blocks; a file that claims
    // thousands is not walked to its end.
    MAX_BLOCKS = 1024,
    // A comment is read up to this many bytes: its name and far more of its
    // value than a field of 127 code units takes.
    COMMENT_LIMIT = 1024,
};

static uint32_t LittleEndian32(const uint8_t *b) {
    return (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
}

static int FieldOfName(const uint8_t *name, size_t length) {
    static const char *const NAMES[3] = {"TITLE", "ARTIST", "ALBUM"};
    for (int f = 0; f < 3; f++) {
        if (strlen(NAMES[f]) != length)
            continue;
        size_t i = 0;
        while (i < length && (name[i] & ~0x20) == NAMES[f][i])
            i++;
        if (i == length)
            return f;
    }
    return -1;
}

// One comment, "NAME=value": a value for one of the fields is added to it,
// several of one name joined by " / ".
static void TakeComment(const uint8_t *comment, size_t size, FieldWriter writers[3]) {
    const uint8_t *equals = (const uint8_t *)memchr(comment, '=', size);
    if (equals == NULL)
        return;
    int field = FieldOfName(comment, (size_t)(equals - comment));
    if (field < 0)
        return;
    TextUnit value[FIELD_UNITS];
    FieldWriter valueWriter;
    StartField(&valueWriter, value);
    AppendUtf8(&valueWriter, equals + 1, size - (size_t)(equals + 1 - comment));
    AppendValue(&writers[field], value);
}

// The comment block: vendor string, count, then each comment with its
// length. Comments are read in part and skipped over, never read whole.
static bool ReadComments(ByteReader *reader, uint64_t at, uint64_t end, TrackText *text) {
    FieldWriter writers[3];
    StartField(&writers[0], text->title);
    StartField(&writers[1], text->artist);
    StartField(&writers[2], text->album);
    const uint8_t *b = ReadAt(reader, at, 4);
    if (b == NULL || end - at < 4)
        return false;
    uint64_t position = at + 4 + LittleEndian32(b);
    if (position + 4 > end || (b = ReadAt(reader, position, 4)) == NULL)
        return false;
    uint32_t count = LittleEndian32(b);
    position += 4;
    for (uint32_t i = 0; i < count; i++) {
        if (end - position < 4 || (b = ReadAt(reader, position, 4)) == NULL)
            return false;
        uint32_t size = LittleEndian32(b);
        position += 4;
        if (size > end - position)
            return false;
        size_t taken = size < COMMENT_LIMIT ? size : (size_t)COMMENT_LIMIT;
        const uint8_t *comment = ReadAt(reader, position, taken);
        if (comment == NULL)
            return false;
        uint8_t copy[COMMENT_LIMIT];
        memcpy(copy, comment, taken);
        TakeComment(copy, taken, writers);
        position += size;
    }
    return true;
}

bool ReadFlacComments(ByteReader *reader, uint64_t at, TrackText *text) {
    ClearTrackText(text);
    const uint8_t *marker = ReadAt(reader, at, 4);
    if (marker == NULL || memcmp(marker, "fLaC", 4) != 0)
        return false;
    uint64_t fileSize = reader->source->size;
    uint64_t position = at + 4;
    for (int blocks = 0; blocks < MAX_BLOCKS; blocks++) {
        const uint8_t *header = ReadAt(reader, position, 4);
        if (header == NULL)
            return false;
        bool last = (header[0] & 0x80) != 0;
        int type = header[0] & 0x7F;
        uint64_t length = (uint64_t)header[1] << 16 | (uint64_t)header[2] << 8 | header[3];
        uint64_t body = position + 4;
        if (type == BLOCK_INVALID || length > fileSize - body)
            return false;
        if (type == BLOCK_VORBIS_COMMENT)
            return ReadComments(reader, body, body + length, text);
        if (last)
            return false;
        position = body + length;
    }
    return false;
}
