// The black-market portal: an obstacle of its view, and a barrier that, when a collector ship
// flown from inside starts touching it, pushes the black market and moves the ship clear, both
// after the physics step that reported the contact.

#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "game/world/black_market_portal.h"
#include "game/world/path_planner.h"
#include "game/world/target_list.h"
#include "game/world/world_vehicle.h"
#include "tests/game/world_fixture.h"

namespace {

// Stand-in collector ship: a moving box with a view mode.
class FAKESHIP : public GAMENODE, public WORLDVEHICLE {
public:
    FAKESHIP(QNNODE* parent, std::int32_t kind, std::uint32_t mode, const QNMATRIX& at)
        : GAMENODE(parent, "COLLECTOR SHIP", kind, QNCF_LEVEL_GAME | QNCF_BODY | QNCF_CONTACTS | QNCF_UPDATE, 0, 0,
                   &at, 0),
          Mode(mode)
    {
        SetBoxMesh("shipbox");
    }
    std::uint32_t GetViewMode() const override { return Mode; }
    std::uint32_t Mode;
};

class PortalTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        market = new QNSCENE(&QNSCENE::SceneRoot(), "BLACKMARKET", 1);
        scene = MakeScene(1, [](QNRESOURCES& r) {
            RegisterPortalMedia(r);
            QNRESOURCES::MeshParams = QNMESHPARAMS();
            QNRESOURCES::MeshParams.Name = "shipbox";
            QNRESOURCES::MeshParams.CollisionOption1 = QNCOLLGEOM::BOX;
            QNRESOURCES::MeshParams.Args[1] = 2;
            QNRESOURCES::MeshParams.Args[2] = 2;
            QNRESOURCES::MeshParams.Args[3] = 4;
            r.AddMeshBox();
        });
        QNSCENE::Request = nullptr;
        QNSCENE::RequestKind = QNSCENE::REQUEST_NONE;
        portal = new BLACKMARKETPORTAL(scene->GetView(0)->Root, Translation(0, 0, 0), 0);
        portal->SetState(3, 0, false, true);
    }
    // A ship 8 units in front of the barrier flying into it along +z.
    FAKESHIP* Launch(std::int32_t kind, std::uint32_t mode)
    {
        auto* ship = new FAKESHIP(scene->GetView(0)->Root, kind, mode, Translation(1.5f, 0, -8));
        ship->SetState(3, 0, false, true);
        PhysicsBodyOf(ship)->SetLinearVelocity(QNVEC3(0, 0, 10));
        return ship;
    }

    QNSCENE* market = nullptr;
    QNSCENE* scene = nullptr;
    BLACKMARKETPORTAL* portal = nullptr;
};

}  // namespace

TEST_F(PortalTest, ShipFlownFromInsideOpensTheMarketAfterTheStepAndIsMovedClear)
{
    QNPATHPLANNER* planner = PathPlanner(0);
    ASSERT_NE(portal->Obstacle(), nullptr);
    EXPECT_TRUE(planner->IsPointBlocked(QNVEC3(1.5f, 8.5f, 0), QNVEC3(0, 0, -50), QNVEC3(0, 0, 50), 0.0f));
    ASSERT_NE(portal->Barrier, nullptr);
    EXPECT_EQ(portal->Barrier->Parent(), portal);

    FAKESHIP* ship = Launch(kKindCollectorShip, 1);
    int frame = 0;
    for (; frame < 100 && !portal->Barrier->IsOnOnceList(); ++frame)
        Frame(scene);
    ASSERT_TRUE(portal->Barrier->IsOnOnceList()) << "no contact with the barrier";
    // The step only noted the ship: no scene request and no move yet.
    EXPECT_EQ(QNSCENE::Request, nullptr);
    const QNVEC3 before = ship->GetWorldMatrix().Translation();
    Frame(scene);
    EXPECT_EQ(QNSCENE::Request, market);
    EXPECT_EQ(QNSCENE::RequestKind, std::uint32_t(QNSCENE::REQUEST_PUSH));
    EXPECT_EQ(portal->Barrier->Entries, 1u);
    EXPECT_GT(ship->GetWorldMatrix().Translation().z - before.z, BARRIER::kPushDistance - 1.0f);

    // Only the start of a contact counts.
    QNSCENE::Request = nullptr;
    portal->Barrier->OnContact(ship, QNCONTACT_TOUCHING, nullptr, nullptr);
    portal->Barrier->OnContact(ship, QNCONTACT_ENDED, nullptr, nullptr);
    Frame(scene);
    EXPECT_EQ(QNSCENE::Request, nullptr);
}

TEST_F(PortalTest, OtherViewModesAndOtherVehiclesDoNotOpenTheMarket)
{
    FAKESHIP* outside = Launch(kKindCollectorShip, 2);
    FAKESHIP* suit = new FAKESHIP(scene->GetView(0)->Root, 65, 1, Translation(-3, 0, -8));
    suit->SetState(3, 0, false, true);
    PhysicsBodyOf(suit)->SetLinearVelocity(QNVEC3(0, 0, 10));
    bool touched = false, suitTouched = false;
    for (int i = 0; i < 100; ++i) {
        Frame(scene);
        touched = touched || portal->Barrier->FindContact(outside);
        suitTouched = suitTouched || portal->Barrier->FindContact(suit);
    }
    EXPECT_TRUE(touched);
    EXPECT_TRUE(suitTouched);
    EXPECT_EQ(QNSCENE::Request, nullptr);
    EXPECT_EQ(portal->Barrier->Entries, 0u);
    // A ship that is deleted between its contact and the next update is simply forgotten.
    outside->Mode = 1;
    portal->Barrier->OnContact(outside, QNCONTACT_BEGAN, nullptr, nullptr);
    QNITEM::Destroy(outside);
    Frame(scene);
    EXPECT_EQ(QNSCENE::Request, nullptr);

    // The portal's obstacle goes with it.
    const std::uint32_t boxes = PathPlanner(0)->BoxesInUse();
    QNITEM::Destroy(portal);
    EXPECT_EQ(PathPlanner(0)->BoxesInUse(), boxes - 1);
}
