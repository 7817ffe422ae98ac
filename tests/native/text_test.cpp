// The plug-in's text handling, built natively under AddressSanitizer and
// UndefinedBehaviorSanitizer: trimming and storing the fields of an ID3v1 tag,
// the tag marker, the ID3v2 and FLAC readers on tags built here byte by byte,
// splitting a playlist title, and the bounded copies underneath all of them.
// Every buffer is exactly as large as in the plug-in, so one unit too many is
// a sanitizer finding, not a silent overwrite.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "settings/custom_text.h"
#include "track/formats/flac.h"
#include "track/formats/id3v1.h"
#include "track/formats/id3v2.h"
#include "track/tag_sources.h"
#include "track/text_copy.h"
#include "track/title_split.h"

namespace {

std::string Trim(const std::string &text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    return std::string(TrimTrailingBlanks(buffer.data()));
}

// Runs the tag reader's step for one field: `read` is what came from the
// file (its size is the number of bytes read), the work buffer is the
// reader's 32 bytes, pre-filled with `stale` to stand for earlier reads.
std::string StoreField(const std::string &read, char stale = 'Z') {
    std::vector<char> work(32, stale);
    memcpy(work.data(), read.data(), read.size() < 30 ? read.size() : 30);
    std::vector<char> field(32, '#');
    StoreTagField(work.data(), read.size(), field.data());
    const void *end = memchr(field.data(), 0, 32);
    EXPECT_NE(end, nullptr) << "field not terminated";
    if (end == nullptr)
        return "<unterminated>";
    return std::string(field.data());
}

}  // namespace

// ---- TrimTrailingBlanks ----------------------------------------------------

TEST(TrimTrailingBlanks, RemovesEachOfTheSixBlanksFromTheEnd) {
    const char blanks[] = {' ', '\t', '\n', '\v', '\f', '\r'};
    for (char blank : blanks) {
        EXPECT_EQ(Trim(std::string("Rain") + blank), "Rain") << "blank " << int(blank);
        EXPECT_EQ(Trim(std::string("Rain") + blank + blank + ' '), "Rain") << "blank " << int(blank);
    }
    EXPECT_EQ(Trim("Rain \t\n\v\f\r"), "Rain");
}

TEST(TrimTrailingBlanks, KeepsHighBytesAndEverythingBeforeThem) {
    for (int c = 0x80; c <= 0xFF; c++) {
        std::string text = std::string("Rain ") + char(c);
        EXPECT_EQ(Trim(text), text) << "byte " << c;
    }
    // 0xA0 is a no-break space in Latin-1 but not a blank here.
    EXPECT_EQ(Trim("Rain\xA0\xA0"), "Rain\xA0\xA0");
    EXPECT_EQ(Trim("Rain\xA0 "), "Rain\xA0");
}

TEST(TrimTrailingBlanks, KeepsBlanksAtTheStartAndInside) {
    EXPECT_EQ(Trim("  Rain  on  "), "  Rain  on");
    EXPECT_EQ(Trim("\tRain"), "\tRain");
}

TEST(TrimTrailingBlanks, NeverRemovesTheFirstByte) {
    EXPECT_EQ(Trim(" "), " ");
    EXPECT_EQ(Trim("\t"), "\t");
    EXPECT_EQ(Trim("      "), " ");
    EXPECT_EQ(Trim("\r\n\t "), "\r");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("x"), "x");
}

TEST(TrimTrailingBlanks, ReturnsTheSameText) {
    char text[] = "Kora  ";
    EXPECT_EQ(TrimTrailingBlanks(text), text);
}

// ---- IsTagMarker ------------------------------------------------------------

TEST(IsTagMarker, OnlyUpperCaseTagFollowedByZero) {
    EXPECT_TRUE(IsTagMarker("TAG"));
    EXPECT_FALSE(IsTagMarker("tag"));
    EXPECT_FALSE(IsTagMarker("Tag"));
    EXPECT_FALSE(IsTagMarker("TAX"));
    EXPECT_FALSE(IsTagMarker("TA\0G"));
    EXPECT_FALSE(IsTagMarker("\0AG"));
    // The reader puts a zero after the three bytes it read; anything else there
    // is no marker.
    EXPECT_FALSE(IsTagMarker("TAGx"));
}

