// Emitters launching pooled effects in a view's world, on the virtual clock and the seeded
// generator.

#include <memory>
#include <vector>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/emitter.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/scene/view.h"
#include "engine/util/qnmath.h"
#include "physics_fixture.h"

namespace {

// An effect that counts its launches and updates and may run a scripted action in its update.
class PROBEEFFECT : public QNEFFECTNODE {
public:
    PROBEEFFECT(QNEMITTER* emitter, const char* name, std::uint32_t userFlags = 0)
        : QNEFFECTNODE(emitter, name, 0, QNCF_BODY, userFlags)
    {
    }
    void OnEmit() override { ++emits; }
    void Update() override
    {
        ++updates;
        if (onUpdate)
            onUpdate(this);
    }
    int emits = 0;
    int updates = 0;
    std::function<void(PROBEEFFECT*)> onUpdate;
};

void GiveShape(QNMESHNODE* node, QNMESH& mesh)
{
    mesh.SetBoxSize(1, 1, 1);
    mesh.CreateCollision(QNCOLLGEOM::BOX, 0, "box");
    node->Mesh = &mesh;
    QNHOOKS::Slots.SetCollisionMesh(node, &mesh);
}

bool InPool(const QNEMITTER* e, const QNNODE* effect)
{
    return effect->Parent() == e->Pool && effect->State <= 1 && !effect->IsOnUpdateList();
}

class EmitterTest : public PhysicsTest {
protected:
    void SetUp() override
    {
        PhysicsTest::SetUp();
        SeedRandom(7);
        view = std::make_unique<QNVIEW>(nullptr);
        const QNMATRIX at = Translation(10, 20, 30);
        emitter = new QNEMITTER(view->Root, "EMITTER", 0, 0, 0, 0, &at);
        emitter->SetState(3, 0, false, false);
    }
    void TearDown() override
    {
        view.reset();
        for (QNMESH& m : meshes)
            m.Release();
        PhysicsTest::TearDown();
    }
    void Frame(double seconds)
    {
        Advance(seconds);
        view->RunLists();
    }

