// Fuzzes the ID3v2 reader with the bytes of a whole file, read through the
// same cache as in the plug-in. Aborts when a field is not zero-terminated
// within its 128 units or is not well-formed UTF-16, the end of the tag lies
// past the file, or a second read of the same bytes gives another result.
// AddressSanitizer catches any read outside the input.
#include <stdint.h>

#include "track/formats/id3v2.h"
#include "tests/native/fuzz_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    MemoryBlock block = {data, size};
    ByteSource source = MemorySource(&block);
    static ByteReader reader;
    static TrackText first, second;
    StartReader(&reader, &source);
    uint64_t tagEnd = 0, tagEndAgain = 0;
    bool ok = ReadId3v2(&reader, &first, &tagEnd);
    FuzzCheck(tagEnd <= size);
    FuzzCheckFields(&first);
    StartReader(&reader, &source);
    FuzzCheck(ReadId3v2(&reader, &second, &tagEndAgain) == ok && tagEndAgain == tagEnd);
    FuzzCheck(!ok || FuzzSameFields(&first, &second));
    return 0;
}
