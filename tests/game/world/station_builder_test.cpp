// The computer companies' station builder: the decision layer against a fake station, account
// and placement layer; the placement layer on a real station.

#include <vector>

#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/station_builder.h"
#include "station_test_util.h"

namespace {

struct FAKESTATION : BUILDSTATION {
    bool Underpowered() const override { return Under; }
    bool NoPowerForMore() const override { return NoPower; }
    std::uint32_t Generators() const override { return Gens; }
    std::uint32_t PartCount(std::int32_t kind) const override { return Parts[kind]; }
    bool Under = false, NoPower = false;
    std::uint32_t Gens = 1;
    std::uint32_t Parts[26] = {};
};

struct FAKEACCOUNT : BUILDACCOUNT {
    float Funds() const override { return Money; }
    void Spend(float amount) override { Spent += amount; }
    float Money = 0.0f, Spent = 0.0f;
};

// Places at once (or drops) when stepped; records every request.
struct FAKEPLACER : BUILDPLACER {
    void Step() override
    {
        if (busy) {
            busy = false;
            outcome = DropAll ? PLACEOUTCOME::DROPPED : PLACEOUTCOME::PLACED;
        }
    }
    void Request(std::int32_t kind, float, std::uint32_t) override
    {
        Requests.push_back(kind);
        busy = !Hold;
        outcome = PLACEOUTCOME::NONE;
        if (Hold)
            busy = true;
    }
    void Stop() override
    {
        busy = false;
        ++Stops;
    }
    bool IsBusy() const override { return busy; }
    PLACEOUTCOME Outcome() const override { return outcome; }
    std::vector<std::int32_t> Requests;
    bool DropAll = false, Hold = false, busy = false;
    int Stops = 0;
    PLACEOUTCOME outcome = PLACEOUTCOME::NONE;
};

class BuilderDecisions : public ::testing::Test {
protected:
    void SetUp() override
    {
        SeedRandom(7);
        BuilderTurns.Create(5);
        auto s = std::make_unique<FAKESTATION>();
        auto p = std::make_unique<FAKEPLACER>();
        station = s.get();
        placer = p.get();
        builder = std::make_unique<AIBUILDER>(std::move(s), &account, std::move(p));
        builder->SetWeights(0.01f, 1.0f, 1.0f, 1.0f);
        builder->SavingStep = 1000000.0f;
    }
    void TearDown() override
    {
        builder.reset();
        BuilderTurns.Destroy();
    }
    void Steps(int n)
    {
        for (int i = 0; i < n; ++i) {
            builder->Step();
            BuilderTurns.Advance();
        }
    }

