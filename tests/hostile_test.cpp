// Hostile input through the real plug-in: paths that are no file, titles far
// beyond any field, broken settings files, and a messenger that goes away in
// the middle of a broadcast. Each gets the silent behaviour: no crash, no
// hang, nothing lost, and the messenger sees exactly what it would otherwise.
#include <gtest/gtest.h>

#include <stdio.h>

#include "tests/plugin_session.h"

namespace {

bool IsDirectory(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// The section's value of `key` in the saved file, or "<missing>".
bool IsDecimal(const std::string &text) {
    size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (i >= text.size() || (text[i] == '0' && text.size() > i + 1))
        return false;
    for (; i < text.size(); i++)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// ---- paths that are no readable file ----------------------------------------

class HostilePathTest : public PluginSession {
protected:
    // The entry's title: what the fields come from when the path gives no tag.
    const std::string title = "Kora - Rain";
    const std::string fromTitle = OnText("{0} - {1}", {"Rain", "Kora"});

    void ExpectTitleFallback(const std::string &path) {
        StandinSetCurrent(StandinAddEntry(path, title));
        DWORD start = GetTickCount();
        ExpectOnly(PublishAfresh(), fromTitle);
        EXPECT_LT(GetTickCount() - start, 5000u) << "path " << path.substr(0, 60);
    }
};

TEST_F(HostilePathTest, NullEmptyDirectoryAndUrlFallBackToTheTitle) {
    LoadPlugin();
    int null = StandinAddEntry("", title);
    StandinEntryAt(null)->nullPath = true;
    StandinSetCurrent(null);
    ExpectOnly(Publish(), fromTitle);

    ExpectTitleFallback("");
    ExpectTitleFallback(folder);
    ExpectTitleFallback(folder + "\\");
    ExpectTitleFallback("http://example.invalid/a.mp3");
    ExpectTitleFallback(folder + "\\missing.mp3");
}

TEST_F(HostilePathTest, DeviceNamesFallBackToTheTitleWithoutBlocking) {
    LoadPlugin();
    ExpectTitleFallback("CON");
    ExpectTitleFallback("NUL");
    ExpectTitleFallback("\\\\.\\NUL");
    ExpectTitleFallback("CONIN$");
    ExpectTitleFallback(folder + "\\NUL.mp3");
}

TEST_F(HostilePathTest, LongPathFallsBackToTheTitle) {
    LoadPlugin();
    ExpectTitleFallback("C:\\" + std::string(32000, 'a'));
    ExpectTitleFallback(folder + "\\" + std::string(32000, 'b') + ".mp3");
    std::string deep = folder;
    while (deep.size() < 32000)
        deep += "\\deeper";
    ExpectTitleFallback(deep + "\\song.mp3");
}

// A pipe's server end that nobody serves: a reader would wait forever.
struct PipeWatch {
    HANDLE pipe;
    HANDLE done;
    bool fired;
};

DWORD WINAPI Watchdog(void *param) {
    PipeWatch *watch = (PipeWatch *)param;
    if (WaitForSingleObject(watch->done, 8000) == WAIT_TIMEOUT) {
        // Unblocks a read on the client end, so the test fails instead of hanging.
        watch->fired = true;
        DisconnectNamedPipe(watch->pipe);
    }
    return 0;
}

TEST_F(HostilePathTest, NamedPipeDoesNotHang) {
    char name[64];
    snprintf(name, sizeof name, "\\\\.\\pipe\\songbeam-hostile-%lu", GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 4, 4096, 4096, 0, NULL);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    LoadPlugin();

    PipeWatch watch = {pipe, CreateEventA(NULL, TRUE, FALSE, NULL), false};
    HANDLE thread = CreateThread(NULL, 0, Watchdog, &watch, 0, NULL);
    StandinSetCurrent(StandinAddEntry(name, title));
    auto received = Publish();
    SetEvent(watch.done);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(watch.done);

    EXPECT_FALSE(watch.fired) << "the update blocked on the pipe";
    ExpectOnly(received, fromTitle);
    // The plug-in opened the pipe as a client and closed it again: the server
    // end sees a broken pipe, not a client still connected.
    DWORD available = 0;
    EXPECT_FALSE(PeekNamedPipe(pipe, NULL, 0, NULL, &available, NULL));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BROKEN_PIPE);
    CloseHandle(pipe);
}

// Every text the host hands over is read no further than its terminator:
// one that has none before a page that cannot be read is no text.
TEST_F(HostilePathTest, HostTextsWithoutATerminatorAreNoTexts) {
    AddTrack("tagged.mp3", StandinTag("Rain", "Kora", ""), title);
    LoadPlugin();
    const struct {
        LPARAM command;
        bool playingFile;  // whether the host names the playing file
        std::string status;
    } rows[] = {
        {3031, true, OnText({"Rain", "Kora"})},    // the entry at the cursor instead
        {3034, true, OnText({"Rain", "Kora"})},
        {214, false, OnText({"Rain", "Kora"})},    // the narrow path instead
        {213, false, OnText({"Rain", "Kora"})},
        {211, false, OnText({"Rain", "Kora"})},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.command);
        StandinSetPlayingFileRequests(row.playingFile);
        StandinSetUnterminatedAnswer(row.command);
        ExpectOnly(PlayAfresh(), row.status);
    }
    // No path at all: the title, and its narrow form without a terminator.
    StandinSetUnterminatedAnswer(214, 211);
    ExpectOnly(PlayAfresh(), fromTitle);
    StandinSetUnterminatedAnswer(214, 212);
    StandinSetUnicodeRequests(false);
    StandinSetCurrent(StandinAddEntry("http://radio.invalid/", "x"));
    ExpectOnly(PlayAfresh(), OnText("{0} - {1}", {"", ""}));
}

// ---- display titles ---------------------------------------------------------------

class HostileTitleTest : public PluginSession {};

TEST_F(HostileTitleTest, HugeTitlesGiveTheirFirst127Units) {
    LoadPlugin();
    AddTrack("plain.mp3", "", std::string(100000, 'x'));
    ExpectOnly(Publish(), OnText("{1}", {"", std::string(127, 'x')}));

    AddTrack("plain.mp3", "", std::string(50000, 'a') + " - " + std::string(49997, 'b'));
    ExpectOnly(PublishAfresh(), OnText("{0} - {1}", {std::string(127, 'b'), std::string(127, 'a')}));

    std::string many;
    for (int i = 0; many.size() < 100000; i++)
        many += "t" + std::to_string(i) + "-";
    AddTrack("plain.mp3", "", many);
    ExpectOnly(PublishAfresh(), OnText("{0} - {1}", {"t1", "t0"}));
    // A title of separators only, spaced or not.
    for (const std::string &separators : {std::string(100000, '-'), std::string(100000, ' '), std::string("-")}) {
        AddTrack("plain.mp3", "", separators);
        ExpectOnly(PublishAfresh(), OnText("{0} - {1}", {"", ""}));
    }
}

TEST_F(HostileTitleTest, ControlCharactersArriveUnchanged) {
    LoadPlugin(std::string("[Songbeam!]\r\nTEXT3=106\r\n"));
    std::string control;
    for (int c = 1; c < 0x20; c++)
        if (c != '-')
            control += (char)c;
    AddTrack("plain.mp3", "", control + "-\x7F%s%n-\t\r\n");
    ExpectOnly(Publish(), OnText("{0} - {1} - {2}", {"\x7F%s%n", control, "\t\r\n"}));
}

// ---- settings files -------------------------------------------------------------

class HostileSettingsTest : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    }
};

