#include "track/formats/id3v2.h"

#include <string.h>

enum {
    TAG_HEADER = 10,
    // A text frame's body is read up to this many bytes: far more than three
    // fields of 127 code units take, whatever the encoding.
    TEXT_BODY_LIMIT = 1024,
    // A tag unsynchronised as a whole must be read byte by byte even where a
    // frame is skipped; beyond this many bytes it is given up.
    UNSYNC_READ_LIMIT = 16 << 20,
};

enum { FIELD_TITLE, FIELD_ARTIST, FIELD_ALBUM, FIELD_NONE };

// The frames of the tag, read in order. Where the whole tag is
// unsynchronised (versions 2.2 and 2.3), every 0xFF 0x00 in the file stands
// for 0xFF, and sizes count the bytes after that decoding, so the stream
// reads through instead of moving ahead.
struct TagStream {
    ByteReader *reader;
    uint64_t position;  // in the file
    uint64_t end;       // where the frames end, in the file
    bool unsync;
    uint64_t readThrough;
};

static bool NextByte(TagStream *stream, uint8_t *out) {
    if (stream->position >= stream->end || ++stream->readThrough > UNSYNC_READ_LIMIT)
        return false;
    const uint8_t *byte = ReadAt(stream->reader, stream->position, 1);
    if (byte == NULL)
        return false;
    *out = *byte;
    stream->position++;
    if (*out == 0xFF && stream->position < stream->end) {
        const uint8_t *next = ReadAt(stream->reader, stream->position, 1);
        if (next != NULL && *next == 0x00)
            stream->position++;
    }
    return true;
}

static bool ReadBytes(TagStream *stream, uint8_t *dest, size_t count) {
    if (stream->unsync) {
        for (size_t i = 0; i < count; i++) {
            if (!NextByte(stream, dest + i))
                return false;
        }
        return true;
    }
    if (count > stream->end - stream->position)
        return false;
    const uint8_t *bytes = ReadAt(stream->reader, stream->position, count);
    if (bytes == NULL)
        return false;
    memcpy(dest, bytes, count);
    stream->position += count;
    return true;
}

// Moves past `count` bytes; a frame body that is skipped is never read,
// unless the whole tag is unsynchronised.
static bool SkipBytes(TagStream *stream, uint64_t count) {
    if (stream->unsync) {
        uint8_t ignored;
        for (uint64_t i = 0; i < count; i++) {
            if (!NextByte(stream, &ignored))
                return false;
        }
        return true;
    }
    if (count > stream->end - stream->position)
        return false;
    stream->position += count;
    return true;
}

static uint32_t BigEndian(const uint8_t *b, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; i++)
        value = (value << 8) | b[i];
    return value;
}

static bool IsSyncsafe(const uint8_t *b) {
    return ((b[0] | b[1] | b[2] | b[3]) & 0x80) == 0;
}

static uint32_t Syncsafe(const uint8_t *b) {
    return (uint32_t)b[0] << 21 | (uint32_t)b[1] << 14 | (uint32_t)b[2] << 7 | b[3];
}

static bool IsFrameId(const uint8_t *id, int length) {
    for (int i = 0; i < length; i++) {
        if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9')))
            return false;
    }
    return true;
}

static int FieldOfFrame(const uint8_t *id, int version) {
    static const char *const LONG_IDS[3] = {"TIT2", "TPE1", "TALB"};
    static const char *const SHORT_IDS[3] = {"TT2", "TP1", "TAL"};
    for (int f = 0; f < 3; f++) {
        if (version == 2 ? memcmp(id, SHORT_IDS[f], 3) == 0 : memcmp(id, LONG_IDS[f], 4) == 0)
            return f;
    }
    return FIELD_NONE;
}

// ---- text frames ----------------------------------------------------------------

