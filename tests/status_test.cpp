// What the messengers receive for one track change, byte for byte.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include "tests/plugin_session.h"

namespace {

class StatusTest : public PluginSession {};

TEST_F(StatusTest, DefaultsWithTaggedFilePublishSongAndArtist) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"), "ignored - title");
    LoadPlugin();
    auto received = Publish();
    ExpectOnly(received, OnText("{0} - {1}", {"Rain", "Kora"}));
    EXPECT_EQ(StandinDescribe(received[0].payload), "on \"{0} - {1}\" -> \"Rain\" | \"Kora\"");
}

TEST_F(StatusTest, UntaggedFileFallsBackToThePlaylistTitle) {
    AddTrack("plain.mp3", std::string(300, 'x'), "Kora - Rain - Blue");
    LoadPlugin();
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
}

// Nothing to publish while the messengers show nothing yet sends nothing;
// quit says that nothing plays.
TEST_F(StatusTest, DisabledOrNoSlotInUsePublishesNothingAndQuitSendsTheOffStatus) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    for (const char *settings : {"ENABLE=0\r\nTEXT3=106", "ENABLE=1\r\nTEXT1=0\r\nTEXT2=0\r\nTEXT3=0\r\nTEXT4=0"}) {
        SCOPED_TRACE(settings);
        LoadPlugin(std::string("[Songbeam!]\r\n") + settings + "\r\n");
        EXPECT_TRUE(Play().empty());
        PumpMessages(1100);
        EXPECT_TRUE(StandinReceived(messenger).empty());
        // Disabled: the host is not even asked for its play state, by a check or a tick.
        if (settings[7] == '0') {
            EXPECT_EQ(StandinRequestCount(104), 0);
        }
        Quit();
        ExpectOnly(StandinReceived(messenger), OFF_TEXT);
        Unload();
    }
}

TEST_F(StatusTest, UnknownSourceAndGapsShowASingleSpace) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    LoadPlugin("[Songbeam!]\r\nTEXT1=5\r\nTEXT2=0\r\n");
    ExpectOnly(Publish(), OnText("{0}", {" "}));
    Quit();
    Unload();

    // Only the first n slots count: slot 0 empty, slot 1 on the artist.
    LoadPlugin("[Songbeam!]\r\nTEXT1=0\r\nTEXT2=104\r\n");
    ExpectOnly(Publish(), OnText("{0}", {" "}));
}