TEST_F(HostileSettingsTest, HugeNegativeAndNonNumericValues) {
    LoadPlugin("[Songbeam!]\r\nENABLE=1\r\nTEXT1=99999999999999999999\r\nTEXT2=-104\r\nTEXT3=abc\r\n"
               "TEXT4=0x6A\r\nCUSTOM1=kept\r\n");
    // Whatever integers the unreadable values become, the text stays well formed
    // and the negative source shows as a single space.
    auto received = Publish();
    ASSERT_EQ(received.size(), 1u);
    std::string seen = StandinDescribe(received[0].payload);
    EXPECT_EQ(seen.find("unexpected"), std::string::npos) << seen;
    EXPECT_TRUE(Contains(received[0].payload, std::string(" \0\\\0", 4))) << seen;
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_EQ(SavedValue(saved, "TEXT2"), "-104") << saved;
    EXPECT_EQ(SavedValue(saved, "CUSTOM1"), "kept") << saved;
    for (const char *key : {"ENABLE", "TEXT1", "TEXT3", "TEXT4"})
        EXPECT_TRUE(IsDecimal(SavedValue(saved, key))) << key << " in " << saved;
}

TEST_F(HostileSettingsTest, HugeEnableValueKeepsPublishingDecided) {
    LoadPlugin("[Songbeam!]\r\nENABLE=-99999999999999999999\r\n");
    auto received = Publish();
    ASSERT_EQ(received.size(), 1u);
    std::string expected = OnText("{0} - {1}", {"Rain", "Kora"});
    EXPECT_TRUE(received[0].payload == StandinWide(OFF_TEXT) || received[0].payload == StandinWide(expected))
        << StandinDescribe(received[0].payload);
}

