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
    EXPECT_EQ(StandinRequestCount(334), 1);
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

TEST_F(SettingsTest, CustomTextsComeBackAsTheirFirst31Characters) {
    std::string forty = "0123456789abcdefghijklmnopqrstuvwxyz%s%d";
    std::string first31 = forty.substr(0, 31);
    LoadPlugin(Section("TEXT1=108\r\nTEXT2=108\r\nCUSTOM1=" + forty + "\r\nCUSTOM2=\r\n"));
    ExpectOnly(Publish(), OnText("{0}", {first31, ""}));
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_NE(saved.find("\r\nCUSTOM1=" + first31 + "\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nCUSTOM2=\r\n"), std::string::npos) << saved;
    Unload();

    // The empty text stays empty at the next start: the key exists.
    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0}", {first31, ""}));
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
    for (LRESULT answer : {(LRESULT)0, (LRESULT)1, (LRESULT)0xFFFF}) {
        SCOPED_TRACE(answer);
        DeleteFileA(fallback.c_str());
        ASSERT_TRUE(StandinWriteFile(fallback, Section("TEXT1=106\r\nTEXT2=0\r\n")));
        StandinSetSettingsPath("", answer);
        LoadPlugin();
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
    EXPECT_NE(saved.find("\r\nCUSTOM1=" + std::string(31, 'q') + "\r\n"), std::string::npos) << saved;
}

}  // namespace
