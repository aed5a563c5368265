// Node transforms, bounds and motion helpers over real node bodies in a view's world.

#include <memory>
#include <vector>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/view.h"
#include "physics/collision/model.h"
#include "physics/collision/space.h"
#include "physics/dynamics/dynamics.h"
#include "physics_fixture.h"

namespace {

void ExpectNear(const QNMATRIX& a, const QNMATRIX& b)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], 1e-4f) << i;
}

QNMATRIX Turn(float angle, float x, float y, float z)
{
    QNMATRIX m;
    m.SetRotationY(angle);
    return m * Translation(x, y, z);
}

// A shape for `node` as a mesh gives it, in states 2 and 3.
void GiveShape(QNMESHNODE* node, QNMESH& mesh, float side)
{
    mesh.SetBoxSize(side, side, side);
    mesh.CreateCollision(QNCOLLGEOM::BOX, 0, "box");
    node->Mesh = &mesh;
    QNHOOKS::Slots.SetCollisionMesh(node, &mesh);
}

QNVEC3 Torque(QNNODE* n)
{
    QNVEC3 t;
    MdtBodyGetTorque(PhysicsBodyOf(n)->Body, &t.x);
    return t;
}

}  // namespace

TEST_F(PhysicsTest, WorldMatricesOfNestedNodes)
{
    QNVIEW view(nullptr);
    const QNMATRIX ta = Turn(0.3f, 1, 0, 0), tb = Turn(0.5f, 0, 1, 0), tc = Turn(-0.2f, 0, 0, 2);
    auto* a = new GAMENODE(view.Root, "A", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &ta, 0);
    auto* b = new GAMENODE(a, "B", 0, QNCF_LEVEL_PLAIN, 0, 1, &tb, 0);
    auto* c = new GAMENODE(b, "C", 0, QNCF_LEVEL_PLAIN, 0, 1, &tc, 0);
    const QNMATRIX expected = tc * tb * ta;
    const QNMATRIX wc = c->GetWorldMatrix();
    const QNMATRIX wb = b->GetWorldMatrix();  // does not overwrite the first result
    ExpectNear(wc, expected);
    ExpectNear(wb, tb * ta);

    // Body mode 3: given and read relative to the parent, kept in world space.
    auto* d = new GAMENODE(a, "D", 0, QNCF_LEVEL_PLAIN, 0, 3, &tc, 0);
    ExpectNear(d->GetWorldMatrix(), tc * ta);
    ExpectNear(d->GetLocalMatrix(), tc);
    d->SetTranslation(QNVEC3(0, 3, 0));
    ExpectNear(d->GetWorldMatrix(), Translation(0, 3, 0) * ta);
}

