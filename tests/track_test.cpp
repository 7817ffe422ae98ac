// The track readers, seen through what the messenger receives: the host's
// own reading of the file, the file's tags and, when none gives a title,
// artist or album, the playlist title. Slots 0 to 2 show title, artist and
// album. Expected texts are written in UTF-8; the messenger gets UTF-16.
#include <gtest/gtest.h>

#include "tests/plugin_session.h"

namespace {

const char THREE_SLOTS[] = "[Songbeam!]\r\nTEXT1=102\r\nTEXT2=104\r\nTEXT3=106\r\n";

std::string Pad(const std::string &text, char with) {
    std::string field = text;
    field.resize(30, with);
    return field;
}

// ---- the corpus: files tagged by independent tools, and what each gives -------------

struct CorpusFile {
    std::string name, playlistTitle, title, artist, album, source;
};

std::string CorpusFolder() {
    std::string plugin = StandinPluginPath();
    return plugin.substr(0, plugin.find_last_of('\\')) + "\\corpus";
}

// manifest.txt: UTF-8, "#" comments, six tab-separated columns per file.
std::vector<CorpusFile> ReadManifest() {
    std::string text = StandinReadFile(CorpusFolder() + "\\manifest.txt");
    std::vector<CorpusFile> files;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> columns;
        size_t at = 0;
        for (size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
            columns.push_back(line.substr(at, tab - at));
        columns.push_back(line.substr(at));
        EXPECT_EQ(columns.size(), 6u) << line;
        if (columns.size() == 6)
            files.push_back({columns[0], columns[1], columns[2], columns[3], columns[4], columns[5]});
    }
    return files;
}

class TrackTest : public PluginSession {
protected:
    // What the next track start publishes as title, artist and album, from
    // a fresh start of the plug-in, or in the same run.
    void ExpectFields(const std::string &title, const std::string &artist, const std::string &album,
                      bool sameRun = false) {
        ExpectOnly(sameRun ? Publish() : PublishAfresh(), OnText({title, artist, album}));
    }
    // The entry plays with its Unicode path and title.
    StandinEntry *PlayW(const std::wstring &path, const std::wstring &title) {
        int index = StandinAddEntryW(path, title);
        StandinSetCurrent(index);
        return StandinEntryAt(index);
    }
};

TEST_F(TrackTest, CorpusFilesPublishTheirManifestFields) {
    std::vector<CorpusFile> files = ReadManifest();
    ASSERT_GE(files.size(), 60u) << "the corpus beside this program";
    LoadPlugin(THREE_SLOTS);
    // The plug-in's own readers, with the path in Unicode and, like an
    // older host, narrow; then a host that reads every file itself, and
    // finds no tag where the playlist title is to be used.
    for (int pass = 0; pass < 3; pass++) {
        StandinSetUnicodeRequests(pass != 1);
        StandinSetMetadataAnswers(pass == 2 ? STANDIN_METADATA_BOTH : STANDIN_METADATA_NONE);
        for (const CorpusFile &file : files) {
            SCOPED_TRACE(file.name + (pass == 0 ? " (Unicode path)" : pass == 1 ? " (narrow path)" : " (host)"));
            StandinEntry *entry =
                PlayW(StandinFromUtf8(CorpusFolder() + "\\" + file.name), StandinFromUtf8(file.playlistTitle));
            if (pass == 2 && file.source != "title") {
                entry->metaTitle = StandinFromUtf8(file.title);
                entry->metaArtist = StandinFromUtf8(file.artist);
                entry->metaAlbum = StandinFromUtf8(file.album);
            }
            ExpectFields(file.title, file.artist, file.album);
        }
    }
}

// What the host's reading gives, field by field, in the order the cases
// run, each in a fresh run of the plug-in unless it follows the one before;
// the file has a tag of its own ("Rain", "Kora", "Blue").
struct HostCase {
    const char *what;
    StandinMetadataAnswers answers;
    bool unreadable;
    std::wstring title, artist, album;
    std::string shown[3];  // title, artist, album
    int wide, narrow;      // the requests it makes
    bool sameRun = false;
};

TEST_F(TrackTest, TheHostsReadingOfTheFileComesFirst) {
    const std::wstring longTitle = std::wstring(126, L'x') + L"\U0001F3B5" + std::wstring(300, L'y');
    const HostCase cases[] = {
        // A host that never answered in Unicode is asked narrow, with the
        // narrow path; its text is in the ANSI code page.
        {"narrow only", STANDIN_METADATA_NARROW_ONLY, false, L"Caf\u00E9", L"Kora ", L"", {"Caf\u00E9", "Kora", ""}, 1, 3},
        // A host that does not know the requests answers 1 and writes
        // nothing: no answer, asked once in each form.
        {"neither", STANDIN_METADATA_NONE, false, L"Host", L"", L"", {"Rain", "Kora", "Blue"}, 1, 1},
        {"texts win", STANDIN_METADATA_BOTH, false, L"\u0413\u0440 \U0001F3B5", L"", L"Live", {"\u0413\u0440 \U0001F3B5", "", "Live"}, 3, 0},
        // Once it has answered in Unicode, a "no" is not asked again narrow.
        {"unreadable", STANDIN_METADATA_BOTH, true, L"Host", L"", L"", {"Rain", "Kora", "Blue"}, 3, 0, true},
        // One field is enough: the host is the source.
        {"artist only", STANDIN_METADATA_BOTH, false, L"", L"Mara", L"", {"", "Mara", ""}, 3, 0},
        {"empty texts", STANDIN_METADATA_BOTH, false, L"", L"   ", L"", {"Rain", "Kora", "Blue"}, 3, 0},
        // The host fills the buffer to its last unit: the field keeps 126
        // units, the emoji straddling the cut goes whole.
        {"fills the buffer", STANDIN_METADATA_BOTH, false, longTitle, L"a", L"b", {std::string(126, 'x'), "a", "b"}, 3, 0},
    };
    LoadPlugin(THREE_SLOTS);
    size_t seen = 0;
    for (const HostCase &c : cases) {
        SCOPED_TRACE(c.what);
        StandinSetMetadataAnswers(c.answers);
        int index = AddTrack(std::string(c.what) + ".mp3", StandinTag("Rain", "Kora", "Blue"), "Fall - Back");
        StandinEntry *entry = StandinEntryAt(index);
        entry->metaTitle = c.title;
        entry->metaArtist = c.artist;
        entry->metaAlbum = c.album;
        entry->metaUnreadable = c.unreadable;
        ExpectFields(c.shown[0], c.shown[1], c.shown[2], c.sameRun);
        const auto &requests = StandinMetadataRequests();
        int wide = 0, narrow = 0;
        for (; seen < requests.size(); seen++) {
            const StandinMetadataRequest &r = requests[seen];
            (r.command == 3026 ? wide : narrow)++;
            EXPECT_EQ(r.entry, index) << "the path given is the entry's";
            EXPECT_EQ(r.retlen, 256u);
            EXPECT_TRUE(r.name == L"title" || r.name == L"artist" || r.name == L"album");
        }
        EXPECT_EQ(wide, c.wide);
        EXPECT_EQ(narrow, c.narrow);
    }
    // A URL is neither opened nor asked about: its playlist title counts.
    StandinSetCurrent(StandinAddEntry("http://radio.invalid/stream", "Station - Song A"));
    ExpectFields("Song A", "Station", "");
    EXPECT_EQ(StandinMetadataRequests().size(), seen);
}

TEST_F(TrackTest, NamesBeyondTheAnsiCodePageAreReadInFull) {
    LoadPlugin(THREE_SLOTS);
    std::wstring folderW = StandinFromAnsi(folder) + L"\\\u5B87\u591A\u7530\u30D2\u30AB\u30EB \u041A\u0438\u043D\u043E";
    CreateDirectoryW(folderW.c_str(), NULL);
    const CorpusFile source = ReadManifest().at(0);
    std::wstring tagged = folderW + L"\\\u0413\u0440\u0443\u043F\u043F\u0430 \U0001F3B5.mp3";
    ASSERT_TRUE(StandinWriteFileW(tagged, StandinReadFile(CorpusFolder() + "\\" + source.name)));
    std::wstring untagged = folderW + L"\\\u3042 \U0001F3B5.mp3";
    ASSERT_TRUE(StandinWriteFileW(untagged, std::string(700, '\x55')));
    const std::wstring title = L"\u5B87\u591A\u7530\u30D2\u30AB\u30EB - First Love \U0001F3B5 - \u041A\u0438\u043D\u043E";

    PlayW(tagged, title);
    ExpectFields(source.title, source.artist, source.album);
    PlayW(untagged, title);
    ExpectFields("First Love \U0001F3B5", "\u5B87\u591A\u7530\u30D2\u30AB\u30EB", "\u041A\u0438\u043D\u043E");
    // The narrow path only for the narrow metadata request, which this host
    // does not answer either.
    EXPECT_EQ(StandinRequestCount(211), StandinRequestCount(290));
    EXPECT_EQ(StandinRequestCount(212), 0) << "the narrow title was not needed";

    // A host without the Unicode requests gives what the ANSI code page can
    // hold: the path cannot be opened, and the title has "?" for the rest.
    StandinSetUnicodeRequests(false);
    for (const std::wstring &path : {tagged, untagged}) {
        PlayW(path, title);
        ExpectFields(StandinToUtf8(StandinFromAnsi(StandinToAnsi(L"First Love \U0001F3B5"))),
                     StandinToUtf8(StandinFromAnsi(StandinToAnsi(L"\u5B87\u591A\u7530\u30D2\u30AB\u30EB"))),
                     StandinToUtf8(StandinFromAnsi(StandinToAnsi(L"\u041A\u0438\u043D\u043E"))));
    }
}

// ---- ID3v1 -----------------------------------------------------------------------------

TEST_F(TrackTest, MarkerIsUpperCaseTagOnly) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("upper.mp3", StandinTag("Rain", "Kora", "Blue"), "Fall - Back");
    ExpectFields("Rain", "Kora", "Blue");
    std::string lower = StandinTag("Rain", "Kora", "Blue");
    lower.replace(0, 3, "tag");
    AddTrack("lower.mp3", lower, "Fall - Back");
    ExpectFields("Back", "Fall", "");
    std::string zero = StandinTag("Rain", "Kora", "Blue");
    zero[1] = 0;
    AddTrack("zero.mp3", zero, "Fall - Back");
    ExpectFields("Back", "Fall", "");
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
    ExpectFields("Back", "Fall", "");

