#pragma once
// Mining steps for the whole-program tests, the ship flown only by its keys (the road pilot): with
// the player in the undocked ship at the own site, the chipper selected by Tab, the ship flown out
// onto a clear line from an ore rock and rolled off every world axis, the throttle flying it
// along its nose, a chipper fired at the rock along the muzzle, the ore cloud flown at twice
// (one pick-up, one "Collected ..."), the ship parked aligned off the dock point, the suit's Space
// docking it (2 -> 3 -> 4) and the load delivered against a one-line work order to an ore
// processor.
// The caller runs Observe(watch) after every frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/physics/node_motion.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/queued_message.h"
#include "game/vehicles/chipper.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/ore_cloud.h"
#include "game/vehicles/ship_hud.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/vehicles/vehicle_frames.h"
#include "game/world/collship_dock.h"
#include "game/world/natural_object.h"
#include "game/world/ore_processor.h"
#include "game/world/site.h"
#include "tests/e2e/road/road.h"

namespace road::mining {

/// The player company's ship as the collector ship it is (null without one).
inline COLLSHIP* Ship()
{
    return dynamic_cast<COLLSHIP*>(PlayerCompany->Ship());
}

inline QNVEC3 Nose(const QNMATRIX& m)
{
    return m.Row(2).Normalize();
}

template <class T>
inline std::vector<T*> All()
{
    std::vector<T*> out;
    QNITEM* root = QNSCENE::Current->GetView(PlayerView)->Root;
    for (QNITEM* i = root; i; i = QNITEM::Next(root, i))
        if (auto* t = dynamic_cast<T*>(i); t && !t->Delete)
            out.push_back(t);
    return out;
}

inline float RockRadius(const GAMENODE* rock)
{
    return rock->Bounds && rock->Bounds->Radius > 0.0f ? rock->Bounds->Radius : 5.0f;
}

/// What the frames saw, kept across the steps (Observe fills it each frame).
struct WATCH {
    QNWEAK<ORE> Rock;
    QNVEC3 RockAt, Approach;        // rock centre; unit vector from the rock to the firing spot
    QNVEC3 From, Nose;              // the ship's spot and nose when a leg began
    QNWEAK<CHIPPER> Chipper;
    QNVEC3 ChipperFirst, ChipperLast;
    int ChipperFrames = 0;
    QNWEAK<CLOUD> Cloud;
    QNVEC3 CloudAt;
    std::uint32_t LineWrite = 0;
    std::vector<std::string> Lower;  // every line posted on the ship HUD's lower message line
    std::vector<DOCKSTATE> DockStates;
    float Worth = 0.0f;
    QNWEAK<SITE> Away;              // a rival site jumped to
    float Closest = 1e9f;           // the ship's nearest approach to the cloud on this leg
};

inline QNQUEUEDMESSAGE* LowerLine()
{
    COLLSHIP* ship = Ship();
    if (!ship || !ship->Hud)
        return nullptr;
    auto* hud = dynamic_cast<SHIPHUD*>(ship->Hud->Node());
    return hud ? hud->LowerLine : nullptr;
}

/// Call after every frame: the ship HUD's lower line, the dock's states, the chipper and its cloud.
inline void Observe(WATCH& w)
{
    if (!PlayerCompany)
        return;
    if (QNQUEUEDMESSAGE* line = LowerLine()) {
        while (w.LineWrite != line->WritePos) {
            w.Lower.emplace_back(line->Lines[w.LineWrite]);
            w.LineWrite = (w.LineWrite + 1) % QNQUEUEDMESSAGE::kLines;
        }
    }
    if (const COLLECTORSHIPDOCK* dock = PlayerCompany->Dock())
        if (w.DockStates.empty() || w.DockStates.back() != dock->DockState)
            w.DockStates.push_back(dock->DockState);
    if (!w.Rock.Get())
        return;
    for (CHIPPER* c : All<CHIPPER>()) {
        if (!w.Chipper.Get()) {
            w.Chipper = c;
            w.ChipperFirst = c->GetWorldMatrix().Translation();
        }
        if (c == w.Chipper.Get()) {
            w.ChipperLast = c->GetWorldMatrix().Translation();
            ++w.ChipperFrames;
        }
    }
    if (w.Cloud.Get() && Ship())
        w.Closest = std::min(w.Closest, (Ship()->GetWorldMatrix().Translation() -
                                         w.Cloud.Get()->GetWorldMatrix().Translation()).Length());
    if (!w.Cloud.Get())
        for (CLOUD* c : All<CLOUD>())
            if (c->Ore.Get() == w.Rock.Get()) {
                w.Cloud = c;
                w.CloudAt = c->GetWorldMatrix().Translation();
            }
}

/// A ship frame at `at` with its nose toward `target`: turned off every world axis.
inline QNMATRIX Facing(const QNVEC3& at, const QNVEC3& target)
{
    QNMATRIX m;
    m.SetLookAt(at, target, QNVEC3(0.3f, 1.0f, 0.2f).Normalize());
    return m;
}

/// Picks an ore rock with a clear line out of it toward the station side, 35 units long.
inline bool PickRock(WATCH& w)
{
    const QNVEC3 station = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    const QNVEC3 tilts[] = {{0, 0.35f, 0}, {0, -0.35f, 0}, {0.35f, 0, 0.35f}, {-0.35f, 0, -0.35f}};
    for (ORE* rock : All<ORE>()) {
        const QNVEC3 at = rock->GetWorldMatrix().Translation();
        for (const QNVEC3& tilt : tilts) {
            const QNVEC3 dir = ((station - at).Normalize() + tilt).Normalize();
            QNNODEHIT hits[8];
            const float r = RockRadius(rock);
            if (rock->CastSegment(r + 0.5f, r + 90.0f, dir, 8, hits) != 0)
                continue;
            w.Rock = rock;
            w.RockAt = at;
            w.Approach = dir;
            return true;
        }
    }
    return false;
}

/// The up axis the ship is rolled to on its way to the rock: off every world axis.
inline const QNVEC3 kTiltedUp = QNVEC3(0.3f, 1.0f, 0.2f).Normalize();

/// `out` units from the player's dock point along its axis (out of the station).
inline QNVEC3 DockApproach(float out)
{
    const QNMATRIX m = PlayerCompany->Dock()->DockPointMatrix();
    return m.Translation() + m.Row(2).Normalize() * out;
}

/// The ore rock where it is now (it may drift after a knock), kept in the watch.
inline QNVEC3 RockNow(WATCH& w)
{
    if (const ORE* rock = w.Rock.Get())
        w.RockAt = rock->GetWorldMatrix().Translation();
    return w.RockAt;
}

/// The ore cloud's middle where it is now.
inline QNVEC3 CloudNow(WATCH& w)
{
    if (const CLOUD* cloud = w.Cloud.Get())
        w.CloudAt = cloud->GetWorldMatrix().Translation();
    return w.CloudAt;
}

/// A spot on the firing line (from where the chipper was fired, along the nose then) `before`
/// units short of the point of the line nearest the ore cloud: the ship reaches it by the
/// throttle alone, forwards or backwards.
inline QNVEC3 OnFiringLine(WATCH& w, float before)
{
    const float along = QNVEC3::Dot(CloudNow(w) - w.From, w.Nose);
    return w.From + w.Nose * (along - before);
}

/// Whether the ship holds the chipped rock's ore.
inline bool HoldsOre(const WATCH& w)
{
    const ORE* rock = w.Rock.Get();
    return rock && Ship() && (Ship()->OreMask() & (1u << (rock->OreKind + 3 * rock->OreColour))) != 0u;
}

/// The steps (see the top of the file); `w` is the caller's watch.
/// Without `strikeChecked` where the chipper strikes its rock is left to the mining roads.
inline std::vector<ROADSTEP> MiningSteps(const std::shared_ptr<WATCH>& w, bool strikeChecked = true)
{
    return {
        {"Tab selects the chipper", [] { Key(SDLK_TAB); }, kKeyFrames,
         [] { ASSERT_EQ(Ship()->SelectedWeaponType(), std::uint32_t(WEAPON_CHIPPER)); },
         [] { return Ship()->SelectedWeaponType() == WEAPON_CHIPPER; }, [](int) { Key(SDLK_TAB); }, 8},
        Flight("fly out onto a clear line from an ore rock, rolled off the world's axes",
               [w] {
                   return w->Rock.Get() && Pilot().ShipTo(RockNow(*w) + w->Approach * (RockRadius(w->Rock.Get()) + 80.0f),
                                                          true, {.Reach = 4.0f}, &kTiltedUp);
               },
               60.0f, [w] { ASSERT_NE(w->Rock.Get(), nullptr) << "no ore rock with a clear line out of it"; },
               [w] { PickRock(*w); }),
        Flight("turn to the rock", [w] { return Pilot().ShipAim(RockNow(*w), {.Aim = 0.03f}); }, 20.0f, nullptr),
        {"turned toward an ore rock, the throttle flies it along its nose", [w] {
             const QNMATRIX m = Ship()->GetWorldMatrix();
             w->From = m.Translation();
             w->Nose = Nose(m);
             HoldKey(SDLK_w, 25);
         },
         75, [w] {
             const QNMATRIX m = Ship()->GetWorldMatrix();
             // Not the identity: the nose and the up axis are off the world axes.
             EXPECT_LT(std::fabs(w->Nose.z), 0.95f);
             EXPECT_LT(m.Row(1).Normalize().y, 0.99f);
             const QNVEC3 moved = m.Translation() - w->From;
             ASSERT_GT(moved.Length(), 5.0f) << "the throttled ship stayed where it was";
             EXPECT_GT(QNVEC3::Dot(moved.Normalize(), w->Nose), 0.99f);
             EXPECT_GT(QNVEC3::Dot(Nose(m), w->Nose), 0.99f);
         }},
        {"throttle back to zero", [] { Key(SDLK_d); }, kKeyFrames, nullptr},
        // The first shot leaves from the left muzzle, 1.5 units off the nose: that line is put
        // through the rock's centre.
        Flight("20 units off the rock, the left muzzle on its centre",
               InTurn({[w] { return Pilot().ShipTo(RockNow(*w) + w->Approach * (RockRadius(w->Rock.Get()) + 20.0f), true,
                                                   {.Reach = 2.0f}); },
                       [w] {
                           const QNMATRIX muzzle = vehicleframes::ChipperFrames()[0];
                           return Pilot().ShipAim(RockNow(*w), {.Aim = 0.02f, .Still = 0.05f}, &muzzle);
                       }}),
               60.0f, nullptr),
        {"fire the chipper at the rock", [w] {
             const QNMATRIX m = Ship()->GetWorldMatrix();
             w->From = m.Translation();
             w->Nose = Nose(m);
             Key(SDLK_SPACE);
         },
         10, [w, strikeChecked] {
             ASSERT_NE(w->Cloud.Get(), nullptr) << "no ore cloud";
             ASSERT_GT(w->ChipperFrames, 3) << "the chipper was never seen flying";
             if (std::getenv("PILOT_TRACE")) std::fprintf(stderr, "ROCK %.1f %.1f %.1f r %.1f approach %.2f %.2f %.2f cloud %.1f %.1f %.1f first %.1f %.1f %.1f\n", w->RockAt.x, w->RockAt.y, w->RockAt.z, RockRadius(w->Rock.Get()), w->Approach.x, w->Approach.y, w->Approach.z, w->CloudAt.x, w->CloudAt.y, w->CloudAt.z, w->ChipperFirst.x, w->ChipperFirst.y, w->ChipperFirst.z);
             const QNVEC3 flown = w->ChipperLast - w->ChipperFirst;
             EXPECT_GT(QNVEC3::Dot(flown.Normalize(), w->Nose), 0.995f);
             // It struck the rock's near side, not somewhere past or beside it.
             if (strikeChecked) {
                 EXPECT_LT((w->CloudAt - w->RockAt).Length(), RockRadius(w->Rock.Get()) + 3.0f);
                 EXPECT_GT(QNVEC3::Dot((w->CloudAt - w->RockAt).Normalize(), w->Approach), 0.5f);
             }
             EXPECT_EQ(Ship()->OreMask(), 0u);
         },
         [w] { return w->Cloud.Get() != nullptr; }, nullptr, 40},
        // The cloud lives ten seconds: the ship flies on along the firing line until it is in the
        // cloud's reach (10 units) and picks the ore up, backs off out of reach and comes in again.
        {"the cloud drifts off the rock", nullptr, 10, [w] { ASSERT_NE(w->Cloud.Get(), nullptr); }},
        Flight("fly at the ore cloud: the ore is picked up",
               [w] { return HoldsOre(*w) || Pilot().ShipTo(OnFiringLine(*w, 5.0f), true, {.Reach = 2.0f}); }, 8.0f,
               [w] {
                   const ORE* rock = w->Rock.Get();
                   ASSERT_NE(rock, nullptr);
                   EXPECT_TRUE(HoldsOre(*w)) << "the ore was not picked up";
                   EXPECT_EQ(Ship()->OreMask() & ~(1u << (rock->OreKind + 3 * rock->OreColour)), 0u);
               }),
        Flight("back off out of its reach",
               [w] {
                   if ((Ship()->GetWorldMatrix().Translation() - CloudNow(*w)).Length() > CLOUD::kPickUp + 2.0f)
                       return Pilot().ShipStop(1.0f);
                   Pilot().ShipTo(OnFiringLine(*w, CLOUD::kPickUp + 5.0f), true, {.Reach = 2.0f});
                   return false;
               },
               8.0f,
               [w] {
                   ASSERT_NE(w->Cloud.Get(), nullptr) << "the ore cloud is gone";
                   ASSERT_GT((Ship()->GetWorldMatrix().Translation() - CloudNow(*w)).Length(), CLOUD::kPickUp);
               }),
        Flight("and in at it again",
               [w] {
                   if (w->Closest < CLOUD::kPickUp - 1.0f)
                       return Pilot().ShipStop(1.0f);
                   Pilot().ShipTo(OnFiringLine(*w, 3.5f), true, {.Reach = 1.5f});
                   return false;
               },
               8.0f,
               [w] {
                   const ORE* rock = w->Rock.Get();
                   const std::string collected = std::string("Collected ") + COLLSHIP::OreColourName(rock->OreColour) +
                                                 " " + COLLSHIP::OreKindName(rock->OreKind);
                   int posts = 0;
                   for (const std::string& s : w->Lower) {
                       posts += s == collected ? 1 : 0;
                       EXPECT_EQ(s.find("Already Collected"), std::string::npos) << s;
                   }
                   EXPECT_EQ(posts, 1) << collected;
                   EXPECT_LT(w->Closest, CLOUD::kPickUp) << "the second pass missed the cloud";
               },
               [w] { w->Closest = 1e9f; }),
        // In along the dock's axis from 30 units out, to rest 2.5 units off the dock point with
        // the dock's up axis.
        Flight("park aligned off the dock point",
               InTurn({[] { return Pilot().ShipTo(DockApproach(30.0f), false, {.Reach = 6.0f}); },
                       [] {
                           const QNVEC3 up = PlayerCompany->Dock()->DockPointMatrix().Row(1).Normalize();
                           return Pilot().ShipTo(DockApproach(2.5f), true, {.Reach = 0.9f, .Up = 0.15f}, &up, 12.0f);
                       },
                       [] { return Pilot().ShipStop(); }}),
               60.0f, [] {
                   const COLLECTORSHIPDOCK* dock = PlayerCompany->Dock();
                   Require((Ship()->GetWorldMatrix().Translation() - dock->DockPointMatrix().Translation()).Length() <
                               COLLECTORSHIPDOCK::kCaptureDistance,
                           "the ship is not parked at the dock point");
               }),
        {"leave the ship", [] { Key(SDLK_RETURN); },
         30, [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT); },
         [] { return PlayerCompany->Mode == COMPANYMODE::SUIT; }, [](int) { Key(SDLK_RETURN); }, 5},
        {"Space docks the ship", [w] {
             // A work order that the one ore fills.
             const ORE* rock = w->Rock.Get();
             WORKORDERDATA& order = PlayerCompany->WorkOrders[0];
             order.Clear();
             order.AddLine(rock->OreColour, rock->OreKind);
             w->Worth = order.Worth();
             w->DockStates.clear();
             Key(SDLK_SPACE);
         },
         90, [w] {
             const COLLECTORSHIPDOCK* dock = PlayerCompany->Dock();
             EXPECT_TRUE(dock->Holding);
             const std::vector<DOCKSTATE> want = {DOCKSTATE::PULLING, DOCKSTATE::CLOSING, DOCKSTATE::DOCKED};
             ASSERT_GE(w->DockStates.size(), 3u);
             EXPECT_NE(std::search(w->DockStates.begin(), w->DockStates.end(), want.begin(), want.end()),
                       w->DockStates.end());
         },
         [] { return PlayerCompany->Dock()->DockState == DOCKSTATE::UNLOADING; }, nullptr, 10},
        {"the load is delivered against the order", nullptr, 100,
         [w] {
             EXPECT_EQ(Ship()->OreMask(), 0u);
             EXPECT_GT(w->Worth, 0.0f);
             EXPECT_TRUE(std::ranges::any_of(All<PROCESSOR>(), [&](const PROCESSOR* p) { return p->Amount == w->Worth; }))
                 << "no ore processor took the order's worth";
             EXPECT_EQ(PlayerCompany->Delivery, DELIVERYSTATE::NONE);
             EXPECT_EQ(PlayerCompany->Dock()->DockState, DOCKSTATE::DOCKED);
         },
         [w] { return std::ranges::any_of(All<PROCESSOR>(), [&](const PROCESSOR* p) { return p->Amount == w->Worth; }); },
         nullptr, 10},
    };
}

}  // namespace road::mining