// The values keep every slot in its place; the format names only the slots
// whose text holds a character other than a space.
TEST_F(StatusTest, CustomSlotsAllFourSourcesAndTheFormatOfSlotsWithText) {
    const struct {
        std::string title, artist, album, settings, format;
        std::vector<std::string> values;
    } cases[] = {
        {"Rain", "Kora", "Blue", "TEXT1=108\r\nTEXT2=0", "{0}", {">> Esta es pa ti"}},
        {"Rain", "Kora", "Blue", "TEXT1=106\r\nTEXT2=104\r\nTEXT3=102\r\nTEXT4=108", "{0} - {1} - {2} - {3}",
         {"Blue", "Kora", "Rain", "dedicada a ..."}},
        {"Rain", "", "", "", "{0}", {"Rain", ""}},
        {"", "Ostinato", "", "", "{1}", {"", "Ostinato"}},
        {"Rain", "Kora", "", "TEXT2=106\r\nTEXT3=104", "{0} - {2}", {"Rain", "", "Kora"}},
        {"Rain", "Kora", "", "TEXT2=108\r\nCUSTOM2=\"   \"", "{0}", {"Rain", "   "}},
        {"", " ", "Blue", "TEXT3=108\r\nCUSTOM3=\r\nTEXT4=106", "{3}", {"", " ", "", "Blue"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.settings);
        AddTrack("rain.mp3", StandinTag(c.title, c.artist, c.album));
        LoadPlugin("[Songbeam!]\r\n" + c.settings + "\r\n");
        ExpectOnly(Publish(), OnText(c.format, c.values));
        Quit();
        Unload();
    }
}

TEST_F(StatusTest, ThirtyCharacterFieldsAreCarriedWhole) {
    std::string t(30, 'T'), a(30, 'A'), b(30, 'B');
    AddTrack("long.mp3", RawTag(t, a, b));
    LoadPlugin("[Songbeam!]\r\nTEXT3=106\r\nTEXT4=108\r\nCUSTOM4=" + std::string(30, 'C') + "\r\n");
    auto received = Publish();
    std::string text = OnText("{0} - {1} - {2} - {3}", {t, a, b, std::string(30, 'C')});
    ExpectOnly(received, text);
    // 2 x (code units + the terminating zero).
    EXPECT_EQ(received[0].byteCount, 2 * (text.size() + 1));
}

TEST_F(StatusTest, PercentSignsReachTheMessengerUnchanged) {
    AddTrack("pct.mp3", StandinTag("100%s", "%d", "%n%n"));
    LoadPlugin("[Songbeam!]\r\nTEXT3=106\r\n");
    ExpectOnly(Publish(), OnText("{0} - {1} - {2}", {"100%s", "%d", "%n%n"}));

    AddTrack("plain.mp3", "", "%s%s%s-100%-%d %x");
    ExpectOnly(Publish(), OnText("{0} - {1} - {2}", {"100%", "%s%s%s", "%d %x"}));
}

// A field cannot split itself for a receiver: where it holds the two
// characters of the separator, its backslash goes out as the fullwidth
// reverse solidus U+FF3C; no other character changes.
TEST_F(StatusTest, AFieldHoldingTheSeparatorCannotForgeOne) {
    AddTrack("forged.mp3", StandinTag("Track \\0 One", "\\\\0\\", "C:\\0\\1"));
    LoadPlugin("[Songbeam!]\r\nTEXT3=106\r\nTEXT4=108\r\nCUSTOM4=\\0Music\\01\r\n");
    const std::string fw = "\xEF\xBC\xBC";
    ExpectOnly(Publish(),
               OnText({"Track " + fw + "0 One", "\\" + fw + "0\\", "C:" + fw + "0\\1", fw + "0Music" + fw + "01"}));
}

TEST_F(StatusTest, MessengersInOtherProcessesAllReceiveTheText) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    StandinRemote one = {}, two = {};
    ASSERT_TRUE(StandinSpawnMessenger(folder + "\\one.log", false, &one));
    ASSERT_TRUE(StandinSpawnMessenger(folder + "\\two.log", false, &two));
    LoadPlugin();
    auto local = Publish();
    // The send waits until each messenger has handled the text, so the logs
    // are complete when the notification returns.
    auto first = StandinRemoteReceived(one);
    auto second = StandinRemoteReceived(two);
    StandinStopMessenger(&one);
    StandinStopMessenger(&two);
    std::string text = OnText("{0} - {1}", {"Rain", "Kora"});
    ExpectOnly(local, text);
    ExpectOnly(first, text);
    ExpectOnly(second, text);
}

TEST_F(StatusTest, AMessageOnlyListenerBesideTwoMessengersGetsEveryStatusOnce) {
    AddTrack("cafe.mp3", StandinTag("Cafe", "Mara", ""));
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    int all[3] = {messenger, StandinAddMessenger(), StandinAddMessenger(true)};
    ASSERT_EQ(FindWindowExA(HWND_MESSAGE, NULL, "MsnMsgrUIManager", NULL), StandinMessengerWindow(all[2]));
    LoadPlugin();
    for (int track : {1, 0}) {
        StandinSetCurrent(track);
        Publish();
        for (int m : all)
            ExpectOnly(StandinReceived(m), track == 1 ? OnText({"Rain", "Kora"}) : OnText({"Cafe", "Mara"}));
    }
    StandinClearReceived();
    Quit();
    for (int m : all)
        ExpectOnly(StandinReceived(m), OFF_TEXT);
    StandinRemoveMessenger(all[1]);
    StandinRemoveMessenger(all[2]);
}