// One value of a text frame, decoded into `value`.
static void DecodeValue(const uint8_t *bytes, size_t size, int encoding, bool *bigEndian, TextUnit *value) {
    FieldWriter writer;
    StartField(&writer, value);
    if (encoding == 0) {
        for (size_t i = 0; i < size; i++)
            AppendCodePoint(&writer, bytes[i]);
    } else if (encoding == 3) {
        if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            bytes += 3;
            size -= 3;
        }
        AppendUtf8(&writer, bytes, size);
    } else {
        TextUnit units[2 * FIELD_UNITS];
        size_t count = 0;
        for (size_t i = 0; i + 1 < size && count < 2 * FIELD_UNITS; i += 2) {
            uint16_t unit = *bigEndian ? (uint16_t)(bytes[i] << 8 | bytes[i + 1])
                                       : (uint16_t)(bytes[i + 1] << 8 | bytes[i]);
            if (i == 0 && (unit == 0xFEFF || unit == 0xFFFE)) {
                // A byte-order mark sets the order for this value and the
                // values after it.
                if (unit == 0xFFFE)
                    *bigEndian = !*bigEndian;
                continue;
            }
            units[count++] = (TextUnit)unit;
        }
        AppendUnits(&writer, units, count);
    }
}

// The values of a text frame's body (its encoding byte first), each ended
// by a zero (two zero bytes in UTF-16), joined by " / " into `field`.
// False for an encoding that is none of the four.
static bool DecodeTextFrame(const uint8_t *body, size_t size, TextUnit *field) {
    FieldWriter writer;
    StartField(&writer, field);
    if (size == 0)
        return true;
    int encoding = body[0];
    if (encoding > 3)
        return false;
    bool bigEndian = encoding == 2;
    size_t unit = encoding == 1 || encoding == 2 ? 2 : 1;
    const uint8_t *text = body + 1;
    size_t length = size - 1;
    size_t start = 0;
    while (start < length && !writer.full) {
        size_t end = start;
        while (end + unit <= length && !(text[end] == 0 && (unit == 1 || text[end + 1] == 0)))
            end += unit;
        if (end + unit > length)
            end = length;
        TextUnit value[FIELD_UNITS];
        DecodeValue(text + start, end - start, encoding, &bigEndian, value);
        AppendValue(&writer, value);
        start = end + unit;
    }
    return true;
}

// Undoes a frame's own unsynchronisation in place; returns the new size.
static size_t Resynchronise(uint8_t *bytes, size_t size) {
    size_t out = 0;
    for (size_t i = 0; i < size; i++) {
        bytes[out++] = bytes[i];
        if (bytes[i] == 0xFF && i + 1 < size && bytes[i + 1] == 0x00)
            i++;
    }
    return out;
}

// ---- the frame list -------------------------------------------------------------------

// Whether a frame body that ends at `next` is followed by what may follow a
// frame: another frame's header, the padding, or the end of the frames.
static bool LandsOnFrame(TagStream *stream, uint64_t next) {
    if (next == stream->end)
        return true;
    if (next > stream->end)
        return false;
    const uint8_t *byte = ReadAt(stream->reader, next, 1);
    if (byte != NULL && *byte == 0)
        return true;
    if (stream->end - next < TAG_HEADER)
        return false;
    const uint8_t *id = ReadAt(stream->reader, next, 4);
    return id != NULL && IsFrameId(id, 4);
}

// A version 2.4 frame size is syncsafe, but many tags carry plain sizes:
// where the two readings differ, the one that lands on what may follow a
// frame wins.
static uint32_t FrameSize24(TagStream *stream, const uint8_t *size) {
    uint32_t plain = BigEndian(size, 4);
    if (!IsSyncsafe(size))
        return plain;
    uint32_t syncsafe = Syncsafe(size);
    if (syncsafe == plain || LandsOnFrame(stream, stream->position + syncsafe))
        return syncsafe;
    if (LandsOnFrame(stream, stream->position + plain))
        return plain;
    return syncsafe;
}

