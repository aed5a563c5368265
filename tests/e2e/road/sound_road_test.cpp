// What the player hears along a road of the program's own game, recorded from the mixed output
// of the recording sound device: every frame of the game renders its 20 ms of sound, and each
// sound of the road is found in the mix at the frame its play was logged (see
// tests/platform/audio_device/recorded_level.h). Along the road: the theme and the breathing in
// the suit, the generator's hum beside it, the thrust, the dock's sound, the ship's start in the
// cockpit (and neither theme nor breathing there), the weapon click, a hit's damage alarm, the
// ore pick-up beep (once), the build store (its click played to its end, no breathing in it),
// and the player back in the suit after an ejection, beside the dock, with the theme again.
// Sounds meant for the player (the HUD's, the suit's, the cockpit's, the store's) must reach
// him at least at kNearLevel; sounds placed in the world at least at kHeardLevel from where the
// road stands; sounds that must not play, below kSilentLevel.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/sound/qnsound.h"
#include "game/screens/store_screen.h"
#include "game/world/generator.h"
#include "tests/e2e/road/mining_steps.h"
#include "tests/e2e/road/road.h"
#include "tests/platform/audio_device/recorded_level.h"

namespace {

using namespace road;
using mining::Ship;

constexpr int kRate = 22050;  // the stand-in media's own rate: the mix holds their samples as they are
constexpr std::size_t kFrameSamples = kRate / kDriverFramesPerSecond;
constexpr double kNearLevel = -6.0;    // dB: at the player's ear
constexpr double kHeardLevel = -25.0;  // dB: a sound of the world nearby
// dB: not playing. A fit of a noise-like sound against a few seconds of a busy mix it is absent
// from reads -30 to -40 dB; what is meant to stop is also checked stopped in the log.
constexpr double kSilentLevel = -25.0;

recorded::RECORDING Rec;

/// The data of sound `name` of the current scene or one beneath it.
std::shared_ptr<PlatformSegment> SegmentOf(const char* name)
{
    for (QNSCENE* scene = QNSCENE::Current; scene; scene = scene->Beneath)
        if (QNSOUND* sound = scene->Resources.SoundIfAny(name))
            return sound->Segment();
    return nullptr;
}

double Logged(const char* what, double db)
{
    std::printf("level %-24s %7.1f dB\n", what, db);
    return db;
}

std::uint64_t Now()
{
    return Rec.Frames();
}

std::uint64_t Seconds(double s)
{
    return std::uint64_t(s * kRate);
}

/// The plays of `name` since output frame `since`.
std::vector<PlatformAudioEvent> PlaysSince(const char* name, std::uint64_t since)
{
    return recorded::Plays(SegmentOf(name), since);
}

/// Level in dB of the last play of `name` since `since`, heard from `from` to now (from its
/// start when `from` is 0); -200 when it did not play.
double Heard(const char* name, std::uint64_t since, std::uint64_t from = 0)
{
    const std::vector<PlatformAudioEvent> plays = PlaysSince(name, since);
    if (plays.empty())
        return -200.0;
    const PlatformAudioEvent& p = plays.back();
    return Logged(name, recorded::Decibels(recorded::Level(Rec, p, std::max(from, p.frame), Now())));
}

/// Level in dB of the play of `name` running at `since` (the last one started before it), heard
/// from `since` to now.
double StillHeard(const char* name, std::uint64_t since)
{
    const std::vector<PlatformAudioEvent> plays = recorded::Plays(SegmentOf(name), 0, since + 1);
    if (plays.empty())
        return -200.0;
    return Logged(name, recorded::Decibels(recorded::Level(Rec, plays.back(), since, Now())));
}

/// A step that remembers the output frame it started at in `*mark`.
ROADSTEP Marked(const char* name, std::shared_ptr<std::uint64_t> mark, std::function<void()> act,
                std::uint64_t wait, std::function<void()> check)
{
    return {name, [mark, act] {
                *mark = Now();
                if (act)
                    act();
            },
            wait, std::move(check)};
}

STATIONPART* Part(std::int32_t kind)
{
    const std::vector<STATIONPART*> parts = Station()->CollectParts(kind);
    return parts.empty() ? nullptr : parts.front();
}

TEST(SoundRoad, WhatThePlayerHearsAlongTheRoad)
{
    ReportToTest();
    PlatformAudio::SetRecording(kRate);
    Rec = recorded::RECORDING{};
    Rec.Rate = kRate;
    auto w = std::make_shared<mining::WATCH>();
    auto mark = std::make_shared<std::uint64_t>(0);
    auto click = std::make_shared<std::shared_ptr<PlatformSegment>>();

    std::vector<ROADSTEP> steps = {
        Marked("in the suit: the theme and the breathing", mark, nullptr, 100, [mark] {
            ASSERT_NE(PlayerCompany, nullptr);
            EXPECT_GT(StillHeard("corvanetheme", *mark), kNearLevel - 6.0) << "the theme";
            EXPECT_GT(StillHeard("suitbreath", *mark), kNearLevel) << "the breathing in the suit";
        }),
    };
    Append(steps, GrowStation());
    std::vector<ROADSTEP> suit = {
        Marked("beside the generator its hum is heard", mark,
               [] { Aim(Part(KIND_GENERATOR), QNVEC3(0, 1, 0), 10.0f); }, 50, [mark] {
                   ASSERT_NE(Part(KIND_GENERATOR), nullptr);
                   EXPECT_GT(StillHeard("generator", *mark + Seconds(0.2)), kHeardLevel) << "the generator's hum";
               }),
        Marked("the suit's thrust", mark, [] { HoldKey(SDLK_w, 30); }, 25, [mark] {
            EXPECT_EQ(PlaysSince("suitthrust", *mark).size(), 1u);
            EXPECT_GT(Heard("suitthrust", *mark), kNearLevel) << "the thrust in the suit";
        }),
        {"the thrust let go", nullptr, 30, nullptr},
        {"the free ship", nullptr, 600, [] { ASSERT_NE(Ship(), nullptr); }},
        {"Space undocks it with the dock's sound", [mark] {
             *mark = Now();
             ViewStation();
             Key(SDLK_SPACE);
         },
         60, [mark] {
             ASSERT_FALSE(PlayerCompany->Dock()->Holding);
             ASSERT_FALSE(PlaysSince("collshipdock", *mark).empty()) << "no dock sound";
             EXPECT_GT(Heard("collshipdock", *mark), kHeardLevel) << "the dock's sound";
         },
         [] { return !PlayerCompany->Dock()->Holding; }, [](int) { Key(SDLK_SPACE); }, 40},
        Marked("aboard: the ship starts, no theme, no breathing", mark, &BoardShip, 300, [mark] {
            ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP);
            EXPECT_GT(Heard("collship_start", *mark), kNearLevel) << "the ship's start";
            // Past the theme's reverb.
            const std::uint64_t inside = *mark + Seconds(2.0);
            EXPECT_LT(StillHeard("corvanetheme", inside), kSilentLevel) << "the theme in the cockpit";
            EXPECT_LT(StillHeard("suitbreath", inside), kSilentLevel) << "breathing in the cockpit";
        }),
        Marked("Tab clicks the weapon selector", mark, [] { Key(SDLK_TAB); }, 20, [mark] {
            EXPECT_EQ(PlaysSince("shiphud_weapon_change", *mark).size(), 1u);
            EXPECT_GT(Heard("shiphud_weapon_change", *mark), kNearLevel) << "the weapon click";
        }),
    };
    Append(steps, std::move(suit));
    // The mining steps press Tab again until the chipper is selected, collect the ore and dock.
    Append(steps, {{"the ore", [mark] { *mark = Now(); }, 1, nullptr}});
    // Where the chipper strikes is the mining roads' concern (here it passes through its rock).
    Append(steps, mining::MiningSteps(w, false));
    std::vector<ROADSTEP> after = {
        {"the ore pick-up beeped once, at the player's ear", nullptr, 1, [mark] {
             EXPECT_EQ(PlaysSince("orecollected", *mark).size(), 1u) << "one beep for one ore";
             EXPECT_GT(Heard("orecollected", *mark), kNearLevel) << "the ore pick-up beep";
         }},
        Marked("in the suit again: the theme is back", mark, nullptr, 50, [mark] {
            EXPECT_GT(StillHeard("corvanetheme", *mark), kNearLevel - 6.0) << "the theme after leaving the ship";
            EXPECT_GT(StillHeard("suitbreath", *mark), kNearLevel) << "the breathing after leaving the ship";
        }),
        {"a shot at the docked ship hurts the dock", [] { Ship()->DamageBallistic(5.0f, 0, 0); }, 2, [] {
             const COLLECTORSHIPDOCK* dock = PlayerCompany->Dock();
             ASSERT_TRUE(Ship()->Docked);
             EXPECT_EQ(Ship()->Ballistic, Ship()->BallisticMax) << "the docked ship took the damage";
             EXPECT_LT(dock->Ballistic, dock->BallisticMax) << "the dock did not take the damage";
         }},
        Marked("F2 opens the build store, where no breathing is heard", mark, [] { Key(SDLK_F2); }, 150, [mark, click] {
            ASSERT_TRUE(SceneIs("STORE"));
            *click = SegmentOf("button");
            const std::uint64_t in = *mark + Seconds(0.3);
            EXPECT_LT(StillHeard("suitbreath", in), kSilentLevel) << "breathing in the store";
            const std::vector<PlatformAudioEvent> breaths = recorded::Plays(SegmentOf("suitbreath"), 0, in);
            ASSERT_FALSE(breaths.empty());
            EXPECT_LE(recorded::EndedAt(breaths.back()), in) << "the breathing goes on in the store";
        }),
        Marked("Cancel clicks and closes the store", mark, [] {
            auto* store = dynamic_cast<STORESCREEN*>(QNSCENE::Current);
            ASSERT_TRUE(store && store->CancelButton.Get());
            const QNVEC3 at = store->CancelButton.Get()->GetWorldMatrix().Translation();
            ClickScreen(at.x, at.y);
        }, 30, [mark, click] {
            EXPECT_TRUE(SceneIs("SPACE"));
            // The click's sound was the store's: its plays are read by the segment kept then.
            const std::vector<PlatformAudioEvent> clicks = recorded::Plays(*click, *mark);
            ASSERT_EQ(clicks.size(), 1u) << "one click";
            const PlatformAudioEvent& click = clicks.back();
            EXPECT_GE(recorded::EndedAt(click), click.frame + click.segment->Frames()) << "the click was cut off";
            // Its tail, past the first 30 ms, is heard too.
            EXPECT_GT(recorded::Decibels(recorded::Level(Rec, click, click.frame + Seconds(0.03), Now())), kNearLevel)
                << "the click's tail";
        }),
        Marked("back in the suit the breathing goes on", mark, nullptr, 40, [mark] {
            EXPECT_GT(StillHeard("suitbreath", *mark + Seconds(0.2)), kNearLevel) << "the breathing after the store";
        }),
        {"undock", [] { Key(SDLK_SPACE); }, 60, [] { ASSERT_FALSE(PlayerCompany->Dock()->Holding); },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 20},
        {"board", &BoardShip, 30, [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP); }},
        Marked("a hit sounds the damage alarm", mark, [] { Ship()->DamageBallistic(0.6f * Ship()->BallisticMax, 0, 0); }, 30, [mark] {
            EXPECT_EQ(PlaysSince("collship_damage", *mark).size(), 1u);
            EXPECT_GT(Heard("collship_damage", *mark), kNearLevel) << "the damage alarm";
        }),
        {"flown out and wrecked, the pilot ejects", [] {
             FlyAtStation(120.0f);
             Ship()->DamageBallistic(1000.0f, 0, 0);
         },
         10, [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::EJECTING); }},
        Marked("back in the suit beside the dock, with the theme", mark, nullptr, 300, [mark] {
            ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
            const QNVEC3 dock = PlayerCompany->Dock()->GetWorldMatrix().Translation();
            const QNVEC3 suit = PlayerCompany->Suit()->GetWorldMatrix().Translation();
            EXPECT_LT((suit - (dock + QNVEC3(-5.0f, 5.0f, -5.0f))).Length(), 0.5f) << "the suit is not beside the dock";
            EXPECT_GT(StillHeard("corvanetheme", Now() - Seconds(1.0)), kNearLevel - 6.0) << "the theme after the ejection";
        }),
    };
    Append(steps, std::move(after));

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.OnStartPass = [](std::uint64_t) { Rec.Render(kFrameSamples); };
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) {
        Rec.Render(kFrameSamples);
        mining::Observe(*w);
        return road.Frame();
    };
    const int status = DriveHeadlessGame(drive, nullptr);
    PlatformAudio::SetRecording(0);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