// ---- between track changes: the host's play state, messengers started later --------

// A host that tells the plug-in of nothing but its notices, and names no
// playing file: the tick follows the play state and, while the host plays,
// the entry at the cursor: its index, path and title (a station of 100
// characters: longer than the plug-in's copy of a text). Each change is
// published once, a stream's new title once it has stood for a second;
// nothing is sent while nothing changes.
TEST_F(StatusTest, AnOlderHostsPlayStateAndEntryChangesArePublishedByTheTick) {
    const int rain = AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    ASSERT_TRUE(StandinWriteFile(folder + "\\cafe.mp3", StandinTag("Cafe", "Mara", "")));
    const std::string station(100, 'S');
    const int stream = StandinAddEntry("http://radio.example/stream", station + " - Song A");
    const int copy = StandinAddEntry("http://radio.example/stream", station + " - Song B");
    StandinSetCurrent(stream);
    StandinSetMainWindowEvents(false);
    StandinSetPlayingFileRequests(false);
    LoadPlugin();
    ExpectOnly(Publish(), OnText({"Song A", station}));
    const std::string cafe = OnText({"Cafe", "Mara"});
    const struct {
        const char *what;
        int state;
        std::function<void()> change;
        std::string text;  // the one status the ticks send, or none
        int pathAsks;      // per tick, when nothing is read: 1 or 0; -1 not counted
    } steps[] = {
        {"nothing changed", 1, [] {}, "", 1},
        {"title changed", 1, [&] { StandinSetEntryTitle(stream, station + " - Song B"); }, OnText({"Song B", station}), -1},
        {"index moved to a copy of the entry", 1, [&] { StandinSetCurrent(copy); }, "", -1},
        {"index moved", 1, [&] { StandinSetCurrent(rain); }, OnText({"Rain", "Kora"}), -1},
        {"path replaced", 1, [&] { StandinEntryAt(rain)->widePath = StandinFromAnsi(folder + "\\cafe.mp3"); }, cafe, -1},
        {"stopped", 0, [] {}, OFF_TEXT, -1},
        {"playing", 1, [] {}, cafe, -1},
        {"narrow-only host", 1, [&] { StandinSetUnicodeRequests(false), StandinSetCurrent(stream); },
         OnText({"Song B", station}), -1},
        {"paused", 3, [] {}, OFF_TEXT, -1},
        {"title changed while paused", 3, [&] { StandinEntryAt(stream)->title = station + " - Song D"; }, "", 0},
        {"playing again", 1, [] {}, OnText({"Song D", station}), -1},
        {"emptied", 1, [] { StandinClearPlaylist(); }, OFF_TEXT, -1},
    };
    auto pathAsks = [] { return StandinRequestCount(214) + StandinRequestCount(211); };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        StandinClearReceived();
        int ticks = StandinRequestCount(104), paths = pathAsks();
        StandinSetPlayState(step.state);
        step.change();
        if (step.text.empty()) {
            PumpMessages(1100);
            EXPECT_TRUE(StandinReceived(messenger).empty());
        } else {
            // A tick, the second after a stream's title changed, and the pace.
            EXPECT_TRUE(PumpMessagesUntil(4000, [&] { return !StandinReceived(messenger).empty(); }));
            PumpMessages(200);
            ExpectOnly(StandinReceived(messenger), step.text);
        }
        if (step.pathAsks >= 0) {
            EXPECT_EQ(pathAsks() - paths, step.pathAsks * (StandinRequestCount(104) - ticks));
        }
    }
}