// ---- StoreTagField ----------------------------------------------------------

TEST(StoreTagField, ThirtyBytesWithoutZeroGiveExactlyThoseThirty) {
    std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    ASSERT_EQ(full.size(), 30u);
    EXPECT_EQ(StoreField(full), full);
    EXPECT_EQ(StoreField(full, ' '), full);
}

TEST(StoreTagField, ZeroPaddingEndsTheText) {
    EXPECT_EQ(StoreField(std::string("Rain") + std::string(26, '\0')), "Rain");
}

TEST(StoreTagField, SpacePaddingIsTrimmed) {
    EXPECT_EQ(StoreField("Rain" + std::string(26, ' ')), "Rain");
    EXPECT_EQ(StoreField("  Rain" + std::string(24, ' ')), "  Rain");
    EXPECT_EQ(StoreField(std::string(30, ' ')), " ");
}

TEST(StoreTagField, BytesAfterTheFirstZeroAreIgnored) {
    std::string read = std::string("Rain") + '\0' + "Kora" + std::string(21, 'x');
    ASSERT_EQ(read.size(), 30u);
    EXPECT_EQ(StoreField(read), "Rain");
    EXPECT_EQ(StoreField(std::string("Rain ") + '\0' + std::string(24, ' ')), "Rain");
    EXPECT_EQ(StoreField(std::string(1, '\0') + std::string(29, 'x')), "");
}

TEST(StoreTagField, ShortReadsTakeOnlyTheBytesThatCame) {
    // Whatever the work buffer held before stays out of the field.
    EXPECT_EQ(StoreField("Rai", 'Z'), "Rai");
    EXPECT_EQ(StoreField("Rain  ", 'Z'), "Rain");
    EXPECT_EQ(StoreField("", 'Z'), "");
    for (size_t got = 0; got <= 30; got++)
        EXPECT_EQ(StoreField(std::string(got, 'a'), 'Z'), std::string(got, 'a')) << got;
}

TEST(StoreTagField, ACountAboveThirtyIsCut) {
    std::vector<char> work(32, 'q');
    char field[32];
    StoreTagField(work.data(), 500, field);
    EXPECT_EQ(std::string(field), std::string(30, 'q'));
}

TEST(StoreTagField, PercentSignsAreCopiedLikeAnyByte) {
    EXPECT_EQ(StoreField("%"), "%");
    EXPECT_EQ(StoreField("%s%n%d 100%"), "%s%n%d 100%");
}

// ---- the ID3v2 and FLAC readers, on tags built here --------------------------------

