// The player's site's target list read by the program's own reader: a rival's ship that jumps
// to the player's site is an enemy there (the player's removals are refused), the player's own
// ship is not, and a wrecked rival is one no more.

#include <gtest/gtest.h>

#include <string>

#include "engine/input/default_bindings.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "engine/scene/queued_message.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/suit.h"
#include "game/world/company_links.h"
#include "game/world/game_globals.h"
#include "game/world/player_company.h"
#include "game/world/site.h"
#include "platform/events.h"
#include "platform/test_events.h"
#include "tests/app/new_game_fixture.h"

namespace {

class EnemyTargetsTest : public gametest::NewGameSceneTest {
protected:
    void OpenInput() override
    {
        QNINPDEV::Open();
        QNKEYBOARD::Open(false);
        QNMOUSE::Open(false);
        QNINPUTMAP::Create(QNDEFAULTBINDINGCOUNT);
        QnWriteDefaultBindings();
        script.Install();
    }
    void CloseInput() override
    {
        script.Uninstall();
        QNINPUTMAP::Free();
        QNMOUSE::Close();
        QNKEYBOARD::Close();
        QNINPDEV::Close();
    }
    void Step()
    {
        PlatformPumpMessages();
        QNKEYBOARD::Poll();
        QNMOUSE::Poll();
        QNINPUTMAP::EvaluateAll(float(kFrame));
        Frame();
        script.Advance();
    }
    void RightClick()
    {
        script.MouseButton(true, SDL_BUTTON_RIGHT, 0, 0, script.Pass());
        Step();
        script.MouseButton(false, SDL_BUTTON_RIGHT, 0, 0, script.Pass());
        Step();
    }
    /// The suit HUD's lines posted since the last call.
    std::vector<std::string> Posted(QNQUEUEDMESSAGE* line)
    {
        std::vector<std::string> out;
        while (line && read != line->WritePos) {
            out.emplace_back(line->Lines[read]);
            read = (read + 1) % QNQUEUEDMESSAGE::kLines;
        }
        return out;
    }

    PlatformScriptedEvents script;
    std::uint32_t read = 0;
};

TEST_F(EnemyTargetsTest, ARivalShipAtTheHomeSiteIsAnEnemyUntilItIsWrecked)
{
    ASSERT_NE(PlayerCompany, nullptr);
    SITE* home = PlayerCompany->Site();
    COMPANY* rival = Companies[(PlayerView + 1) % kCompanyCount];
    ASSERT_TRUE(home && rival && rival->Site());
    auto* suit = dynamic_cast<SUIT*>(PlayerCompany->Suit());
    ASSERT_TRUE(suit && suit->MessageLine());
    read = suit->MessageLine()->WritePos;

    // The player's own ship at home is no target.
    QNMATRIX beside;
    beside.SetTranslation(0.0f, 30.0f, 0.0f);
    auto* own = dynamic_cast<COLLSHIP*>(CompanyVehicles.CreateShip(home, beside * home->GetWorldMatrix(), PlayerCompany->Identity));
    ASSERT_NE(own, nullptr);
    PlayerCompany->SetShip(own);
    Step();
    EXPECT_FALSE(home->Targets().Contains(own));
    EXPECT_TRUE(PlayerCompany->NoEnemies);

    // A rival's ship, made at its own site, jumps into the player's.
    QNMATRIX out;
    out.SetTranslation(0.0f, 250.0f, 0.0f);
    auto* intruder = dynamic_cast<COLLSHIP*>(
        CompanyVehicles.CreateShip(rival->Site(), out * rival->Site()->GetWorldMatrix(), rival->Identity));
    ASSERT_NE(intruder, nullptr);
    intruder->SetViewMode(2);
    intruder->SetState(3, 0, false, true);
    ASSERT_TRUE(intruder->StartHyperjump(home, 6));
    // The company reads the list the site rebuilt in the frame before.
    Step();
    Step();
    EXPECT_TRUE(home->Targets().Contains(intruder));
    EXPECT_FALSE(home->Targets().Contains(own));
    EXPECT_FALSE(PlayerCompany->NoEnemies);
    RightClick();
    EXPECT_EQ(Posted(suit->MessageLine()), std::vector<std::string>{"No removals when enemy ships are present"});

    // Wrecked, it is no enemy any more, while it drifts as a wreck.
    intruder->Kill();
    Step();
    Step();
    EXPECT_FALSE(home->Targets().Contains(intruder));
    EXPECT_TRUE(PlayerCompany->NoEnemies);
    RightClick();
    EXPECT_TRUE(Posted(suit->MessageLine()).empty());
}

}  // namespace