TEST_F(HostileSettingsTest, TenThousandCharacterValuesAndKeys) {
    std::string huge(10000, 'c');
    LoadPlugin("[Songbeam!]\r\n" + std::string(10000, 'K') + "=" + huge + "\r\nTEXT1=108\r\nCUSTOM1=" + huge +
               "\r\nCUSTOM3=" + huge + "\r\nTEXT4=" + std::string(10000, '7') + "\r\n");
    auto received = Publish();
    ASSERT_EQ(received.size(), 1u);
    std::string seen = StandinDescribe(received[0].payload);
    EXPECT_EQ(seen.find("unexpected"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("on \"{0} - {1}"), 0u) << seen;
    EXPECT_TRUE(Contains(received[0].payload, StandinWide(std::string(127, 'c') + "\\0Kora").substr(0, 2 * 133)))
        << seen;
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_EQ(SavedValue(saved, "CUSTOM1"), std::string(30, 'c'));
    EXPECT_EQ(SavedValue(saved, "CUSTOM3"), std::string(30, 'c'));
    EXPECT_TRUE(IsDecimal(SavedValue(saved, "TEXT4"))) << SavedValue(saved, "TEXT4").substr(0, 40);
}

TEST_F(HostileSettingsTest, SectionWrittenTwice) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=106\r\n[Other]\r\nx=1\r\n[Songbeam!]\r\nTEXT2=108\r\nCUSTOM2=second\r\n");
    // Either the first section alone counts, or both are read as one.
    auto received = Publish();
    ASSERT_EQ(received.size(), 1u);
    std::string got = received[0].payload;
    EXPECT_TRUE(got == StandinWide(OnText("{0} - {1}", {"Blue", "Kora"})) ||
                got == StandinWide(OnText("{0} - {1}", {"Blue", "second"})))
        << StandinDescribe(got);
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_EQ(SavedValue(saved, "TEXT1"), "106") << saved;
    EXPECT_TRUE(Contains(saved, "[Other]\r\nx=1\r\n")) << saved;
    StandinUnload();

    // The next start reads back what was in force.
    LoadPlugin();
    EXPECT_EQ(Publish().at(0).payload, got);
}

TEST_F(HostileSettingsTest, GarbageLinesAreIgnored) {
    std::string garbage = std::string("\x01\x02\xFF\xFE garbage\r\n=no key\r\nno equals sign\r\n;TEXT1=108\r\n") +
                          "[Songbeam!]\r\n\r\n   \r\n; a comment\r\n%s%n%d=%s\r\nTEXT1=106\r\n\x7F\x80=\xA0\r\n"
                          "TEXT2=104\r\n[unterminated\r\nCUSTOM1=x\r\n";
    LoadPlugin(garbage);
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Blue", "Kora"}));
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_EQ(SavedValue(saved, "TEXT1"), "106") << saved;
    EXPECT_EQ(SavedValue(saved, "TEXT2"), "104") << saved;
}

TEST_F(HostileSettingsTest, SettingsFileThatIsADirectory) {
    std::string dir = folder + "\\folder.ini";
    CreateDirectoryA(dir.c_str(), NULL);
    ASSERT_TRUE(IsDirectory(dir));
    StandinSetSettingsPath(dir);
    LoadPlugin();
    // Nothing readable: the initial values apply.
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
    // The save fails silently; quit still sends the off text.
    StandinClearReceived();
    Quit();
    ExpectOnly(StandinReceived(messenger), OFF_TEXT);
    EXPECT_TRUE(IsDirectory(dir));
}

TEST_F(HostileSettingsTest, ReadOnlySettingsFile) {
    std::string before = "[Songbeam!]\r\nTEXT1=106\r\nTEXT2=108\r\nCUSTOM2=read only\r\n";
    ASSERT_TRUE(StandinWriteFile(ini, before));
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Blue", "read only"}));
    // The save may be refused (Wine running as root writes anyway); either way
    // the file keeps the settings in force.
    Quit();
    std::string saved = StandinReadFile(ini);
    EXPECT_EQ(SavedValue(saved, "TEXT1"), "106") << saved;
    EXPECT_EQ(SavedValue(saved, "CUSTOM2"), "read only") << saved;
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    StandinUnload();
    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Blue", "read only"}));
}

// ---- a messenger that goes away during the broadcast ----------------------------

// What the receipt hook destroys: the receiving messenger itself (SELF), or
// the messenger of this number; -1 for nothing. One destruction per setting.
const int SELF = -2;
int destroyOnReceipt = -1;
int firstReceiver = -1;
// Where the receiving messenger moves itself in the window order, if at all.
bool moveOnReceipt;
HWND moveTo;

