// The plug-in's section "Songbeam!" in the host's settings file: read once
// at init, written whole at quit.
#include <gtest/gtest.h>

#include "tests/plugin_session.h"

namespace {

bool Exists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The section as the profile functions write it into a file that lacks it.
std::string Section(const std::string &lines) {
    return "[Songbeam!]\r\n" + lines;
}

const char DEFAULT_KEYS[] =
    "ENABLE=1\r\nTEXT1=102\r\nTEXT2=104\r\nTEXT3=0\r\nTEXT4=0\r\n"
    "CUSTOM1=>> Esta es pa ti\r\nCUSTOM2=I (L) YOU\r\nCUSTOM3=<< para ti..\r\nCUSTOM4=dedicada a ...\r\n";

class SettingsTest : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    }
};

TEST_F(SettingsTest, WithoutAFileTheDefaultsApplyAndNothingIsCreated) {
    LoadPlugin();
    // A host that names its settings file in Unicode is asked nothing more.
    EXPECT_EQ(StandinRequestCount(1334), 1);
    EXPECT_EQ(StandinRequestCount(334), 0);
    EXPECT_FALSE(Exists(ini));
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
    EXPECT_FALSE(Exists(ini));
}

TEST_F(SettingsTest, OnlyTheQuitOfARunningPluginWritesTheTenLineSection) {
    // A quit before init has no settings file: it writes nothing, not even
    // into the Windows folder's win.ini.
    WritePrivateProfileStringA("Songbeam!", NULL, NULL, "win.ini");
    ASSERT_NE(StandinLoad(), nullptr);
    StandinQuit();
    char section[16] = "";
    EXPECT_EQ(GetPrivateProfileSectionA("Songbeam!", section, sizeof section, "win.ini"), 0u);
    EXPECT_FALSE(Exists(ini));
    EXPECT_TRUE(StandinReceived(messenger).empty());

    ASSERT_EQ(StandinInit(), 0);
    running = true;
    Quit();
    EXPECT_EQ(StandinReadFile(ini), Section(DEFAULT_KEYS));
    // A second quit keeps the sources that the first one saved.
    StandinQuit();
    EXPECT_EQ(StandinReadFile(ini), Section(DEFAULT_KEYS));
}

