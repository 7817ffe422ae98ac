// The plug-in's life as the host drives it: the export and record, init and
// the playlist hook, quit, and unloading.
#include <gtest/gtest.h>

#include "tests/plugin_session.h"

namespace {

class LifecycleTest : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    }
};

TEST_F(LifecycleTest, ExportReturnsTheSameRecordEveryTime) {
    StandinPluginRecord *record = StandinLoad();
    ASSERT_NE(record, nullptr);
    typedef StandinPluginRecord *(*Export)(void);
    Export get = (Export)(void *)GetProcAddress(StandinModule(), "winampGetGeneralPurposePlugin");
    ASSERT_NE(get, nullptr);
    EXPECT_EQ(get(), record);
    EXPECT_EQ(get(), record);
    EXPECT_EQ(record->version, 0x10);
    EXPECT_STREQ(record->description, "Songbeam! v0.1");
    EXPECT_NE(record->init, nullptr);
    EXPECT_NE(record->config, nullptr);
    EXPECT_NE(record->quit, nullptr);
    // The host's two fields are still what the host wrote.
    EXPECT_EQ(get()->parentWindow, StandinMainWindow());
    EXPECT_EQ(get()->moduleInstance, (HINSTANCE)StandinModule());
}

// Without the playlist editor's notices, the main window's events still
// publish every track start.
TEST_F(LifecycleTest, InitWithoutAPlaylistWindow) {
    StandinSetGivesPlaylistWindow(false);
    LoadPlugin();
    EXPECT_EQ(StandinRequestCount(260), 1);
    EXPECT_EQ(WindowProcedure(StandinPlaylistWindow()), ownPlaylistProc);
    ExpectOnly(Play(), OnText("{0} - {1}", {"Rain", "Kora"}));
    StandinClearReceived();
    Quit();
    ExpectOnly(StandinReceived(messenger), OFF_TEXT);
}

// Every notice (666, whatever its lParam) asks for a check, which runs before
// the host's procedure sees the notice and sends only what changed: here the
// file, retagged in place.
TEST_F(LifecycleTest, ANoticeChecksBeforeThePlaylistSeesIt) {
    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
    PumpMessages(2100);  // the pace: the next status goes out at once
    for (LPARAM lParam : {(LPARAM)0x40000000, (LPARAM)0xC0000005}) {
        SCOPED_TRACE(lParam);
        StandinClearPlaylistMessages();
        StandinClearReceived();
        int checks = StandinRequestCount(104);
        EXPECT_EQ(SendMessageW(StandinPlaylistWindow(), WM_USER, 666, lParam), STANDIN_PLAYLIST_RESULT);
        EXPECT_EQ(StandinRequestCount(104) - checks, 1);
        const auto &seen = StandinPlaylistMessages();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, lParam), 1);
        const auto &received = StandinReceived(messenger);
        if (lParam == 0x40000000) {
            EXPECT_TRUE(received.empty()) << "nothing changed";
            std::string retagged = std::string(900, 'x') + StandinTag("Snow", "Kora", "");
            ASSERT_TRUE(StandinWriteFile(folder + "\\rain.mp3", retagged));
        } else {
            ExpectOnly(received, OnText("{0} - {1}", {"Snow", "Kora"}));
            EXPECT_LT(received[0].sequence, seen[0].sequence);
        }
    }
}

TEST_F(LifecycleTest, OtherMessagesRunNoCheckAndPassThroughUnchanged) {
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Case cases[] = {
        {WM_USER, 665, 0x40000000},
        {WM_USER, 667, 0x40000000},
        {WM_USER + 1, 666, 0x40000000},
        {WM_APP, 666, 0x40000000},
    };
    LoadPlugin();
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.message << " " << c.wParam << " " << c.lParam);
        StandinClearPlaylistMessages();
        StandinClearReceived();
        EXPECT_EQ(SendMessageW(StandinPlaylistWindow(), c.message, c.wParam, c.lParam), STANDIN_PLAYLIST_RESULT);
        EXPECT_TRUE(StandinReceived(messenger).empty());
        EXPECT_EQ(StandinCountPlaylist(c.message, c.wParam, c.lParam), 1);
    }
    EXPECT_EQ(StandinRequestCount(104), 0);
    // A window message of its own still gets the window's usual answer.
    char text[64] = {};
    EXPECT_GT(GetWindowTextA(StandinPlaylistWindow(), text, sizeof text), 0);
    EXPECT_STREQ(text, "Stand-in playlist");
}

