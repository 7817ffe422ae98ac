// When someone else has put a procedure on the playlist window on top of the
// plug-in's, quit cannot take the hook off: the module stays loaded for the
// rest of the process, so the chain never calls into freed code. A program of
// its own, because the module cannot be unloaded afterwards.
#include <gtest/gtest.h>

#include "tests/plugin_session.h"

namespace {

WNDPROC replaced;
std::vector<StandinMessage> foreignSeen;

// Another plug-in's procedure: records, then passes on what it replaced.
LRESULT CALLBACK ForeignProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    foreignSeen.push_back({message, wParam, lParam, 0});
    return CallWindowProcW(replaced, window, message, wParam, lParam);
}

int ForeignCount(UINT message, WPARAM wParam, LPARAM lParam) {
    int n = 0;
    for (const auto &m : foreignSeen)
        n += m.message == message && m.wParam == wParam && m.lParam == lParam;
    return n;
}

class PinTest : public PluginSession {};

TEST_F(PinTest, ForeignProcedureOnTopKeepsTheModuleLoaded) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    HWND playlist = StandinPlaylistWindow();
    LoadPlugin();
    procReplacedOnPurpose = true;
    replaced = (WNDPROC)SetWindowLongPtrW(playlist, GWLP_WNDPROC, (LONG_PTR)ForeignProc);
    ASSERT_NE(replaced, nullptr);

    // The chain works while the plug-in runs.
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
    EXPECT_EQ(ForeignCount(WM_USER, 666, 0x40000000), 1);

    StandinClearReceived();
    Quit();
    ExpectOnly(StandinReceived(messenger), OFF_TEXT);
    StandinUnload();
    EXPECT_NE(GetModuleHandleA("gen_songbeam.dll"), (HMODULE)NULL);
    EXPECT_EQ(GetWindowLongPtrW(playlist, GWLP_WNDPROC), (LONG_PTR)ForeignProc);

    // A track start still passes the whole chain, and the plug-in that quit
    // sends nothing.
    StandinClearPlaylistMessages();
    foreignSeen.clear();
    EXPECT_TRUE(Play().empty());
    EXPECT_EQ(ForeignCount(WM_USER, 666, 0x40000000), 1);
    EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);

    // Any other message too, with the playlist's own result.
    EXPECT_EQ(SendMessageW(playlist, WM_USER + 3, 9, 8), STANDIN_PLAYLIST_RESULT);
    EXPECT_EQ(StandinCountPlaylist(WM_USER + 3, 9, 8), 1);
    PumpMessages(300);
    EXPECT_TRUE(StandinReceived(messenger).empty());

    // No tick runs in the module kept loaded: a stop changes nothing.
    StandinClearReceived();
    StandinSetPlayState(0);
    PumpMessages(1200);
    EXPECT_TRUE(StandinReceived(messenger).empty());
    StandinSetPlayState(1);

    // Loaded and initialised again, the module finds its hook still in the
    // chain, with the other procedure on top of it or taken off after quit:
    // each track start is published, and reaches every procedure once.
    for (bool foreignStays : {true, false}) {
        SCOPED_TRACE(foreignStays ? "the other procedure stays" : "the other procedure was taken off");
        ASSERT_NE(StandinLoad(), nullptr);
        ASSERT_EQ(StandinInit(), 0);
        running = true;
        StandinClearPlaylistMessages();
        foreignSeen.clear();
        ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
        EXPECT_EQ(ForeignCount(WM_USER, 666, 0x40000000), foreignStays ? 1 : 0);
        EXPECT_EQ(StandinCountPlaylist(WM_USER, 666, 0x40000000), 1);
        Quit();
        if (foreignStays)
            SetWindowLongPtrW(playlist, GWLP_WNDPROC, (LONG_PTR)replaced);
        StandinUnload();
    }
}

}  // namespace