    // A tag that is not at the very end is no tag.
    AddTrack("moved.mp3", tag + "x", "Fall - Back");
    ExpectFields("Back", "Fall", "");
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

TEST_F(TrackTest, ATagWithNothingInItGivesWayToTheTitle) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("empty.mp3", RawTag(Pad(std::string("\0Rain", 5), 'x'), Pad("", '\0'), std::string(30, ' ')),
             "Jay-Z - 99 Problems");
    ExpectFields("99 Problems", "Jay-Z", "");
}

// ---- files that cannot be read --------------------------------------------------------

TEST_F(TrackTest, FileOpenForWritingElsewhereFallsBackToTheTitle) {
    LoadPlugin(THREE_SLOTS);
    AddTrack("busy.mp3", StandinTag("Rain", "Kora", "Blue"), "Fall - Back");
    std::string path = StandinEntryAt(0)->path;
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    ExpectFields("Back", "Fall", "");
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
    ExpectFields("Back", "Fall", "");
    int index = StandinAddEntry("", "Null - Path");
    StandinEntryAt(index)->nullPath = true;
    StandinSetCurrent(index);
    ExpectFields("Path", "Null", "");
    StandinSetCurrent(StandinAddEntry("", "Empty - Path"));
    ExpectFields("Path", "Empty", "");
}