    QNMESH meshes[3];  // outlive the nodes that use them, freed before the framework
    std::unique_ptr<QNVIEW> view;
    QNEMITTER* emitter = nullptr;
};

TEST_F(EmitterTest, LaunchesFromThePoolOnlyWhenShownAndAsTheTimerSays)
{
    // An empty pool launches nothing, and the request is used up.
    emitter->FireNow = 1;
    Frame(0.1);
    EXPECT_EQ(emitter->FireNow, 0);
    EXPECT_EQ(emitter->ChildCount(), 1u);

    auto* a = new PROBEEFFECT(emitter, "A");
    auto* b = new PROBEEFFECT(emitter, "B");
    EXPECT_TRUE(InPool(emitter, a));
    EXPECT_TRUE(InPool(emitter, b));
    EXPECT_FALSE(PhysicsBodyOf(a)->IsEnabled());

    // Hidden: no launch, but the clock runs and the request waits.
    emitter->SetState(2, 0, false, false);
    emitter->FireNow = 1;
    Frame(0.4);
    EXPECT_FLOAT_EQ(emitter->Now, 0.5f);
    EXPECT_EQ(emitter->FireNow, 1);
    EXPECT_EQ(emitter->Pool->ChildCount(), 2u);

    emitter->AngleX = 0.3f;
    emitter->AngleY = 0.2f;
    emitter->OffsetX = 2.0f;
    emitter->OffsetY = 1.0f;
    emitter->SpeedMin = 5.0f;
    emitter->SpeedMax = 8.0f;
    emitter->SpinMin = -1.0f;
    emitter->SpinMax = 1.0f;
    emitter->SetState(3, 0, false, false);
    Frame(0.1);
    EXPECT_EQ(emitter->FireNow, 0);
    ASSERT_EQ(emitter->Pool->ChildCount(), 1u);
    PROBEEFFECT* flying = a->Parent() == emitter ? a : b;
    PROBEEFFECT* waiting = flying == a ? b : a;
    EXPECT_EQ(flying->State, 3);
    EXPECT_TRUE(flying->IsOnUpdateList());
    EXPECT_EQ(flying->emits, 1);
    EXPECT_FLOAT_EQ(flying->StartTime, 0.6f);
    EXPECT_TRUE(PhysicsBodyOf(flying)->IsEnabled());

    // Placed within the ranges in the emitter's frame, launched along its own forward axis.
    const QNMATRIX w = flying->GetWorldMatrix();
    const QNVEC3 p = w.Translation() - QNVEC3(10, 20, 30);
    EXPECT_LE(std::fabs(p.z), 1e-3f);
    EXPECT_LE(std::fabs(p.x), 2.0f * 1.001f + 1e-3f);
    EXPECT_LE(std::fabs(p.y), 1.0f * 1.001f + 2.0f * 0.3f + 1e-3f);
    const QNVEC3 forward = QNVEC3(w.m[8], w.m[9], w.m[10]);
    EXPECT_GE(forward.z, std::cos(0.3f) * std::cos(0.2f) - 1e-3f);
    const QNVEC3 v = PhysicsBodyOf(flying)->GetLinearVelocity();
    EXPECT_GE(v.Length(), 5.0f - 1e-3f);
    EXPECT_LE(v.Length(), 8.0f + 1e-3f);
    EXPECT_NEAR(QNVEC3::Dot(v.Normalize(), forward.Normalize()), 1.0f, 1e-4f);
    const QNVEC3 spin = PhysicsBodyOf(flying)->GetAngularVelocity();
    for (float s : {spin.x, spin.y, spin.z}) {
        EXPECT_GE(s, -1.0f - 1e-4f);
        EXPECT_LE(s, 1.0f + 1e-4f);
    }
    EXPECT_GT(spin.LengthSq(), 0.0f);

    // Three per emission with one left launches one.
    emitter->PerEmission = 3;
    emitter->FireNow = 1;
    Frame(0.1);
    EXPECT_EQ(emitter->Pool->ChildCount(), 0u);
    EXPECT_EQ(waiting->emits, 1);
    EXPECT_FLOAT_EQ(waiting->Age(), 0.0f);
    EXPECT_NEAR(flying->Age(), 0.1f, 1e-5f);

    // Recycled: dormant, still, off the list; the timer launches it again after a period.
    EXPECT_EQ(flying->Recycle(), 0u);
    EXPECT_TRUE(InPool(emitter, flying));
    EXPECT_FALSE(PhysicsBodyOf(flying)->IsEnabled());
    EXPECT_EQ(PhysicsBodyOf(flying)->GetLinearVelocity().LengthSq(), 0.0f);
    emitter->PerEmission = 1;
    emitter->EmitTimer.Init(0.5);
    Frame(0.3);
    EXPECT_TRUE(InPool(emitter, flying));
    Frame(0.3);
    EXPECT_EQ(flying->Parent(), emitter);
    EXPECT_EQ(flying->emits, 2);
}

TEST_F(EmitterTest, ARefusedLaunchStaysInThePoolAndCountsAsALaunch)
{
    QNMESH& blockMesh = meshes[0];
    QNMESH& aMesh = meshes[1];
    QNMESH& bMesh = meshes[2];
    const QNMATRIX at = Translation(10, 20, 30);
    auto* block = new GAMENODE(view->Root, "BLOCK", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    block->SetState(3, 0, false, false);
    GiveShape(block, blockMesh);
    auto* a = new PROBEEFFECT(emitter, "A");
    GiveShape(a, aMesh);

    emitter->PerEmission = 2;
    emitter->FireNow = 1;
    Frame(0.1);
    EXPECT_TRUE(InPool(emitter, a));
    EXPECT_EQ(a->emits, 0);
    // Two tries: the refused effect went back and was drawn again.
    EXPECT_EQ(emitter->FireNow, 0);

    // An unchecked effect (user flag 1) goes out whatever it touches.
    auto* b = new PROBEEFFECT(emitter, "B", 1);
    GiveShape(b, bMesh);
    emitter->PerEmission = 2;
    emitter->FireNow = 1;
    Frame(0.1);
    EXPECT_EQ(b->Parent(), emitter);
    EXPECT_EQ(b->State, 3);
    EXPECT_EQ(b->emits, 1);
    EXPECT_TRUE(InPool(emitter, a));
}

TEST_F(EmitterTest, RecycleFromTheEffectsOwnUpdateAndRemovalWhenSpent)
{
    auto* a = new PROBEEFFECT(emitter, "A");
    auto* b = new PROBEEFFECT(emitter, "B");
    auto* c = new PROBEEFFECT(emitter, "C");
    emitter->PerEmission = 3;
    emitter->FireNow = 1;
    emitter->RemoveWhenSpent = 1;
    Frame(0.1);
    ASSERT_EQ(emitter->Pool->ChildCount(), 0u);

    // Launched effects join this pass's list. Whichever comes first recycles itself; the pass
    // still reaches the two after it.
    EXPECT_EQ(a->updates + b->updates + c->updates, 3);
    for (PROBEEFFECT* e : {a, b, c})
        e->onUpdate = [](PROBEEFFECT* self) {
            if (self->Age() > 0.15f)
                self->Recycle();
        };
    Frame(0.1);
    EXPECT_EQ(a->updates + b->updates + c->updates, 6);
    EXPECT_EQ(emitter->Pool->ChildCount(), 0u);
    Frame(0.1);
    EXPECT_EQ(a->updates + b->updates + c->updates, 9);
    EXPECT_EQ(emitter->Pool->ChildCount(), 3u);
    for (PROBEEFFECT* e : {a, b, c})
        EXPECT_TRUE(InPool(emitter, e));

    // Effects that delete themselves: the emitter goes once nothing of it is left.
    emitter->FireNow = 1;
    Frame(0.1);
    for (PROBEEFFECT* e : {a, b, c})
        e->onUpdate = [](PROBEEFFECT* self) { self->Delete = 1; };
    QNWEAK<QNEMITTER> alive(emitter);
    Frame(0.1);
    EXPECT_TRUE(alive);
    EXPECT_EQ(emitter->ChildCount(), 1u);
    Frame(0.1);
    EXPECT_FALSE(alive);
}

}  // namespace