namespace {

using Bytes = std::string;

Bytes BigEndian32(uint32_t n) { return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)}; }
Bytes Syncsafe(uint32_t n) { return {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)}; }
Bytes LittleEndian32(uint32_t n) { return {char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; }

// A frame: version 2.2 (3-byte id and size), 2.3 (plain size) or 2.4
// (syncsafe size, or plain as faulty writers do); `format` is the second
// flags byte.
Bytes Frame(int version, const Bytes &id, const Bytes &body, char format = 0, bool plainSize = false) {
    uint32_t n = (uint32_t)body.size();
    if (version == 2)
        return id + Bytes{char(n >> 16), char(n >> 8), char(n)} + body;
    return id + (version == 4 && !plainSize ? Syncsafe(n) : BigEndian32(n)) + Bytes{0, format} + body;
}

Bytes Tag(int version, char flags, const Bytes &frames, size_t padding = 0) {
    return "ID3" + Bytes{char(version), 0, flags} + Syncsafe((uint32_t)(frames.size() + padding)) + frames +
           Bytes(padding, '\0');
}

// Text frame bodies: the encoding byte, then the values.
Bytes Latin1(const Bytes &text) { return Bytes(1, '\0') + text; }
Bytes Utf8(const Bytes &text) { return Bytes(1, '\3') + text; }

// UTF-16 code units, little-endian unless `big`.
Bytes Units(const std::u16string &text, bool big = false) {
    Bytes out;
    for (char16_t u : text)
        out += big ? Bytes{char(u >> 8), char(u)} : Bytes{char(u), char(u >> 8)};
    return out;
}

const Bytes AUDIO(300, '\x55');

// A source that counts what is asked of it.
struct CountingBlock {
    MemoryBlock block;
    int reads;
    size_t bytes;
};

size_t CountingRead(void *context, uint64_t offset, uint8_t *buffer, size_t count) {
    CountingBlock *counting = (CountingBlock *)context;
    ByteSource inner = MemorySource(&counting->block);
    size_t got = inner.read(inner.context, offset, buffer, count);
    counting->reads++;
    counting->bytes += got;
    return got;
}

struct Read {
    bool ok;
    std::u16string title, artist, album;
    uint64_t tagEnd;
    int reads;
    size_t bytes;
};

std::u16string Text(const TextUnit *field) {
    const void *end = memchr(field, 0, sizeof(TextUnit) * FIELD_UNITS);
    EXPECT_NE(end, nullptr) << "field not terminated";
    return std::u16string(field, UnitLength(field, FIELD_UNITS - 1));
}

Read ReadFile(const Bytes &file, bool flac, uint64_t flacAt = 0) {
    // On the heap at exactly its size: a read one byte past it is a finding.
    std::vector<uint8_t> bytes(file.begin(), file.end());
    CountingBlock counting = {{bytes.data(), bytes.size()}, 0, 0};
    ByteSource source = {&counting, bytes.size(), CountingRead};
    ByteReader *reader = new ByteReader;
    StartReader(reader, &source);
    TrackText *text = new TrackText;
    Read read = {};
    read.ok = flac ? ReadFlacComments(reader, flacAt, text) : ReadId3v2(reader, text, &read.tagEnd);
    read.title = Text(text->title);
    read.artist = Text(text->artist);
    read.album = Text(text->album);
    read.reads = counting.reads;
    read.bytes = counting.bytes;
    delete text;
    delete reader;
    return read;
}

struct TagCase {
    const char *what;
    Bytes file;
    bool ok;
    std::u16string title, artist, album;
};

void ExpectReads(const TagCase &c, bool flac) {
    Read read = ReadFile(c.file, flac);
    EXPECT_EQ(read.ok, c.ok) << c.what;
    if (read.ok && c.ok) {
        EXPECT_EQ(read.title, c.title) << c.what;
        EXPECT_EQ(read.artist, c.artist) << c.what;
        EXPECT_EQ(read.album, c.album) << c.what;
    }
}

}  // namespace

