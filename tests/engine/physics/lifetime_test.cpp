// Node lifetimes across the physics step, joints and moves between views.

#include <cmath>
#include <functional>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/view.h"
#include "physics/collision/model.h"
#include "physics/dynamics/dynamics.h"
#include "physics_fixture.h"

namespace {

void GiveShape(QNMESHNODE* node, QNMESH& mesh, float side)
{
    mesh.SetBoxSize(side, side, side);
    mesh.CreateCollision(QNCOLLGEOM::BOX, 0, "box");
    node->Mesh = &mesh;
    QNHOOKS::Slots.SetCollisionMesh(node, &mesh);
}

int Models(const QNPHYSWORLD* w)
{
    return w && w->Space ? McdSpaceGetModelCount(w->Space) : 0;
}

// A node whose contact operation and destructor run the test's code.
class PROBE : public GAMENODE {
public:
    using GAMENODE::GAMENODE;
    ~PROBE() override
    {
        if (OnDestroy)
            OnDestroy();
    }
    void OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*) override
    {
        if (Touched)
            Touched(other, phase);
    }
    std::function<void(QNNODE*, std::uint32_t)> Touched;
    std::function<void()> OnDestroy;
};

constexpr std::uint32_t kDynamic = QNCF_LEVEL_GAME | QNCF_BODY | QNCF_CONTACTS;

}  // namespace

TEST_F(PhysicsTest, ContactOperationsDeleteMoveAndCreateNodesOnlyAfterTheStep)
{
    QNMESH ma, mb, mc, md;
    QNVIEW view(nullptr), other(nullptr);
    const QNMATRIX pa = Translation(0, 0, 0), pb = Translation(0.9f, 0, 0), pc = Translation(-0.9f, 0, 0);
    auto* a = new PROBE(view.Root, "A", 0, kDynamic, 0, 0, &pa, 0);
    auto* b = new PROBE(view.Root, "B", 0, kDynamic, 0, 0, &pb, 0);
    auto* c = new PROBE(view.Root, "C", 0, kDynamic, 0, 0, &pc, 0);
    for (auto [n, m] : {std::pair{a, &ma}, std::pair{b, &mb}, std::pair{c, &mc}}) {
        n->SetState(3, 0, false, false);
        GiveShape(n, *m, 1);
    }
    QNWEAK<QNNODE> weakB(b);
    bool steppingAtDestruction = true, steppingAtTouch = true;
    b->OnDestroy = [&] { steppingAtDestruction = view.World->IsStepping(); };
    int touchesOfB = 0;
    b->Touched = [&](QNNODE*, std::uint32_t) { ++touchesOfB; };
    GAMENODE* spawned = nullptr;
    // A deletes B, moves C to the other view and makes a new node with a model, all from its
    // contact operation; B and C still report their own touches of A in the same step.
    a->Touched = [&](QNNODE* touching, std::uint32_t phase) {
        steppingAtTouch = view.World->IsStepping();
        if (phase != QNCONTACT_BEGAN)
            return;
        if (touching == b)
            QNITEM::Destroy(b);
        if (touching == c)
            c->AttachWithState(other.Root, 3, 0, false, true);
        if (!spawned) {
            const QNMATRIX at = Translation(0, 5, 0);
            spawned = new GAMENODE(view.Root, "NEW", 0, kDynamic, 0, 0, &at, 0);
            spawned->SetState(3, 0, false, false);
            GiveShape(spawned, md, 1);
        }
    };
    view.World->Step(0.02f);

    EXPECT_FALSE(steppingAtTouch);
    EXPECT_FALSE(weakB);
    EXPECT_FALSE(steppingAtDestruction);
    EXPECT_LE(touchesOfB, 1);
    ASSERT_NE(spawned, nullptr);
    EXPECT_EQ(Models(view.World), 2);  // A and the new node
    EXPECT_EQ(view.World->BodyCount(), 2);
    EXPECT_EQ(Models(other.World), 1);
    EXPECT_EQ(PhysicsBodyOf(c)->World, other.World);
    for (int i = 0; i < 5; ++i) {
        view.World->Step(0.02f);
        other.World->Step(0.02f);
    }
    EXPECT_NEAR(spawned->GetWorldMatrix().Translation().y, 5.0f, 1e-3f);
}

