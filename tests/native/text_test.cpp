// The plug-in's text handling, built natively under AddressSanitizer and
// UndefinedBehaviorSanitizer: trimming and storing the fields of an ID3v1 tag,
// the tag marker, splitting a playlist title at hyphens, and the bounded copy
// underneath all of them. Every buffer is exactly as large as in the plug-in,
// so one byte too many is a sanitizer finding, not a silent overwrite.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "track/tag_text.h"
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

struct Split {
    std::string artist, title, album;
};

Split SplitOf(const std::string &displayTitle) {
    std::vector<char> text(displayTitle.begin(), displayTitle.end());
    text.push_back(0);
    std::vector<char> copy = text;
    char artist[32] = "", songTitle[32] = "", album[32] = "";
    SplitTitleText(text.data(), artist, songTitle, album);
    EXPECT_EQ(text, copy) << "the display title was changed";
    EXPECT_NE(memchr(artist, 0, 32), nullptr);
    EXPECT_NE(memchr(songTitle, 0, 32), nullptr);
    EXPECT_NE(memchr(album, 0, 32), nullptr);
    return {artist, songTitle, album};
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

// ---- SplitTitleText ---------------------------------------------------------

TEST(SplitTitleText, TheTableOfTitles) {
    struct Row {
        const char *display, *artist, *title, *album;
    } rows[] = {
        {"Alpha - Beta", "Alpha ", " Beta", ""},
        {"Alpha - Beta - Gamma", "Alpha ", " Beta ", " Gamma"},
        {"Alpha - Beta - Gamma - Delta", "Alpha ", " Beta ", " Gamma "},
        {"Alpha", "Alpha", "", ""},
        {"Al-pha - Beta", "Al", "pha ", " Beta"},
        {"--Alpha---Beta-", "Alpha", "Beta", ""},
        {"", "", "", ""},
        {"-", "", "", ""},
        {"-----", "", "", ""},
        {"100% - %s%n", "100% ", " %s%n", ""},
    };
    for (const Row &row : rows) {
        Split s = SplitOf(row.display);
        EXPECT_EQ(s.artist, row.artist) << '"' << row.display << '"';
        EXPECT_EQ(s.title, row.title) << '"' << row.display << '"';
        EXPECT_EQ(s.album, row.album) << '"' << row.display << '"';
    }
}

TEST(SplitTitleText, OnlyTheHyphenSeparates) {
    Split s = SplitOf("Alpha \x96 Beta\xAD" "Gamma_Delta");
    EXPECT_EQ(s.artist, "Alpha \x96 Beta\xAD" "Gamma_Delta");
    EXPECT_EQ(s.title, "");
}

TEST(SplitTitleText, LongTokensAreCutToThirtyAndTheNextStartsAfterTheSeparator) {
    std::string longA(45, 'a'), longB(31, 'b');
    Split s = SplitOf(longA + "-" + longB + "-" + "c");
    EXPECT_EQ(s.artist, std::string(30, 'a'));
    EXPECT_EQ(s.title, std::string(30, 'b'));
    EXPECT_EQ(s.album, "c");
}

TEST(SplitTitleText, HugeTitlesAreReadOnlyAsFarAsNeeded) {
    std::string huge(100000, 'x');
    Split s = SplitOf(huge);
    EXPECT_EQ(s.artist, std::string(30, 'x'));
    EXPECT_EQ(s.title, "");

    std::string hyphens(100000, '-');
    s = SplitOf(hyphens);
    EXPECT_EQ(s.artist, "");

    std::string many;
    for (int i = 0; many.size() < 100000; i++)
        many += "tok" + std::to_string(i) + " - ";
    s = SplitOf(many);
    EXPECT_EQ(s.artist, "tok0 ");
    EXPECT_EQ(s.title, " tok1 ");
    EXPECT_EQ(s.album, " tok2 ");
}

TEST(SplitTitleText, FieldsWithoutATokenKeepTheirContent) {
    char artist[32] = "old artist", songTitle[32] = "old title", album[32] = "old album";
    SplitTitleText("---", artist, songTitle, album);
    EXPECT_STREQ(artist, "old artist");
    EXPECT_STREQ(songTitle, "old title");
    EXPECT_STREQ(album, "old album");
    SplitTitleText("Kora", artist, songTitle, album);
    EXPECT_STREQ(artist, "Kora");
    EXPECT_STREQ(songTitle, "old title");
    EXPECT_STREQ(album, "old album");
}

TEST(SplitTitleText, ControlAndHighBytesAreCopiedUnchanged) {
    Split s = SplitOf("\x01\x1F\x7F-\xFF\xE9\x80-\t\r\n");
    EXPECT_EQ(s.artist, "\x01\x1F\x7F");
    EXPECT_EQ(s.title, "\xFF\xE9\x80");
    EXPECT_EQ(s.album, "\t\r\n");
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
