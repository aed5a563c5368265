// Worlds, bodies and joints: the step's time filter, force scaling, model placement, joint
// drives and the pair filter.

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "engine/physics/qncollgeom.h"
#include "engine/scene/node.h"
#include "physics/collision/dt_bridge.h"
#include "physics/dynamics/dynamics.h"
#include "physics_fixture.h"

namespace {

QNVEC3 Position(const QNBODY& b)
{
    return b.GetTransform().Translation();
}

QNVEC3 BoundsCentre(const QNBODY& b)
{
    QNVEC3 lo, hi;
    EXPECT_TRUE(b.GetBounds(lo, hi));
    return (lo + hi) * 0.5f;
}

QNVEC3 Force(const QNBODY& b)
{
    QNVEC3 f;
    MdtBodyGetForce(b.Body, &f.x);
    return f;
}

}  // namespace

TEST_F(PhysicsTest, StepIgnoresFrameTimesOutsideTheRangeAndKeepsTheClock)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
    ASSERT_NE(w, nullptr);
    QNBODY b(w, nullptr, nullptr);
    b.SetDynamic(true);
    b.SetLinearVelocity(QNVEC3(1, 0, 0));
    QNTIMER::SetFrameCounter(2000000);
    for (float dt : {0.0f, -0.01f, 0.26f, std::numeric_limits<float>::quiet_NaN(),
                     std::numeric_limits<float>::infinity()}) {
        w->Step(dt);
        EXPECT_EQ(Position(b).x, 0.0f) << dt;
        EXPECT_EQ(QNPHYSWORLD::Clock(), 0.0f) << dt;
    }
    w->Step(0.25f);
    EXPECT_NEAR(Position(b).x, 0.25f, 1e-4f);
    EXPECT_FLOAT_EQ(QNPHYSWORLD::Clock(), 2.0f);
    b.Release();
    QNPHYSWORLD::Destroy(w);
}

TEST_F(PhysicsTest, ForcesScaleByRateAndFadeInAfterTheLastOne)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
    QNBODY b(w, nullptr, nullptr);
    b.SetDynamic(true);
    QNAPP::Rate = 2.0f;
    Advance(1.0);

    b.AddForce(QNVEC3(1, 0, 0));  // a long pause: the full F x Rate
    EXPECT_FLOAT_EQ(Force(b).x, 2.0f);
    b.AddForce(QNVEC3(1, 0, 0));  // the same frame: e = 0 adds nothing
    EXPECT_FLOAT_EQ(Force(b).x, 2.0f);
    Advance(0.05);
    b.AddForce(QNVEC3(1, 0, 0));  // half-way through the fade-in
    EXPECT_NEAR(Force(b).x, 3.0f, 1e-5f);
    Advance(0.1);
    b.AddForce(QNVEC3(0, 1, 0));
    EXPECT_NEAR(Force(b).y, 2.0f, 1e-5f);

    // Torque keeps its own time: a torque right after a force is not faded.
    b.AddTorque(QNVEC3(0, 0, 3));
    QNVEC3 t;
    MdtBodyGetTorque(b.Body, &t.x);
    EXPECT_NEAR(t.z, 6.0f, 1e-5f);

    // A clock that went back (restarted) is a long pause, never a reversed force.
    b.ResetForces();
    Advance(1.0);
    b.AddForce(QNVEC3(1, 0, 0));
    QNPHYSWORLD::InitFramework(500, 100);
    b.ResetForces();
    b.LastForce = 5.0f;
    b.AddForce(QNVEC3(1, 0, 0));
    EXPECT_FLOAT_EQ(Force(b).x, 2.0f);
    b.Release();
    QNPHYSWORLD::Destroy(w);
}

