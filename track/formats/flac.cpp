#include "track/formats/flac.h"

#include <string.h>

#include "track/formats/vorbis_comment.h"

enum {
    BLOCK_VORBIS_COMMENT = 4,
    BLOCK_INVALID = 127,
    // Real streams have a handful of metadata blocks; a file that claims
    // thousands is not walked to its end.
    MAX_BLOCKS = 1024,
};

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
        if (type == BLOCK_VORBIS_COMMENT) {
            FileRegion region = {reader, body, body + length};
            ByteStream stream = RegionStream(&region);
            return ReadVorbisComments(&stream, text);
        }
        if (last)
            return false;
        position = body + length;
    }
    return false;
}
