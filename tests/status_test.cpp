// What the messengers receive for one track change, byte for byte.
#include <gtest/gtest.h>

#include "standin/standin.h"

namespace {

std::string OnText(const std::string &format, const std::vector<std::string> &slots) {
    std::string text = "\\0Music\\01\\0" + format + "\\0";
    for (const std::string &slot : slots)
        text += slot + "\\0";
    return text + "WMContentID\\0";
}

const std::string OFF_TEXT = "\\0Music\\00\\0WMContentID\\0";

class StatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        StandinStart();
        folder = StandinTempFolder("status");
        ini = folder + "\\settings.ini";
        DeleteFileA(ini.c_str());
        StandinSetSettingsPath(ini);
        messenger = StandinAddMessenger();
    }
    void TearDown() override {
        StandinRemoveMessenger(messenger);
        if (StandinModule() != NULL)
            StandinUnload();
    }
    void LoadPlugin() {
        ASSERT_NE(StandinLoad(), nullptr);
        ASSERT_EQ(StandinInit(), 0);
    }
    std::string folder, ini;
    int messenger = -1;
};

TEST_F(StatusTest, DefaultsWithTaggedFilePublishSongAndArtist) {
    std::string path = folder + "\\rain.mp3";
    ASSERT_TRUE(StandinWriteFile(path, std::string(1000, 'x') + StandinTag("Rain", "Kora", "Blue")));
    StandinAddEntry(path, "ignored - title");
    LoadPlugin();
    EXPECT_EQ(StandinNotify(), STANDIN_PLAYLIST_RESULT);
    const auto &received = StandinReceived(messenger);
    ASSERT_EQ(received.size(), 1u);
    std::string expected = StandinWide(OnText("{0} - {1}", {"Rain", "Kora"}));
    EXPECT_EQ(received[0].identifier, 0x547u);
    EXPECT_EQ(received[0].byteCount, expected.size());
    EXPECT_EQ(received[0].payload, expected);
    EXPECT_EQ(StandinDescribe(received[0].payload), "on \"{0} - {1}\" -> \"Rain\" | \"Kora\"");
}

}  // namespace