TEST_F(PhysicsTest, BoxesFallBackFromOwnBoxToModelToMeshToZero)
{
    QNMESH mesh;
    QNVIEW view(nullptr);
    const QNMATRIX at = Translation(5, 0, 0);
    auto* n = new GAMENODE(view.Root, "N", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    QNBOX box;
    n->GetBox(box, true);
    EXPECT_EQ(box.min, QNVEC3(0, 0, 0));
    EXPECT_EQ(box.max, QNVEC3(0, 0, 0));

    mesh.SetBoxSize(2, 2, 2);
    n->Mesh = &mesh;
    n->GetBox(box, true);
    EXPECT_EQ(box.min, QNVEC3(4, -1, -1));
    EXPECT_EQ(box.max, QNVEC3(6, 1, 1));

    n->SetState(3, 0, false, false);
    GiveShape(n, mesh, 4);
    ASSERT_NE(n->Model, nullptr);
    n->GetBox(box, true);
    EXPECT_NEAR(box.min.x, 3.0f, 0.01f);
    EXPECT_NEAR(box.max.x, 7.0f, 0.01f);

    n->Bounds = new QNNODEBOUNDS;
    n->Bounds->LocalBox = QNBOX(QNVEC3(0, 0, 0), QNVEC3(1, 1, 1));
    n->GetBox(box, true);
    EXPECT_EQ(box.min, QNVEC3(5, 0, 0));
    EXPECT_EQ(box.max, QNVEC3(6, 1, 1));
    n->GetBox(box, false);
    EXPECT_NEAR(box.max.x, 7.0f, 0.01f);
    n->GetLocalBox(box, true);
    EXPECT_EQ(box.max, QNVEC3(1, 1, 1));

    // Dormant (state below 2), the model leaves the space but still gives the box.
    n->SetState(1, 0, false, false);
    ASSERT_NE(n->Model, nullptr);
    EXPECT_FALSE(PhysicsBodyOf(n)->IsAttached());
    n->GetBox(box, false);
    EXPECT_NEAR(box.max.x, 7.0f, 0.01f);
    n->SetState(3, 0, false, false);
    EXPECT_TRUE(PhysicsBodyOf(n)->IsAttached());
}

TEST_F(PhysicsTest, FindTouchingFiltersCandidates)
{
    QNMESH meshes[6];
    QNVIEW view(nullptr);
    auto make = [&](const char* name, std::uint32_t flags, float x, QNMESH& mesh) {
        const QNMATRIX at = Translation(x, 0, 0);
        auto* n = new GAMENODE(view.Root, name, 0, flags, 0, 0, &at, 0);
        n->SetState(3, 0, false, false);
        GiveShape(n, mesh, 1);
        return n;
    };
    GAMENODE* plain = make("PLAIN", QNCF_LEVEL_PLAIN, 0.5f, meshes[0]);
    GAMENODE* excluded = make("EXCLUDED", QNCF_LEVEL_GAME | QNCF_NOCONTACT, 0.5f, meshes[1]);
    GAMENODE* screen = make("SCREEN", QNCF_LEVEL_GAME | QNCF_SCREEN, 0.5f, meshes[2]);
    GAMENODE* far = make("FAR", QNCF_LEVEL_GAME, 30.0f, meshes[3]);
    GAMENODE* touching = make("TOUCHING", QNCF_LEVEL_GAME, 0.6f, meshes[4]);
    GAMENODE* other = make("OTHER", QNCF_LEVEL_GAME, 0.0f, meshes[5]);
    (void)plain;
    (void)screen;
    (void)far;
    QNBOX box;
    other->GetBox(box, true);

    EXPECT_EQ(view.Root->FindTouching(other, box, 0.9f, 0), touching);
    EXPECT_EQ(view.Root->FindTouching(other, box, 0.9f, 2), excluded);
    EXPECT_EQ(view.Root->FindTouching(other, box, 0.9f, 4), touching);
    EXPECT_EQ(other->Overlaps(view.Root, 0), touching);
    // Radii that do not reach.
    const QNBOX away(QNVEC3(100, 100, 100), QNVEC3(101, 101, 101));
    EXPECT_EQ(view.Root->FindTouching(other, away, 0.9f, 0), nullptr);

    // The checked state change refuses a node that would overlap.
    const QNMATRIX at = Translation(0.2f, 0, 0);
    auto* late = new GAMENODE(view.Root, "LATE", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    QNMESH lateMesh;
    late->SetState(3, 0, false, false);
    GiveShape(late, lateMesh, 1);
    late->SetState(1, 0, false, false);
    EXPECT_NE(late->SetState(3, 0, true, false), 0u);
    QNITEM::Destroy(late);
}

TEST_F(PhysicsTest, PointAlongPathEndsAndInside)
{
    const QNVEC3 path[3] = {QNVEC3(0, 0, 0), QNVEC3(10, 0, 0), QNVEC3(10, 10, 0)};
    QNVEC3 out;
    EXPECT_FALSE(PointAlongPath(path, 3, out, QNVEC3(1, 0, 0), QNVEC3(0, 1, 0), -1.0f, 1.0f));
    EXPECT_EQ(out, path[0]);
    EXPECT_FALSE(PointAlongPath(path, 3, out, QNVEC3(1, 0, 0), QNVEC3(0, 1, 0), 21.0f, 1.0f));
    EXPECT_EQ(out, path[2]);
    EXPECT_TRUE(PointAlongPath(path, 3, out, QNVEC3(1, 0, 0), QNVEC3(0, 1, 0), 0.0f, 1.0f));
    EXPECT_EQ(out, path[0]);
    EXPECT_TRUE(PointAlongPath(path, 3, out, QNVEC3(1, 0, 0), QNVEC3(0, 1, 0), 20.0f, 1.0f));
    EXPECT_NEAR(out.y, 10.0f, 1e-5f);
    // Half-way along the second segment, the curve bows outwards of the corner.
    EXPECT_TRUE(PointAlongPath(path, 3, out, QNVEC3(1, 0, 0), QNVEC3(0, 1, 0), 15.0f, 1.0f));
    EXPECT_GT(out.y, 4.0f);
    EXPECT_LT(out.y, 6.0f);
    EXPECT_GT(out.x, 10.0f);
    EXPECT_FALSE(PointAlongPath(path, 0, out, QNVEC3(), QNVEC3(), 1.0f, 1.0f));
}

TEST_F(PhysicsTest, SteeringGivesFiniteTorquesTowardsTheTarget)
{
    QNVIEW view(nullptr);
    auto* ship = new GAMENODE(view.Root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, nullptr, 0);
    const QNVEC3 gain(1, 1, 1);
    Advance(1.0);
    // A target to the right turns the nose about +y; one above lifts it about -x.
    ASSERT_TRUE(ship->SteerTowards(QNVEC3(5, 0, 5), gain, 1.0f, 0.01f));
    EXPECT_GT(Torque(ship).y, 0.0f);
    PhysicsBodyOf(ship)->ResetForces();
    ASSERT_TRUE(ship->SteerTowards(QNVEC3(0, 5, 5), gain, 1.0f, 0.01f));
    EXPECT_LT(Torque(ship).x, 0.0f);
    PhysicsBodyOf(ship)->ResetForces();
    EXPECT_FALSE(ship->SteerTowards(QNVEC3(0, 0, 5), gain, 1.0f, 0.01f));

    for (int i = 0; i < 500; ++i) {
        QNMATRIX r, ry;
        r.SetRotationX(Random() * 3.2f);
        ry.SetRotationY(Random() * 3.2f);
        QNMATRIX rz;
        rz.SetRotationZ(Random() * 3.2f);
        ship->SetTransform(r * ry * rz * Translation(Random(), Random(), Random()));
        const QNVEC3 target = (i % 50 == 0) ? ship->GetWorldMatrix().Translation()
                                            : QNVEC3(Random() * 10, Random() * 10, Random() * 10);
        Advance(0.2);
        ship->SteerTowards(target, gain, (i % 7 == 0) ? 0.0f : 0.5f, 0.01f);
        const QNVEC3 t = Torque(ship);
        ASSERT_TRUE(std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z)) << i;
        PhysicsBodyOf(ship)->ResetForces();
    }

    // Pushing: nothing within the stop radius, a faded push inside the slow radius.
    ship->SetTransform(QNMATRIX());
    EXPECT_FALSE(ship->PushTowards(QNVEC3(0.5f, 0, 0), gain, 4.0f, 1.0f));
    Advance(0.2);
    EXPECT_TRUE(ship->TurnTowards(QNVEC3(2, 0, 0), QNVEC3(3, 3, 3), 4.0f, 1.0f));
    QNVEC3 f;
    MdtBodyGetForce(PhysicsBodyOf(ship)->Body, &f.x);
    EXPECT_NEAR(f.x, 1.5f, 1e-5f);
}

TEST_F(PhysicsTest, StopMotionStopsPlainDescendantsOnly)
{
    QNVIEW view(nullptr);
    auto* top = new GAMENODE(view.Root, "TOP", 0, QNCF_LEVEL_PLAIN | QNCF_BODY, 0, 0, nullptr, 0);
    auto* part = new GAMENODE(top, "PART", 0, QNCF_LEVEL_PLAIN | QNCF_BODY, 0, 0, nullptr, 0);
    auto* object = new GAMENODE(top, "OBJECT", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, nullptr, 0);
    for (QNNODE* n : {static_cast<QNNODE*>(top), static_cast<QNNODE*>(part), static_cast<QNNODE*>(object)}) {
        PhysicsBodyOf(n)->SetLinearVelocity(QNVEC3(1, 0, 0));
        PhysicsBodyOf(n)->SetAngularVelocity(QNVEC3(0, 1, 0));
    }
    top->StopMotion(true, QNCF_LEVEL_PLAIN);
    EXPECT_TRUE(top->IsSlowerThan(0.001f) && top->IsTurningSlowerThan(0.001f));
    EXPECT_TRUE(part->IsSlowerThan(0.001f) && part->IsTurningSlowerThan(0.001f));
    EXPECT_FALSE(object->IsSlowerThan(0.5f));
    EXPECT_FALSE(object->IsTurningSlowerThan(0.5f));
}

namespace {

// Touches a partner and asks to be removed; records the phases it hears.
class Touchy : public GAMENODE {
public:
    using GAMENODE::GAMENODE;
    void OnContact(QNNODE*, std::uint32_t phase, const float*, const float*) override
    {
        Phases.push_back(phase);
        if (RemoveOnTouch)
            QNPHYSWORLD::DeferRemove(this);
    }
    std::vector<std::uint32_t> Phases;
    bool RemoveOnTouch = false;
};

}  // namespace

TEST_F(PhysicsTest, ANodeRemovedFromItsContactGoesAtTheNextUpdateNotDuringTheStep)
{
    QNMESH ma, mb;
    QNVIEW view(nullptr);
    const QNMATRIX pa = Translation(0, 0, 0), pb = Translation(0.9f, 0, 0);
    auto* a = new Touchy(view.Root, "A", 0, QNCF_LEVEL_GAME | QNCF_BODY | QNCF_CONTACTS, 0, 0, &pa, 0);
    auto* b = new Touchy(view.Root, "B", 0, QNCF_LEVEL_GAME | QNCF_BODY | QNCF_CONTACTS, 0, 0, &pb, 0);
    for (auto [n, m] : {std::pair{a, &ma}, std::pair{b, &mb}}) {
        n->SetState(3, 0, false, false);
        GiveShape(n, *m, 1);
    }
    b->RemoveOnTouch = true;
    QNWEAK<QNNODE> weakB(b);
    ASSERT_NE(view.World, nullptr);
    view.World->Step(0.02f);
    ASSERT_TRUE(weakB);
    EXPECT_EQ(b->Phases, std::vector<std::uint32_t>{0});
    EXPECT_EQ(a->Phases, std::vector<std::uint32_t>{0});
    view.World->Step(0.02f);
    ASSERT_EQ(a->Phases.size(), 2u);
    EXPECT_EQ(a->Phases.back(), 1u);
    view.RunOnceList();
    EXPECT_FALSE(weakB);
    view.World->Step(0.02f);  // the partner is gone from the world as well

    QNNODEHIT hits[4];
    const int n = a->CastSegment(-5.0f, 5.0f, QNVEC3(1, 0, 0), 4, hits);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(hits[0].Node, a);
    EXPECT_NEAR(hits[0].Distance, 4.5f, 0.02f);
}

TEST_F(PhysicsTest, AViewMakesAFreshWorldAfterItsWorldWasReset)
{
    QNVIEW view(nullptr);
    ASSERT_NE(view.World, nullptr);
    QNHOOKS::Scene.ResetWorld(&view);
    EXPECT_EQ(view.World, nullptr);
    EXPECT_EQ(PhysicsBodyOf(view.Root)->World, nullptr);

    auto* n = new GAMENODE(view.Root, "N", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, nullptr, 0);
    ASSERT_NE(view.World, nullptr);
    EXPECT_EQ(PhysicsBodyOf(n)->World, view.World);
    EXPECT_EQ(PhysicsBodyOf(view.Root)->World, view.World);
    PhysicsBodyOf(n)->SetLinearVelocity(QNVEC3(0, 1, 0));
    QNHOOKS::Scene.StepWorld(&view, 0.1f);
    EXPECT_NEAR(n->GetWorldMatrix().Translation().y, 0.1f, 1e-4f);
}

TEST_F(PhysicsTest, APairedPartRidesOnItsBodyAncestorWithoutTouchingIt)
{
    QNMESH hullMesh, finMesh;
    QNVIEW view(nullptr);
    const QNMATRIX at = Translation(0, 0, 10);
    auto* ship = new GAMENODE(view.Root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &at, 0);
    const QNMATRIX finAt = Translation(0, 1, 0);
    auto* fin = new GAMENODE(ship, "FIN", 0, QNCF_LEVEL_PLAIN, QNUF_PAIR_BODY, 1, &finAt, 0);
    ship->SetState(3, 0, false, true);
    GiveShape(ship, hullMesh, 1.5f);
    GiveShape(fin, finMesh, 1.0f);
    ASSERT_NE(fin->Model, nullptr);
    EXPECT_EQ(fin->BodyMode, 6);
    ExpectNear(fin->GetWorldMatrix(), finAt * at);

    PhysicsBodyOf(ship)->SetLinearVelocity(QNVEC3(1, 0, 0));
    PhysicsBodyOf(ship)->SetAngularVelocity(QNVEC3(0, 0, 0.5f));
    for (int i = 0; i < 20; ++i)
        view.World->Step(0.02f);
    PhysicsBodyOf(fin)->UpdateModel();
    ExpectNear(fin->GetWorldMatrix(), finAt * ship->GetWorldMatrix());
    QNBOX box;
    fin->GetBox(box, false);
    const QNVEC3 centre = (box.min + box.max) * 0.5f;
    const QNVEC3 expected = QNVEC3::TransformCoord(QNVEC3(0, 1, 0), ship->GetWorldMatrix());
    EXPECT_NEAR(centre.x, expected.x, 1e-3f);
    EXPECT_NEAR(centre.y, expected.y, 1e-3f);
    // The overlapping hull and fin never push each other: the ship keeps its straight course.
    EXPECT_NEAR(ship->GetWorldMatrix().Translation().y, 0.0f, 1e-4f);
    EXPECT_NEAR(PhysicsBodyOf(ship)->GetLinearVelocity().x, 1.0f, 1e-4f);
}

bool PairEnabled(QNCOLLIDERNODE* a, QNCOLLIDERNODE* b)
{
    McdSpace* space = McdModelGetSpace(a->Model);
    return space && space->IsPairEnabled(a->Model->spaceId, b->Model->spaceId);
}

TEST_F(PhysicsTest, ACarriedPartStaysOutOfPairsWithItsCarrierWhateverTheOrderOfTheirModels)
{
    QNMESH hullMesh, sensorMesh;
    QNVIEW view(nullptr);
    const QNMATRIX at = Translation(0, 0, 10);
    auto* ship = new GAMENODE(view.Root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &at, 0);
    auto* sensor = new GAMENODE(ship, "SENSOR", 0, QNCF_LEVEL_PLAIN, QNUF_PAIR_PARENT, 1, nullptr, 0);
    ship->SetState(3, 0, false, true);
    // The carried part's model comes first, while the carrier has none yet.
    GiveShape(sensor, sensorMesh, 3.0f);
    GiveShape(ship, hullMesh, 1.5f);
    ASSERT_NE(sensor->Model, nullptr);
    ASSERT_NE(ship->Model, nullptr);
    ASSERT_NE(McdModelGetSpace(sensor->Model), nullptr);
    ASSERT_NE(McdModelGetSpace(ship->Model), nullptr);
    EXPECT_FALSE(PairEnabled(sensor, ship));
    // Taking either out of the space and back (its pairs start enabled again) keeps the pair off.
    for (GAMENODE* n : {ship, sensor}) {
        SCOPED_TRACE(n == ship ? "the carrier" : "the carried part");
        n->SetState(1, 0, false, false);
        n->SetState(3, 0, false, false);
        ASSERT_NE(McdModelGetSpace(n->Model), nullptr);
        EXPECT_FALSE(PairEnabled(sensor, ship));
    }
    PhysicsBodyOf(ship)->SetLinearVelocity(QNVEC3(1, 0, 0));
    for (int i = 0; i < 10; ++i)
        view.World->Step(0.02f);
    EXPECT_NEAR(PhysicsBodyOf(ship)->GetLinearVelocity().x, 1.0f, 1e-4f);
    EXPECT_NEAR(PhysicsBodyOf(ship)->GetLinearVelocity().y, 0.0f, 1e-4f);
}

TEST_F(PhysicsTest, APairSwitchedOffStaysOffWhicheverModelEntersTheSpaceLater)
{
    QNMESH seatMesh, hullMesh, hullMesh2;
    QNVIEW view(nullptr);
    const QNMATRIX at = Translation(0, 0, 10);
    auto* ship = new GAMENODE(view.Root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &at, 0);
    auto* seat = new GAMENODE(view.Root, "SEAT", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &at, 0);
    ship->SetState(3, 0, false, true);
    GiveShape(ship, hullMesh, 2.0f);
    GiveShape(seat, seatMesh, 1.0f);
    ASSERT_NE(seat->Model, nullptr);
    ASSERT_EQ(McdModelGetSpace(seat->Model), nullptr);  // hidden: out of the space

    // Switched off while the seat is out of the space, then the seat is shown.
    seat->SetTreeCollision(ship, false);
    seat->SetState(3, 0, false, true);
    ASSERT_NE(McdModelGetSpace(seat->Model), nullptr);
    EXPECT_FALSE(PairEnabled(seat, ship));

    // Either side leaving and entering again, or the ship taking a new shape, keeps it off.
    for (GAMENODE* n : {ship, seat}) {
        n->SetState(1, 0, false, false);
        n->SetState(3, 0, false, false);
        EXPECT_FALSE(PairEnabled(seat, ship)) << n->Name().Text();
    }
    GiveShape(ship, hullMesh2, 2.5f);
    ASSERT_NE(McdModelGetSpace(ship->Model), nullptr);
    EXPECT_FALSE(PairEnabled(seat, ship));

    // The overlapping pair never pushes the seat.
    PhysicsBodyOf(seat)->SetLinearVelocity(QNVEC3(0, 1, 0));
    for (int i = 0; i < 10; ++i)
        view.World->Step(0.02f);
    EXPECT_NEAR(PhysicsBodyOf(seat)->GetLinearVelocity().x, 0.0f, 1e-4f);
    EXPECT_NEAR(PhysicsBodyOf(seat)->GetLinearVelocity().y, 1.0f, 1e-4f);

    // Both moved to another view: their new bodies keep the pair off in the new world.
    QNVIEW other(nullptr);
    ship->AttachWithState(other.Root, 3, 0, false, true);
    seat->AttachWithState(other.Root, 3, 0, false, true);
    ASSERT_NE(seat->Model, nullptr);
    ASSERT_NE(ship->Model, nullptr);
    ASSERT_EQ(McdModelGetSpace(seat->Model), other.World->Space);
    ASSERT_EQ(McdModelGetSpace(ship->Model), other.World->Space);
    EXPECT_FALSE(PairEnabled(seat, ship));

    // Switched on again, it stays on across a new entry; a gone partner is forgotten.
    seat->SetTreeCollision(ship, true);
    seat->SetState(1, 0, false, false);
    seat->SetState(3, 0, false, false);
    EXPECT_TRUE(PairEnabled(seat, ship));
    seat->SetTreeCollision(ship, false);
    QNITEM::Destroy(ship);
    seat->SetState(1, 0, false, false);
    seat->SetState(3, 0, false, false);
    EXPECT_NE(McdModelGetSpace(seat->Model), nullptr);
}

TEST_F(PhysicsTest, NodeJointsHingeOnTheParentAndDriveEveryFrame)
{
    QNVIEW view(nullptr);
    const QNMATRIX base = Translation(0, 0, 0);
    auto* frame = new GAMENODE(view.Root, "FRAME", 0, QNCF_LEVEL_GAME, 0, 0, &base, 0);
    const QNMATRIX doorAt = Translation(1.00004f, 0, 0);
    auto* door = new GAMENODE(frame, "DOOR", 0, QNCF_LEVEL_PLAIN | QNCF_BODY, 0, 0, &doorAt, 0);
    // The hinge axis is the frame's z axis turned to the world's y, at the door's left edge.
    QNMATRIX hinge;
    hinge.SetRotationX(-1.5707964f);
    hinge = hinge * Translation(-1, 0, 0);
    door->CreateJoint(QNJOINT_HINGE, &hinge);
    ASSERT_NE(door->Joint, nullptr);
    ASSERT_NE(door->Joint->Constraint, nullptr);
    EXPECT_EQ(door->Joint->First, PhysicsBodyOf(door));
    EXPECT_EQ(door->Joint->Second, PhysicsBodyOf(frame));
    ASSERT_NE(view.World, nullptr);
    EXPECT_EQ(view.World->ConstraintCount(), 1);

    door->SetJointLimits(-1.0f, 1.0f);
    door->DriveJoint(0.0f, 0.6f, 1.0f, 0.1f, 50.0f, 0.02f);
    EXPECT_TRUE(door->IsOnUpdateList());
    float largest = 0.0f;
    for (int i = 0; i < 150; ++i) {
        view.RunUpdateList();
        view.World->Step(0.02f);
        largest = std::max(largest, MdtLimitGetPosition(door->Joint->GetLimit(0)));
    }
    EXPECT_GT(largest, 0.55f);
    EXPECT_LT(largest, 0.7f);
    // The door turns about the hinge line: its centre keeps its distance 1 from it.
    const QNVEC3 c = door->GetWorldMatrix().Translation();
    EXPECT_NEAR(std::hypot(c.x + 0.0f, c.z), 1.0f, 0.01f);

    door->SetJointMotor(0.0f, 0.0f);
    EXPECT_EQ(door->Joint->Driving, 0);
    QNITEM::Destroy(door);
    EXPECT_EQ(view.World->ConstraintCount(), 0);
}

TEST_F(PhysicsTest, AMovedNodeTakesANewDisabledBodyInItsNewViewsWorld)
{
    QNMESH mesh;
    QNVIEW from(nullptr), to(nullptr);
    const QNMATRIX at = Translation(2, 0, 0);
    auto* n = new GAMENODE(from.Root, "N", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &at, 0);
    n->SetState(3, 0, false, false);
    GiveShape(n, mesh, 1);
    PhysicsBodyOf(n)->SetMass(2.0f);
    ASSERT_EQ(McdSpaceGetModelCount(from.World->Space), 1);

    // Moved dormant, the new body stays disabled; shown again, its model joins the space and
    // wakes it.
    n->AttachWithState(to.Root, 1, 0, false, true);
    QNBODY* body = PhysicsBodyOf(n);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->World, to.World);
    EXPECT_FALSE(body->IsEnabled());
    EXPECT_FALSE(body->IsAttached());
    EXPECT_FLOAT_EQ(body->GetMass(), 2.0f);
    n->SetState(3, 0, false, true);
    EXPECT_TRUE(body->IsEnabled());
    EXPECT_EQ(McdSpaceGetModelCount(from.World->Space), 0);
    EXPECT_EQ(McdSpaceGetModelCount(to.World->Space), 1);
    EXPECT_EQ(n->Model, body->Model);
    ExpectNear(n->GetWorldMatrix(), at);
    EXPECT_EQ(from.World->BodyCount(), 0);
    EXPECT_EQ(to.World->BodyCount(), 1);
}

