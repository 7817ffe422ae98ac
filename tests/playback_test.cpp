// The host as it behaves: it loads its plug-ins stopped, announces a track
// before it counts itself as playing, refreshes titles many times a track,
// plays on what the playlist no longer shows, buffers streams, tells its main
// window of every start, stop, pause and unpause, and lets a user skip
// through tracks faster than anyone should be told. Each group is a table of
// steps: what the host does, and every status the messenger has received by
// the end of the step, in order.
#include <gtest/gtest.h>

#include <stdio.h>

#include <functional>

#include "tests/plugin_session.h"

namespace {

struct Step {
    const char *what;
    std::function<void()> act;
    std::vector<std::string> statuses;
    DWORD ms;  // how long the step lasts; 0: not a moment longer than the act
};

class PlaybackTest : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        rain = AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
        cafe = AddTrack("cafe.mp3", StandinTag("Cafe", "Mara", ""));
        ostinato = AddTrack("ostinato.mp3", "", "Ostinato");
        StandinSetCurrent(rain);
    }
    // Returns how many statuses the steps received in all.
    size_t Run(const std::vector<Step> &steps) {
        size_t all = 0;
        for (const Step &step : steps) {
            SCOPED_TRACE(step.what);
            StandinClearReceived();
            step.act();
            PumpMessages(step.ms);
            std::vector<std::string> got, wanted;
            for (const auto &status : StandinReceived(messenger))
                got.push_back(StandinDescribe(status.payload));
            for (const std::string &text : step.statuses)
                wanted.push_back(StandinDescribe(StandinWide(text)));
            EXPECT_EQ(got, wanted);
            all += got.size();
        }
        return all;
    }
    int rain = 0, cafe = 0, ostinato = 0;
    const std::string RAIN = OnText({"Rain", "Kora"}), CAFE = OnText({"Cafe", "Mara"});
};

// At start the host is stopped: its notices after a volume change, a rating
// or Next while stopped publish nothing, and no file is read. A track start
// is published at once; a host without the main window's events follows
// its notices within a moment, with no off status between two tracks.
TEST_F(PlaybackTest, StartupAndTrackStartsInTheHostsOrder) {
    for (bool events : {true, false}) {
        SCOPED_TRACE(events ? "the host's events" : "an older host: notices only");
        StandinSetMainWindowEvents(events);
        StandinSetMetadataAnswers(STANDIN_METADATA_BOTH);
        StandinSetPlayState(0);
        StandinClearMetadataRequests();
        LoadPlugin();
        Run({
            {"a title refresh while stopped", [] { StandinNotify(); }, {}, 300},
            {"Next while stopped", [] { StandinNextWhileStopped(); }, {}, 300},
            {"the editor opens", [] { StandinNotify(StandinCurrent()); }, {}, 1100},
        });
        EXPECT_EQ(StandinMetadataRequests().size(), 0u) << "a file was read while nothing played";
        Run({
            {"a track starts", [&] { StandinPlay(rain); }, {RAIN}, events ? 0u : 400u},
            {"the next track, after the pace", [&] { PumpMessages(1700), StandinPlay(cafe); }, {CAFE}, 400},
        });
        Quit();
        Unload();
    }
}

// Twenty title refreshes of the playing track, as a decoder reporting its
// bit rate sends them, and playlist edits: nothing changed, so nothing is
// read and nothing sent; the playing file is what plays. A tag rewritten in
// place is read again.
TEST_F(PlaybackTest, NoticesAndPlaylistEditsWhileATrackPlaysReadAndSendNothing) {
    StandinSetMetadataAnswers(STANDIN_METADATA_BOTH);
    StandinEntryAt(rain)->metaTitle = L"Rain";
    StandinEntryAt(rain)->metaArtist = L"Kora";
    LoadPlugin();
    ExpectOnly(Publish(), RAIN);
    StandinClearMetadataRequests();
    size_t sent = Run({
        {"20 notices", [] { for (int i = 0; i < 20; i++) StandinNotify(); }, {}, 0},
        {"the playing entry removed", [&] { StandinRemoveEntry(rain), StandinNotify(); }, {}, 300},
        {"an entry added", [&] { StandinAddEntry(folder + "\\cafe.mp3", "x"), StandinNotify(); }, {}, 300},
        {"the playlist cleared", [] { StandinClearPlaylist(), StandinNotify(); }, {}, 1100},
    });
    printf("20 notices and 3 playlist edits, nothing changed: %u statuses, %u metadata requests\n", (unsigned)sent,
           (unsigned)StandinMetadataRequests().size());
    EXPECT_EQ(StandinMetadataRequests().size(), 0u);
    Run({{"the file retagged", [&] {
              StandinWriteFile(folder + "\\rain.mp3", std::string(800, 'x') + StandinTag("Rain", "Kora Trio", ""));
              StandinNotify();
          }, {OnText({"Rain", "Kora Trio"})}, 500}});
    EXPECT_EQ(StandinMetadataRequests().size(), 3u) << "one reading of the three fields";
}