TEST_F(StatusTest, MessengersStartedMidTrackGetTheCurrentStatusWithinTwoTicks) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    LoadPlugin();
    const std::string text = OnText("{0} - {1}", {"Rain", "Kora"});
    ExpectOnly(Publish(), text);
    StandinClearReceived();
    StandinRemote late = {};
    ASSERT_TRUE(StandinSpawnMessenger(folder + "\\late.log", false, &late));
    int listener = StandinAddMessenger(true);
    EXPECT_TRUE(PumpMessagesUntil(2200, [&] {
        return !StandinRemoteReceived(late).empty() && !StandinReceived(listener).empty();
    }));
    PumpMessages(1100);
    auto remote = StandinRemoteReceived(late);
    StandinStopMessenger(&late);
    ExpectOnly(remote, text);
    ExpectOnly(StandinReceived(listener), text);
    EXPECT_TRUE(StandinReceived(messenger).empty()) << "a messenger that had the status got it again";
    StandinRemoveMessenger(listener);
}

TEST_F(StatusTest, AMessengerCallingTheHostBackIsAnsweredAtOnce) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    StandinRemote caller = {};
    ASSERT_TRUE(StandinSpawnMessengerWith(folder + "\\caller.log", "call-host", &caller));
    LoadPlugin();
    DWORD start = GetTickCount();
    auto local = Publish();
    DWORD took = GetTickCount() - start;
    auto remote = StandinRemoteReceived(caller);
    StandinStopMessenger(&caller);
    EXPECT_LT(took, 1500u) << "the host waited for the messenger while the messenger waited for it";
    // The track change it announced runs one more check, after the first
    // status: nothing has changed, so nothing more is sent.
    std::string text = OnText("{0} - {1}", {"Rain", "Kora"});
    ExpectOnly(local, text);
    ExpectOnly(remote, text);
    EXPECT_EQ(StandinRequestCount(125), 1) << "the messenger's own question";
}

TEST_F(StatusTest, HungMessengerCostsOneTimeoutAndTheOthersStillReceive) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    StandinRemote hung = {}, live = {};
    // Twenty windows of one thread that never answers: after the first send
    // times out, the others are skipped.
    ASSERT_TRUE(StandinSpawnMessengerWith(folder + "\\hung.log", "hung windows=20", &hung));
    ASSERT_TRUE(StandinSpawnMessenger(folder + "\\live.log", false, &live));
    LoadPlugin();
    DWORD start = GetTickCount();
    auto local = Publish();
    DWORD took = GetTickCount() - start;
    auto fromLive = StandinRemoteReceived(live);
    auto fromHung = StandinRemoteReceived(hung);
    TerminateProcess(hung.process, 0);  // it would not answer a close either
    StandinStopMessenger(&hung);
    StandinStopMessenger(&live);
    EXPECT_LT(took, 4000u);
    std::string text = OnText("{0} - {1}", {"Rain", "Kora"});
    ExpectOnly(local, text);
    ExpectOnly(fromLive, text);
    EXPECT_TRUE(fromHung.empty());
}

// ---- a slot copy that cannot be allocated ------------------------------------

// Stands in for the COM task allocator when it has no memory left.
LPVOID WINAPI NoMemory(SIZE_T) {
    return NULL;
}

TEST_F(StatusTest, SlotCopyThatCannotBeAllocatedIsEmpty) {
    AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    LoadPlugin();
    void *real = StandinPatchImport("ole32.dll", "CoTaskMemAlloc", (void *)NoMemory);
    ASSERT_NE(real, nullptr) << "the plug-in imports CoTaskMemAlloc from ole32";
    auto received = Publish();
    StandinPatchImport("ole32.dll", "CoTaskMemAlloc", real);
    ExpectOnly(received, OnText("{0} - {1}", {"", ""}));
    // With the allocator back, the next track is whole again.
    AddTrack("rain2.mp3", StandinTag("Rain", "Kora", "Blue"));
    ExpectOnly(Publish(), OnText("{0} - {1}", {"Rain", "Kora"}));
}

}  // namespace
