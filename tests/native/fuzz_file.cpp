// Fuzzes every tag reader at once with the bytes of a whole file, through
// the same table of sources and the same cache as in the plug-in: each
// reader knows its container by the first bytes, so the seeds (small files
// of the corpus in every format) lead the fuzzer into each. Aborts when a
// field is not zero-terminated within its 128 units or is not well-formed
// UTF-16, or the result and the fields disagree. AddressSanitizer catches
// any read outside the input. (The readers' own targets also read twice to
// catch results that depend on more than the bytes; this one runs once per
// input, for twice the inputs.)
#include <stdint.h>

#include "tests/native/fuzz_fields.h"
#include "track/tag_sources.h"

// Narrow text as Latin-1, where the plug-in uses the ANSI code page.
static void Latin1(FieldWriter *writer, const char *text, size_t length) {
    for (size_t i = 0; i < length; i++)
        AppendCodePoint(writer, (uint8_t)text[i]);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    MemoryBlock block = {data, size};
    ByteSource source = MemorySource(&block);
    static ByteReader reader;
    static TrackText text;
    StartReader(&reader, &source);
    bool found = ReadFileTags(&reader, Latin1, &text);
    FuzzCheckFields(&text);
    FuzzCheck(found == IsUsableTrackText(&text));
    return 0;
}
