// The computer pilot's decisions against a fake ship and a fake game: claims, the one
// dogfighter, the collision back-off, leaving a view the player does not see, and going home
// hurt.

#include <map>
#include <memory>
#include <vector>

#include "engine/scene/node_chain.h"
#include "engine/scene/view.h"
#include "game/vehicles/ai_pilot.h"
#include "game/world/item_types.h"
#include "tests/game/game_test_util.h"

namespace {

// A ship that records what the pilot asks of it.
class FAKESHIP : public QNITEM, public PILOTSHIP {
public:
    bool IsDestroyed() const override { return Destroyed; }
    bool InContact() const override { return Contact; }
    QNMATRIX World() const override { return Heading * Translation(Position.x, Position.y, Position.z); }
    std::uint32_t View() const override { return ViewIndex; }
    float BallisticFraction() const override { return Ballistic; }
    float ElectronicFraction() const override { return 1.0f; }
    bool IsDocked() const override { return false; }
    void Undock() override {}
    void Push(float thrust) override { Pushes.push_back(thrust); }
    void Turn(const QNVEC3& torque) override { Turns.push_back(torque); }
    bool SteerTowards(const QNVEC3&, const QNVEC3&, float, float) override
    {
        ++Steers;
        return true;
    }
    void SetScale(float, float) override {}
    float LinearDamping() const override { return 0.0f; }
    float AngularDamping() const override { return 0.0f; }
    void SetDamping(float, float) override {}
    void StopMotion() override {}
    bool StartHyperjump(std::uint32_t view, std::uint32_t) override
    {
        Jumps.push_back(view);
        return true;
    }
    bool HasWeapon(std::uint32_t type) const override { return type != AIPILOT::kCheetah || CheetahInstalled; }
    bool SelectWeapon(std::uint32_t type) override
    {
        Selected = type;
        return true;
    }
    std::uint32_t SelectedWeapon() const override { return Selected; }
    void FireSelectedWeapon() override { ++Shots; }
    bool InstallWeapon(std::uint32_t type) override
    {
        if (type == AIPILOT::kCheetah)
            CheetahInstalled = true;
        return true;
    }
    void SetCheetahTarget(QNITEM*) override {}
    void SetTargetNode(QNITEM*) override {}
    float RepairBallistic(float) override
    {
        Ballistic = 1.0f;
        return 1250000.0f;
    }
    float BoxRadius() const override { return 3.0f; }
    QNITEM* LookAhead(float, float) override { return nullptr; }

    bool Destroyed = false, Contact = false, CheetahInstalled = false;
    QNVEC3 Position;
    QNMATRIX Heading;   ///< the ship's turn (its nose is its z axis)
    std::uint32_t ViewIndex = 0, Selected = 0;
    float Ballistic = 1.0f;
    int Shots = 0, Steers = 0;
    std::vector<float> Pushes;
    std::vector<QNVEC3> Turns;
    std::vector<std::uint32_t> Jumps;
};

// The player's site in view 0, its station parts as plain items with places and kinds.
struct GAME {
    QNITEM Root;
    QNITEM* PlayerShipItem = nullptr;
    std::map<const QNITEM*, std::int32_t> Kinds;
    std::map<const QNITEM*, bool> Destroyed;
    std::uint32_t Shown = 0;
    float Charged = 0.0f;

