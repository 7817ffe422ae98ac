#include "track/track_text.h"

#include "track/byte_reader.h"

enum { FIELD_MAX = FIELD_UNITS - 1, REPLACEMENT = 0xFFFD };

void ClearTrackText(TrackText *text) {
    text->title[0] = 0;
    text->artist[0] = 0;
    text->album[0] = 0;
}

bool HasText(const TextUnit *field) {
    for (size_t i = 0; i < FIELD_UNITS && field[i] != 0; i++) {
        if (field[i] != ' ')
            return true;
    }
    return false;
}

bool IsUsableTrackText(const TrackText *text) {
    return HasText(text->title) || HasText(text->artist) || HasText(text->album);
}

void StartField(FieldWriter *writer, TextUnit *field) {
    writer->field = field;
    writer->length = 0;
    writer->full = false;
    field[0] = 0;
}

void AppendCodePoint(FieldWriter *writer, uint32_t codePoint) {
    if (writer->full)
        return;
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = REPLACEMENT;
    size_t units = codePoint > 0xFFFF ? 2 : 1;
    if (writer->length + units > FIELD_MAX) {
        writer->full = true;
        return;
    }
    if (units == 2) {
        codePoint -= 0x10000;
        writer->field[writer->length++] = (TextUnit)(0xD800 + (codePoint >> 10));
        writer->field[writer->length++] = (TextUnit)(0xDC00 + (codePoint & 0x3FF));
    } else {
        writer->field[writer->length++] = (TextUnit)codePoint;
    }
    writer->field[writer->length] = 0;
}

void AppendUnits(FieldWriter *writer, const TextUnit *units, size_t count) {
    for (size_t i = 0; i < count && !writer->full; i++) {
        uint32_t unit = (uint16_t)units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && (uint16_t)units[i + 1] >= 0xDC00 &&
            (uint16_t)units[i + 1] <= 0xDFFF) {
            AppendCodePoint(writer, 0x10000 + ((unit - 0xD800) << 10) + ((uint16_t)units[i + 1] - 0xDC00));
            i++;
        } else {
            AppendCodePoint(writer, unit);
        }
    }
}

void AppendValue(FieldWriter *writer, const TextUnit *value) {
    size_t length = UnitLength(value, FIELD_MAX);
    while (length > 0 && value[length - 1] == ' ')
        length--;
    if (length == 0 || writer->full)
        return;
    if (writer->length > 0) {
        if (writer->length + 4 > FIELD_MAX) {
            writer->full = true;
            return;
        }
        AppendCodePoint(writer, ' ');
        AppendCodePoint(writer, '/');
        AppendCodePoint(writer, ' ');
    }
    AppendUnits(writer, value, length);
}

// The length of the UTF-8 sequence that starts with `lead`, 0 for a byte
// that cannot start one.
static size_t SequenceLength(uint8_t lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Decodes the sequence at the start of `bytes`: returns how many bytes it
// takes, with its code point, or U+FFFD and `valid` false when it is
// malformed (one replacement character for the bytes read so far; the byte
// that broke it starts afresh).
static size_t DecodeSequence(const uint8_t *bytes, size_t size, uint32_t *codePoint, bool *valid) {
    size_t length = SequenceLength(bytes[0]);
    *valid = length != 0;
    *codePoint = REPLACEMENT;
    if (length <= 1) {
        if (length == 1)
            *codePoint = bytes[0];
        return 1;
    }
    uint32_t decoded = bytes[0] & (0x7F >> length);
    // The second byte's range also rules out overlong forms, surrogates and
    // code points above U+10FFFF.
    uint8_t low = 0x80, high = 0xBF;
    if (bytes[0] == 0xE0)
        low = 0xA0;
    else if (bytes[0] == 0xED)
        high = 0x9F;
    else if (bytes[0] == 0xF0)
        low = 0x90;
    else if (bytes[0] == 0xF4)
        high = 0x8F;
    size_t k = 1;
    for (; k < length && k < size; k++) {
        uint8_t next = bytes[k];
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            break;
        decoded = (decoded << 6) | (next & 0x3F);
    }
    if (k < length) {
        *valid = false;
        return k;
    }
    *codePoint = decoded;
    return length;
}

void AppendUtf8(FieldWriter *writer, const uint8_t *bytes, size_t size) {
    size_t i = 0;
    while (i < size && !writer->full) {
        uint32_t codePoint;
        bool valid;
        i += DecodeSequence(bytes + i, size - i, &codePoint, &valid);
        AppendCodePoint(writer, codePoint);
    }
}

bool IsValidUtf8(const uint8_t *bytes, size_t size) {
    size_t i = 0;
    while (i < size) {
        uint32_t codePoint;
        bool valid;
        i += DecodeSequence(bytes + i, size - i, &codePoint, &valid);
        if (!valid)
            return false;
    }
    return true;
}

void StartTrackFields(TrackText *text, FieldWriter writers[TRACK_FIELDS]) {
    StartField(&writers[TRACK_TITLE], text->title);
    StartField(&writers[TRACK_ARTIST], text->artist);
    StartField(&writers[TRACK_ALBUM], text->album);
}

int TrackFieldNamed(const uint8_t *name, size_t length) {
    static const char *const NAMES[TRACK_FIELDS] = {"TITLE", "ARTIST", "ALBUM"};
    for (int f = 0; f < TRACK_FIELDS; f++) {
        size_t i = 0;
        while (i < length && NAMES[f][i] != 0 && (name[i] & ~0x20) == NAMES[f][i])
            i++;
        if (i == length && NAMES[f][i] == 0)
            return f;
    }
    return -1;
}

void AppendUtf8Value(FieldWriter *field, const uint8_t *bytes, size_t size) {
    TextUnit value[FIELD_UNITS];
    FieldWriter writer;
    StartField(&writer, value);
    AppendUtf8(&writer, bytes, size);
    AppendValue(field, value);
}

void AppendUtf16LeValue(FieldWriter *field, const uint8_t *bytes, size_t size) {
    TextUnit units[2 * FIELD_UNITS];
    size_t count = 0;
    for (size_t i = 0; i + 1 < size && count < 2 * FIELD_UNITS; i += 2) {
        units[count] = (TextUnit)LittleEndian16(bytes + i);
        if (units[count] == 0)
            break;
        count++;
    }
    TextUnit value[FIELD_UNITS];
    FieldWriter writer;
    StartField(&writer, value);
    AppendUnits(&writer, units, count);
    AppendValue(field, value);
}

size_t UnitLength(const TextUnit *text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n] != 0)
        n++;
    return n;
}