    FAKEACCOUNT account;
    FAKESTATION* station = nullptr;
    FAKEPLACER* placer = nullptr;
    std::unique_ptr<AIBUILDER> builder;
};

TEST_F(BuilderDecisions, EssentialsComeFirstAndFreeThenChoicesFollowTheWeights)
{
    EXPECT_NEAR(builder->Weight(1), 1.0f / 301.0f, 1e-6f);
    EXPECT_NEAR(builder->Weight(4), 100.0f / 301.0f, 1e-6f);
    const std::uint32_t order[4] = {2, 3, 4, 1};
    for (std::uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(builder->Preference(i), order[i]);

    Steps(5 * 5);
    ASSERT_GE(placer->Requests.size(), 5u);
    const std::vector<std::int32_t> essentials(placer->Requests.begin(), placer->Requests.begin() + 5);
    EXPECT_EQ(essentials, (std::vector<std::int32_t>{11, 12, 13, 14, 15}));
    EXPECT_EQ(account.Spent, 0.0f);
    EXPECT_EQ(builder->Count(ITEM_CARGOPORT), 0u);

    // With the groups empty every later decision is a saving one.
    Steps(200);
    EXPECT_EQ(placer->Requests.size(), 5u);
    EXPECT_EQ(builder->Category, BUILDCATEGORY::SAVE);
    EXPECT_EQ(builder->State, BUILDSTATE::SAVING);
}

TEST_F(BuilderDecisions, WaitsForMoneySavesStepsAndChargesPlacedItemsOnly)
{
    Steps(5 * 5);
    ASSERT_EQ(placer->Requests.size(), 5u);

    // With 1,500,000 and nothing saved, a 10,000,000 build waits.
    builder->SetWeights(0.0f, 0.0f, 1.0f, 0.0f);
    builder->AddItems(ITEM_EARLYWARNING, 1);
    account.Money = 1500000.0f;
    Steps(300);
    EXPECT_EQ(placer->Requests.size(), 5u);
    EXPECT_EQ(builder->Type, static_cast<std::uint32_t>(ITEM_EARLYWARNING));
    EXPECT_EQ(builder->State, BUILDSTATE::START);

    // Money arrives: placed and charged at its price.
    account.Money = 20000000.0f;
    Steps(3);
    ASSERT_EQ(placer->Requests.size(), 6u);
    EXPECT_EQ(placer->Requests.back(), KIND_EARLYWARNING);
    EXPECT_EQ(account.Spent, StructurePrice(ITEM_EARLYWARNING));

    // Saving decisions hold back one step each while money allows; what is saved never
    // exceeds the money.
    builder->SetWeights(0.0f, 0.0f, 0.0f, 1.0f);
    account.Money = 2500000.0f;
    Steps(300);
    EXPECT_EQ(builder->Saved, 2000000.0f);
    EXPECT_EQ(builder->State, BUILDSTATE::SAVING);
    account.Money = 1500000.0f;
    Steps(1);
    EXPECT_EQ(builder->Saved, 1500000.0f);

    // A dropped placement costs nothing and its item is gone.
    builder->SetWeights(0.0f, 0.0f, 1.0f, 0.0f);
    account.Money = 1e9f;
    placer->DropAll = true;
    builder->AddItems(ITEM_FLACKGUN, 1);
    Steps(12);
    EXPECT_EQ(placer->Requests.back(), KIND_FLACKGUN);
    EXPECT_EQ(account.Spent, StructurePrice(ITEM_EARLYWARNING));
    EXPECT_EQ(builder->Count(ITEM_FLACKGUN), 0u);
}

TEST_F(BuilderDecisions, LostCargoPortRebuiltOnlyWithAnItemAndUrgencyStopsAPlacement)
{
    Steps(25);
    account.Money = 50000000.0f;
    station->Parts[KIND_COLLSHIPDOCK] = station->Parts[KIND_PROCESSOR] = station->Parts[KIND_STORAGE] = 1;
    // No cargo port and no item for one: never requested.
    Steps(300);
    for (std::size_t i = 5; i < placer->Requests.size(); ++i)
        EXPECT_NE(placer->Requests[i], KIND_CARGOPORT);

    // A long placement under way is broken off once a cargo-port item makes the loss urgent.
    builder->SetWeights(0.0f, 0.0f, 1.0f, 0.0f);
    account.Money = 1e9f;
    builder->AddItems(ITEM_MINELAUNCHER, 1);
    placer->Hold = true;
    for (int i = 0; i < 400 && builder->State != BUILDSTATE::PLACING; ++i)
        Steps(1);
    ASSERT_EQ(builder->State, BUILDSTATE::PLACING);
    builder->AddItems(ITEM_CARGOPORT, 1);
    Steps(1);
    EXPECT_EQ(placer->Stops, 1);
    EXPECT_EQ(builder->State, BUILDSTATE::IDLE);
    placer->Hold = false;
    const float before = account.Spent;
    Steps(4);
    EXPECT_EQ(builder->Category, BUILDCATEGORY::REPLACE);
    EXPECT_EQ(placer->Requests.back(), KIND_CARGOPORT);
    EXPECT_EQ(account.Spent - before, StructurePrice(ITEM_CARGOPORT));
    EXPECT_EQ(builder->Count(ITEM_CARGOPORT), 1u) << "replacing takes no item";
}

TEST_F(BuilderDecisions, PowerShortfallOrdersAGeneratorWithoutAGeneratorItem)
{
    Steps(25);
    ASSERT_EQ(placer->Requests.size(), 5u);
    ASSERT_EQ(builder->Count(ITEM_GENERATOR), 0u);
    builder->SetWeights(0.0f, 0.0f, 1.0f, 0.0f);
    builder->AddItems(ITEM_FLACKGUN, 1);

    // One more part would be unpowered while a powered item is held: a generator comes first,
    // paid like any other build, so it waits for the money.
    station->NoPower = true;
    Steps(30);
    EXPECT_EQ(builder->Category, BUILDCATEGORY::FRAME_AND_POWER);
    EXPECT_EQ(builder->Type, static_cast<std::uint32_t>(ITEM_GENERATOR));
    EXPECT_EQ(builder->State, BUILDSTATE::START);
    EXPECT_EQ(placer->Requests.size(), 5u);
    account.Money = StructurePrice(ITEM_GENERATOR);
    Steps(3);
    ASSERT_EQ(placer->Requests.size(), 6u);
    EXPECT_EQ(placer->Requests.back(), KIND_GENERATOR);
    EXPECT_EQ(account.Spent, StructurePrice(ITEM_GENERATOR));
    station->NoPower = false;
    station->Gens = 2;

    // The station goes dark while a build waits for money: the wait is broken off and a
    // generator goes up at once, charged although the account is in debt.
    account.Money = -5000000.0f;
    account.Spent = 0.0f;
    for (int i = 0; i < 100 && builder->Type != ITEM_FLACKGUN; ++i)
        Steps(1);
    ASSERT_EQ(builder->State, BUILDSTATE::START);
    station->Under = true;
    station->Gens = 1;
    Steps(6);
    EXPECT_EQ(builder->Category, BUILDCATEGORY::REPLACE);
    EXPECT_EQ(placer->Requests.back(), KIND_GENERATOR);
    EXPECT_EQ(placer->Requests.size(), 7u);
    EXPECT_EQ(account.Spent, StructurePrice(ITEM_GENERATOR));
    station->Under = false;
    station->Gens = 2;

    // The broken-off decision's item is gone; with nothing powered left to place, a station
    // short of power only saves.
    EXPECT_EQ(builder->Count(ITEM_FLACKGUN), 0u);
    account.Money = 1e9f;
    builder->SetWeights(0.01f, 1.0f, 1.0f, 1.0f);
    station->NoPower = true;
    const std::size_t placed = placer->Requests.size();
    Steps(200);
    EXPECT_EQ(placer->Requests.size(), placed);
    EXPECT_EQ(builder->Category, BUILDCATEGORY::SAVE);
}

TEST_F(BuilderDecisions, BuildersTakeTurnsOnePerFrame)
{
    FAKEACCOUNT other;
    auto second = std::make_unique<AIBUILDER>(std::make_unique<FAKESTATION>(), &other, std::make_unique<FAKEPLACER>());
    auto third = std::make_unique<AIBUILDER>(std::make_unique<FAKESTATION>(), &other, std::make_unique<FAKEPLACER>());
    ASSERT_EQ(BuilderTurns.Count(), 3u);
    for (int frame = 0; frame < 30; ++frame) {
        const std::uint32_t before = builder->Decisions + second->Decisions + third->Decisions;
        const BUILDSTATE states[3] = {builder->State, second->State, third->State};
        builder->Step();
        second->Step();
        third->Step();
        const int moved = (states[0] != builder->State) + (states[1] != second->State) + (states[2] != third->State);
        EXPECT_LE(moved, 1) << "frame " << frame;
        EXPECT_LE(builder->Decisions + second->Decisions + third->Decisions - before, 1u);
        BuilderTurns.Advance();
    }
    EXPECT_EQ(builder->Decisions, second->Decisions);
    third.reset();
    second.reset();
    EXPECT_EQ(BuilderTurns.Count(), 1u);
}

// ---- placement on a real station -------------------------------------------------------------

using stationtest::StationTest;

class Placement : public StationTest {
protected:
    STATION* Station() { return dynamic_cast<STATION*>(site->Station.Get()); }
    // Steps the placer once per frame until it is idle or gave up; returns frames taken.
    int Run(AIPLACER& placer, int limit)
    {
        int n = 0;
        for (; n < limit && placer.IsBusy() && placer.State != PLACESTATE::GAVE_UP; ++n) {
            placer.Step();
            Frame();
        }
        return n;
    }
};

TEST_F(Placement, GrowsFrameToPlaceOnFreshJointsAtTheSetPace)
{
    STATION* station = Station();
    AIPLACER placer(station);
    placer.SetMinimumFree(9);
    EXPECT_EQ(placer.MinimumFree(), 5u);
    const std::uint32_t joints = station->Counts[KIND_JOINT];

    std::vector<std::int64_t> attached;
    std::uint32_t parts = 0;
    auto count = [&] {
        std::uint32_t n = 0;
        for (std::int32_t k = KIND_BEAM; k <= KIND_LAST_STRUCTURE; ++k)
            n += station->Counts[k];
        return n;
    };
    for (int g = 0; g < 3; ++g) {
        placer.Request(KIND_GENERATOR, 100.0f, STATION::kNoColour);
        parts = count();
        for (int n = 0; n < 2000 && placer.IsBusy() && placer.State != PLACESTATE::GAVE_UP; ++n) {
            placer.Step();
            if (count() != parts) {
                attached.push_back(QNTIMER::FrameCounter());
                parts = count();
            }
            Frame();
        }
        ASSERT_EQ(placer.Outcome(), PLACEOUTCOME::PLACED) << g;
    }
    EXPECT_EQ(station->Counts[KIND_GENERATOR], 3u);
    EXPECT_GT(station->Counts[KIND_JOINT], joints) << "the start frame had no joint with room";
    // Each generator stands on a joint that kept its other connectors free, on its top face.
    for (STATIONPART* gen : station->CollectParts(KIND_GENERATOR)) {
        STATIONPART* joint = gen->ParentPart();
        ASSERT_TRUE(joint);
        EXPECT_EQ(joint->Kind, KIND_JOINT);
        EXPECT_EQ(joint->CountFreeConnectors(), 4);
    }
    for (std::size_t i = 1; i < attached.size(); ++i)
        EXPECT_GE(attached[i] - attached[i - 1], std::int64_t(2.0 * 1e6 - 1)) << i;
}

TEST_F(Placement, PositionIndependentRefusalsDropAtOnceWithoutGrowing)
{
    STATION* station = Station();
    AIPLACER placer(station);
    placer.SetMinimumFree(5);
    const std::uint32_t beams = station->Counts[KIND_BEAM], joints = station->Counts[KIND_JOINT];

    // A kind the factory never builds.
    placer.Request(KIND_HEADQUARTERS, 0.0f, 0);
    EXPECT_LE(Run(placer, 10), 1);
    EXPECT_EQ(placer.Outcome(), PLACEOUTCOME::DROPPED);

    // The frame is at its maximum: the first joint refused ends the placement.
    station->JointLimit = joints;
    station->BeamLimit = beams;
    placer.Request(KIND_GENERATOR, 0.0f, STATION::kNoColour);
    Run(placer, 4000);
    EXPECT_EQ(placer.Outcome(), PLACEOUTCOME::DROPPED);
    EXPECT_FALSE(placer.IsBusy());
    EXPECT_EQ(station->Counts[KIND_BEAM], beams);
    EXPECT_EQ(station->Counts[KIND_JOINT], joints);

    // Without a station there is nothing to place on.
    AIPLACER orphan(nullptr);
    orphan.Request(KIND_GENERATOR, 0.0f, 0);
    orphan.Step();
    EXPECT_EQ(orphan.Outcome(), PLACEOUTCOME::DROPPED);
}

}  // namespace