TEST_F(PhysicsTest, AFixedPartPlacedOnAFixedParentGetsItsModelInWorldSpace)
{
    QNMESH mesh;
    QNVIEW view(nullptr);
    const QNMATRIX base = Turn(0.4f, 10, 0, 0), offset = Translation(0, 1, 0);
    auto* station = new GAMENODE(view.Root, "STATION", 0, QNCF_LEVEL_GAME, 0, 0, &base, 0);
    auto* part = new GAMENODE(station, "PART", 0, QNCF_LEVEL_PLAIN, 0, 1, &offset, 0);
    station->SetState(3, 0, false, true);
    GiveShape(part, mesh, 1);
    EXPECT_EQ(part->BodyMode, 5);
    ExpectNear(part->GetWorldMatrix(), offset * base);
    ExpectNear(part->GetLocalMatrix(), offset);
    QNBOX box;
    part->GetBox(box, false);
    EXPECT_NEAR((box.min.x + box.max.x) * 0.5f, 10.0f, 1e-4f);
    EXPECT_NEAR((box.min.y + box.max.y) * 0.5f, 1.0f, 1e-4f);
}

TEST_F(PhysicsTest, TreeBoundsUniteThePlainPartsOfASubtree)
{
    QNMESH unit;
    unit.SetBoxSize(2, 2, 2);
    QNVIEW view(nullptr);
    const QNMATRIX at = Translation(10, 0, 0), right = Translation(5, 0, 0), far = Translation(20, 0, 0);
    auto* top = new GAMENODE(view.Root, "TOP", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    auto* part = new GAMENODE(top, "PART", 0, QNCF_LEVEL_PLAIN, 0, 1, &right, 0);
    auto* hidden = new GAMENODE(top, "MARKED", 0, QNCF_LEVEL_PLAIN, 32, 1, &far, 0);
    auto* object = new GAMENODE(top, "OBJECT", 0, QNCF_LEVEL_GAME, 0, 1, &far, 0);
    for (GAMENODE* n : {top, part, hidden, object})
        n->Mesh = &unit;

    QNBOX box;
    top->GetTreeBounds(box, true, false);
    EXPECT_EQ(box.min, QNVEC3(9, -1, -1));
    EXPECT_EQ(box.max, QNVEC3(16, 1, 1));
    top->GetBounds(box, true, false);
    EXPECT_EQ(box.min, QNVEC3(-1, -1, -1));
    EXPECT_EQ(box.max, QNVEC3(6, 1, 1));
    top->GetTreeBounds(box, false, false);
    EXPECT_EQ(box.max, QNVEC3(11, 1, 1));

    top->UpdateSphereBounds(true);
    EXPECT_EQ(top->Bounds->TreeBox.max, QNVEC3(6, 1, 1));
    EXPECT_FLOAT_EQ(top->Bounds->Radius, QNVEC3(7, 2, 2).Length() * 0.5f);
    top->UpdateWorldBounds(true);
    EXPECT_EQ(top->Bounds->WorldBox.max, QNVEC3(16, 1, 1));
    // The caches answer until they are cleared.
    part->SetTranslation(QNVEC3(8, 0, 0));
    top->GetTreeBounds(box, true, true);
    EXPECT_EQ(box.max, QNVEC3(16, 1, 1));
    top->UpdateWorldBounds(false);
    top->GetTreeBounds(box, true, true);  // from the local cache, moved into the world
    EXPECT_EQ(box.max, QNVEC3(16, 1, 1));
    top->UpdateSphereBounds(false);
    top->GetTreeBounds(box, true, true);
    EXPECT_EQ(box.max, QNVEC3(19, 1, 1));
}

TEST_F(PhysicsTest, AMovedNodesRidingChildTakesItsModelIntoTheNewWorld)
{
    QNMESH hullMesh, finMesh;
    QNVIEW from(nullptr), to(nullptr);
    auto* ship = new GAMENODE(from.Root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, nullptr, 0);
    const QNMATRIX finAt = Translation(0, 1, 0);
    auto* fin = new GAMENODE(ship, "FIN", 0, QNCF_LEVEL_PLAIN, 0, 1, &finAt, 0);
    ship->SetState(3, 0, false, true);
    GiveShape(ship, hullMesh, 1.5f);
    GiveShape(fin, finMesh, 1.0f);
    ASSERT_EQ(McdSpaceGetModelCount(from.World->Space), 2);

    ship->AttachWithState(to.Root, 3, 0, false, true);
    // Both models left the old space; the fin's rides on the ship's new body.
    EXPECT_EQ(McdSpaceGetModelCount(from.World->Space), 0);
    EXPECT_EQ(McdSpaceGetModelCount(to.World->Space), 2);
    ASSERT_NE(fin->Model, nullptr);
    EXPECT_EQ(PhysicsBodyOf(fin)->World, to.World);
    EXPECT_EQ(McdModelGetBody(fin->Model), PhysicsBodyOf(ship)->Body);
    PhysicsBodyOf(ship)->SetLinearVelocity(QNVEC3(1, 0, 0));
    for (int i = 0; i < 10; ++i)
        to.World->Step(0.02f);
    PhysicsBodyOf(fin)->UpdateModel();
    ExpectNear(fin->GetWorldMatrix(), finAt * ship->GetWorldMatrix());
    QNITEM::Destroy(ship);
    EXPECT_EQ(McdSpaceGetModelCount(to.World->Space), 0);
}
