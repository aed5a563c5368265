// The game's main road, played by the program's own libraries with no display: the logo and the
// menu, a new game, building the station's chain in the suit by keys and the pointer, the free
// collector ship at the new dock, boarding and leaving it, Escape to the menu and back, and a
// clean end. Each step checks the game's state, not only that nothing failed.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/game_driver.h"
#include "engine/scene/scene.h"
#include "game/vehicles/collship.h"
#include "game/world/collship_dock.h"
#include "game/world/company.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_company.h"
#include "game/world/station.h"
#include "platform/test_events.h"

namespace {

// A step acts, waits its frames, then checks. A step with a Done test acts again (with the next
// attempt number) while Done answers false, up to Attempts times, before it checks.
struct ROADSTEP {
    const char* Name;
    std::function<void()> Act;
    std::uint64_t Wait;
    std::function<void()> Check;
    std::function<bool()> Done = nullptr;
    std::function<void(int attempt)> Again = nullptr;
    int Attempts = 1;
};

class ROAD {
public:
    explicit ROAD(std::vector<ROADSTEP> steps) : steps_(std::move(steps)) {}

    /// One in-game frame: false once every step has run (or a check failed).
    bool Frame()
    {
        if (index_ >= steps_.size())
            return false;
        ROADSTEP& s = steps_[index_];
        if (!acted_) {
            SCOPED_TRACE(s.Name);
            if (s.Act)
                s.Act();
            acted_ = true;
            waited_ = 0;
            return true;
        }
        if (++waited_ < s.Wait)
            return true;
        if (s.Done && !s.Done() && ++attempt_ < s.Attempts) {
            if (s.Again)
                s.Again(attempt_);
            waited_ = 0;
            return true;
        }
        attempt_ = 0;
        {
            SCOPED_TRACE(s.Name);
            if (s.Check)
                s.Check();
        }
        if (::testing::Test::HasFatalFailure())
            return false;
        ++index_;
        acted_ = false;
        reached_.push_back(s.Name);
        return index_ < steps_.size();
    }
    const std::vector<std::string>& Reached() const { return reached_; }
    std::size_t StepCount() const { return steps_.size(); }

private:
    std::vector<ROADSTEP> steps_;
    std::size_t index_ = 0;
    bool acted_ = false;
    std::uint64_t waited_ = 0;
    int attempt_ = 0;
    std::vector<std::string> reached_;
};

PlatformScriptedEvents& Script()
{
    return *DriverScript();
}

/// A key down in the next frame and up in the one after (with Shift when asked).
void Key(SDL_Keycode key, bool shift = false)
{
    const std::uint64_t at = Script().Pass() + 1;
    if (shift)
        Script().KeyDown(SDLK_LSHIFT, KMOD_LSHIFT, at);
    Script().KeyDown(key, shift ? KMOD_LSHIFT : KMOD_NONE, at);
    Script().KeyUp(key, shift ? KMOD_LSHIFT : KMOD_NONE, at + 1);
    if (shift)
        Script().KeyUp(SDLK_LSHIFT, KMOD_NONE, at + 1);
}

void Click(Uint8 button)
{
    const std::uint64_t at = Script().Pass() + 1;
    Script().MouseButton(true, button, 0, 0, at);
    Script().MouseButton(false, button, 0, 0, at + 1);
}

STATION* Station()
{
    return PlayerCompany ? PlayerCompany->SiteStation() : nullptr;
}

/// Puts the player's suit `distance` out from `part` along `outward` (station frame), still,
/// looking at it: the marker and the selection follow the suit's sight.
/// Puts `node` at the world transform `world` and stops it. A body that follows its parent
/// takes its transform relative to the parent; others take it in world axes.
void PlaceAtWorld(GAMENODE* node, const QNMATRIX& world)
{
    node->SetTransform(world);
    const QNNODE* parent = node->ParentNode();
    if (parent && (node->GetWorldMatrix().Translation() - world.Translation()).Length() > 1e-3f)
        node->SetTransform(world * parent->GetWorldMatrix().Inverse());
    node->StopMotion(true, QNCF_LEVEL_PLAIN);
}

void AimAlong(const STATIONPART* part, const QNVEC3& dir, float distance = 12.0f)
{
    GAMENODE* suit = PlayerCompany->Suit();
    ASSERT_NE(suit, nullptr);
    const QNVEC3 at = part->GetWorldMatrix().Translation();
    QNMATRIX m;
    m.SetLookAt(at + dir * distance, at, std::fabs(dir.y) > 0.9f ? QNVEC3(1, 0, 0) : QNVEC3(0, 1, 0));
    PlaceAtWorld(suit, m);
}

void Aim(const STATIONPART* part, const QNVEC3& outward, float distance = 12.0f)
{
    AimAlong(part, QNVEC3::TransformNormal(outward, Station()->GetWorldMatrix()).Normalize(), distance);
}

/// Looks at `part` from outside the station, along the line from the headquarters' joint.
void AimOutward(const STATIONPART* part, float distance = 12.0f)
{
    const QNVEC3 root = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    AimAlong(part, (part->GetWorldMatrix().Translation() - root).Normalize(), distance);
}

STATIONPART* StartBeam(std::int32_t side)
{
    const STATIONCONNECTOR* link = Station()->RootJoint.Get()->Connectors[side].Link;
    return link ? link->Owner : nullptr;
}

COLLSHIP* Ship()
{
    return dynamic_cast<COLLSHIP*>(PlayerCompany->Ship());
}

// Frames a step waits for the commands of its keys to be read and applied.
constexpr std::uint64_t kKeyFrames = 6;

TEST(MainRoad, NewGameBuildsTheChainGetsTheFreeShipBoardsAndEndsCleanly)
{
    std::vector<std::string> startScenes;
    std::vector<QNWEAK<STATIONPART>> joints(3);
    std::uint32_t itemsBefore = 0;
    COMPANY* companiesAtStart[kCompanyCount] = {};

    // Extends a joint at the end of start beam `side`, then places inventory item 0 on it.
    auto build = [&](std::int32_t side, std::int32_t kind, const QNVEC3& outward) -> std::vector<ROADSTEP> {
        return {
            {"aim at a start beam", [=] { Aim(StartBeam(side), outward); }, kKeyFrames,
             [=] { ASSERT_EQ(Station()->Selected.Get(), StartBeam(side)); }},
            {"extend the beam with a joint", [] { Click(SDL_BUTTON_LEFT); }, kKeyFrames,
             [&joints, side] {
                 STATIONPART* beam = StartBeam(side);
                 STATIONPART* joint = nullptr;
                 for (std::int32_t c = 0; c < beam->ConnectorCount; ++c)
                     if (const STATIONCONNECTOR* l = beam->Connectors[c].Link; l && l->Owner->Kind == KIND_JOINT &&
                                                                            l->Owner != Station()->RootJoint.Get())
                         joint = l->Owner;
                 ASSERT_NE(joint, nullptr);
                 joints[std::size_t(side)] = joint;
             }},
            {"aim at the new joint", [&joints, side] { AimOutward(joints[std::size_t(side)].Get()); },
             kKeyFrames, [&joints, side] { ASSERT_EQ(Station()->Selected.Get(), joints[std::size_t(side)].Get()); }},

            {"place the first inventory item", [&itemsBefore] {
                 itemsBefore = PlayerCompany->ItemCount();
                 Key(SDLK_1);
             },
             kKeyFrames,
             [&itemsBefore, kind] {
                 EXPECT_EQ(PlayerCompany->ItemCount(), itemsBefore - 1);
                 EXPECT_EQ(Station()->Counts[kind], 1u);
             },
             // A refused side: Tab moves the marker to the next free connector, then 1 again.
             [kind] { return Station()->Counts[kind] == 1u; },
             [](int) {
                 Key(SDLK_TAB);
                 Script().KeyDown(SDLK_1, KMOD_NONE, Script().Pass() + 3);
                 Script().KeyUp(SDLK_1, KMOD_NONE, Script().Pass() + 4);
             },
             8},
        };
    };

    std::vector<ROADSTEP> steps = {
        {"a new game", nullptr, 1,
         [&] {
             ASSERT_NE(PlayerCompany, nullptr);
             for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
                 ASSERT_NE(Companies[v], nullptr);
                 companiesAtStart[v] = Companies[v];
             }
             EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
             EXPECT_EQ(PlayerCompany->Money(), 0.0f);
             ASSERT_EQ(PlayerCompany->ItemCount(), 5u);
             for (std::uint32_t i = 0; i < 5; ++i)
                 EXPECT_EQ(PlayerCompany->Item(i).Type, ITEM_GENERATOR + i);
             ASSERT_NE(Station(), nullptr);
             EXPECT_EQ(Station()->Counts[KIND_HEADQUARTERS], 1u);
         }},
    };
    for (ROADSTEP& s : build(2, KIND_GENERATOR, QNVEC3(1, 0, 0)))
        steps.push_back(std::move(s));
    for (ROADSTEP& s : build(0, KIND_COLLSHIPDOCK, QNVEC3(1, 0, 0)))
        steps.push_back(std::move(s));
    for (ROADSTEP& s : build(1, KIND_PROCESSOR, QNVEC3(1, 0, 0)))
        steps.push_back(std::move(s));
    std::vector<ROADSTEP> rest = {
        {"the first ship is free", nullptr, 600,
         [] {
             ASSERT_NE(PlayerCompany->Ship(), nullptr);
             EXPECT_FALSE(PlayerCompany->FreeShip);
             EXPECT_EQ(PlayerCompany->Money(), 0.0f);
         }},
        {"undock the free ship with Space", [] { Key(SDLK_SPACE); }, 30,
         [] {
             ASSERT_NE(PlayerCompany->Dock(), nullptr);
             EXPECT_FALSE(PlayerCompany->Dock()->Holding);
             EXPECT_EQ(PlayerCompany->Dock()->DockState, DOCKSTATE::WAITING);
         },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        {"board the ship", [] {
             GAMENODE* ship = PlayerCompany->Ship();
             GAMENODE* suit = PlayerCompany->Suit();
             QNMATRIX m = ship->GetWorldMatrix();
             m.SetTranslationV(ship->GetWorldMatrix().Translation() + QNVEC3(0, 4, 0));
             PlaceAtWorld(suit, m);
             Key(SDLK_RETURN);
         },
         30, [] { EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP); }},
        {"leave the ship", [] { Key(SDLK_RETURN); }, 30,
         [] { EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT); }},
        {"escape to the menu", [] { Key(SDLK_ESCAPE); }, 20,
         [] {
             ASSERT_NE(QNSCENE::Current, nullptr);
             EXPECT_STREQ(QNSCENE::Current->Name().Text(), "MAINMENU");
         }},
        {"and back to the same game", [] { Key(SDLK_ESCAPE); }, 20,
         [&] {
             ASSERT_NE(QNSCENE::Current, nullptr);
             EXPECT_STREQ(QNSCENE::Current->Name().Text(), "SPACE");
             for (std::uint32_t v = 0; v < kCompanyCount; ++v)
                 EXPECT_EQ(Companies[v], companiesAtStart[v]);
             EXPECT_EQ(Station()->Counts[KIND_PROCESSOR], 1u);
         }},
        {"board the ship again", [] {
             QNMATRIX m = Ship()->GetWorldMatrix();
             m.SetTranslationV(m.Translation() + QNVEC3(0, 4, 0));
             PlaceAtWorld(PlayerCompany->Suit(), m);
             Key(SDLK_RETURN);
         },
         30, [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP); }},
        {"Tab selects the chipper", [] { Key(SDLK_TAB); }, kKeyFrames,
         [] { ASSERT_EQ(Ship()->SelectedWeaponType(), std::uint32_t(WEAPON_CHIPPER)); },
         [] { return Ship()->SelectedWeaponType() == WEAPON_CHIPPER; }, [](int) { Key(SDLK_TAB); }, 8},
    };
    for (ROADSTEP& s : rest)
        steps.push_back(std::move(s));

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.DrawEvery = 1;
    drive.OnStartPass = [&](std::uint64_t) {
        const char* name = QNSCENE::Current ? QNSCENE::Current->Name().Text() : "";
        if (startScenes.empty() || startScenes.back() != name)
            startScenes.emplace_back(name);
    };
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) { return road.Frame(); };
    GAMEDRIVERTIMES times;
    EXPECT_EQ(DriveHeadlessGame(drive, &times), 0);

    ASSERT_GE(startScenes.size(), 2u);
    EXPECT_EQ(startScenes[0], "QUENNET");  // the logo
    EXPECT_EQ(startScenes[1], "MAINMENU");
    EXPECT_EQ(road.Reached().size(), road.StepCount()) << "last step reached: "
                                                       << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
