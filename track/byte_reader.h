// Reading a file's bytes at any offset through a small cache, so that the
// tag readers ask the file for a few blocks and never for what they skip.
// The file (the plug-in) or a block of memory (tests, fuzzers) serves the
// reads. No Windows calls.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct ByteSource {
    void *context;
    uint64_t size;  // the file's size in bytes
    // Reads up to `count` bytes at `offset` into `buffer`; returns how many
    // came, fewer at the end of the file or after a failed read.
    size_t (*read)(void *context, uint64_t offset, uint8_t *buffer, size_t count);
};

enum { READ_BLOCK = 4096 };

struct ByteReader {
    const ByteSource *source;
    uint64_t start;  // the file offset of block[0]
    size_t length;   // how many bytes of block hold file data
    uint8_t block[READ_BLOCK];
};

void StartReader(ByteReader *reader, const ByteSource *source);

// The `count` bytes (at most READ_BLOCK) at `offset`, or NULL when the file
// ends before them or a read fails. The pointer is valid until the next call.
const uint8_t *ReadAt(ByteReader *reader, uint64_t offset, size_t count);

// A tag's value is read up to this many bytes: far more than a field of
// 127 code units takes, whatever the encoding.
enum { VALUE_LIMIT = 1024 };

// The first bytes of a value of `length` bytes at `offset`, at most
// VALUE_LIMIT of them (`taken`); NULL when they cannot be read. Valid until
// the next read.
const uint8_t *ReadValue(ByteReader *reader, uint64_t offset, uint64_t length, size_t *taken);

// A ByteSource over `size` bytes of memory.
struct MemoryBlock {
    const uint8_t *bytes;
    size_t size;
};
ByteSource MemorySource(MemoryBlock *block);

// Bytes read in order, with skips that read nothing: a block of a file, or a
// packet spread over the pages of a stream.
struct ByteStream {
    void *context;
    // Exactly `count` bytes (at most READ_BLOCK), else false.
    bool (*read)(void *context, uint8_t *dest, size_t count);
    // Moves past `count` bytes; false when the stream ends before them.
    bool (*skip)(void *context, uint64_t count);
};

// The bytes from `position` up to `end` of a file.
struct FileRegion {
    ByteReader *reader;
    uint64_t position;
    uint64_t end;
};
ByteStream RegionStream(FileRegion *region);

// Little- and big-endian integers.
inline uint32_t LittleEndian16(const uint8_t *b) {
    return (uint32_t)b[0] | (uint32_t)b[1] << 8;
}
inline uint32_t LittleEndian32(const uint8_t *b) {
    return LittleEndian16(b) | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
}
inline uint64_t LittleEndian64(const uint8_t *b) {
    return (uint64_t)LittleEndian32(b) | (uint64_t)LittleEndian32(b + 4) << 32;
}
inline uint32_t BigEndian32(const uint8_t *b) {
    return (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | b[3];
}
inline uint64_t BigEndian64(const uint8_t *b) {
    return (uint64_t)BigEndian32(b) << 32 | BigEndian32(b + 4);
}
