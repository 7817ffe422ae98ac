#include "settings/custom_text.h"

static bool IsControlUnit(TextUnit unit) {
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029;
}

static bool IsHighSurrogate(TextUnit unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

void StoreCustomText(TextUnit *field, const TextUnit *text, size_t count) {
    // A high surrogate at the very end lost its pair to a cut made before.
    if (count > 0 && IsHighSurrogate(text[count - 1]))
        count--;
    FieldWriter writer;
    StartField(&writer, field);
    AppendUnits(&writer, text, count);
    for (size_t i = 0; i < writer.length; i++) {
        if (IsControlUnit(field[i]))
            field[i] = ' ';
    }
}

// FNV-1a over the units of the CUSTOMn text.
static uint32_t MarkOf(const TextUnit *shown) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < FIELD_UNITS && shown[i] != 0; i++)
        hash = (hash ^ shown[i]) * 16777619u;
    return hash;
}

static const char HEX[] = "0123456789ABCDEF";

static int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

static bool IsLiteral(uint8_t byte) {
    return byte > ' ' && byte <= '~' && byte != '%' && byte != '"' && byte != '\'';
}

// Appends one code point as UTF-8, each byte as it is written in the copy.
static size_t PutCodePoint(char *copy, size_t at, uint32_t c) {
    uint8_t bytes[4];
    size_t n;
    if (c < 0x80) {
        bytes[0] = (uint8_t)c;
        n = 1;
    } else if (c < 0x800) {
        bytes[0] = (uint8_t)(0xC0 | c >> 6);
        bytes[1] = (uint8_t)(0x80 | (c & 0x3F));
        n = 2;
    } else if (c < 0x10000) {
        bytes[0] = (uint8_t)(0xE0 | c >> 12);
        bytes[1] = (uint8_t)(0x80 | (c >> 6 & 0x3F));
        bytes[2] = (uint8_t)(0x80 | (c & 0x3F));
        n = 3;
    } else {
        bytes[0] = (uint8_t)(0xF0 | c >> 18);
        bytes[1] = (uint8_t)(0x80 | (c >> 12 & 0x3F));
        bytes[2] = (uint8_t)(0x80 | (c >> 6 & 0x3F));
        bytes[3] = (uint8_t)(0x80 | (c & 0x3F));
        n = 4;
    }
    for (size_t i = 0; i < n; i++) {
        if (IsLiteral(bytes[i])) {
            copy[at++] = (char)bytes[i];
        } else {
            copy[at++] = '%';
            copy[at++] = HEX[bytes[i] >> 4];
            copy[at++] = HEX[bytes[i] & 15];
        }
    }
    return at;
}

void EncodeCustomCopy(const TextUnit *text, const TextUnit *shown, char *copy) {
    uint32_t mark = MarkOf(shown);
    size_t at = 0;
    for (int shift = 28; shift >= 0; shift -= 4)
        copy[at++] = HEX[mark >> shift & 15];
    copy[at++] = ':';
    // A stored text holds at most FIELD_UNITS - 1 units, each pair whole;
    // a unit gives at most 3 bytes, so the copy always fits.
    for (size_t i = 0; i < FIELD_UNITS - 1 && text[i] != 0; i++) {
        uint32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < FIELD_UNITS - 1 && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            i++;
        }
        at = PutCodePoint(copy, at, c);
    }
    copy[at] = 0;
}

bool DecodeCustomCopy(const char *copy, const TextUnit *shown, TextUnit *text) {
    text[0] = 0;
    uint32_t mark = 0;
    for (int i = 0; i < 8; i++) {
        int digit = HexValue(copy[i]);
        if (digit < 0)
            return false;
        mark = mark << 4 | (uint32_t)digit;
    }
    if (copy[8] != ':' || mark != MarkOf(shown))
        return false;
    // The longest sound copy's UTF-8, and one byte more to tell a longer one.
    uint8_t bytes[3 * (FIELD_UNITS - 1) + 1];
    size_t size = 0;
    for (const char *at = copy + 9; *at != 0; size++) {
        if (size == sizeof bytes)
            return false;
        if (*at == '%') {
            int high = HexValue(at[1]), low = high < 0 ? -1 : HexValue(at[2]);
            if (low < 0)
                return false;
            bytes[size] = (uint8_t)(high << 4 | low);
            at += 3;
        } else if (IsLiteral((uint8_t)*at)) {
            bytes[size] = (uint8_t)*at++;
        } else {
            return false;
        }
    }
    if (!IsValidUtf8(bytes, size))
        return false;
    FieldWriter writer;
    StartField(&writer, text);
    AppendUtf8(&writer, bytes, size);
    bool sound = !writer.full;
    for (size_t i = 0; i < writer.length; i++) {
        if (IsControlUnit(text[i]))
            sound = false;
    }
    if (!sound)
        text[0] = 0;
    return sound;
}