TEST(ReadId3v2, TheTableOfTags) {
    const Bytes three23 = Frame(3, "TIT2", Latin1("Rain")) + Frame(3, "TPE1", Latin1("Kora")) +
                          Frame(3, "TALB", Latin1("Blue"));
    const Bytes bigFrame = Frame(4, "TXXX", Latin1(Bytes(300, 'x')), 0, true);
    // Version 2.3, unsynchronised as a whole: 0xFF 0x00 in the file is 0xFF.
    const Bytes unsyncTitle = Bytes("TIT2") + BigEndian32(3) + Bytes(2, '\0') + Bytes("\0\xFF\x00\xFE", 4);
    const Bytes unsync24 = Bytes("\0\xFF\x00\xE9", 4);  // one encoding byte, then "ÿé" unsynchronised
    const TagCase cases[] = {
        {"2.3 Latin-1", Tag(3, 0, three23, 20) + AUDIO, true, u"Rain", u"Kora", u"Blue"},
        {"2.2", Tag(2, 0, Frame(2, "TT2", Latin1("Rain")) + Frame(2, "TP1", Latin1("Kora")) +
                              Frame(2, "TAL", Latin1("Blue"))),
         true, u"Rain", u"Kora", u"Blue"},
        {"2.2 compressed: no use", Tag(2, 0x40, Frame(2, "TT2", Latin1("Rain"))), false, u"", u"", u""},
        {"2.4 UTF-8, several values, trailing spaces and zeros",
         Tag(4, 0, Frame(4, "TPE1", Utf8(Bytes("Alpha  \0\0Beta\0 \0", 16))) + Frame(4, "TIT2", Utf8("\xC3\xA9t\xC3\xA9 \0"))),
         true, u"\u00E9t\u00E9", u"Alpha / Beta", u""},
        {"UTF-16, a byte-order mark for each value, either order",
         Tag(3, 0, Frame(3, "TPE1", "\1" + Units(u"\uFEFFKora") + Bytes(2, '\0') + Units(u"\uFEFFMara", true))),
         true, u"", u"Kora / Mara", u""},
        {"UTF-16 without a mark is little-endian; UTF-16BE",
         Tag(4, 0, Frame(4, "TIT2", "\1" + Units(u"Rain")) + Frame(4, "TALB", "\2" + Units(u"\u041A\u0438\u043D\u043E", true))),
         true, u"Rain", u"", u"\u041A\u0438\u043D\u043E"},
        {"characters outside the BMP, unpaired surrogates, bad UTF-8",
         Tag(4, 0, Frame(4, "TIT2", Utf8("\xF0\x9F\x8E\xB5 \xC3 \xED\xA0\x80")) + Frame(4, "TPE1", "\1" + Units(u"a\xD800z"))),
         true, u"\U0001F3B5 \uFFFD \uFFFD\uFFFD\uFFFD", u"a\uFFFDz", u""},
        {"an unknown encoding: the frame is skipped",
         Tag(3, 0, Frame(3, "TIT2", "\x09Rain") + Frame(3, "TPE1", Latin1("Kora"))), true, u"", u"Kora", u""},
        {"the first of two frames counts; compressed and encrypted frames are skipped",
         Tag(3, 0, Frame(3, "TIT2", Latin1("one")) + Frame(3, "TIT2", Latin1("two")) +
                       Frame(3, "TPE1", Latin1("zipped"), '\x80') + Frame(3, "TPE1", Latin1("Kora")) +
                       Frame(4, "TALB", Latin1("locked"), '\x40') + Frame(3, "TALB", Latin1("Blue"))),
         true, u"one", u"Kora", u"Blue"},
        {"2.4 compressed and encrypted frames are skipped",
         Tag(4, 0, Frame(4, "TIT2", Latin1("zipped"), '\x08') + Frame(4, "TPE1", Latin1("locked"), '\x04') +
                       Frame(4, "TALB", Latin1("Blue"))),
         true, u"", u"", u"Blue"},
        {"2.4 with plain sizes", Tag(4, 0, bigFrame + Frame(4, "TIT2", Latin1("Rain"), 0, true)), true, u"Rain", u"", u""},
        {"2.4 with syncsafe sizes", Tag(4, 0, Frame(4, "TXXX", Latin1(Bytes(300, 'x'))) + Frame(4, "TIT2", Latin1("Rain"))),
         true, u"Rain", u"", u""},
        {"2.3 unsynchronised as a whole", Tag(3, '\x80', unsyncTitle + Frame(3, "TPE1", Latin1("Kora"))), true,
         u"\u00FF\u00FE", u"Kora", u""},
        {"2.4 frame unsynchronised, with a data length", Tag(4, 0, Frame(4, "TIT2", Syncsafe(3) + unsync24, 0x03)),
         true, u"\u00FF\u00E9", u"", u""},
        {"2.4 frames unsynchronised by the tag's flag", Tag(4, '\x80', Frame(4, "TIT2", unsync24)), true,
         u"\u00FF\u00E9", u"", u""},
        {"extended headers are skipped",
         Tag(3, 0x40, BigEndian32(6) + Bytes(6, '\0') + three23), true, u"Rain", u"Kora", u"Blue"},
        {"2.4 extended header", Tag(4, 0x40, Syncsafe(6) + Bytes("\1\0", 2) + Frame(4, "TIT2", Latin1("Rain"))),
         true, u"Rain", u"", u""},
        {"what is no frame id ends the frames", Tag(3, 0, Frame(3, "TIT2", Latin1("Rain")) + "MP3e" + Bytes(20, '\xFF')),
         true, u"Rain", u"", u""},
        {"a frame past the tag", Tag(3, 0, "TIT2" + BigEndian32(100) + Bytes(2, '\0') + Latin1("Rain")) + AUDIO, false,
         u"", u"", u""},
        {"a tag past the file", Tag(3, 0, three23).substr(0, 30), false, u"", u"", u""},
        {"a size that is not syncsafe", Bytes("ID3\3\0\0\0\0\x80\0", 10) + three23, false, u"", u"", u""},
        {"version 5", Bytes("ID3\5\0\0", 6) + Syncsafe((uint32_t)three23.size()) + three23, false, u"", u"", u""},
        {"no tag", AUDIO, false, u"", u"", u""},
        {"a frame with no body", Tag(3, 0, Frame(3, "TIT2", "") + Frame(3, "TPE1", Latin1("Kora"))), true, u"",
         u"Kora", u""},
    };
    for (const TagCase &c : cases)
        ExpectReads(c, false);
}