TEST_F(PhysicsTest, ModelsFollowTheOwnTransformOrRideOnACarrier)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
    QNCOLLGEOM box;
    box.MakeBox(1, 1, 1);

    QNBODY fixed(w, nullptr, nullptr);
    fixed.SetTransform(Translation(5, 0, 0));
    fixed.SetGeometry(&box);
    EXPECT_NEAR(BoundsCentre(fixed).x, 5.0f, 1e-5f);
    fixed.SetTransform(Translation(7, 0, 0));
    fixed.UpdateModel();
    EXPECT_NEAR(BoundsCentre(fixed).x, 7.0f, 1e-5f);

    QNBODY carrier(w, nullptr, nullptr);
    carrier.SetDynamic(true);
    carrier.SetTransform(Translation(0, 0, 20));
    carrier.SetLinearVelocity(QNVEC3(1, 0, 0));
    carrier.SetAngularVelocity(QNVEC3(0, 0, 1));
    QNBODY rider(w, nullptr, nullptr);
    rider.SetTransform(Translation(0, 2, 20));
    rider.SetGeometry(&box, &carrier);
    for (int i = 0; i < 25; ++i)
        w->Step(0.02f);
    // The rider's centre stays at (0, 2, 0) in the carrier's frame while the carrier moves
    // and turns (the step refreshes models before it moves the bodies, so refresh it once).
    rider.UpdateModel();
    const QNVEC3 expected = QNVEC3::TransformCoord(QNVEC3(0, 2, 0), carrier.GetTransform());
    const QNVEC3 got = BoundsCentre(rider);
    EXPECT_GT(carrier.GetTransform().Translation().x, 0.4f);
    EXPECT_NEAR(got.x, expected.x, 1e-3f);
    EXPECT_NEAR(got.y, expected.y, 1e-3f);
    EXPECT_NEAR(got.z, expected.z, 1e-3f);
    EXPECT_NE(rider.Model, nullptr);

    rider.Release();
    carrier.Release();
    fixed.Release();
    box.Clear();
    QNPHYSWORLD::Destroy(w);
}

TEST_F(PhysicsTest, JointDriveSwingsBetweenItsEndsWithinTheTolerance)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
    QNBODY b(w, nullptr, nullptr);
    b.SetDynamic(true);
    b.SetTransform(Translation(1, 0, 0));
    QNJOINT j;
    j.Create(w, QNJOINT_HINGE);
    ASSERT_NE(j.Constraint, nullptr);
    j.SetBodies(&b, nullptr);
    j.SetPosition(QNVEC3(0, 0, 0), QNVEC3());
    j.SetAxis(QNVEC3(0, 0, 1), QNVEC3());
    ASSERT_NE(j.GetLimit(0), nullptr);
    EXPECT_EQ(j.GetLimit(1), nullptr);
    j.SetMotor(1.0f, 50.0f, 0);
    EXPECT_FALSE(MdtLimitIsMotorized(j.GetLimit(0)));
    j.ActivateMotor(true, 0);
    j.SetDrive(0.0f, 0.5f, 1.0f, 50.0f, 0.1f, 0.02f);
    EXPECT_EQ(j.Target, 0.5f);

    std::vector<float> targets{j.Target};
    float largest = 0.0f;
    for (int i = 0; i < 600 && targets.size() < 3; ++i) {
        j.UpdateDrive(0);
        if (j.Target != targets.back()) {
            // A swap happens only within the tolerance of the end reached.
            EXPECT_NEAR(MdtLimitGetPosition(j.GetLimit(0)), targets.back(), 0.02f);
            targets.push_back(j.Target);
        }
        w->Step(0.02f);
        largest = std::max(largest, MdtLimitGetPosition(j.GetLimit(0)));
    }
    ASSERT_EQ(targets.size(), 3u);
    EXPECT_EQ(targets[1], 0.0f);
    EXPECT_EQ(targets[2], 0.5f);
    EXPECT_GT(largest, 0.45f);

    // A negative speed starts towards A; a kind without a limit ignores positions and axes.
    j.SetDrive(0.1f, 0.4f, -1.0f, 50.0f, 0.1f, 0.02f);
    EXPECT_EQ(j.Target, 0.1f);
    j.Create(w, QNJOINT_ANGULAR);
    j.SetBodies(&b, nullptr);
    j.SetPosition(QNVEC3(5, 5, 5), QNVEC3(1, 1, 1));
    j.SetAxis(QNVEC3(1, 0, 0), QNVEC3(0, 1, 0));
    EXPECT_EQ(j.GetLimit(0), nullptr);
    j.UpdateDrive(0);
    EXPECT_EQ(w->ConstraintCount(), 1);
    j.Create(w, 12);
    EXPECT_EQ(j.Constraint, nullptr);
    EXPECT_EQ(w->ConstraintCount(), 0);

    j.Destroy();
    b.Release();
    QNPHYSWORLD::Destroy(w);
}

