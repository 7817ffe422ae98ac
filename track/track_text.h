// The playing track's texts as the messenger receives them: UTF-16 fields of
// at most FIELD_UNITS - 1 code units, always zero-terminated. No Windows
// calls, so the readers that fill them also build natively for unit tests,
// sanitizers and fuzzing.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A UTF-16 code unit: WCHAR on Windows, so the fields go to Windows calls
// unchanged; char16_t elsewhere.
#ifdef _WIN32
typedef wchar_t TextUnit;
#else
typedef char16_t TextUnit;
#endif
static_assert(sizeof(TextUnit) == 2, "UTF-16 code units");

enum { FIELD_UNITS = 128 };

struct TrackText {
    TextUnit title[FIELD_UNITS];
    TextUnit artist[FIELD_UNITS];
    TextUnit album[FIELD_UNITS];
};

// Empties all three fields.
void ClearTrackText(TrackText *text);

// True when a field of at most FIELD_UNITS units holds anything but spaces.
bool HasText(const TextUnit *field);

// True when title, artist or album holds anything but spaces.
bool IsUsableTrackText(const TrackText *text);

// Appends to one field, which always stays zero-terminated. A code point
// that does not fit whole is dropped, and so is everything after it: a cut
// never splits a surrogate pair.
struct FieldWriter {
    TextUnit *field;
    size_t length;
    bool full;
};

void StartField(FieldWriter *writer, TextUnit *field);
void AppendCodePoint(FieldWriter *writer, uint32_t codePoint);
// Appends UTF-16 code units: a surrogate pair counts as one code point, an
// unpaired surrogate becomes U+FFFD.
void AppendUnits(FieldWriter *writer, const TextUnit *units, size_t count);
// Adds one of several values of a field: without the spaces at its end,
// after " / " when the field already holds a value (and only when the
// separator and one more unit fit). An empty value adds nothing.
void AppendValue(FieldWriter *writer, const TextUnit *value);

// Decodes UTF-8; each malformed sequence becomes U+FFFD.
void AppendUtf8(FieldWriter *writer, const uint8_t *bytes, size_t size);
bool IsValidUtf8(const uint8_t *bytes, size_t size);

// Narrow text in the ANSI code page: widening it needs the system, so the
// readers are handed the way to do it.
typedef void (*NarrowDecoder)(FieldWriter *writer, const char *text, size_t length);

// The three fields by number, as the tag readers fill them.
enum { TRACK_TITLE, TRACK_ARTIST, TRACK_ALBUM, TRACK_FIELDS };

// Starts writers on title, artist and album, in this order; all three empty.
void StartTrackFields(TrackText *text, FieldWriter writers[TRACK_FIELDS]);

// TRACK_TITLE, TRACK_ARTIST or TRACK_ALBUM for the names "TITLE", "ARTIST"
// and "ALBUM" in any letter case, else -1.
int TrackFieldNamed(const uint8_t *name, size_t length);

// One value of several for a field (AppendValue): UTF-8, or UTF-16 in
// little-endian byte order up to its first zero unit.
void AppendUtf8Value(FieldWriter *field, const uint8_t *bytes, size_t size);
void AppendUtf16LeValue(FieldWriter *field, const uint8_t *bytes, size_t size);

// The number of units of a zero-terminated text, at most `limit`.
size_t UnitLength(const TextUnit *text, size_t limit);
