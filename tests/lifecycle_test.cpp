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

TEST_F(LifecycleTest, InitWithoutAPlaylistWindow) {
    StandinSetGivesPlaylistWindow(false);
    LoadPlugin();
    EXPECT_EQ(StandinRequestCount(260), 1);
    EXPECT_EQ(GetWindowLongPtrA(StandinPlaylistWindow(), GWLP_WNDPROC), ownPlaylistProc);
    EXPECT_TRUE(Publish().empty());
    Quit();
    ExpectOnly(StandinReceived(messenger), OFF_TEXT);
}

TEST_F(LifecycleTest, TriggerRunsOneUpdateBeforeThePlaylistSeesIt) {
    LoadPlugin();
    StandinClearPlaylistMessages();
    StandinClearReceived();
    EXPECT_EQ(SendMessageA(StandinPlaylistWindow(), WM_USER, 666, 0x40000000), STANDIN_PLAYLIST_RESULT);
    const auto &received = StandinReceived(messenger);
    ExpectOnly(received, OnText("{0} - {1}", {"Rain", "Kora"}));
    EXPECT_EQ(StandinRequestCount(125), 1);
    const auto &seen = StandinPlaylistMessages();
    ASSERT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_LT(received[0].sequence, seen[0].sequence);

    // The other bits of lParam do not matter.
    StandinClearPlaylistMessages();
    StandinClearReceived();
    EXPECT_EQ(SendMessageA(StandinPlaylistWindow(), WM_USER, 666, (LPARAM)0xC0000005), STANDIN_PLAYLIST_RESULT);
    EXPECT_EQ(StandinReceived(messenger).size(), 1u);
    EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, (LPARAM)0xC0000005), 1);
}

TEST_F(LifecycleTest, OtherMessagesRunNoUpdateAndPassThroughUnchanged) {
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Case cases[] = {
        {WM_USER, 666, 5},
        {WM_USER, 666, 0},
        {WM_USER, 666, (LPARAM)0xBFFFFFFF},
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
        EXPECT_EQ(SendMessageA(StandinPlaylistWindow(), c.message, c.wParam, c.lParam), STANDIN_PLAYLIST_RESULT);
        EXPECT_TRUE(StandinReceived(messenger).empty());
        EXPECT_EQ(StandinCountPlaylist(c.message, c.wParam, c.lParam), 1);
    }
    EXPECT_EQ(StandinRequestCount(125), 0);
    // A window message of its own still gets the window's usual answer.
    char text[64] = {};
    EXPECT_GT(GetWindowTextA(StandinPlaylistWindow(), text, sizeof text), 0);
    EXPECT_STREQ(text, "Stand-in playlist");
}

TEST_F(LifecycleTest, ASecondInitLeavesOneHookInTheChain) {
    LoadPlugin("[Songbeam!]\r\nTEXT1=106\r\n");
    ASSERT_EQ(StandinInit(), 0);
    StandinClearPlaylistMessages();
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Blue", "Kora"}));
    EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);
    EXPECT_EQ(StandinRequestCount(125), 1);
}

TEST_F(LifecycleTest, UnicodePlaylistWindowReceivesUnicodeTextUnchanged) {
    StandinUnicodePlaylistWindow();
    HWND playlist = StandinPlaylistWindow();
    ASSERT_TRUE(IsWindowUnicode(playlist));
    ownPlaylistProc = GetWindowLongPtrA(playlist, GWLP_WNDPROC);
    LoadPlugin();
    const WCHAR text[] = L"\u65E5\u672C \u00E9 \u263A";
    EXPECT_TRUE(SendMessageW(playlist, WM_SETTEXT, 0, (LPARAM)text));
    WCHAR back[32] = L"";
    GetWindowTextW(playlist, back, 32);
    EXPECT_EQ(std::wstring(back), std::wstring(text));
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
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
    // The hook is off the window already, or it sends the off status: never
    // the track.
    auto received = Publish();
    for (const auto &r : received)
        ExpectStatus(r, OFF_TEXT);
    EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);
}

TEST_F(LifecycleTest, AfterUnloadThePlaylistWindowHasItsOwnProcedureAgain) {
    LoadPlugin();
    EXPECT_NE(GetWindowLongPtrA(StandinPlaylistWindow(), GWLP_WNDPROC), ownPlaylistProc);
    Quit();
    StandinUnload();
    EXPECT_EQ(GetModuleHandleA("gen_songbeam.dll"), (HMODULE)NULL);
    EXPECT_EQ(GetWindowLongPtrA(StandinPlaylistWindow(), GWLP_WNDPROC), ownPlaylistProc);
    StandinClearPlaylistMessages();
    StandinClearReceived();
    EXPECT_EQ(StandinNotify(), STANDIN_PLAYLIST_RESULT);
    EXPECT_EQ(SendMessageA(StandinPlaylistWindow(), WM_USER + 7, 1, 2), STANDIN_PLAYLIST_RESULT);
    EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);
    EXPECT_EQ(StandinCountPlaylist(WM_USER + 7, 1, 2), 1);
    EXPECT_TRUE(StandinReceived(messenger).empty());

    // A second load hooks the window afresh and works as the first did.
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
    EXPECT_EQ(GetWindowLongPtrA(StandinPlaylistWindow(), GWLP_WNDPROC), ownPlaylistProc);
    StandinSetPlayState(0);
    PumpMessages(2000);
    EXPECT_TRUE(Publish().empty());
    EXPECT_TRUE(StandinReceived(late).empty());
    StandinRemoveMessenger(late);
}

}  // namespace