TEST_F(PhysicsTest, AJointKeepsHoldingWhenEitherOfItsBodiesIsReMade)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
    QNBODY a(w, nullptr, nullptr), b(w, nullptr, nullptr);
    a.SetDynamic(true);
    b.SetDynamic(true);
    b.SetTransform(Translation(2, 0, 0));
    QNJOINT j;
    j.Create(w, QNJOINT_BALL);
    j.SetBodies(&a, &b);
    j.SetPosition(QNVEC3(1, 0, 0), QNVEC3());
    ASSERT_TRUE(MdtConstraintIsEnabled(j.Constraint));

    for (QNBODY* remade : {&a, &b}) {
        remade->SetDynamic(true);
        ASSERT_FALSE(j.IsInert());
        EXPECT_TRUE(MdtConstraintIsEnabled(j.Constraint));
        EXPECT_EQ(j.Constraint->body[0], a.Body);
        EXPECT_EQ(j.Constraint->body[1], b.Body);
        // Pulled apart (free, they would end 3 apart), the two stay joined at the ball.
        a.SetLinearVelocity(QNVEC3(-1, 0, 0));
        b.SetLinearVelocity(QNVEC3(1, 0, 0));
        for (int i = 0; i < 25; ++i)
            w->Step(0.02f);
        const QNVEC3 d = Position(b) - Position(a);
        EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), 2.0f, 0.05f);
    }

    j.Destroy();
    a.Release();
    b.Release();
    QNPHYSWORLD::Destroy(w);
}

// A body of a joint that stops being dynamic leaves the joint holding on to where its
// attachment was in the world: the first body stays where it hangs, for every kind that
// keeps a point or an axis in the second body.
TEST_F(PhysicsTest, AJointWhoseSecondBodyStopsBeingDynamicHoldsToTheSamePlace)
{
    for (std::int32_t kind : {QNJOINT_BALL, QNJOINT_HINGE, QNJOINT_UNIVERSAL, QNJOINT_DISTANCE}) {
        QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
        QNBODY a(w, nullptr, nullptr), b(w, nullptr, nullptr);
        a.SetDynamic(true);
        b.SetDynamic(true);
        a.SetTransform(Translation(11, 0, 0));
        b.SetTransform(Translation(10, 0, 0));
        QNJOINT j;
        j.Create(w, kind);
        j.SetBodies(&a, &b);
        j.SetPosition(QNVEC3(10.5f, 0, 0), QNVEC3(10.5f, 0, 0));
        j.SetAxis(QNVEC3(0, 0, 1), QNVEC3(0, 1, 0));
        b.SetDynamic(false);
        ASSERT_FALSE(j.IsInert()) << kind;
        ASSERT_TRUE(MdtConstraintIsEnabled(j.Constraint)) << kind;
        EXPECT_EQ(j.Constraint->body[1], nullptr) << kind;
        for (int i = 0; i < 50; ++i)
            w->Step(0.02f);
        EXPECT_NEAR(Position(a).x, 11.0f, 0.05f) << kind;
        EXPECT_NEAR(Position(a).y, 0.0f, 0.05f) << kind;
        // Dynamic again, at its old place: the joint takes it back where it was.
        b.SetDynamic(true);
        EXPECT_EQ(j.Constraint->body[1], b.Body) << kind;
        b.SetLinearVelocity(QNVEC3(0, 0, 0.5f));
        for (int i = 0; i < 25; ++i)
            w->Step(0.02f);
        const QNVEC3 d = Position(a) - Position(b);
        EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), 1.0f, 0.05f) << kind;
        j.Destroy();
        a.Release();
        b.Release();
        QNPHYSWORLD::Destroy(w);
    }
}

namespace {

struct Touch {
    QNNODE* self;
    QNNODE* other;
    bool point;
};
std::vector<Touch> gTouches;

void Record(QNNODE* self, QNNODE* other, const float* point, const float*)
{
    gTouches.push_back({self, other, point != nullptr});
}

}  // namespace

