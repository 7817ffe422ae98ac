// The track readers, seen through what the messenger receives: the ID3v1 tag
// at the end of the playing file and, when there is none, the playlist title
// split at hyphens. Slots 0 to 2 show title, artist and album.
#include <gtest/gtest.h>

#include "tests/plugin_session.h"

namespace {

const char THREE_SLOTS[] = "[Songbeam!]\r\nTEXT1=102\r\nTEXT2=104\r\nTEXT3=106\r\n";

std::string Pad(const std::string &text, char with) {
    std::string field = text;
    field.resize(30, with);
    return field;
}

class TrackTest : public PluginSession {
protected:
    // What the next track change publishes as title, artist and album.
    void ExpectFields(const std::string &title, const std::string &artist, const std::string &album) {
        ExpectOnly(Publish(), OnText("{0} - {1} - {2}", {title, artist, album}));
    }
};

TEST_F(TrackTest, MarkerIsUpperCaseTagOnly) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("upper.mp3", StandinTag("Rain", "Kora", "Blue"), "Fall - Back");
    ExpectFields("Rain", "Kora", "Blue");
    std::string lower = StandinTag("Rain", "Kora", "Blue");
    lower.replace(0, 3, "tag");
    AddTrack("lower.mp3", lower, "Fall - Back");
    ExpectFields(" Back", "Fall ", "");
    std::string zero = StandinTag("Rain", "Kora", "Blue");
    zero[1] = 0;
    AddTrack("zero.mp3", zero, "Fall - Back");
    ExpectFields(" Back", "Fall ", "");
}

TEST_F(TrackTest, TagNeedsTheLast128Bytes) {
    LoadPlugin(THREE_SLOTS);
    std::string tag = StandinTag("Rain", "Kora", "Blue");
    std::string path = folder + "\\only-tag.mp3";
    ASSERT_TRUE(StandinWriteFile(path, tag));
    StandinSetCurrent(StandinAddEntry(path, "Fall - Back"));
    ExpectFields("Rain", "Kora", "Blue");

    path = folder + "\\short.mp3";
    ASSERT_TRUE(StandinWriteFile(path, tag.substr(0, 127)));
    StandinSetCurrent(StandinAddEntry(path, "Fall - Back"));
    ExpectFields(" Back", "Fall ", "");

    // A tag that is not at the very end is no tag.
    AddTrack("moved.mp3", tag + "x", "Fall - Back");
    ExpectFields(" Back", "Fall ", "");
}

TEST_F(TrackTest, FieldTextEndsAtZeroOrTrailingBlanks) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("pad.mp3", RawTag(Pad("Rain", ' '), Pad("Kora", '\0'), Pad("Blue \t\r\n\v\f", '\0')));
    ExpectFields("Rain", "Kora", "Blue");
    // Only spaces: one stays. Leading spaces stay. After the first zero byte
    // nothing counts, blank or not.
    AddTrack("blank.mp3", RawTag(std::string(30, ' '), Pad("  Kora", ' '), Pad(std::string("Blue\0Gone  ", 11), 'x')));
    ExpectFields(" ", "  Kora", "Blue");
    // 30 bytes without a zero byte are carried whole.
    AddTrack("full.mp3", RawTag(std::string(30, 'T'), std::string(29, 'A') + "!", std::string(30, 'B')));
    ExpectFields(std::string(30, 'T'), std::string(29, 'A') + "!", std::string(30, 'B'));
}

TEST_F(TrackTest, HighBytesAreNotBlanks) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("nbsp.mp3", RawTag(Pad("Rain\xA0", '\0'), Pad("Kora \xA0", '\0'), Pad("\x85", ' ')));
    ExpectFields("Rain\xA0", "Kora \xA0", "\x85");
}

TEST_F(TrackTest, TagWithEmptyFieldsStillCounts) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("empty.mp3", RawTag(Pad(std::string("\0Rain", 5), 'x'), Pad("", '\0'), std::string("\0", 1) + std::string(29, 'B')),
             "Fall - Back - Up");
    ExpectFields("", "", "");
}

TEST_F(TrackTest, FileOpenForWritingElsewhereFallsBackToTheTitle) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("busy.mp3", StandinTag("Rain", "Kora", "Blue"), "Fall - Back");
    std::string path = StandinEntryAt(0)->path;
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    ExpectFields(" Back", "Fall ", "");
    CloseHandle(writer);
    ExpectFields("Rain", "Kora", "Blue");
}