TEST_F(LifecycleTest, ASecondInitLeavesOneHookInEachChain) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=106\r\n");
    ASSERT_EQ(StandinInit(), 0);
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Blue", "Kora"}));
    StandinClearPlaylistMessages();
    int checks = StandinRequestCount(104);
    StandinNotify();
    EXPECT_EQ(StandinRequestCount(104) - checks, 1);
    EXPECT_EQ(StandinPlaylistMessages().size(), 1u);
    checks = StandinRequestCount(104);
    PostMessageA(StandinMainWindow(), WM_USER, 8, 603);
    PumpMessages(50);
    EXPECT_EQ(StandinRequestCount(104) - checks, 1);
}

// The host's playlist editor is a Unicode window; an older host's is an
// ANSI one. Either way text sent to it reaches its own procedure unchanged.
TEST_F(LifecycleTest, PlaylistWindowsOfEitherKindReceiveTheirTextUnchanged) {
    for (bool unicode : {true, false}) {
        SCOPED_TRACE(unicode ? "Unicode" : "ANSI");
        if (!unicode) {
            StandinAnsiPlaylistWindow();
            ownPlaylistProc = WindowProcedure(StandinPlaylistWindow());
        }
        HWND playlist = StandinPlaylistWindow();
        ASSERT_EQ(IsWindowUnicode(playlist) != FALSE, unicode);
        LoadPlugin();
        const WCHAR text[] = L"\u65E5\u672C \u00E9 \u263A";
        EXPECT_TRUE(SendMessageW(playlist, WM_SETTEXT, 0, (LPARAM)text));
        WCHAR back[32] = L"";
        GetWindowTextW(playlist, back, 32);
        EXPECT_EQ(std::wstring(back), unicode ? std::wstring(text) : StandinFromAnsi(StandinToAnsi(text)));
        ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
        Quit();
        Unload();
    }
}

// Three messengers; the first to receive announces a track change at once,
// as a messenger that reacts to every status might.
bool announce;
void AnnounceOnce(int) {
    if (announce) {
        announce = false;
        StandinNotify();
    }
}

TEST_F(LifecycleTest, ATrackChangeAnnouncedDuringQuitSendsOnlyTheOffStatus) {
    int all[3] = {messenger, StandinAddMessenger(), StandinAddMessenger()};
    LoadPlugin();
    StandinClearReceived();
    announce = true;
    StandinSetReceiptHook(AnnounceOnce);
    Quit();
    StandinSetReceiptHook(NULL);
    EXPECT_FALSE(announce);
    for (int m : all) {
        EXPECT_FALSE(StandinReceived(m).empty());
        for (const StandinCopyData &got : StandinReceived(m))
            ExpectStatus(got, OFF_TEXT);
    }
    StandinRemoveMessenger(all[1]);
    StandinRemoveMessenger(all[2]);
}

TEST_F(LifecycleTest, QuitSavesTheSourcesInForceAndAReloadRestoresThem) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=106\r\nTEXT2=108\r\nTEXT3=104\r\nCUSTOM2=mine\r\n");
    ExpectOnly(Publish(), OnText("{0} - {1} - {2}", {"Blue", "mine", "Kora"}));
    StandinClearReceived();
    Quit();
    ExpectOnly(StandinReceived(messenger), OFF_TEXT);
    std::string saved = StandinReadFile(ini);
    for (const char *line : {"\r\nTEXT1=106\r\n", "\r\nTEXT2=108\r\n", "\r\nTEXT3=104\r\n", "\r\nTEXT4=0\r\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << " in " << saved;
    Unload();

    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0} - {1} - {2}", {"Blue", "mine", "Kora"}));
}