TEST(ReadId3v2, FieldsKeepTheirFirst127UnitsAndNeverHalfACharacter) {
    Bytes emoji = "\xF0\x9F\x8E\xB5";
    Read read = ReadFile(Tag(4, 0, Frame(4, "TIT2", Utf8(Bytes(126, 'a') + emoji)) +
                                       Frame(4, "TPE1", Utf8(Bytes(125, 'b') + emoji + "c")) +
                                       Frame(4, "TALB", Utf8(Bytes(124, 'c') + Bytes("\0", 1) + "second"))),
                         false);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.title, std::u16string(126, u'a'));
    EXPECT_EQ(read.artist, std::u16string(125, u'b') + u"\U0001F3B5");
    EXPECT_EQ(read.album, std::u16string(124, u'c')) << "no room for \" / \" and more";
    // A body of any size is read only as far as the fields need.
    read = ReadFile(Tag(3, 0, Frame(3, "TIT2", Latin1(Bytes(1 << 20, 'x')))), false);
    EXPECT_EQ(read.title, std::u16string(127, u'x'));
    EXPECT_LE(read.bytes, 2u * READ_BLOCK);
}

TEST(ReadId3v2, APictureBeforeTheTextFramesIsSkippedUnread) {
    Bytes picture = Frame(4, "APIC", Bytes("\0image/png\0\3\0", 13) + Bytes(1 << 20, '\x89'));
    Bytes file = Tag(4, 0, picture + Frame(4, "TIT2", Latin1("Rain")) + Frame(4, "TPE1", Latin1("Kora")), 1024) + AUDIO;
    Read read = ReadFile(file, false);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.title, u"Rain");
    EXPECT_EQ(read.tagEnd, file.size() - AUDIO.size());
    EXPECT_LE(read.reads, 3);
    EXPECT_LE(read.bytes, 3u * READ_BLOCK);
}

namespace {

Bytes FlacBlock(int type, const Bytes &body, bool last = false) {
    uint32_t n = (uint32_t)body.size();
    return Bytes{char(type | (last ? 0x80 : 0)), char(n >> 16), char(n >> 8), char(n)} + body;
}

Bytes Comments(const std::vector<Bytes> &comments) {
    Bytes body = LittleEndian32(9) + "reference" + LittleEndian32((uint32_t)comments.size());
    for (const Bytes &c : comments)
        body += LittleEndian32((uint32_t)c.size()) + c;
    return body;
}

const Bytes STREAMINFO = FlacBlock(0, Bytes(34, '\x11'));

}  // namespace

TEST(ReadFlacComments, TheTableOfStreams) {
    const Bytes good = Comments({"TITLE=Rain", "artist=Kora", "Artist=Mara ", "ARTIST=", "ALBUM=Bl\xC3\xBC" "e",
                                 "COMMENT=x", "NOEQUALS"});
    Bytes badLength = Comments({"TITLE=Rain"});
    badLength[badLength.size() - 14] = '\x7F';
    const TagCase cases[] = {
        {"comments after other blocks", "fLaC" + STREAMINFO + FlacBlock(1, Bytes(100, '\0')) + FlacBlock(4, good, true) + AUDIO,
         true, u"Rain", u"Kora / Mara", u"Bl\u00FCe"},
        {"a picture before the comments",
         "fLaC" + STREAMINFO + FlacBlock(6, Bytes(50000, '\x89')) + FlacBlock(4, Comments({"TITLE=Rain"}), true), true,
         u"Rain", u"", u""},
        {"no comment block", "fLaC" + FlacBlock(0, Bytes(34, '\x11'), true) + AUDIO, false, u"", u"", u""},
        {"a block past the file", "fLaC" + STREAMINFO + FlacBlock(4, good).substr(0, 40), false, u"", u"", u""},
        {"a comment past its block", "fLaC" + STREAMINFO + FlacBlock(4, badLength, true) + AUDIO, false, u"", u"", u""},
        {"an invalid block type", "fLaC" + FlacBlock(127, "") + FlacBlock(4, good, true), false, u"", u"", u""},
        {"no marker", "fLaX" + STREAMINFO + FlacBlock(4, good, true), false, u"", u"", u""},
    };
    for (const TagCase &c : cases)
        ExpectReads(c, true);
    // Behind an ID3v2 tag.
    Bytes tag = Tag(4, 0, Frame(4, "TXXX", Latin1("x")));
    Read read = ReadFile(tag + "fLaC" + STREAMINFO + FlacBlock(4, good, true), true, tag.size());
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.artist, u"Kora / Mara");
}

