#include "track/byte_reader.h"

#include <string.h>

void StartReader(ByteReader *reader, const ByteSource *source) {
    reader->source = source;
    reader->start = 0;
    reader->length = 0;
}

const uint8_t *ReadAt(ByteReader *reader, uint64_t offset, size_t count) {
    uint64_t size = reader->source->size;
    if (count > READ_BLOCK || offset > size || count > size - offset)
        return NULL;
    if (offset >= reader->start && offset - reader->start + count <= reader->length)
        return reader->block + (offset - reader->start);
    // A new block from `offset` on, as much of it as the file holds.
    size_t want = size - offset < READ_BLOCK ? (size_t)(size - offset) : (size_t)READ_BLOCK;
    size_t got = reader->source->read(reader->source->context, offset, reader->block, want);
    reader->start = offset;
    reader->length = got <= want ? got : 0;
    if (reader->length < count)
        return NULL;
    return reader->block;
}

const uint8_t *ReadValue(ByteReader *reader, uint64_t offset, uint64_t length, size_t *taken) {
    *taken = length < VALUE_LIMIT ? (size_t)length : (size_t)VALUE_LIMIT;
    return ReadAt(reader, offset, *taken);
}

static size_t ReadMemory(void *context, uint64_t offset, uint8_t *buffer, size_t count) {
    const MemoryBlock *block = (const MemoryBlock *)context;
    if (offset >= block->size)
        return 0;
    size_t available = block->size - (size_t)offset;
    size_t n = count < available ? count : available;
    memcpy(buffer, block->bytes + offset, n);
    return n;
}

ByteSource MemorySource(MemoryBlock *block) {
    ByteSource source = {block, block->size, ReadMemory};
    return source;
}

static bool ReadRegion(void *context, uint8_t *dest, size_t count) {
    FileRegion *region = (FileRegion *)context;
    if (count > region->end - region->position)
        return false;
    const uint8_t *bytes = ReadAt(region->reader, region->position, count);
    if (bytes == NULL)
        return false;
    memcpy(dest, bytes, count);
    region->position += count;
    return true;
}

static bool SkipRegion(void *context, uint64_t count) {
    FileRegion *region = (FileRegion *)context;
    if (count > region->end - region->position)
        return false;
    region->position += count;
    return true;
}

ByteStream RegionStream(FileRegion *region) {
    ByteStream stream = {region, ReadRegion, SkipRegion};
    return stream;
}
