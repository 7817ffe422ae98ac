#include "track/formats/vorbis_comment.h"

#include <string.h>

// One comment, "NAME=value": a value for one of the fields is added to it.
static void TakeComment(const uint8_t *comment, size_t size, FieldWriter writers[TRACK_FIELDS]) {
    const uint8_t *equals = (const uint8_t *)memchr(comment, '=', size);
    if (equals == NULL)
        return;
    int field = TrackFieldNamed(comment, (size_t)(equals - comment));
    if (field >= 0)
        AppendUtf8Value(&writers[field], equals + 1, size - (size_t)(equals + 1 - comment));
}

bool ReadVorbisComments(ByteStream *stream, TrackText *text) {
    FieldWriter writers[TRACK_FIELDS];
    StartTrackFields(text, writers);
    uint8_t word[4];
    if (!stream->read(stream->context, word, 4) || !stream->skip(stream->context, LittleEndian32(word)) ||
        !stream->read(stream->context, word, 4))
        return false;
    // Every comment takes at least its four length bytes, so a count beyond
    // what the stream holds ends at its end.
    uint32_t count = LittleEndian32(word);
    for (uint32_t i = 0; i < count; i++) {
        if (!stream->read(stream->context, word, 4))
            return false;
        uint32_t size = LittleEndian32(word);
        size_t taken = size < VALUE_LIMIT ? size : (size_t)VALUE_LIMIT;
        uint8_t comment[VALUE_LIMIT];
        if (!stream->read(stream->context, comment, taken) || !stream->skip(stream->context, size - taken))
            return false;
        TakeComment(comment, taken, writers);
    }
    return true;
}
