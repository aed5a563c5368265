// The game set-up: the settings it writes and the scenes it makes, in order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/game_setup.h"
#include "engine/scene/scene.h"
#include "engine/util/qnapp_state.h"
#include "game/world/game_globals.h"
#include "game/world/space.h"

namespace {

class GameSetupTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        QNSCENE::SceneRoot().DeleteChildren();
        GameSettings = GAMESETTINGS();
        SpaceMedia = SPACEMEDIA();
    }
};

TEST_F(GameSetupTest, WritesTheGamesSettingsAndMakesEveryScene)
{
    QNAPPSETTINGS settings;
    int instance = 0;
    settings.Instance = &instance;
    CreateGame(settings);

    EXPECT_STREQ(settings.Title, "C O R V A N E  ~ by ~  Quennet");
    EXPECT_EQ(settings.IconModule, &instance);
    EXPECT_EQ(settings.IconId, 103);
    EXPECT_EQ(settings.AcceleratorModule, &instance);
    EXPECT_EQ(settings.AcceleratorCommand, 40001u);
    EXPECT_EQ(settings.AcceleratorTable, 101);
    EXPECT_EQ(settings.DeveloperKeys, 0);
    EXPECT_EQ(settings.ExclusiveInput, 1);
    EXPECT_EQ(settings.Device.FullScreen, 1);
    EXPECT_EQ(settings.Device.CollisionCapacity, 2500u);
    EXPECT_STREQ(settings.Device.ArchiveName, "*");
    EXPECT_EQ(settings.Device.BindingCount, 93u);
    EXPECT_EQ(settings.Device.DisplayMode.ScanLineReading, -1);
    EXPECT_EQ(settings.Device.DisplayMode.Width, 640);
    EXPECT_EQ(settings.Device.DisplayMode.Bits, 16);

    // The scenes hang under the root in the program's order (those the build has).
    const std::vector<std::string> order = {"QUENNET", "MAINMENU", "SPACE", "STORE", "MERCENARYMANAGER",
                                            "BLACKMARKET", "STATIONWEAPONSTORE", "SHIPWEAPONSTORE",
                                            "COUNTERMEASURESTORE"};
    std::size_t next = 0;
    for (QNITEM* s = QNSCENE::SceneRoot().FirstChild(); s; s = s->Next()) {
        const std::string name = s->Name().Text();
        while (next < order.size() && order[next] != name)
            ++next;
        ASSERT_LT(next, order.size()) << name << " is out of order or unknown";
    }
    ASSERT_NE(GameScenes.Space, nullptr);
    EXPECT_EQ(QNSCENE::SceneRoot().FindChild("SPACE"), GameScenes.Space);
    EXPECT_EQ(GameScenes.Space->ViewCount, 4u);
    EXPECT_NE(SpaceMedia.Site, nullptr);
}

TEST_F(GameSetupTest, TestsChangeTheSettingsThroughTheSeam)
{
    GameSettings.FullScreen = 0;
    GameSettings.DeveloperKeys = 1;
    GameSettings.ExclusiveInput = 0;
    QNAPPSETTINGS settings;
    CreateGame(settings);
    EXPECT_EQ(settings.Device.FullScreen, 0);
    EXPECT_EQ(settings.DeveloperKeys, 1);
    EXPECT_EQ(settings.ExclusiveInput, 0);
}

}  // namespace
