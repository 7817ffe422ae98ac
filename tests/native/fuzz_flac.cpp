// Fuzzes the FLAC reader with the bytes of a whole file, read through the
// same cache as in the plug-in, with the marker at the start and, as behind
// an ID3v2 tag, further in. Aborts when a field is not zero-terminated within
// its 128 units or is not well-formed UTF-16, or a second read of the same
// bytes gives another result. AddressSanitizer catches any read outside the
// input.
#include <stdint.h>

#include "tests/native/fuzz_fields.h"
#include "track/formats/flac.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    MemoryBlock block = {data, size};
    ByteSource source = MemorySource(&block);
    static ByteReader reader;
    static TrackText first, second;
    // The first byte, when it is no "f", says where the stream starts.
    uint64_t at = size > 0 && data[0] != 'f' ? data[0] % 64 : 0;
    StartReader(&reader, &source);
    bool ok = ReadFlacComments(&reader, at, &first);
    FuzzCheckFields(&first);
    StartReader(&reader, &source);
    FuzzCheck(ReadFlacComments(&reader, at, &second) == ok);
    FuzzCheck(!ok || FuzzSameFields(&first, &second));
    return 0;
}