TEST_F(PhysicsTest, AJointWhosePartnerIsDeletedGoesInert)
{
    QNVIEW view(nullptr);
    const QNMATRIX postAt = Translation(0, 0, 0), doorAt = Translation(1, 0, 0);
    auto* post = new GAMENODE(view.Root, "POST", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &postAt, 0);
    auto* door = new GAMENODE(view.Root, "DOOR", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &doorAt, 0);
    const QNMATRIX hinge = Translation(0.5f, 0, 0);
    door->CreateJointVariant(QNJOINT_HINGE, post, &hinge);
    QNJOINT* joint = door->Joint;
    ASSERT_NE(joint, nullptr);
    ASSERT_EQ(joint->First, PhysicsBodyOf(post));
    EXPECT_EQ(view.World->ConstraintCount(), 1);
    door->SetJointLimits(-1, 1);
    door->DriveJoint(0, 0.5f, 1, 0.1f, 10, 0.02f);

    QNITEM::Destroy(post);
    EXPECT_TRUE(joint->IsInert());
    EXPECT_EQ(joint->First, nullptr);
    EXPECT_EQ(joint->Second, nullptr);
    EXPECT_EQ(view.World->ConstraintCount(), 0);
    EXPECT_TRUE(PhysicsBodyOf(door)->Joints.empty());
    // The drive and the motor calls of the inert joint do nothing.
    door->ActivateJointMotor(true);
    door->SetJointMotor(1, 1);
    for (int i = 0; i < 3; ++i) {
        view.RunUpdateList();
        view.World->Step(0.02f);
    }
    EXPECT_EQ(joint->GetLimit(0), nullptr);
}

TEST_F(PhysicsTest, AMovedSubtreeTakesItsJointsRidersAndFixedPartsToTheNewWorld)
{
    QNMESH hullMesh, finMesh, plateMesh;
    QNVIEW from(nullptr), to(nullptr);
    const QNMATRIX shipAt = Translation(0, 0, 10);
    auto* ship = new GAMENODE(from.Root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &shipAt, 0);
    const QNMATRIX finAt = Translation(0, 1, 0);
    auto* fin = new GAMENODE(ship, "FIN", 0, QNCF_LEVEL_PLAIN, QNUF_PAIR_BODY, 1, &finAt, 0);
    const QNMATRIX doorAt = Translation(2, 0, 10);
    auto* door = new GAMENODE(ship, "DOOR", 0, QNCF_LEVEL_PLAIN | QNCF_BODY, 0, 0, &doorAt, 0);
    const QNMATRIX plateAt = Translation(0, -3, 10);
    auto* plate = new GAMENODE(ship, "PLATE", 0, QNCF_LEVEL_PLAIN, 0, 0, &plateAt, 0);
    ship->SetState(3, 0, false, true);
    GiveShape(ship, hullMesh, 1.5f);
    GiveShape(fin, finMesh, 1.0f);
    GiveShape(plate, plateMesh, 1.0f);
    QNMATRIX hinge;
    hinge.SetRotationX(-1.5707964f);
    hinge = hinge * Translation(-1, 0, 0);
    door->CreateJoint(QNJOINT_HINGE, &hinge);
    ASSERT_NE(door->Joint->Constraint, nullptr);
    ASSERT_EQ(Models(from.World), 3);

    ship->AttachWithState(to.Root, 3, 0, false, true);

    // Nothing of the subtree stays behind.
    EXPECT_EQ(Models(from.World), 0);
    EXPECT_EQ(from.World->BodyCount(), 0);
    EXPECT_EQ(from.World->ConstraintCount(), 0);
    EXPECT_EQ(Models(to.World), 3);
    EXPECT_EQ(to.World->BodyCount(), 2);
    EXPECT_EQ(to.World->ConstraintCount(), 1);
    for (QNNODE* n : {static_cast<QNNODE*>(ship), static_cast<QNNODE*>(fin), static_cast<QNNODE*>(door),
                      static_cast<QNNODE*>(plate)})
        EXPECT_EQ(PhysicsBodyOf(n)->World, to.World) << n->Name().Text();
    // The joint follows both new bodies; the fin rides on the ship's new body.
    QNJOINT* joint = door->Joint;
    ASSERT_FALSE(joint->IsInert());
    EXPECT_EQ(joint->First, PhysicsBodyOf(door));
    EXPECT_EQ(joint->Second, PhysicsBodyOf(ship));
    EXPECT_EQ(joint->Constraint->world, to.World->World);
    EXPECT_EQ(McdModelGetBody(fin->Model), PhysicsBodyOf(ship)->Body);
    EXPECT_EQ(fin->BodyMode, 6);

    // The ship drifts: the fin keeps its place on it and the hinge keeps the door's distance.
    PhysicsBodyOf(ship)->SetLinearVelocity(QNVEC3(1, 0, 0));
    PhysicsBodyOf(door)->SetLinearVelocity(QNVEC3(1, 0, 0));
    for (int i = 0; i < 25; ++i)
        to.World->Step(0.02f);
    const QNVEC3 s = ship->GetWorldMatrix().Translation();
    EXPECT_NEAR(s.x, 0.5f, 0.05f);
    PhysicsBodyOf(fin)->UpdateModel();
    QNBOX box;
    fin->GetBox(box, false);
    EXPECT_NEAR((box.min.x + box.max.x) * 0.5f, s.x, 1e-3f);
    const QNVEC3 d = door->GetWorldMatrix().Translation() - s;
    EXPECT_NEAR(std::hypot(d.x - 1.0f, d.z), 1.0f, 0.05f);
}