TEST_F(LifecycleTest, AfterQuitNoTrackIsPublished) {
    LoadPlugin();
    Quit();
    // The hook is off the window already, or it sends nothing: never the
    // track.
    EXPECT_TRUE(Play().empty());
    PumpMessages(300);
    EXPECT_TRUE(StandinReceived(messenger).empty());
    EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);
}

TEST_F(LifecycleTest, AfterUnloadThePlaylistWindowHasItsOwnProcedureAgain) {
    LoadPlugin();
    EXPECT_NE(WindowProcedure(StandinPlaylistWindow()), ownPlaylistProc);
    EXPECT_NE(WindowProcedure(StandinMainWindow()), ownMainProc);
    Quit();
    StandinUnload();
    EXPECT_EQ(GetModuleHandleA("gen_songbeam.dll"), (HMODULE)NULL);
    EXPECT_EQ(WindowProcedure(StandinPlaylistWindow()), ownPlaylistProc);
    EXPECT_EQ(WindowProcedure(StandinMainWindow()), ownMainProc);
    StandinClearPlaylistMessages();
    StandinClearReceived();
    EXPECT_EQ(StandinNotify(), STANDIN_PLAYLIST_RESULT);
    EXPECT_EQ(SendMessageA(StandinPlaylistWindow(), WM_USER + 7, 1, 2), STANDIN_PLAYLIST_RESULT);
    EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);
    EXPECT_EQ(StandinCountPlaylist(WM_USER + 7, 1, 2), 1);
    EXPECT_TRUE(StandinReceived(messenger).empty());

    // A second load hooks the windows afresh and works as the first did.
    Unload();
    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));

    // Unloaded without quit, it takes the hook off all the same, and leaves
    // nothing that could call into it: not the once-a-second timer, not the
    // watch for new windows, even with a window created just before.
    int late = StandinAddMessenger();
    running = false;
    StandinUnload();
    EXPECT_EQ(GetModuleHandleA("gen_songbeam.dll"), (HMODULE)NULL);
    EXPECT_EQ(WindowProcedure(StandinPlaylistWindow()), ownPlaylistProc);
    EXPECT_EQ(WindowProcedure(StandinMainWindow()), ownMainProc);
    StandinSetPlayState(0);
    PumpMessages(2000);
    EXPECT_TRUE(Play().empty());
    EXPECT_TRUE(StandinReceived(late).empty());
    StandinRemoveMessenger(late);
}

// The host quits its plug-ins after its windows and menu are gone, or, at
// the end of a Windows session, inside WM_ENDSESSION with the windows alive
// and the playlist freed. Either way: the off status once, the settings
// saved, no crash, and nothing left on the windows.
TEST_F(LifecycleTest, QuitAfterTheWindowsAreGoneOrInsideTheEndOfTheSession) {
    for (bool endSession : {false, true}) {
        SCOPED_TRACE(endSession ? "end of session" : "exit");
        LoadPlugin("[Songbeam!]\r\nTEXT1=106\r\n");
        ExpectOnly(Publish(), OnText("{0} - {1}", {"Blue", "Kora"}));
        StandinClearReceived();
        if (endSession)
            StandinEndSession();
        else
            StandinExit();
        running = false;
        ExpectOnly(StandinReceived(messenger), OFF_TEXT);
        EXPECT_EQ(SavedValue(StandinReadFile(ini), "TEXT1"), "106");
        if (endSession) {
            EXPECT_EQ(WindowProcedure(StandinMainWindow()), ownMainProc);
        }
        Unload();
        DeleteFileA(ini.c_str());
        // The next host starts with windows of its own.
        StandinStart();
        StandinSetSettingsPath(ini);
        AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
        ownPlaylistProc = WindowProcedure(StandinPlaylistWindow());
        ownMainProc = WindowProcedure(StandinMainWindow());
    }
}

}  // namespace
