#include "monitor/status_line.h"

#include <stdint.h>
#include <stdio.h>

static std::vector<std::u16string> SplitFields(const std::u16string &text) {
    std::vector<std::u16string> fields;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(u"\\0", start);
        if (at == std::u16string::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, at - start));
        start = at + 2;
    }
}

StatusLine DecodeStatus(const unsigned char *bytes, size_t count) {
    StatusLine status = {STATUS_UNEXPECTED, u"", {}, u"", u""};
    size_t units = count / 2;
    if (bytes == NULL)
        units = 0;
    bool cut = units > STATUS_MAX_UNITS;
    if (cut)
        units = STATUS_MAX_UNITS;
    std::u16string text;
    text.reserve(units);
    for (size_t i = 0; i < units; i++)
        text += (char16_t)(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    bool terminated = !cut && !text.empty() && text.back() == 0;
    if (terminated)
        text.pop_back();
    status.text = text;

    // "", "Music", flag, [format, slots...,] "WMContentID", ""
    std::vector<std::u16string> fields = SplitFields(text);
    size_t n = fields.size();
    bool shaped = terminated && n >= 5 && fields[0].empty() && fields[1] == u"Music" &&
                  fields[n - 2] == u"WMContentID" && fields[n - 1].empty();
    if (shaped && fields[2] == u"0" && n == 5) {
        status.kind = STATUS_OFF;
    } else if (shaped && fields[2] == u"1" && n >= 7) {
        status.kind = STATUS_ON;
        status.format = fields[3];
        status.slots.assign(fields.begin() + 4, fields.end() - 2);
        status.shown = FillFormat(status.format, status.slots);
    }
    return status;
}

std::u16string FillFormat(const std::u16string &format, const std::vector<std::u16string> &slots) {
    std::u16string out;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] == u'{' && i + 2 < format.size() && format[i + 1] >= u'0' && format[i + 1] <= u'9' &&
            format[i + 2] == u'}' && (size_t)(format[i + 1] - u'0') < slots.size()) {
            out += slots[format[i + 1] - u'0'];
            i += 3;
        } else {
            out += format[i++];
        }
    }
    return out;
}

static void AppendUtf8(std::string *out, uint32_t c) {
    if (c < 0x80) {
        *out += (char)c;
    } else if (c < 0x800) {
        *out += (char)(0xC0 | (c >> 6));
        *out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += (char)(0xE0 | (c >> 12));
        *out += (char)(0x80 | ((c >> 6) & 0x3F));
        *out += (char)(0x80 | (c & 0x3F));
    } else {
        *out += (char)(0xF0 | (c >> 18));
        *out += (char)(0x80 | ((c >> 12) & 0x3F));
        *out += (char)(0x80 | ((c >> 6) & 0x3F));
        *out += (char)(0x80 | (c & 0x3F));
    }
}

static bool IsControl(uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

std::string StatusPrintable(const std::u16string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(&out, 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (IsControl(c) || (c >= 0xD800 && c <= 0xDFFF)) {
            char escape[16];
            snprintf(escape, sizeof escape, "<U+%04X>", (unsigned)c);
            out += escape;
        } else {
            AppendUtf8(&out, c);
        }
    }
    return out;
}

std::string StatusSummary(const StatusLine &status) {
    switch (status.kind) {
    case STATUS_OFF:
        return "off";
    case STATUS_ON:
        return "on \"" + StatusPrintable(status.shown) + "\"";
    default:
        return "unexpected \"" + StatusPrintable(status.text) + "\"";
    }
}