// Reads the frames up to the padding, a frame id that is none, or the end.
// False when a frame does not fit in the tag.
static bool ReadFrames(TagStream *stream, int version, bool framesUnsync, TrackText *text) {
    TextUnit *fields[3] = {text->title, text->artist, text->album};
    bool seen[3] = {false, false, false};
    const int idLength = version == 2 ? 3 : 4;
    const size_t headerLength = version == 2 ? 6 : 10;
    while (!(seen[0] && seen[1] && seen[2])) {
        if (stream->end - stream->position < headerLength)
            return true;
        const uint8_t *first = ReadAt(stream->reader, stream->position, 1);
        if (first == NULL || *first == 0)
            return true;  // the padding
        uint8_t header[10];
        if (!ReadBytes(stream, header, headerLength))
            return false;
        if (!IsFrameId(header, idLength))
            return true;  // not a frame: whatever follows is taken as padding
        uint32_t size;
        bool skip = false;
        size_t prefix = 0;  // bytes of the body before its data
        bool unsync = false;
        if (version == 2) {
            size = BigEndian(header + 3, 3);
        } else if (version == 3) {
            size = BigEndian(header + 4, 4);
            skip = (header[9] & 0xC0) != 0;  // compressed or encrypted
            prefix = (header[9] & 0x20) ? 1 : 0;
        } else {
            size = FrameSize24(stream, header + 4);
            skip = (header[9] & 0x0C) != 0;
            prefix = ((header[9] & 0x40) ? 1 : 0) + ((header[9] & 0x01) ? 4 : 0);
            unsync = framesUnsync || (header[9] & 0x02) != 0;
        }
        int field = FieldOfFrame(header, version);
        if (field == FIELD_NONE || seen[field] || skip || prefix > size) {
            if (!SkipBytes(stream, size))
                return false;
            continue;
        }
        uint8_t body[TEXT_BODY_LIMIT];
        size_t taken = size < TEXT_BODY_LIMIT ? size : (size_t)TEXT_BODY_LIMIT;
        if (!ReadBytes(stream, body, taken) || !SkipBytes(stream, size - taken))
            return false;
        size_t length = taken - prefix;
        if (unsync)
            length = Resynchronise(body + prefix, length);
        if (DecodeTextFrame(body + prefix, length, fields[field]))
            seen[field] = true;
    }
    return true;
}

bool ReadId3v2At(ByteReader *reader, uint64_t at, uint64_t limit, TrackText *text, uint64_t *tagEnd) {
    ClearTrackText(text);
    *tagEnd = 0;
    const uint8_t *h = limit - at < TAG_HEADER ? NULL : ReadAt(reader, at, TAG_HEADER);
    if (h == NULL || memcmp(h, "ID3", 3) != 0 || h[3] < 2 || h[3] > 4 || h[4] == 0xFF || !IsSyncsafe(h + 6))
        return false;
    int version = h[3];
    uint8_t flags = h[5];
    uint64_t size = Syncsafe(h + 6);
    uint64_t end = at + TAG_HEADER + size;
    uint64_t footer = (version == 4 && (flags & 0x10)) ? (uint64_t)TAG_HEADER : 0;
    if (end + footer > limit)
        return false;
    *tagEnd = end + footer;
    if (version == 2 && (flags & 0x40))
        return false;  // a compression scheme that was never defined

    TagStream stream = {reader, at + TAG_HEADER, end, version < 4 && (flags & 0x80) != 0, 0};
    if (version > 2 && (flags & 0x40)) {
        uint8_t extended[4];
        if (!ReadBytes(&stream, extended, 4))
            return false;
        if (version == 3) {
            if (!SkipBytes(&stream, BigEndian(extended, 4)))
                return false;
        } else {
            uint32_t extendedSize = Syncsafe(extended);
            if (!IsSyncsafe(extended) || extendedSize < 6 || !SkipBytes(&stream, extendedSize - 4))
                return false;
        }
    }
    return ReadFrames(&stream, version, version == 4 && (flags & 0x80) != 0, text);
}

bool ReadId3v2(ByteReader *reader, TrackText *text, uint64_t *tagEnd) {
    return ReadId3v2At(reader, 0, reader->source->size, text, tagEnd);
}