    QNITEM* Part(std::int32_t kind)
    {
        auto* item = new QNITEM("PART");
        Root.AddChild(item);
        Kinds[item] = kind;
        return item;
    }
};

class FAKEWORLD : public PILOTWORLD {
public:
    FAKEWORLD(GAME& game, std::uint32_t home) : game_(game), home_(home) {}
    bool SceneCurrent() const override { return true; }
    std::uint32_t ShownView() const override { return game_.Shown; }
    std::uint32_t HomeView() const override { return home_; }
    std::uint32_t PlayerView() const override { return 0; }
    QNITEM* PlayerShip() const override { return game_.PlayerShipItem; }
    bool PlayerShipDocked() const override { return false; }
    std::uint32_t StationThreats() const override { return static_cast<std::uint32_t>(game_.Kinds.size()); }
    void PartsOfKind(std::uint32_t view, std::int32_t kind, std::vector<QNITEM*>& out) const override
    {
        if (view != 0)
            return;
        for (QNITEM* c = game_.Root.FirstChild(); c; c = c->Next())
            if (game_.Kinds.count(c) && game_.Kinds.at(c) == kind)
                out.push_back(c);
    }
    std::uint32_t HomeTargetCount() const override { return 0; }
    QNITEM* HomeTarget(std::uint32_t) const override { return nullptr; }
    bool Locate(const QNITEM*, QNVEC3& position) const override
    {
        position = QNVEC3(0, 0, 500);
        return true;
    }
    bool IsDestroyed(const QNITEM* node) const override { return game_.Destroyed.count(node) && game_.Destroyed.at(node); }
    std::int32_t KindOf(const QNITEM* node) const override { return game_.Kinds.count(node) ? game_.Kinds.at(node) : 64; }
    std::uint32_t CompanyOf(const QNITEM*) const override { return 0; }
    void Charge(float amount) override { game_.Charged += amount; }
    QNVEC3 ExitPoint(std::uint32_t) const override { return QNVEC3(0, 0, 200); }

private:
    GAME& game_;
    std::uint32_t home_;
};

// A pilot of the company of view `home` flying a fake ship that is at the player's site.
struct CREW {
    CREW(GAME& game, std::uint32_t home) : World(game, home), Pilot(World)
    {
        Ship = new FAKESHIP;
        game.Root.AddChild(Ship);
        Pilot.SetShip(Ship, Ship);
        Pilot.EnterState(PILOTSTATE::DECIDE);
    }
    FAKEWORLD World;
    AIPILOT Pilot;
    FAKESHIP* Ship;
};

class PilotTest : public GameTest {
protected:
    void Frame(std::initializer_list<CREW*> crews)
    {
        Advance(1.0 / 50.0);
        for (CREW* c : crews)
            c->Pilot.Update();
    }
    GAME game;
};

// In a dogfight the trigger is pulled in every frame the nose points within ten degrees of the
// target (straight ahead, at (0, 0, 500)), and never while it points elsewhere.
TEST_F(PilotTest, ThePilotFiresOnlyWhileItsNosePointsAtTheTarget)
{
    game.PlayerShipItem = new QNITEM("PLAYERSHIP");
    game.Root.AddChild(game.PlayerShipItem);
    CREW crew(game, 1);
    Frame({&crew});
    Frame({&crew});
    ASSERT_EQ(crew.Pilot.State, PILOTSTATE::DOGFIGHT);
    ASSERT_EQ(crew.Pilot.Target(), game.PlayerShipItem);
    for (const float yaw : {0.0f, 5.0f, -9.0f, 12.0f, -30.0f, 90.0f, 180.0f}) {
        SCOPED_TRACE(testing::Message() << yaw << " degrees off the target");
        crew.Ship->Heading.SetRotationY(yaw * 0.017453292f);
        const int shots = crew.Ship->Shots;
        for (int i = 0; i < 10; ++i)
            Frame({&crew});
        ASSERT_EQ(crew.Pilot.State, PILOTSTATE::DOGFIGHT);
        EXPECT_EQ(crew.Ship->Shots - shots, std::abs(yaw) < 10.0f ? 10 : 0);
    }
}

TEST_F(PilotTest, TwoPilotsNeverClaimTheSamePart)
{
    QNITEM* generators[2] = {game.Part(ITEM_GENERATOR), game.Part(ITEM_GENERATOR)};
    QNITEM* missiles = game.Part(24);
    CREW a(game, 1), b(game, 2), c(game, 3);
    for (int i = 0; i < 5; ++i)
        Frame({&a, &b, &c});
    EXPECT_EQ(a.Pilot.State, PILOTSTATE::APPROACH);
    EXPECT_EQ(b.Pilot.State, PILOTSTATE::APPROACH);
    EXPECT_EQ(c.Pilot.State, PILOTSTATE::APPROACH);
    EXPECT_EQ(a.Pilot.Target(), generators[0]);
    EXPECT_EQ(b.Pilot.Target(), generators[1]);
    EXPECT_EQ(c.Pilot.Target(), missiles) << "the next kind when a kind is taken";
    EXPECT_TRUE(AIPILOT::IsClaimed(generators[0]));

    // A part that leaves the station frees its claim; the next free part goes to whoever asks.
    delete generators[0];
    Frame({&a});
    EXPECT_EQ(a.Pilot.State, PILOTSTATE::DECIDE);
    EXPECT_EQ(a.Pilot.Target(), nullptr);
    game.Destroyed[generators[1]] = true;
    Frame({&b});
    EXPECT_FALSE(AIPILOT::IsClaimed(generators[1]));
    for (int i = 0; i < 30; ++i) {
        Frame({&a, &b, &c});
        QNITEM* t[3] = {a.Pilot.Target(), b.Pilot.Target(), c.Pilot.Target()};
        for (int x = 0; x < 3; ++x)
            for (int y = x + 1; y < 3; ++y)
                EXPECT_TRUE(!t[x] || t[x] != t[y]) << i;
    }
    EXPECT_EQ(c.Pilot.Target(), missiles);
}

TEST_F(PilotTest, OnlyOnePilotDogfightsThePlayer)
{
    game.PlayerShipItem = new QNITEM("PLAYERSHIP");
    game.Root.AddChild(game.PlayerShipItem);
    CREW a(game, 1), b(game, 2), c(game, 3);
    for (int i = 0; i < 20; ++i) {
        Frame({&a, &b, &c});
        const int fighting = (a.Pilot.State == PILOTSTATE::DOGFIGHT) + (b.Pilot.State == PILOTSTATE::DOGFIGHT) +
                             (c.Pilot.State == PILOTSTATE::DOGFIGHT);
        EXPECT_LE(fighting, 1) << i;
    }
    EXPECT_EQ(a.Pilot.State, PILOTSTATE::DOGFIGHT);
    EXPECT_TRUE(AIPILOT::AttackingPlayer());
    EXPECT_EQ(b.Pilot.State, PILOTSTATE::FLY_OUT) << "no station worth attacking: it leaves";

    // The dogfighter's ship is lost: it waits, the flag is free and another may take the player.
    a.Ship->Destroyed = true;
    Frame({&a});
    EXPECT_EQ(a.Pilot.State, PILOTSTATE::WAIT);
    EXPECT_EQ(a.Pilot.Ship(), nullptr);
    EXPECT_FALSE(AIPILOT::AttackingPlayer());
    b.Pilot.EnterState(PILOTSTATE::DECIDE);
    b.Pilot.ReturnFlag = false;
    Frame({&b});
    Frame({&b});
    EXPECT_EQ(b.Pilot.State, PILOTSTATE::DOGFIGHT);
}

TEST_F(PilotTest, CollisionBacksOffThenPushesOnAndSpinsTheOtherWayNextTime)
{
    CREW a(game, 1);
    a.Pilot.EnterState(PILOTSTATE::FLY_OUT);
    const float first = -AIPILOT::BackOffTorque();
    a.Ship->Contact = true;
    Frame({&a});
    a.Ship->Contact = false;
    EXPECT_EQ(a.Pilot.BackOff, BACKOFF::BACK);
    EXPECT_EQ(AIPILOT::BackOffTorque(), first);
    a.Ship->Pushes.clear();
    a.Ship->Turns.clear();
    for (int i = 0; i < 45; ++i)
        Frame({&a});
    ASSERT_GE(a.Ship->Pushes.size(), 45u);
    EXPECT_EQ(a.Ship->Pushes.front(), AIPILOT::kBackThrust);
    EXPECT_FLOAT_EQ(a.Ship->Turns.front().x, first);
    EXPECT_FLOAT_EQ(a.Ship->Turns.front().z, first);
    for (int i = 0; i < 10; ++i)
        Frame({&a});
    EXPECT_EQ(a.Pilot.BackOff, BACKOFF::FORWARD);
    EXPECT_EQ(a.Ship->Pushes.back(), AIPILOT::kForwardThrust);
    for (int i = 0; i < 55 && a.Pilot.BackOff != BACKOFF::NONE; ++i)
        Frame({&a});
    EXPECT_EQ(a.Pilot.BackOff, BACKOFF::NONE);
    EXPECT_EQ(a.Pilot.Previous, PILOTSTATE::DECIDE) << "it decides anew";

    a.Ship->Contact = true;
    Frame({&a});
    EXPECT_EQ(AIPILOT::BackOffTorque(), -first);
}

TEST_F(PilotTest, AShipOutsideTheShownViewReturnsAndAHurtShipGoesHome)
{
    game.PlayerShipItem = new QNITEM("PLAYERSHIP");
    game.Root.AddChild(game.PlayerShipItem);
    CREW a(game, 1);
    Frame({&a});
    Frame({&a});
    ASSERT_EQ(a.Pilot.State, PILOTSTATE::DOGFIGHT);
    game.Shown = 2;
    Frame({&a});
    EXPECT_EQ(a.Pilot.State, PILOTSTATE::RETURN);
    EXPECT_TRUE(a.Pilot.ReturnFlag);
    EXPECT_FALSE(AIPILOT::AttackingPlayer());

    // Hurt away from home: back at the decision it returns, jumps home and pays the repair.
    CREW b(game, 3);
    game.Shown = 0;
    b.Ship->Ballistic = 0.2f;
    b.Ship->CheetahInstalled = false;
    Frame({&b});
    EXPECT_EQ(b.Pilot.State, PILOTSTATE::RETURN);
    Frame({&b});
    EXPECT_EQ(b.Pilot.State, PILOTSTATE::WAIT);
    ASSERT_EQ(b.Ship->Jumps.size(), 1u);
    EXPECT_EQ(b.Ship->Jumps[0], 3u);
    EXPECT_EQ(game.Charged, 1250000.0f);
    EXPECT_TRUE(b.Ship->CheetahInstalled);
    EXPECT_FALSE(b.Pilot.ReturnFlag);

    // A hurt ship at its own site stays.
    b.Ship->ViewIndex = 3;
    b.Ship->Ballistic = 0.1f;
    b.Pilot.EnterState(PILOTSTATE::DECIDE);
    Frame({&b});
    EXPECT_NE(b.Pilot.State, PILOTSTATE::RETURN);
}

TEST_F(PilotTest, DogfightClosesInBreaksAwayWeavesAndStopsOutOfRange)
{
    // The fake world puts every target at (0, 0, 500).
    FAKEWORLD world(game, 1);
    auto* ship = new FAKESHIP;
    game.Root.AddChild(ship);
    auto* foe = new QNITEM("FOE");
    game.Root.AddChild(foe);
    AIWATCHTASK watch(world);
    watch.Set(foe, ship, ship);
    watch.Start();

    EXPECT_EQ(watch.Step(), TASKSTATUS::UNDER_WAY);
    EXPECT_EQ(watch.Phase, WATCHPHASE::CLOSE_IN);
    EXPECT_EQ(ship->Steers, 1);
    EXPECT_EQ(ship->Pushes.back(), watch.Speed);

    // Inside the break-off distance: a break torque, scaled by how close the ship came.
    ship->Position = QNVEC3(0, 0, 470);
    watch.Step();
    ASSERT_EQ(watch.Phase, WATCHPHASE::BREAK);
    const QNVEC3 torque = watch.Torque;
    EXPECT_EQ(std::fabs(torque.x) + std::fabs(torque.y), AIWATCHTASK::kBreakTorque);
    ship->Position = QNVEC3(0, 0, 480);
    watch.Step();
    ASSERT_EQ(ship->Turns.size(), 1u);
    EXPECT_FLOAT_EQ(ship->Turns[0].x, torque.x * 0.5f);

    // Growing distance: weave at 0.85 of the speed while within 90, then stop.
    ship->Position = QNVEC3(0, 0, 460);
    watch.Step();
    EXPECT_EQ(watch.Phase, WATCHPHASE::WEAVE);
    watch.Step();
    EXPECT_FLOAT_EQ(ship->Pushes.back(), AIWATCHTASK::kWeaveThrust * watch.Speed);
    ship->Position = QNVEC3(0, 0, 300);
    watch.Step();
    EXPECT_TRUE(watch.IsDone());

    // A destroyed foe ends the task as done; a lost ship as failed.
    watch.Start();
    game.Destroyed[foe] = true;
    EXPECT_EQ(watch.Step(), TASKSTATUS::DONE);
    game.Destroyed[foe] = false;
    watch.Set(foe, ship, ship);
    watch.Start();
    delete ship;
    EXPECT_EQ(watch.Step(), TASKSTATUS::FAILED);
}

}  // namespace