TEST_F(PhysicsTest, PairFilterCallsBothSidesAndDropsContactsOfANonSolidSide)
{
    for (bool solid : {true, false}) {
        gTouches.clear();
        QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
        QNNODE na(nullptr, "A", 0, 0, 0), nb(nullptr, "B", 0, 0, 0);
        QNCOLLGEOM box;
        box.MakeBox(1, 1, 1);
        QNBODY a(w, &Record, &na), b(w, &Record, &nb);
        a.SetDynamic(true);
        b.SetDynamic(true);
        a.SetTransform(Translation(0, 0, 0));
        b.SetTransform(Translation(0.8f, 0, 0));
        a.SetGeometry(&box);
        b.SetGeometry(&box);
        b.SetSolid(solid);
        w->Step(0.02f);

        ASSERT_EQ(gTouches.size(), 2u) << solid;
        const bool aFirst = gTouches[0].self == &na;
        EXPECT_EQ(gTouches[aFirst ? 0 : 1].other, &nb);
        EXPECT_EQ(gTouches[aFirst ? 1 : 0].self, &nb);
        EXPECT_EQ(gTouches[aFirst ? 1 : 0].other, &na);
        EXPECT_TRUE(gTouches[0].point && gTouches[1].point);
        // Solid pairs push apart; a non-solid side lets them pass through each other.
        if (solid)
            EXPECT_GT(b.GetLinearVelocity().x, 0.01f);
        else
            EXPECT_EQ(b.GetLinearVelocity().x, 0.0f);
        a.Release();
        b.Release();
        box.Clear();
        QNPHYSWORLD::Destroy(w);
    }
}

TEST_F(PhysicsTest, WorldCreationSetsTheContactParametersAndMaterials)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 3, true);
    ASSERT_EQ(w->Materials.size(), 3u);
    EXPECT_EQ(w->Materials[0], 0);
    EXPECT_EQ(w->Materials[1], 1);
    EXPECT_EQ(w->Materials[2], 2);
    EXPECT_FLOAT_EQ(MdtWorldGetGamma(w->World), 0.3f);
    const MdtContactParams* p00 = McdDtBridgeGetContactParams(w->Bridge, 0, 0);
    EXPECT_EQ(p00->type, 2);
    EXPECT_FLOAT_EQ(p00->friction1, 0.015f);
    EXPECT_FLOAT_EQ(p00->friction2, 0.015f);
    w->SetContactType(1, 1, 2);
    w->SetFriction(0.5f, 2, 1);
    w->SetFriction(0.7f, 3, 0);  // outside the table: ignored
    const MdtContactParams* p12 = McdDtBridgeGetContactParams(w->Bridge, 1, 2);
    EXPECT_EQ(p12->type, 1);
    EXPECT_FLOAT_EQ(p12->friction1, 0.5f);
    EXPECT_FLOAT_EQ(p00->friction1, 0.015f);
    QNPHYSWORLD::Destroy(w);
    QNPHYSWORLD::Destroy(nullptr);
}

namespace {

// Contacts in the enabled contact groups that act on the body.
int ContactsOn(const QNBODY& b)
{
    int n = 0;
    for (MeRBTreeNode* i = MeRBTreeFirst(&b.Body->constraintTree); i; i = MeRBTreeNext(&b.Body->constraintTree, i)) {
        const auto* c = static_cast<const MdtConstraint*>(i->data);
        if (c->type == MdtTypeContactGroup)
            n += MdtContactGroupGetCount(c);
    }
    return n;
}

}  // namespace

