// The switch in the host's main menu: one checkable item, found by its text
// and its command, that switches publishing off and on at once.
#include <gtest/gtest.h>

#include "tests/plugin_session.h"

namespace {

class MenuTest : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
    }
};

TEST_F(MenuTest, TheItemSwitchesPublishingAtOnceByEitherCommand) {
    LoadPlugin();
    MenuItem item = FindItem(StandinMainMenu());
    EXPECT_EQ(item.position, 10) << "after the host's Video, before its Options";
    EXPECT_EQ(item.command, 40471u);
    EXPECT_TRUE(item.checked);
    EXPECT_EQ(StandinMenuOffset(), 1);
    ExpectOnly(Publish(), OnText({"Rain", "Kora"}));
    // The host removes an item of its own: the positions move, the command
    // stays.
    StandinRemoveVideoItem();
    const struct {
        bool systemMenu;
        bool checked;
        const char *saved;
        std::string status;  // at once, though a status went out just before
    } steps[] = {
        {false, false, "0", OFF_TEXT},
        {true, true, "1", OnText({"Rain", "Kora"})},
        {true, false, "0", OFF_TEXT},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.saved);
        StandinClearReceived();
        StandinMenuCommand(item.command, step.systemMenu);
        ExpectOnly(StandinReceived(messenger), step.status);
        EXPECT_EQ(FindItem(StandinMainMenu()).checked, step.checked);
        EXPECT_EQ(FindItem(StandinMainMenu()).position, 9);
        EXPECT_EQ(SavedValue(StandinReadFile(ini), "ENABLE"), step.saved);
    }
    // Off: a track start sends nothing.
    EXPECT_TRUE(Play().empty());
}

// A host that gives no command id (answering 1 to the request) or no menu
// gets no item, and nothing else changes.
TEST_F(MenuTest, AHostWithoutCommandIdsOrMenuGetsNoItem) {
    for (bool ids : {false, true}) {
        SCOPED_TRACE(ids ? "no menu" : "no command ids");
        StandinStart();
        StandinSetSettingsPath(ini);
        AddTrack("rain.mp3", StandinTag("Rain", "Kora", "Blue"));
        StandinSetMenuRequests(ids, !ids);
        LoadPlugin();
        EXPECT_EQ(GetMenuItemCount(StandinMainMenu()), 19);
        EXPECT_EQ(StandinMenuOffset(), 0);
        EXPECT_EQ(StandinRequestCount(280), 0);
        ExpectOnly(Publish(), OnText({"Rain", "Kora"}));
        StandinMenuCommand(40471);
        Quit();
        Unload();
        EXPECT_EQ(SavedValue(StandinReadFile(ini), "ENABLE"), "1");
    }
}

}  // namespace