// ---- SplitTitleText ---------------------------------------------------------

namespace {

struct Split {
    std::u16string artist, title, album;
};

Split SplitOf(const std::u16string &display) {
    std::vector<TextUnit> text(display.begin(), display.end());  // exactly its size
    std::vector<TextUnit> copy = text;
    TrackText *fields = new TrackText;
    ClearTrackText(fields);
    SplitTitleText(text.data(), text.size(), fields);
    EXPECT_EQ(text, copy) << "the display title was changed";
    Split s = {Text(fields->artist), Text(fields->title), Text(fields->album)};
    delete fields;
    return s;
}

}  // namespace

TEST(SplitTitleText, TheTableOfTitles) {
    struct Row {
        std::u16string display, artist, title, album;
    } rows[] = {
        {u"Jay-Z - 99 Problems", u"Jay-Z", u"99 Problems", u""},
        {u"Alpha - Beta - Gamma - Delta", u"Alpha", u"Beta", u"Gamma"},
        {u"--Alpha---Beta-", u"Alpha", u"Beta", u""},
        {u"  Kora-Rain ", u"Kora", u"Rain", u""},
        {u" - Alpha -  - Beta", u"Alpha", u"Beta", u""},
        {u"a - - b", u"a", u"- b", u""},
        {u"", u"", u"", u""},
        {u" - - - ", u"-", u"", u""},
        {u"\u5B87\u591A\u7530 - \U0001F3B5", u"\u5B87\u591A\u7530", u"\U0001F3B5", u""},
        {std::u16string(126, u'x') + u"\U0001F3B5-y", std::u16string(126, u'x'), u"y", u""},
        {std::u16string(1, 0xD800) + u"-b", u"\uFFFD", u"b", u""},
    };
    for (const Row &row : rows) {
        Split s = SplitOf(row.display);
        EXPECT_EQ(s.artist, row.artist);
        EXPECT_EQ(s.title, row.title);
        EXPECT_EQ(s.album, row.album);
    }
}

// ---- CopyText -----------------------------------------------------------------