// A stream shows buffering texts in its title, each with a notice: a new
// title is published once it has stood for a second.
TEST_F(PlaybackTest, AStreamsTitlePublishedOnceItStands) {
    StandinSetCurrent(StandinAddEntry("http://radio.example/lumen", "Lumen - Harbour Lights"));
    LoadPlugin();
    ExpectOnly(Publish(), OnText({"Harbour Lights", "Lumen"}));
    Run({
        {"buffering texts that come and go", [] {
             for (const char *title : {"Buffering 10%", "Buffering 60%", "Lumen - Harbour Lights"}) {
                 StandinRefreshTitle(title);
                 PumpMessages(300);
             }
         }, {}, 1500},
        {"the next song", [] { StandinRefreshTitle("Lumen - Night Ferry"); }, {}, 700},
        {"stood for a second", [] {}, {OnText({"Night Ferry", "Lumen"})}, 600},
    });
}

// The main window's events: a track change is a stop then a start, with no
// off status between; pause and unpause go out within 50 ms; a stop and a
// start while a tag editor has play tracking off are no change.
TEST_F(PlaybackTest, TheMainWindowsEventsArePublishedAtOnce) {
    LoadPlugin();
    auto within = [&](DWORD ms) {
        DWORD start = GetTickCount();
        EXPECT_TRUE(PumpMessagesUntil(1500, [&] { return !StandinReceived(messenger).empty(); }));
        printf("reached the messenger %lu ms after the host's message\n", (unsigned long)(GetTickCount() - start));
        EXPECT_LE(GetTickCount() - start, ms);
    };
    Run({
        {"a track start", [&] { StandinPlay(rain); }, {RAIN}, 2100},
        {"a track change", [&] { StandinPlay(cafe); }, {CAFE}, 2100},
        {"pause", [&] { StandinPause(), within(50); }, {OFF_TEXT}, 2100},
        {"unpause", [&] { StandinUnpause(), within(50); }, {CAFE}, 2100},
        {"a tag editor stops and starts the track", [&] {
             StandinSetPlayTracking(false);
             StandinStop();
             PumpMessages(300);
             StandinPlay(cafe);
             StandinSetPlayTracking(true);
         }, {}, 300},
        {"the end of the list", [] { StandinStop(2); }, {OFF_TEXT}, 0},
    });
}

// Ten track starts 300 ms apart: the first goes out at once, then at most
// one status every two seconds, each the track then playing, the last one
// the last track.
std::vector<DWORD> arrivals;
void NoteArrival(int) {
    arrivals.push_back(GetTickCount());
}

TEST_F(PlaybackTest, SkippingThroughTenTracksSendsOnlyTheNewestEveryTwoSeconds) {
    LoadPlugin();
    arrivals.clear();
    StandinSetReceiptHook(NoteArrival);
    std::string playing;
    for (int i = 0; i < 10; i++) {
        int index = i % 3;
        playing = index == rain ? RAIN : index == cafe ? CAFE : OnText({"", "Ostinato"});
        size_t before = StandinReceived(messenger).size();
        StandinPlay(index);
        PumpMessages(300);
        // A status that went out meanwhile is the track then playing.
        for (size_t k = before; k < StandinReceived(messenger).size(); k++)
            ExpectStatus(StandinReceived(messenger)[k], playing);
        if (i == 0) {
            EXPECT_EQ(StandinReceived(messenger).size(), 1u) << "the first at once";
        }
    }
    PumpMessages(2100);
    StandinSetReceiptHook(NULL);
    const auto &got = StandinReceived(messenger);
    printf("10 track starts 300 ms apart: %u statuses\n", (unsigned)got.size());
    ASSERT_GE(got.size(), 2u);
    EXPECT_LE(got.size(), 3u);
    ExpectStatus(got.back(), playing);
    for (size_t k = 1; k < arrivals.size(); k++)
        EXPECT_GE(arrivals[k] - arrivals[k - 1], 1900u) << "status " << k;
}

}  // namespace
