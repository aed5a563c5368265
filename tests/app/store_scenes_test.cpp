// The game set-up makes every screen: the stores, the black market and the mercenary manager with
// its ship scene, in the program's order, each found by the name its callers push.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/game_setup.h"
#include "engine/scene/scene.h"
#include "engine/util/qnapp_state.h"
#include "game/world/game_globals.h"
#include "game/world/space.h"

namespace {

TEST(StoreScenes, EveryScreenHangsUnderTheRootInOrderAndTheShipSceneUnderTheManager)
{
    QNAPPSETTINGS settings;
    CreateGame(settings);
    std::vector<std::string> names;
    for (QNITEM* s = QNSCENE::SceneRoot().FirstChild(); s; s = s->Next())
        names.push_back(s->Name().Text());
    EXPECT_EQ(names, (std::vector<std::string>{"QUENNET", "MAINMENU", "SPACE", "STORE", "MERCENARYMANAGER",
                                               "BLACKMARKET", "STATIONWEAPONSTORE", "SHIPWEAPONSTORE",
                                               "COUNTERMEASURESTORE"}));
    QNITEM* manager = QNSCENE::SceneRoot().FindChild("MERCENARYMANAGER");
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->FindChild("SHIPSCENE"), GameScenes.ShipScene);
    EXPECT_EQ(manager, GameScenes.MercenaryManager);
    EXPECT_EQ(QNSCENE::SceneRoot().FindChild("STORE"), GameScenes.Store);
    EXPECT_EQ(QNSCENE::SceneRoot().FindChild("BLACKMARKET"), GameScenes.BlackMarket);
    EXPECT_EQ(QNSCENE::SceneRoot().FindChild("COUNTERMEASURESTORE"), GameScenes.CountermeasureStore);

    QNSCENE::SceneRoot().DeleteChildren();
    EXPECT_EQ(GameScenes.Store, nullptr);
    EXPECT_EQ(GameScenes.ShipScene, nullptr);
    GameSettings = GAMESETTINGS();
    SpaceMedia = SPACEMEDIA();
}

}  // namespace
