#include "track/formats/iff.h"

#include <string.h>

#include "track/formats/id3v2.h"

enum {
    CHUNK_HEADER = 8,
    // Chunks looked at in one file or list at most; real files have a few.
    MAX_CHUNKS = 4096,
};

struct Chunk {
    uint64_t body;
    uint64_t size;
};

// The chunks of interest among those between `from` and `end`: an ID3v2
// chunk and a LIST chunk of type INFO, the first of each. Each chunk is an id, a size in
// the file's byte order, its bytes and a pad byte after an odd size. False
// when a size points past `end`.
struct ChunkWalk {
    bool bigEndian;
    Chunk id3, list;  // size 0 and body 0: not found
};

static bool WalkChunks(ByteReader *reader, uint64_t from, uint64_t end, ChunkWalk *walk) {
    walk->id3.body = walk->list.body = 0;
    for (int n = 0; n < MAX_CHUNKS && end - from >= CHUNK_HEADER; n++) {
        const uint8_t *h = ReadAt(reader, from, CHUNK_HEADER);
        if (h == NULL)
            return false;
        uint64_t size = walk->bigEndian ? BigEndian32(h + 4) : LittleEndian32(h + 4);
        uint64_t body = from + CHUNK_HEADER;
        if (size > end - body)
            return false;
        if (walk->id3.body == 0 && (memcmp(h, "id3 ", 4) == 0 || memcmp(h, "ID3 ", 4) == 0)) {
            walk->id3 = {body, size};
        } else if (walk->list.body == 0 && memcmp(h, "LIST", 4) == 0 && size >= 4) {
            const uint8_t *type = ReadAt(reader, body, 4);
            if (type != NULL && memcmp(type, "INFO", 4) == 0)
                walk->list = {body + 4, size - 4};
        }
        from = body + size + (size & 1);
        if (from > end)
            break;  // the last chunk may lack its pad byte
    }
    return true;
}

// The chunk file's header: its id, the size of what follows, and its form.
static bool WalkFile(ByteReader *reader, const char *id, const char *form1, const char *form2, ChunkWalk *walk) {
    const uint8_t *h = ReadAt(reader, 0, 12);
    if (h == NULL || memcmp(h, id, 4) != 0 || (memcmp(h + 8, form1, 4) != 0 && memcmp(h + 8, form2, 4) != 0))
        return false;
    uint64_t size = walk->bigEndian ? BigEndian32(h + 4) : LittleEndian32(h + 4);
    if (size < 4 || size > reader->source->size - 8)
        return false;
    return WalkChunks(reader, 12, 8 + size, walk);
}

static bool ReadChunkId3v2(ByteReader *reader, const Chunk *chunk, TrackText *text) {
    uint64_t tagEnd;
    return chunk->body != 0 && ReadId3v2At(reader, chunk->body, chunk->body + chunk->size, text, &tagEnd) &&
           IsUsableTrackText(text);
}

static int FieldOfInfo(const uint8_t *id) {
    static const char *const IDS[TRACK_FIELDS] = {"INAM", "IART", "IPRD"};
    for (int f = 0; f < TRACK_FIELDS; f++) {
        if (memcmp(id, IDS[f], 4) == 0)
            return f;
    }
    return -1;
}

// The INFO list: chunks of zero-terminated texts.
static bool ReadInfo(ByteReader *reader, const Chunk *list, NarrowDecoder narrow, TrackText *text) {
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    bool seen[TRACK_FIELDS] = {false, false, false};
    uint64_t position = list->body, end = list->body + list->size;
    for (int n = 0; n < MAX_CHUNKS && end - position >= CHUNK_HEADER; n++) {
        const uint8_t *h = ReadAt(reader, position, CHUNK_HEADER);
        if (h == NULL)
            return false;
        int field = FieldOfInfo(h);
        uint64_t size = LittleEndian32(h + 4), body = position + CHUNK_HEADER;
        if (size > end - body)
            return false;
        position = body + size + (size & 1);
        if (field < 0 || seen[field])
            continue;
        seen[field] = true;
        size_t taken;
        const uint8_t *bytes = ReadValue(reader, body, size, &taken);
        if (bytes == NULL)
            return false;
        const uint8_t *zero = (const uint8_t *)memchr(bytes, 0, taken);
        size_t length = zero != NULL ? (size_t)(zero - bytes) : taken;
        if (IsValidUtf8(bytes, length)) {
            AppendUtf8Value(&writers[field], bytes, length);
        } else {
            TextUnit value[FIELD_UNITS];
            FieldWriter writer;
            StartField(&writer, value);
            narrow(&writer, (const char *)bytes, length);
            AppendValue(&writers[field], value);
        }
    }
    return true;
}

bool ReadWaveTags(ByteReader *reader, NarrowDecoder narrow, TrackText *text) {
    ClearTrackText(text);
    ChunkWalk walk = {};
    if (!WalkFile(reader, "RIFF", "WAVE", "WAVE", &walk))
        return false;
    if (ReadChunkId3v2(reader, &walk.id3, text))
        return true;
    return walk.list.body != 0 && ReadInfo(reader, &walk.list, narrow, text);
}

bool ReadAiffTags(ByteReader *reader, TrackText *text) {
    ClearTrackText(text);
    ChunkWalk walk = {};
    walk.bigEndian = true;
    return WalkFile(reader, "FORM", "AIFF", "AIFC", &walk) && ReadChunkId3v2(reader, &walk.id3, text);
}