// Joints and contacts share the world's constraint records. A pile of boxes all touching
// fills a world made for two joints with contacts; the two joints made after it are still
// there and hold, the pile keeps its contacts, and a world that has no room left even for
// a joint says so (an engine error) rather than leaving the joint out.
TEST_F(PhysicsTest, GameJointsAreNeverCrowdedOutByContactsAndAFullWorldIsReported)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(20, 20, 2, 40, 1, false);
    QNCOLLGEOM box;
    box.MakeBox(2, 2, 2);
    std::vector<std::unique_ptr<QNBODY>> pile;
    for (int i = 0; i < 8; ++i) {
        pile.push_back(std::make_unique<QNBODY>(w, nullptr, nullptr));
        pile.back()->SetDynamic(true);
        pile.back()->SetTransform(Translation(0.25f * float(i), 0.1f * float(i % 3), 0));
        pile.back()->SetGeometry(&box);
    }
    auto pileContacts = [&] {
        int n = 0;
        for (auto& p : pile)
            n += ContactsOn(*p);
        return n;
    };
    w->Step(0.02f);
    ASSERT_GT(pileContacts(), 0);
    QNBODY a(w, nullptr, nullptr), b(w, nullptr, nullptr);
    a.SetDynamic(true);
    b.SetDynamic(true);
    a.SetTransform(Translation(50, 0, 0));
    b.SetTransform(Translation(52, 0, 0));
    QNJOINT ball, hinge;
    ball.Create(w, QNJOINT_BALL);
    hinge.Create(w, QNJOINT_HINGE);
    ASSERT_FALSE(ball.IsInert());
    ASSERT_FALSE(hinge.IsInert());
    ball.SetBodies(&a, &b);
    ball.SetPosition(QNVEC3(51, 0, 0), QNVEC3());
    hinge.SetBodies(&b, nullptr);
    hinge.SetPosition(QNVEC3(52, 0, 0), QNVEC3());
    hinge.SetAxis(QNVEC3(0, 0, 1), QNVEC3());
    a.SetLinearVelocity(QNVEC3(-1, 0, 0));
    w->Step(0.02f);
    EXPECT_GT(pileContacts(), 8);
    for (int i = 0; i < 25; ++i)
        w->Step(0.02f);
    EXPECT_TRUE(MdtConstraintIsEnabled(ball.Constraint));
    EXPECT_NEAR(Position(b).x, 52.0f, 0.05f);
    EXPECT_NEAR(Position(a).x, 50.0f, 0.05f);

    // Joints up to every record of the world, then one more.
    std::vector<std::unique_ptr<QNJOINT>> more;
    bool reported = false;
    for (int i = 0; i < 1000 && !reported; ++i) {
        more.push_back(std::make_unique<QNJOINT>());
        try {
            more.back()->Create(w, QNJOINT_BALL);
            ASSERT_FALSE(more.back()->IsInert()) << i;
        } catch (const QNEXCEPTION&) {
            reported = true;
        }
    }
    EXPECT_TRUE(reported);
    more.clear();
    ball.Destroy();
    hinge.Destroy();
    for (auto& p : pile)
        p->Release();
    a.Release();
    b.Release();
    QNPHYSWORLD::Destroy(w);
}

TEST_F(PhysicsTest, MovingABodyOutOfAContactEndsItThoughASegmentQueryComesFirst)
{
    // A segment query between frames must not lose the pairs a move began or ended before
    // the step hears of them: an ended pair would keep its last contacts (far from the moved
    // body, which the solver then throws away), a begun one would never collide.
    for (bool dynamicPartner : {false, true}) {
        QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, true);
        QNCOLLGEOM box;
        box.MakeBox(2, 2, 2);
        QNBODY partner(w, nullptr, nullptr), mover(w, nullptr, nullptr);
        if (dynamicPartner) {
            partner.SetDynamic(true);
            partner.SetMass(100.0f);
        }
        partner.SetGeometry(&box);
        mover.SetDynamic(true);
        mover.SetTransform(Translation(200, 1.99f, 0));
        mover.SetGeometry(&box);
        auto press = [&](int steps) {
            for (int i = 0; i < steps; ++i) {
                mover.AddForce(QNVEC3(0, -10, 0));
                if (dynamicPartner)
                    partner.AddForce(QNVEC3(0, 10, 0));
                Advance(0.02);
                w->Step(0.02f);
            }
        };
        // Each move goes the way a node moves its body, and a query sees the body there.
        QNSEGMENTHIT hit;
        auto teleport = [&](float x) {
            mover.SetTransform(Translation(x, 1.99f, 0));
            mover.UpdateModel();
            ASSERT_EQ(w->IntersectSegment(QNVEC3(x, 10, 0), QNVEC3(x, -10, 0), 1, &hit), 1);
            EXPECT_EQ(hit.Body, &mover);
        };
        teleport(0.0f);
        press(50);
        ASSERT_GT(ContactsOn(mover), 0) << dynamicPartner;

        teleport(200.0f);
        for (int i = 0; i < 10; ++i) {
            Advance(0.02);
            w->Step(0.02f);
            ASSERT_EQ(ContactsOn(mover), 0) << dynamicPartner << " step " << i;
        }
        EXPECT_LT(mover.GetLinearVelocity().Length(), 0.5f) << dynamicPartner;
        EXPECT_LT(mover.GetAngularVelocity().Length(), 0.5f) << dynamicPartner;
        EXPECT_NEAR(mover.GetTransform().Translation().x, 200.0f, 0.1f) << dynamicPartner;

        mover.Release();
        partner.Release();
        box.Clear();
        QNPHYSWORLD::Destroy(w);
    }
}