TEST_F(TrackTest, NoHandleIsLeftOpen) {
    LoadPlugin(THREE_SLOTS);
    std::string tag = StandinTag("Rain", "Kora", "Blue");
    std::string tagless = "no tag at all";
    for (const std::string *tail : {&tag, &tagless}) {
        AddTrack("closed.mp3", *tail, "Fall - Back");
        Publish();
        std::string path = folder + "\\closed.mp3";
        HANDLE alone = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        EXPECT_NE(alone, INVALID_HANDLE_VALUE);
        if (alone != INVALID_HANDLE_VALUE)
            CloseHandle(alone);
        EXPECT_TRUE(DeleteFileA(path.c_str()));
    }
}

TEST_F(TrackTest, MissingOrNullPathFallsBackToTheTitle) {
    LoadPlugin(THREE_SLOTS);
    StandinSetCurrent(StandinAddEntry(folder + "\\missing.mp3", "Fall - Back"));
    ExpectFields(" Back", "Fall ", "");
    int index = StandinAddEntry("", "Null - Path");
    StandinEntryAt(index)->nullPath = true;
    StandinSetCurrent(index);
    ExpectFields(" Path", "Null ", "");
    StandinSetCurrent(StandinAddEntry("", "Empty - Path"));
    ExpectFields(" Path", "Empty ", "");
}

struct SplitCase {
    const char *display;
    const char *artist, *title, *album;
};

TEST_F(TrackTest, TitleSplitsAtEveryHyphen) {
    const SplitCase cases[] = {
        {"Alpha - Beta", "Alpha ", " Beta", ""},
        {"Alpha - Beta - Gamma", "Alpha ", " Beta ", " Gamma"},
        {"Alpha - Beta - Gamma - Delta", "Alpha ", " Beta ", " Gamma "},
        {"Alpha", "Alpha", "", ""},
        {"Al-pha - Beta", "Al", "pha ", " Beta"},
        {"--Alpha---Beta-", "Alpha", "Beta", ""},
        {"", "", "", ""},
        {"-", "", "", ""},
        {"-----", "", "", ""},
        {"Alpha \x96 Beta", "Alpha \x96 Beta", "", ""},  // only 0x2D separates
    };
    LoadPlugin(THREE_SLOTS);
    for (const SplitCase &c : cases) {
        SCOPED_TRACE(c.display);
        int index = AddTrack("untagged.mp3", "", c.display);
        ExpectFields(c.title, c.artist, c.album);
        EXPECT_EQ(StandinEntryAt(index)->title, c.display);
    }
}

TEST_F(TrackTest, LongTokensKeepTheirFirst30Bytes) {
    LoadPlugin(THREE_SLOTS);
    std::string a(35, 'a'), b(31, 'b'), c(30, 'c');
    AddTrack("untagged.mp3", "", a + "-" + b + "-" + c + "-" + std::string(40, 'd'));
    ExpectFields(std::string(30, 'b'), std::string(30, 'a'), c);
    // A title of any length.
    std::string huge(20000, 'x');
    huge[10000] = '-';
    AddTrack("untagged.mp3", "", huge);
    ExpectFields(std::string(30, 'x'), std::string(30, 'x'), "");
}

TEST_F(TrackTest, HostTitleIsOnlyRead) {
    LoadPlugin(THREE_SLOTS);
    const std::string display = "Al-pha - Beta -- Gamma - " + std::string(50, 'z') + " - %s";
    int index = AddTrack("untagged.mp3", "", display);
    ExpectFields("pha ", "Al", " Beta ");
    // The host's text, byte for byte, including its terminating zero.
    const std::string &after = StandinEntryAt(index)->title;
    EXPECT_EQ(after, display);
    EXPECT_EQ(after.c_str()[after.size()], '\0');
}

TEST_F(TrackTest, NullTitleLeavesTheFieldsEmpty) {
    LoadPlugin(THREE_SLOTS);
    int index = AddTrack("untagged.mp3", "", "Never - Read");
    StandinEntryAt(index)->nullTitle = true;
    ExpectFields("", "", "");
    EXPECT_EQ(StandinRequestCount(212), 1);
    // The fields are emptied by every update: nothing stays from the last
    // track.
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    ExpectFields("Rain", "Kora", "Blue");
    index = AddTrack("untagged2.mp3", "", "");
    StandinEntryAt(index)->nullTitle = true;
    ExpectFields("", "", "");
}

}  // namespace