TEST(CopyText, StaysWithinTheDestinationAndTerminates) {
    std::vector<char> dest(8, 'x');  // on the heap: one byte past it is a finding
    EXPECT_EQ(CopyText(dest.data(), 8, "0123456789", 100), 7u);
    EXPECT_STREQ(dest.data(), "0123456");

    std::vector<char> one(1, 'x');
    EXPECT_EQ(CopyText(one.data(), 1, "abc", 3), 0u);
    EXPECT_EQ(one.data()[0], 0);

    // A destination of no size is not written at all.
    char untouched = 'x';
    EXPECT_EQ(CopyText(&untouched, 0, "abc", 3), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST(CopyText, StopsAtTheMaximumLengthOrTheFirstZero) {
    char dest[32];
    EXPECT_EQ(CopyText(dest, sizeof dest, "Rainfall", 4), 4u);
    EXPECT_STREQ(dest, "Rain");
    EXPECT_EQ(CopyText(dest, sizeof dest, "Ra\0in", 5), 2u);
    EXPECT_STREQ(dest, "Ra");
    EXPECT_EQ(CopyText(dest, sizeof dest, "", 30), 0u);
    EXPECT_STREQ(dest, "");
}

TEST(CopyText, ReadsNoFurtherThanTheMaximumLength) {
    // A source of exactly four bytes without a terminator.
    std::vector<char> source(4, 'k');
    char dest[32];
    EXPECT_EQ(CopyText(dest, sizeof dest, source.data(), 4), 4u);
    EXPECT_STREQ(dest, "kkkk");
}

// ---- every reader on the corpus, under the sanitizers ---------------------------------

namespace {

// Narrow text as code page 1252, which the manifest assumes.
void Cp1252(FieldWriter *writer, const char *text, size_t length) {
    static const char16_t HIGH[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                      0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    for (size_t i = 0; i < length; i++) {
        uint8_t b = (uint8_t)text[i];
        AppendCodePoint(writer, b >= 0x80 && b < 0xA0 ? HIGH[b - 0x80] : b);
    }
}

std::u16string FromUtf8(const std::string &text) {
    TextUnit field[FIELD_UNITS];
    FieldWriter writer;
    StartField(&writer, field);
    AppendUtf8(&writer, (const uint8_t *)text.data(), text.size());
    return std::u16string(field, writer.length);
}

Bytes ReadWhole(const std::string &path) {
    FILE *f = fopen(path.c_str(), "rb");
    Bytes bytes;
    char chunk[65536];
    size_t n;
    while (f != NULL && (n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    if (f != NULL)
        fclose(f);
    return bytes;
}

// The exact copy of a custom text: its stored form, and the longest texts
// a copy holds, decoded into a field exactly as large as the plug-in's
// (the hostile forms are played through the plug-in in Wine).
TEST(CustomCopy, TheStoredFormAndTheLongestTexts) {
    const std::u16string note = u"\u266B Now playing", shown = u"? Now playing";
    std::vector<char> copy(CUSTOM_COPY_SIZE, '#');
    EncodeCustomCopy((const TextUnit *)note.c_str(), (const TextUnit *)shown.c_str(), copy.data());
    EXPECT_STREQ(copy.data(), "30118698:%E2%99%AB%20Now%20playing");
    const std::string mark = "30118698:";
    const struct {
        std::string copy;
        bool sound;
        std::u16string text;
    } rows[] = {
        {copy.data(), true, note},
        {mark + std::string(127, 'x'), true, std::u16string(127, u'x')},
        {mark + std::string(126, 'x') + "%F0%9F%8E%A7", false, u""},  // 128 units
        {mark + std::string(2000, 'x'), false, u""},
    };
    for (const auto &row : rows) {
        std::vector<TextUnit> text(FIELD_UNITS, 'Z');
        EXPECT_EQ(DecodeCustomCopy(row.copy.c_str(), (const TextUnit *)shown.c_str(), text.data()), row.sound);
        EXPECT_EQ(Text(text.data()), row.text);
    }
}

}  // namespace

// Each file gives its manifest fields, or nothing where the playlist title
// is to be used; the large ones cost a few blocks, not their size.
TEST(ReadFileTags, TheCorpus) {
    const std::string folder = SONGBEAM_CORPUS;
    Bytes manifest = ReadWhole(folder + "/manifest.txt");
    int files = 0;
    for (size_t start = 0, end; start < manifest.size(); start = end + 1) {
        end = manifest.find('\n', start);
        Bytes line = manifest.substr(start, end - start);
        std::vector<Bytes> c;
        for (size_t at = 0, tab;; at = tab + 1) {
            tab = line.find('\t', at);
            c.push_back(line.substr(at, tab == Bytes::npos ? Bytes::npos : tab - at));
            if (tab == Bytes::npos)
                break;
        }
        if (line.empty() || line[0] == '#' || c.size() != 6)
            continue;
        files++;
        Bytes file = ReadWhole(folder + "/" + c[0]);
        CountingBlock counting = {{(const uint8_t *)file.data(), file.size()}, 0, 0};
        ByteSource source = {&counting, file.size(), CountingRead};
        ByteReader *reader = new ByteReader;
        StartReader(reader, &source);
        TrackText *text = new TrackText;
        bool found = ReadFileTags(reader, Cp1252, text);
        EXPECT_EQ(found, c[5] != "title") << c[0];
        if (found) {
            EXPECT_EQ(Text(text->title), FromUtf8(c[2])) << c[0];
            EXPECT_EQ(Text(text->artist), FromUtf8(c[3])) << c[0];
            EXPECT_EQ(Text(text->album), FromUtf8(c[4])) << c[0];
        }
        EXPECT_LE(counting.bytes, 40u * READ_BLOCK) << c[0] << ", " << file.size() << " bytes";
        delete text;
        delete reader;
    }
    EXPECT_GE(files, 60);
}
