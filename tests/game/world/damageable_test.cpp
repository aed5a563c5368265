// Damage meters, the status rule, repair costs and the two-frame destruction of a damageable
// object; self-repair timing and booked cost of a station part.

#include <string>
#include <vector>

#include "game/world/damageable.h"
#include "game/world/destruction.h"
#include "station_test_util.h"

namespace {

using stationtest::StationTest;

class PROBE : public DAMAGEABLE {
public:
    PROBE(QNNODE* parent, std::vector<std::string>& log) : DAMAGEABLE(parent, "PROBE", 99, QNCF_LEVEL_GAME, 0, 0, nullptr, 0), log_(log) {}
    void SetHighlight(bool on) override
    {
        DAMAGEABLE::SetHighlight(on);
        log_.push_back(on ? "look+" : "look-");
    }
    void SetActive(bool on) override
    {
        DAMAGEABLE::SetActive(on);
        log_.push_back(on ? "run" : "stop");
    }
    void NotifyDestroyed() override { log_.push_back("notified"); }

private:
    std::vector<std::string>& log_;
};

DESTRUCTION* FindDestruction(QNNODE* site)
{
    for (QNITEM* c = site->FirstChild(); c; c = c->Next()) {
        if (auto* d = dynamic_cast<DESTRUCTION*>(c))
            return d;
    }
    return nullptr;
}

TEST_F(StationTest, StatusRuleRepairCostsAndTheTwoFrameKill)
{
    std::vector<std::string> log;
    auto* probe = new PROBE(site, log);
    QNWEAK<PROBE> alive(probe);

    // Unused meters read as full: never damaged-looking, never killed.
    probe->UpdateStatus();
    EXPECT_EQ(log, (std::vector<std::string>{"run"}));
    probe->DamageBallistic(1000.0f, 0, 0);
    EXPECT_FALSE(probe->IsDestroyed());

    probe->SetMaxima(100.0f, 100.0f);
    probe->BallisticRepairCost = probe->ElectronicRepairCost = 50.0f;
    log.clear();
    // Exactly at the threshold counts as damaged and stops the object.
    probe->DamageElectronic(5.0f, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"look+", "stop"}));
    // A negative amount changes nothing but still runs the rule.
    probe->DamageBallistic(-10.0f, 0, 0);
    EXPECT_FLOAT_EQ(probe->Ballistic, 100.0f);
    // A repair is cut to what is missing and costs in proportion.
    EXPECT_FLOAT_EQ(probe->RepairElectronic(10.0f), 2.5f);
    EXPECT_EQ(log, (std::vector<std::string>{"look+", "stop", "look-", "run"}));
    EXPECT_FLOAT_EQ(probe->RepairBallistic(10.0f), 0.0f);
    probe->DamageBallistic(30.0f, 0, 0);
    EXPECT_FLOAT_EQ(probe->RepairBallistic(10.0f), 5.0f);
    EXPECT_FLOAT_EQ(probe->Ballistic, 80.0f);
    EXPECT_TRUE(probe->Active) << "ballistic damage only changes the look";

    // Electronic damage alone destroys; the removal comes two frames later.
    probe->DamageElectronic(500.0f, 0, 0);
    EXPECT_TRUE(probe->IsDestroyed());
    EXPECT_FLOAT_EQ(probe->Electronic, 0.0f);
    probe->Kill();
    EXPECT_EQ(probe->Destroyed, DESTROYEDSTATE::KILLED);
    Frame();
    ASSERT_TRUE(alive);
    EXPECT_EQ(probe->Destroyed, DESTROYEDSTATE::REMOVING);
    EXPECT_EQ(FindDestruction(site), nullptr);
    Frame();
    EXPECT_NE(FindDestruction(site), nullptr);
    EXPECT_EQ(std::count(log.begin(), log.end(), "notified"), 1);
    Frames(2);
    EXPECT_FALSE(alive);
    EXPECT_EQ(std::count(log.begin(), log.end(), "notified"), 1);
}

TEST_F(StationTest, SelfRepairWaitsForQuietAndBooksTheLargerCost)
{
    STATION* station = MakePlayerStation();
    STATIONPART* part = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT, 500.0f);
    ASSERT_NE(part, nullptr) << PlacementMessage(station->Result);
    ASSERT_FLOAT_EQ(part->BallisticMax, 25.0f);
    const float before = station->RepairCostTotal;

    // Hits every 1.9 s keep the part from repairing at all.
    for (int i = 0; i < 3; ++i) {
        part->DamageBallistic(1.0f, 0, 0);
        Frames(114);
    }
    EXPECT_FLOAT_EQ(part->Ballistic, 22.0f);
    EXPECT_FLOAT_EQ(station->RepairCostTotal, before);

    // 20 of 25 on both meters: full after 2 s of quiet and 2.5 s of repair.
    part->Ballistic = 20.0f;
    part->DamageElectronic(5.0f, 0, 0);
    Frames(119);
    EXPECT_FLOAT_EQ(part->Ballistic, 20.0f);
    Frames(150);
    EXPECT_LT(part->Ballistic, 25.0f);
    Frame();
    EXPECT_FLOAT_EQ(part->Ballistic, 25.0f);
    EXPECT_FLOAT_EQ(part->Electronic, 25.0f);
    // Each meter's full repair costs half the price; only the larger step cost is booked.
    EXPECT_NEAR(station->RepairCostTotal - before, 5.0f * 0.5f * 500.0f / 25.0f, 0.05f);
}

}  // namespace