// ---- the playlist title -----------------------------------------------------------------

struct SplitCase {
    const char *display;
    const char *artist, *title, *album;
};

TEST_F(TrackTest, TitleSplitsAtSpacedHyphensElseAtEveryHyphen) {
    const SplitCase cases[] = {
        {"Jay-Z - 99 Problems", "Jay-Z", "99 Problems", ""},
        {"Taylor Swift - Anti-Hero", "Taylor Swift", "Anti-Hero", ""},
        {"Alpha - Beta - Gamma", "Alpha", "Beta", "Gamma"},
        {"Alpha - Beta - Gamma - Delta", "Alpha", "Beta", "Gamma"},
        {"  Alpha  -  -  Beta - ", "Alpha", "Beta", ""},
        {"Alpha - - Beta", "Alpha", "- Beta", ""},
        {"Alpha", "Alpha", "", ""},
        {"Kora-Rain", "Kora", "Rain", ""},
        {"Al-pha -Beta- Gamma", "Al", "pha", "Beta"},
        {"--Alpha---Beta-", "Alpha", "Beta", ""},
        {"", "", "", ""},
        {"-", "", "", ""},
        {" - ", "", "", ""},
        {"-----", "", "", ""},
        {"Alpha \x96 Beta", "Alpha \u2013 Beta", "", ""},  // an en dash does not separate
    };
    LoadPlugin(THREE_SLOTS);
    for (const SplitCase &c : cases) {
        SCOPED_TRACE(c.display);
        int index = AddTrack("untagged.mp3", "", c.display);
        ExpectFields(c.title, c.artist, c.album);
        EXPECT_EQ(StandinEntryAt(index)->title, c.display);
    }
}

