// Reading a music status the way a messenger reads it. The plug-in sends a
// UTF-16 text whose fields are separated by the two characters backslash and
// zero ("\0"), ended by one zero code unit:
//
//   \0Music\01\0{0} - {1}\0Rain\0Kora\0WMContentID\0     playing
//   \0Music\00\0WMContentID\0                             nothing playing
//
// A messenger shows the format (the fourth field) with every "{n}" replaced
// by the n-th field after it: "Rain - Kora". The monitor and the demo both
// decode with these procedures; they make no Windows call.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

enum StatusKind {
    STATUS_OFF,        // the text that says nothing is playing
    STATUS_ON,         // a track is playing
    STATUS_UNEXPECTED  // anything else
};

struct StatusLine {
    StatusKind kind;
    std::u16string format;             // STATUS_ON: the format, e.g. "{0} - {1}"
    std::vector<std::u16string> slots; // STATUS_ON: the fields after the format
    std::u16string shown;              // STATUS_ON: the line a messenger shows
    std::u16string text;               // the whole text, without its terminating zero
};

// Texts longer than this many code units are cut here before decoding, so a
// hostile record costs a bounded amount of work.
enum { STATUS_MAX_UNITS = 4096 };

// Decodes `count` bytes of little-endian UTF-16 (a trailing odd byte is
// ignored). Never fails: a text that does not have the status shape is
// STATUS_UNEXPECTED.
StatusLine DecodeStatus(const unsigned char *bytes, size_t count);

// The format with "{n}" (n one digit) replaced by slots[n]; a "{n}" without
// such a slot stays as it is.
std::u16string FillFormat(const std::u16string &format, const std::vector<std::u16string> &slots);

// The text as UTF-8 for a terminal or a file: every character as its UTF-8
// bytes (a surrogate pair as the one character it stands for), except
// control characters (the zero code unit among them) and unpaired
// surrogates, which are written "<U+XXXX>", so that one status stays one
// line. The separators "\0" are two printable characters and so stay
// visible.
std::string StatusPrintable(const std::u16string &text);

// One line for a script: `off`, `on "Rain - Kora"` or `unexpected "<text>"`,
// without a line end.
std::string StatusSummary(const StatusLine &status);