void DestroyMessenger(int receiver) {
    if (firstReceiver < 0)
        firstReceiver = receiver;
    if (moveOnReceipt)
        SetWindowPos(StandinMessengerWindow(receiver), moveTo, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (destroyOnReceipt == -1)
        return;
    StandinRemoveMessenger(destroyOnReceipt == SELF ? receiver : destroyOnReceipt);
    destroyOnReceipt = -1;
}

class HostileMessengerTest : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
        all = {messenger, StandinAddMessenger(), StandinAddMessenger()};
        destroyOnReceipt = -1;
        firstReceiver = -1;
        moveOnReceipt = false;
        StandinSetReceiptHook(DestroyMessenger);
    }
    void TearDown() override {
        StandinSetReceiptHook(NULL);
        for (int m : all)
            StandinRemoveMessenger(m);
        PluginSession::TearDown();
    }
    // A fresh start of the plug-in and a track start: the first status of a
    // plug-in goes out at once, and the same track's again.
    void FreshUpdate() {
        StandinSetPlayState(0);
        Restart();
        StandinClearReceived();
        firstReceiver = -1;
        StandinPlay(StandinCurrent());
    }
    // One update with `victim` destroyed by the first messenger to receive.
    void UpdateDestroying(int victim) {
        StandinSetPlayState(0);
        Restart();
        StandinClearReceived();
        destroyOnReceipt = victim;
        firstReceiver = -1;
        StandinPlay(StandinCurrent());
        EXPECT_EQ(destroyOnReceipt, -1) << "no messenger received the text";
    }
    // The next update reaches every messenger still there exactly once.
    void ExpectSurvivorsReached() {
        FreshUpdate();
        for (int m : all) {
            if (StandinMessengerWindow(m) != NULL)
                ExpectOnly(StandinReceived(m), text);
            else
                EXPECT_TRUE(StandinReceived(m).empty());
        }
    }
    std::vector<int> all;
    const std::string text = OnText("{0} - {1}", {"Rain", "Kora"});
};

TEST_F(HostileMessengerTest, MessengerDestroyingItselfWhileHandlingTheText) {
    LoadPlugin();
    UpdateDestroying(SELF);
    ASSERT_GE(firstReceiver, 0);
    EXPECT_EQ(StandinMessengerWindow(firstReceiver), (HWND)NULL);
    ExpectOnly(StandinReceived(firstReceiver), text);
    // The messengers after it still receive the text, once each.
    for (int m : all)
        ExpectOnly(StandinReceived(m), text);
    ExpectSurvivorsReached();
}

TEST_F(HostileMessengerTest, MessengerDestroyingAnotherBeforeItsTurn) {
    LoadPlugin();
    // The messengers receive in window order; find it with a first update.
    UpdateDestroying(-1);
    int first = firstReceiver;
    ASSERT_GE(first, 0);
    int victim = first == all[0] ? all[1] : all[0];
    UpdateDestroying(victim);
    EXPECT_EQ(StandinMessengerWindow(victim), (HWND)NULL);
    EXPECT_TRUE(StandinReceived(victim).empty());
    for (int m : all)
        if (m != victim)
            ExpectOnly(StandinReceived(m), text);
    ExpectSurvivorsReached();
}

TEST_F(HostileMessengerTest, MessengersMovingThemselvesAndHundredsOfWindowsEachReceiveOnce) {
    StandinRemote many = {};
    ASSERT_TRUE(StandinSpawnMessengerWith(folder + "\\many.log", "windows=400 raise", &many));
    LoadPlugin();
    for (HWND where : {HWND_TOP, HWND_BOTTOM}) {
        SCOPED_TRACE(where == HWND_TOP ? "to the top" : "to the bottom");
        moveOnReceipt = true;
        moveTo = where;
        StandinSetPlayState(0);
        Restart();
        size_t before = StandinRemoteReceived(many).size();
        StandinClearReceived();
        StandinPlay(StandinCurrent());
        for (int m : all)
            ExpectOnly(StandinReceived(m), text);
        EXPECT_EQ(StandinRemoteReceived(many).size() - before, 400u);
    }
    StandinStopMessenger(&many);
}

TEST_F(HostileMessengerTest, EveryMessengerGoneOneAfterAnother) {
    LoadPlugin();
    for (int round = 0; round < 3; round++) {
        UpdateDestroying(SELF);
        for (int m : all)
            if (StandinMessengerWindow(m) != NULL || m == firstReceiver)
                ExpectOnly(StandinReceived(m), text);
    }
    for (int m : all)
        EXPECT_EQ(StandinMessengerWindow(m), (HWND)NULL);
    // Nobody left: the update sends nothing and returns.
    ExpectSurvivorsReached();
}

}  // namespace