TEST_F(TrackTest, LongPiecesKeepTheirFirst127CodeUnits) {
    LoadPlugin(THREE_SLOTS);
    std::string a(135, 'a'), b(128, 'b'), c(127, 'c');
    AddTrack("untagged.mp3", "", a + " - " + b + " - " + c + " - " + std::string(140, 'd'));
    ExpectFields(std::string(127, 'b'), std::string(127, 'a'), c);
    // A character outside the BMP that would straddle the cut goes whole.
    PlayW(StandinFromAnsi(folder + "\\untagged.mp3"), StandinFromUtf8(std::string(126, 'x') + "\U0001F3B5 - " + std::string(125, 'y') + "\U0001F3B5"));
    ExpectFields(std::string(125, 'y') + "\U0001F3B5", std::string(126, 'x'), "");
    // A title of any length.
    std::string huge(20000, 'x');
    huge[10000] = '-';
    AddTrack("untagged.mp3", "", huge);
    ExpectFields(std::string(127, 'x'), std::string(127, 'x'), "");
}

TEST_F(TrackTest, HostTitleIsOnlyRead) {
    LoadPlugin(THREE_SLOTS);
    const std::string display = "Al-pha - Beta -- Gamma - " + std::string(50, 'z') + " - %s";
    for (bool unicode : {true, false}) {
        StandinSetUnicodeRequests(unicode);
        int index = AddTrack("untagged.mp3", "", display);
        ExpectFields("Beta -- Gamma", "Al-pha", std::string(50, 'z'));
        // The host's texts, unit for unit, including their terminating zeros.
        const StandinEntry &after = *StandinEntryAt(index);
        EXPECT_EQ(after.title, display);
        EXPECT_EQ(after.title.c_str()[after.title.size()], '\0');
        EXPECT_EQ(after.wideTitle, StandinFromAnsi(display));
        EXPECT_EQ(after.wideTitle.c_str()[after.wideTitle.size()], L'\0');
    }
}

TEST_F(TrackTest, NullTitleLeavesTheFieldsEmpty) {
    LoadPlugin(THREE_SLOTS);
    int index = AddTrack("untagged.mp3", "", "Never - Read");
    StandinEntryAt(index)->nullTitle = true;
    ExpectFields("", "", "");
    // An older host, without the playing file's title: the Unicode title
    // is asked, then the narrow one.
    StandinSetPlayingFileRequests(false);
    ExpectFields("", "", "");
    EXPECT_GT(StandinRequestCount(213), 0);
    EXPECT_GT(StandinRequestCount(212), 0);
    StandinSetPlayingFileRequests(true);
    // The fields are emptied by every update: nothing stays from the last
    // track.
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    ExpectFields("Rain", "Kora", "Blue");
    index = AddTrack("untagged2.mp3", "", "");
    StandinEntryAt(index)->nullTitle = true;
    ExpectFields("", "", "");
}

}  // namespace