// CUSTOM1 holds what an older build reads (30 characters); the exact text
// stands beside it in CUSTOM1U, which counts only while CUSTOM1 holds what
// was written with it, and only in its own sound form.
TEST_F(SettingsTest, ExactCopiesCountOnlyBesideTheTextTheyWereWrittenWith) {
    const std::string forty = "0123456789abcdefghijABCDEFGHIJ%s%d456789", first30 = forty.substr(0, 30);
    const std::string slot = "TEXT1=108\r\nTEXT2=0\r\n";
    LoadPlugin(Section(slot + "CUSTOM1=" + forty + "\r\nCUSTOM2=\r\n"));
    ExpectOnly(Publish(), OnText({forty}));
    Quit();
    Unload();
    std::string saved = StandinReadFile(ini), copy = SavedValue(saved, "CUSTOM1U");
    EXPECT_EQ(SavedValue(saved, "CUSTOM1"), first30);
    EXPECT_EQ(SavedValue(saved, "CUSTOM2"), "") << "the key exists, so its default does not apply";
    EXPECT_EQ(SavedValue(saved, "CUSTOM2U"), "<missing>");
    ASSERT_EQ(copy.size(), 9 + forty.size() + 2 * 2) << copy;  // "%" is written as %25
    // An older build loads (31 bytes with the terminator) and saves.
    char old[31];
    GetPrivateProfileStringA("Songbeam!", "CUSTOM1", "", old, sizeof old, ini.c_str());
    WritePrivateProfileStringA("Songbeam!", "CUSTOM1", old, ini.c_str());
    LoadPlugin();
    ExpectOnly(Publish(), OnText({forty}));
    Quit();
    Unload();

    std::string otherMark = copy;
    otherMark[0] = otherMark[0] == '0' ? '1' : '0';
    const struct {
        const char *what;
        std::string custom, copy, published;
    } rows[] = {
        {"CUSTOM1 edited by hand", "new words", copy, "new words"},
        {"a copy made beside another text", first30, otherMark, first30},
        {"no colon after the mark", first30, copy.substr(0, 8) + "=" + copy.substr(9), first30},
        {"no copy form at all", first30, "\xE2\x99\xAB plain text", first30},
        {"overlong", first30, copy + std::string(1200, 'A'), first30},
        {"a line feed", first30, copy + "%0A", first30},
        {"a C1 control", first30, copy + "%C2%85", first30},
        {"a line separator", first30, copy + "%E2%80%A8", first30},
        {"not UTF-8", first30, copy + "%FF", first30},
        {"a broken escape", first30, copy + "%4", first30},
        {"a quotation mark as it stands", first30, copy + "\"x", first30},
        {"a stale copy beside an ASCII text", "plain", copy, "plain"},
        {"a character outside ASCII after a sound start", "? Now playing", "30118698:%E2%99%AB%20Now\xE2\x9C\x93",
         "? Now playing"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        LoadPlugin(Section(slot + "CUSTOM1=" + row.custom + "\r\nCUSTOM1U=" + row.copy + "\r\n"));
        ExpectOnly(Publish(), OnText({row.published}));
        Quit();
        Unload();
        // A text that CUSTOM1 holds exactly leaves no copy behind.
        saved = StandinReadFile(ini);
        EXPECT_EQ(SavedValue(saved, "CUSTOM1"), row.published.substr(0, 30));
        EXPECT_EQ(SavedValue(saved, "CUSTOM1U") == "<missing>", row.published.size() <= 30) << saved;
    }
}

// A profile folder whose name the ANSI code page cannot hold: the host's
// narrow answer has "?" in it and names no file, so only the Unicode path
// reads and writes the settings, the exact copy of a long text included.
TEST_F(SettingsTest, TheUnicodeSettingsPathServesAFolderOfAnyName) {
    std::wstring folderW = StandinFromAnsi(folder) + L"\\" + StandinFromUtf8("\xE8\xA8\xAD\xE5\xAE\x9A");
    std::wstring path = folderW + L"\\settings.ini";
    CreateDirectoryW(folderW.c_str(), NULL);
    StandinSetSettingsPathW(path);
    const std::string long34 = "30 chars is all it holds, 127 now";
    ASSERT_TRUE(StandinWriteFileW(path, Section("TEXT1=106\r\nTEXT2=108\r\nCUSTOM2=" + long34 + "\r\n")));
    for (int start = 0; start < 2; start++) {
        LoadPlugin();
        ExpectOnly(Publish(), OnText({"Blue", long34}));
        Quit();
        Unload();
    }
    std::string saved = StandinReadFileW(path);
    EXPECT_EQ(SavedValue(saved, "TEXT1"), "106");
    EXPECT_EQ(SavedValue(saved, "CUSTOM2"), "30 chars is all it holds, 127") << "no blank at the end";
    EXPECT_NE(SavedValue(saved, "CUSTOM2U"), "<missing>");
    // A file the first save creates through the W profile functions is
    // ANSI text too.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    LoadPlugin();
    Quit();
    Unload();
    EXPECT_EQ(StandinReadFileW(path), Section(DEFAULT_KEYS));
    EXPECT_EQ(StandinRequestCount(334), 0) << "the narrow path is never asked for, nor opened";
    EXPECT_EQ(StandinRequestCount(1334), 3);

    // A host that does not answer 1334, or answers it without a terminator,
    // still names its file through 334.
    StandinSetSettingsPath(ini);
    for (bool unterminated : {false, true}) {
        StandinSetWideSettingsAnswer(unterminated);
        StandinSetUnterminatedAnswer(unterminated ? 1334 : 0);
        LoadPlugin(Section("TEXT1=106\r\nTEXT2=0\r\n"));
        ExpectOnly(Publish(), OnText({"Blue"}));
        EXPECT_EQ(StandinRequestCount(334), unterminated ? 2 : 1);
        Quit();
        Unload();
    }
}

TEST_F(SettingsTest, UnknownSourceIsKeptAndWrittenBack) {
    LoadPlugin(Section("TEXT3=5\r\n"));
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora", " "}));
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_NE(saved.find("\r\nTEXT3=5\r\n"), std::string::npos) << saved;
}

TEST_F(SettingsTest, OtherSectionsAndKeysArePreserved) {
    std::string before = "[Winamp]\r\nvolume=200\r\n[Songbeam!]\r\nTEXT2=106\r\nEXTRA=keep me\r\n[Other]\r\nx=1\r\n";
    LoadPlugin(before);
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Blue"}));
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_EQ(saved.find("[Winamp]\r\nvolume=200\r\n"), 0u) << saved;
    EXPECT_NE(saved.find("[Other]\r\nx=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nEXTRA=keep me\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nTEXT2=106\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nCUSTOM4=dedicada a ...\r\n"), std::string::npos) << saved;
}

TEST_F(SettingsTest, HostWithoutTheSettingsCommandUsesWinampIniInTheWindowsFolder) {
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    std::string fallback = std::string(windows) + "\\winamp.ini";
    // No answer, or paths without a terminator before a page that cannot be
    // read (-1): no path.
    for (LRESULT answer : {(LRESULT)0, (LRESULT)1, (LRESULT)0xFFFF, (LRESULT)-1}) {
        SCOPED_TRACE(answer);
        DeleteFileA(fallback.c_str());
        ASSERT_TRUE(StandinWriteFile(fallback, Section("TEXT1=106\r\nTEXT2=0\r\n")));
        StandinSetSettingsPath(answer == -1 ? ini : "", answer);
        StandinSetUnterminatedAnswer(answer == -1 ? 1334 : 0, answer == -1 ? 334 : 0);
        int asked = StandinRequestCount(1334);
        LoadPlugin();
        EXPECT_EQ(StandinRequestCount(1334), asked + 1);
        ExpectOnly(Publish(), OnText("{0}", {"Blue"}));
        Quit();
        Unload();
        std::string saved = StandinReadFile(fallback);
        EXPECT_NE(saved.find("\r\nTEXT1=106\r\n"), std::string::npos) << saved;
        EXPECT_NE(saved.find("\r\nCUSTOM1=>> Esta es pa ti\r\n"), std::string::npos) << saved;
        EXPECT_FALSE(Exists(ini));
        DeleteFileA(fallback.c_str());
    }
    // Without the file, the first save creates it there.
    StandinSetSettingsPath("", 0);
    LoadPlugin();
    Quit();
    EXPECT_EQ(StandinReadFile(fallback), Section(DEFAULT_KEYS));
    DeleteFileA(fallback.c_str());
}

TEST_F(SettingsTest, SaveThatFailsChangesNothingElse) {
    std::string missing = folder + "\\no such folder";
    RemoveDirectoryA(missing.c_str());
    StandinSetSettingsPath(missing + "\\settings.ini");
    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
    StandinClearReceived();
    Quit();
    ExpectOnly(StandinReceived(messenger), OFF_TEXT);
    EXPECT_FALSE(Exists(missing));
}

TEST_F(SettingsTest, OddValuesDoNotBreakAnything) {
    LoadPlugin(Section("ENABLE=7\r\nTEXT1=-7\r\nTEXT2=99999999999999\r\nTEXT3=abc\r\nTEXT4=104x\r\nCUSTOM1=" +
                       std::string(5000, 'q') + "\r\n"));
    auto received = Publish();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(StandinDescribe(received[0].payload).substr(0, 3), "on ") << StandinDescribe(received[0].payload);
    Quit();
    std::string saved = StandinReadFile(ini);
    // Whatever the profile functions made of them, the values are stored as
    // they were read; the plain ones round-trip exactly.
    EXPECT_NE(saved.find("\r\nENABLE=7\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nTEXT1=-7\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nCUSTOM1=" + std::string(30, 'q') + "\r\n"), std::string::npos) << saved;
}

}  // namespace
