// A new game of the program's own set-up for the app tests: the game links installed, the space
// scene built and switched to from the main menu.
#pragma once

#include "app/game_setup.h"
#include "engine/input/qninputmap.h"
#include "game/world/space.h"
#include "tests/game/game_test_util.h"

namespace gametest {

class NewGameSceneTest : public GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        OpenInput();
        InstallGameLinks();
        SPACE::DrawLoadingFrame = [] {};
        if (gameSeed != 0)
            SeedRandom(gameSeed);
        space = new SPACE(&QNSCENE::SceneRoot());
        new QNSCENE(&QNSCENE::SceneRoot(), "MAINMENU", 1);
        QNSCENE::RequestSwitch("SPACE");
        QNSCENE::ApplyRequest();
        scene = space;
    }
    void TearDown() override
    {
        GameSceneTest::TearDown();
        SPACE::DrawLoadingFrame = nullptr;
        SpaceMedia = SPACEMEDIA();
        CloseInput();
    }
    /// The input the game is played with; a bare input map unless a test reads real devices.
    virtual void OpenInput() { QNINPUTMAP::Create(93); }
    virtual void CloseInput() { QNINPUTMAP::Free(); }

    SPACE* space = nullptr;
    /// Seeds the generator just before the game is made (it draws the player's view and
    /// identity); 0 leaves the fixture's seed.
    std::uint32_t gameSeed = 0;
};

}  // namespace gametest
