// A new game through the program's own links: every company's site with its station,
// headquarters, ore field, sun and crew; the player in the suit with its HUD and the view's
// camera under the stars; a destruction leaves an explosion; boarding a ship swaps the suit HUD
// for the ship HUD.

#include <cctype>
#include <set>
#include <string>

#include "app/game_setup.h"
#include "engine/resource/media_manifest.h"
#include "engine/input/qninputmap.h"
#include "engine/scene/view.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/collship_hud.h"
#include "game/vehicles/explosion.h"
#include "game/vehicles/suit.h"
#include "game/vehicles/suit_hud.h"
#include "game/world/company_links.h"
#include "game/world/crew.h"
#include "game/world/destruction.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/ore_field.h"
#include "game/world/player_company.h"
#include "game/world/space.h"
#include "game/world/station.h"
#include "tests/app/new_game_fixture.h"

namespace {

class NewGameTest : public gametest::NewGameSceneTest {};

TEST_F(NewGameTest, EverySiteIsBuiltAndThePlayerWearsTheSuitUnderTheStars)
{
    for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
        COMPANY* c = Companies[v];
        ASSERT_NE(c, nullptr);
        SITE* site = c->Site();
        ASSERT_NE(site, nullptr);
        STATION* station = c->SiteStation();
        ASSERT_NE(station, nullptr) << "company " << v;
        EXPECT_EQ(station->Counts[KIND_HEADQUARTERS], 1u);
        EXPECT_EQ(station->Counts[KIND_BEAM], 4u);
        ASSERT_NE(site->OreField, nullptr);
        EXPECT_NE(site->OreField->FirstChild(), nullptr);
        EXPECT_NE(site->Sun, nullptr);
        ASSERT_NE(site->Crew, nullptr);
        EXPECT_NE(dynamic_cast<SUIT*>(c->Suit()), nullptr);
    }

    ASSERT_NE(PlayerCompany, nullptr);
    auto* suit = dynamic_cast<SUIT*>(PlayerCompany->Suit());
    ASSERT_NE(suit, nullptr);
    QNVIEW* view = space->GetView(PlayerCompany->View);
    EXPECT_EQ(view->CurrentNode.Get(), suit);
    EXPECT_EQ(suit->ViewMode, VIEWMODE_INSIDE);
    EXPECT_EQ(suit->State, 3);
    ASSERT_NE(suit->Hud, nullptr);
    EXPECT_EQ(suit->Hud->Inventory->Count, 5u);  // the starting items
    EXPECT_EQ(PlayerCompany->MessageLine(), suit->MessageLine());
    // The computer companies' suits are nobody's camera and wear no HUD.
    for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
        if (Companies[v] != PlayerCompany) {
            EXPECT_EQ(dynamic_cast<SUIT*>(Companies[v]->Suit())->Hud, nullptr);
        }
    }

    // A few frames on, the player's crew is out and the sky sits on the suit as it drifts.
    suit->AddThrust(QNVEC3(0, 0, 3));
    for (int i = 0; i < 30; ++i)
        Frame();
    EXPECT_EQ(PlayerCompany->Site()->Crew->MemberCount(), PLAYERCOMPANY::kCrewSize);
    GAMENODE* sky = PlayerCompany->Sky.Get();
    ASSERT_NE(sky, nullptr);
    EXPECT_LT((sky->GetWorldMatrix().Translation() - suit->GetWorldMatrix().Translation()).Length(), 0.5f);

    // A destruction at the site leaves an explosion there.
    SITE* site = PlayerCompany->Site();
    QNMATRIX at;
    at.SetTranslation(0.0f, 20.0f, 0.0f);
    at = at * site->GetWorldMatrix();
    new DESTRUCTION(site, DEBRISKIND::STATION, &at);
    bool exploded = false;
    for (QNITEM* c = site->FirstChild(); c; c = c->Next())
        exploded = exploded || dynamic_cast<EXPLOSION*>(c) != nullptr;
    EXPECT_TRUE(exploded);

    // Boarding a ship beside the suit: the ship HUD and the ship's camera replace the suit's;
    // back in the suit, its HUD returns.
    QNMATRIX beside;
    beside.SetTranslation(8.0f, 0.0f, 0.0f);
    auto* ship = dynamic_cast<COLLSHIP*>(
        CompanyVehicles.CreateShip(site, beside * suit->GetWorldMatrix(), PlayerCompany->Identity));
    ASSERT_NE(ship, nullptr);
    PlayerCompany->SetShip(ship);
    PlayerCompany->BoardShip();
    EXPECT_NE(dynamic_cast<COLLSHIPHUD*>(ship->Hud), nullptr);
    EXPECT_EQ(view->CurrentNode.Get(), ship);
    EXPECT_EQ(suit->Hud, nullptr);
    Frame();
    PlayerCompany->EnterSuit();
    EXPECT_EQ(ship->Hud, nullptr);
    ASSERT_NE(suit->Hud, nullptr);
    EXPECT_EQ(view->CurrentNode.Get(), suit);
}

}  // namespace

namespace {

// Whether the letters of `caption` appear in `name` in order (case aside): "PROC" in "Ore
// Processor", "HQ" in "Headquarters".
bool Abbreviates(const std::string& caption, const std::string& name)
{
    std::size_t at = 0;
    for (char c : caption) {
        while (at < name.size() && std::toupper(static_cast<unsigned char>(name[at])) != c)
            ++at;
        if (at++ >= name.size())
            return false;
    }
    return !caption.empty();
}

TEST_F(NewGameTest, TheSuitHudsInventoryIconsNameWhatTheyShow)
{
    auto* suit = dynamic_cast<SUIT*>(PlayerCompany->Suit());
    ASSERT_NE(suit, nullptr);
    ASSERT_NE(suit->Hud, nullptr);
    const SUITINVENTORY* inventory = suit->Hud->Inventory;
    const char* picture = FindMediaByName("suithud_inventory", QNMEDIAKIND::TEXTURE)->Path;
    ASSERT_EQ(inventory->Count, PlayerCompany->ItemCount());
    for (std::uint32_t i = 0; i < inventory->Count; ++i) {
        const std::uint32_t type = PlayerCompany->Item(i).Type;
        const QNMEDIACELL* label = MediaCellLabel(picture, inventory->Cells[i]);
        ASSERT_NE(label, nullptr) << "the icon of " << ItemName(type) << " is an unnamed shape";
        EXPECT_TRUE(Abbreviates(label->Caption, ItemName(type))) << label->Caption << " for " << ItemName(type);
    }
    // Every part the suit can carry, and the collector ship, has an icon of its own.
    std::set<std::int32_t> cells;
    for (std::uint32_t type = ITEM_HEADQUARTERS; type <= ITEM_MERCSHIPDOCK; ++type) {
        const QNMEDIACELL* label = MediaCellLabel(picture, SUITINVENTORY::CellOf(type));
        ASSERT_NE(label, nullptr) << ItemName(type);
        EXPECT_TRUE(Abbreviates(label->Caption, ItemName(type))) << label->Caption << " for " << ItemName(type);
        EXPECT_TRUE(cells.insert(SUITINVENTORY::CellOf(type)).second) << ItemName(type);
    }
    const QNMEDIACELL* ship = MediaCellLabel(picture, SUITINVENTORY::CellOf(KIND_COLLSHIP));
    ASSERT_NE(ship, nullptr);
    EXPECT_TRUE(cells.insert(ship->Cell).second);
}

}  // namespace
