// Node transforms, bounds and motion helpers: the QNNODE operations that need the node's body.
//
// Body modes: 1 = the body's transform is relative to the parent; 3 and 5 = it lives in world
// space but is given and read relative to the parent; 6 = the node's model rides on an
// ancestor's body (read like 3 and 5); any other value = world space.
//
// Steering. In the node's own frame the direction d to the target gives three errors, each the
// angle of a torque about one local axis (right-handed in the toolkit's numbers: a torque about
// +y turns +z towards +x, one about +x turns +z towards -y, one about +z turns +x towards +y):
// about x, atan2(-d.y, d.z) lifts the nose towards a target above; about y, atan2(d.x, d.z)
// turns it towards a target on the right; about z, acos(x axis . world up) - pi/2 levels the
// node's x axis, so its up axis stands upright. The acos argument is clamped to [-1, 1].

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnpick.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "engine/mesh/qnmesh.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/view.h"
#include "engine/util/qnmath.h"


namespace {

std::int32_t ModeOf(const QNNODE* n)
{
    const auto* b = dynamic_cast<const QNBODYNODE*>(n);
    return b ? b->BodyMode : 0;
}

QNNODEBOUNDS* BoundsOf(const QNNODE* n, bool make)
{
    auto* b = const_cast<QNBOUNDSNODE*>(dynamic_cast<const QNBOUNDSNODE*>(n));
    if (!b)
        return nullptr;
    if (!b->Bounds && make)
        b->Bounds = new QNNODEBOUNDS;
    return b->Bounds;
}

bool MeshBox(const QNNODE* n, QNBOX& out)
{
    const auto* m = dynamic_cast<const QNMESHNODE*>(n);
    if (!m || !m->Mesh)
        return false;
    out = m->Mesh->Box;
    return true;
}

std::uint32_t LevelOf(const QNNODE* n)
{
    return n->ClassFlags & QNCF_LEVEL_MASK;
}

bool ScreenClass(const QNNODE* n)
{
    return (n->ClassFlags & QNCF_SCREEN) != 0;
}

QNJOINT* JointOf(QNNODE* n)
{
    auto* j = dynamic_cast<QNJOINTNODE*>(n);
    return j ? j->Joint : nullptr;
}

QNBOX ZeroBox()
{
    return QNBOX(QNVEC3(0, 0, 0), QNVEC3(0, 0, 0));
}

void Widen(QNBOX& acc, bool& first, const QNBOX& b)
{
    acc.ExtendBox(b, first);
}

QNVEC3 Hadamard(const QNVEC3& a, const QNVEC3& b)
{
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}

}  // namespace

// ---- transforms ----------------------------------------------------------------------------

QNMATRIX QNNODE::GetWorldMatrix() const
{
    const QNBODY* body = PhysicsBodyOf(this);
    if (!body)
        return QNMATRIX();
    const QNMATRIX m = body->GetTransform();
    const QNNODE* parent = ParentNode();
    if (ModeOf(this) == 1 && parent)
        return m * parent->GetWorldMatrix();
    return m;
}

QNMATRIX QNNODE::GetLocalMatrix() const
{
    const QNBODY* body = PhysicsBodyOf(this);
    if (!body)
        return QNMATRIX();
    const QNMATRIX m = body->GetTransform();
    const std::int32_t mode = ModeOf(this);
    const QNNODE* parent = ParentNode();
    if ((mode == 3 || mode == 5 || mode == 6) && parent) {
        QNMATRIX local = m * parent->GetWorldMatrix().Inverse();
        local.Round();
        return local;
    }
    return m;
}

void QNNODE::SetLocalTransform(const QNMATRIX& m)
{
    QNBODY* body = PhysicsBodyOf(this);
    if (!body)
        return;
    const std::int32_t mode = ModeOf(this);
    const QNNODE* parent = ParentNode();
    if ((mode == 3 || mode == 5) && parent)
        body->SetTransform(m * parent->GetWorldMatrix());
    else
        body->SetTransform(m);
}

void QNNODE::SetTransform(const QNMATRIX& m)
{
    SetLocalTransform(m);
    QNBODY* body = PhysicsBodyOf(this);
    if (!body || !body->Model)
        return;
    body->UpdateModel();
    // A fixed node's model is not refreshed by the step: bring its pairs up to date now.
    if (!NodeCanMove(this) && body->World)
        body->World->RefreshPairs();
}

void QNNODE::SetTranslation(const QNVEC3& v)
{
    QNMATRIX m;
    m.SetTranslationV(v);
    SetTransform(m);
}

namespace {

QNVEC3 PlacementExtents(const QNNODE* n)
{
    QNBOX box;
    if (n->FirstChild())
        n->GetBounds(box, true, false);
    else
        n->GetLocalBox(box, true);
    return box.max - box.min;
}

}  // namespace

void QNNODE::PlaceTopLeft(const QNVEC3& point)
{
    const QNVEC3 e = PlacementExtents(this);
    SetTranslation(point + QNVEC3(e.x / 2, -e.y / 2, e.z / 2));
}

void QNNODE::PlaceBottomRight(const QNVEC3& point)
{
    const QNVEC3 e = PlacementExtents(this);
    SetTranslation(point + QNVEC3(-e.x / 2, e.y / 2, -e.z / 2));
}

QNVEC3& QNNODE::ProjectToScreen(QNVEC3& out) const
{
    const QNVEC3 p = GetWorldMatrix().Translation();
    out = (ClassFlags & QNCF_SCREEN) ? p : QNPICK::ToScreen(p);
    return out;
}

// ---- bounds --------------------------------------------------------------------------------

void QNNODE::GetBox(QNBOX& out, bool useOwnBox) const
{
    const QNNODEBOUNDS* b = BoundsOf(this, false);
    if (useOwnBox && b && QNNODEBOUNDS::Valid(b->LocalBox)) {
        out = b->LocalBox.Transform(GetWorldMatrix());
        return;
    }
    const QNBODY* body = PhysicsBodyOf(this);
    if (body && body->Model && body->GetBounds(out.min, out.max))
        return;
    QNBOX mesh;
    if (MeshBox(this, mesh)) {
        out = mesh.Transform(GetWorldMatrix());
        return;
    }
    out = ZeroBox();
}

void QNNODE::GetLocalBox(QNBOX& out, bool useOwnBox) const
{
    const QNNODEBOUNDS* b = BoundsOf(this, false);
    if (useOwnBox && b && QNNODEBOUNDS::Valid(b->LocalBox)) {
        out = b->LocalBox;
        return;
    }
    if (MeshBox(this, out))
        return;
    out = ZeroBox();
}

namespace {

// Nodes of the subtree that add their box to the union: the start, and every node of level
// 0x1000000 that is not marked by user flag 32 and shares the start's screen class.
bool Contributes(const QNNODE* start, const QNNODE* n)
{
    if (n == start)
        return true;
    return LevelOf(n) == QNCF_LEVEL_PLAIN && !(n->UserFlags & 32) && ScreenClass(n) == ScreenClass(start);
}

QNBOX WorldUnion(const QNNODE* start)
{
    QNBOX acc;
    bool first = true;
    for (const QNITEM* x = start; x; x = QNITEM::Next(start, x)) {
        const auto* n = dynamic_cast<const QNNODE*>(x);
        if (!n || !Contributes(start, n))
            continue;
        QNBOX b;
        n->GetBox(b, true);
        Widen(acc, first, b);
    }
    return first ? QNNODEBOUNDS::Cleared() : acc;
}

void LocalUnionOf(const QNNODE* start, const QNNODE* n, const QNMATRIX& toStart, QNBOX& acc, bool& first)
{
    if (Contributes(start, n)) {
        QNBOX b;
        n->GetLocalBox(b, true);
        Widen(acc, first, n == start ? b : b.Transform(n->GetWorldMatrix() * toStart));
    }
    for (const QNITEM* c = n->FirstChild(); c; c = c->Next()) {
        const auto* child = dynamic_cast<const QNNODE*>(c);
        if (!child || LevelOf(child) == QNCF_LEVEL_GAME)
            continue;
        LocalUnionOf(start, child, toStart, acc, first);
    }
}

QNBOX LocalUnion(const QNNODE* start)
{
    QNBOX acc;
    bool first = true;
    LocalUnionOf(start, start, start->GetWorldMatrix().Inverse(), acc, first);
    return first ? QNNODEBOUNDS::Cleared() : acc;
}

}  // namespace

void QNNODE::GetTreeBounds(QNBOX& out, bool withChildren, bool useCache) const
{
    if (!withChildren || !FirstChild()) {
        GetBox(out, true);
        return;
    }
    const QNNODEBOUNDS* b = BoundsOf(this, false);
    if (useCache && b && QNNODEBOUNDS::Valid(b->WorldBox)) {
        out = b->WorldBox;
        return;
    }
    if (useCache && b && QNNODEBOUNDS::Valid(b->TreeBox)) {
        out = b->TreeBox.Transform(GetWorldMatrix());
        return;
    }
    out = WorldUnion(this);
}

void QNNODE::GetBounds(QNBOX& out, bool withChildren, bool useCache) const
{
    if (!withChildren || !FirstChild()) {
        GetLocalBox(out, true);
        return;
    }
    const QNNODEBOUNDS* b = BoundsOf(this, false);
    if (useCache && b && QNNODEBOUNDS::Valid(b->TreeBox)) {
        out = b->TreeBox;
        return;
    }
    out = LocalUnion(this);
}

void QNNODE::UpdateWorldBounds(bool recompute)
{
    QNNODEBOUNDS* b = BoundsOf(this, true);
    if (!b)
        return;
    b->WorldBox = QNNODEBOUNDS::Cleared();
    if (recompute)
        GetTreeBounds(b->WorldBox, true, false);
}

void QNNODE::UpdateSphereBounds(bool recompute)
{
    QNNODEBOUNDS* b = BoundsOf(this, true);
    if (!b)
        return;
    b->TreeBox = QNNODEBOUNDS::Cleared();
    b->Radius = 0.0f;
    if (!recompute)
        return;
    GetBounds(b->TreeBox, true, false);
    b->Radius = QNNODEBOUNDS::Valid(b->TreeBox) ? b->TreeBox.Radius() : 0.0f;
}

bool QNNODE::IsInView(std::uint32_t mode) const
{
    QNBOX box;
    GetBox(box, true);
    if (ClassFlags & QNCF_SCREEN)
        return QNPICK::IsOnScreen(box);
    return QNPICK::IsVisible(box, (mode & 1) != 0);
}

QNNODE* QNNODE::FindTouching(QNNODE* other, const QNBOX& box, float radius, std::uint32_t mode)
{
    if (!other)
        return nullptr;
    const QNVEC3 otherPos = other->GetWorldMatrix().Translation();
    for (QNITEM* x = this; x; x = QNITEM::Next(this, x)) {
        auto* n = dynamic_cast<QNNODE*>(x);
        if (!n || n == other)
            continue;
        if (n->ClassFlags < QNCF_LEVEL_GAME || n->ClassFlags >= 0x3000000u)
            continue;
        const QNBODY* body = PhysicsBodyOf(n);
        if (!body || !body->Model)
            continue;
        if (ScreenClass(n) != ScreenClass(other))
            continue;
        if ((n->ClassFlags & QNCF_NOCONTACT) && !(mode & 2))
            continue;
        if (n->State == 1 && !(mode & 1))
            continue;
        QNBOX tree;
        n->GetTreeBounds(tree, true, true);
        if (!QNNODEBOUNDS::Valid(tree))
            continue;
        const QNNODEBOUNDS* nb = BoundsOf(n, false);
        const float sphere =
            (nb && QNNODEBOUNDS::Valid(nb->TreeBox)) ? nb->Radius : (tree.max - tree.min).Length() * 0.5f;
        const float distance = (n->GetWorldMatrix().Translation() - otherPos).Length();
        if (!(sphere + radius > distance))
            continue;
        if (!tree.Intersects(box))
            continue;
        if ((mode & 4) && ModeOf(n) == 0) {
            QNBOX fresh;
            other->GetTreeBounds(fresh, true, false);
            if (!tree.Intersects(fresh))
                continue;
        }
        return n;
    }
    return nullptr;
}

QNNODE* QNNODE::Overlaps(QNNODE* root, std::uint32_t mode)
{
    if (!root)
        return nullptr;
    QNBOX box;
    if (FirstChild())
        GetTreeBounds(box, true, true);
    else
        GetBox(box, true);
    if (!QNNODEBOUNDS::Valid(box))
        return nullptr;
    QNNODEBOUNDS* b = BoundsOf(this, true);
    float radius = (box.max - box.min).Length() * 0.5f;
    if (b) {
        if (b->Radius == 0.0f)
            b->Radius = radius;
        radius = b->Radius;
    }
    return root->FindTouching(this, box, radius, mode);
}

// ---- motion --------------------------------------------------------------------------------

void QNNODE::StopMotion(bool recursive, std::uint32_t level)
{
    auto stop = [](QNNODE* n) {
        if (QNBODY* body = PhysicsBodyOf(n); body && body->Body) {
            body->SetLinearVelocity(QNVEC3());
            body->SetAngularVelocity(QNVEC3());
        }
    };
    stop(this);
    if (!recursive)
        return;
    for (QNITEM* x = QNITEM::Next(this, this); x; x = QNITEM::Next(this, x)) {
        auto* n = dynamic_cast<QNNODE*>(x);
        if (n && LevelOf(n) <= level)
            stop(n);
    }
}

bool QNNODE::IsSlowerThan(float limit) const
{
    const QNBODY* body = PhysicsBodyOf(this);
    const QNVEC3 v = body ? body->GetLinearVelocity() : QNVEC3();
    return std::fabs(v.x) < limit && std::fabs(v.y) < limit && std::fabs(v.z) < limit;
}

bool QNNODE::IsTurningSlowerThan(float limit) const
{
    const QNBODY* body = PhysicsBodyOf(this);
    const QNVEC3 v = body ? body->GetAngularVelocity() : QNVEC3();
    return std::fabs(v.x) < limit && std::fabs(v.y) < limit && std::fabs(v.z) < limit;
}

void QNNODE::SetScale(float scale, float massFactor)
{
    QNBODY* body = PhysicsBodyOf(this);
    if (!body)
        return;
    body->SetMass(scale * 1e-5f);
    const float side = 10.0f * massFactor;
    body->SetBoxInertia(side, side, side);
}

void QNNODE::SetJointLimits(float lower, float upper, int index)
{
    if (QNJOINT* j = JointOf(this))
        j->SetLimitStops(lower, upper, index);
}

void QNNODE::SetJointLimits2(float lower, float upper)
{
    SetJointLimits(lower, upper, 1);
}

void QNNODE::SetJointMotor(float speed, float maxForce, int index)
{
    if (QNJOINT* j = JointOf(this)) {
        j->SetMotor(speed, maxForce, index);
        j->Driving = 0;
    }
}

void QNNODE::ActivateJointMotor(bool on, int index)
{
    if (QNJOINT* j = JointOf(this))
        j->ActivateMotor(on, index);
}

void QNNODE::DriveJoint(float lower, float upper, float speed, float factor, float maxForce, float tolerance)
{
    QNJOINT* j = JointOf(this);
    if (!j)
        return;
    j->SetDrive(lower, upper, speed, maxForce, factor, tolerance);
    j->SetMotor(speed, maxForce, 0);
    j->ActivateMotor(true, 0);
    j->Driving = 1;
    EnableUpdate();
}

bool QNNODE::PushTowards(const QNVEC3& target, const QNVEC3& gain, float slowRadius, float stopRadius)
{
    const QNVEC3 d = target - GetWorldMatrix().Translation();
    const float length = d.Length();
    if (length <= stopRadius)
        return false;
    QNVEC3 dir = d.Normalize();
    if (length < slowRadius)
        dir = dir * (length / slowRadius);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->AddForce(Hadamard(dir, gain));
    return true;
}

bool QNNODE::SteerTowards(const QNVEC3& target, const QNVEC3& gain, float slowAngle, float stopAngle)
{
    const QNMATRIX world = GetWorldMatrix();
    const QNVEC3 d = QNVEC3::TransformCoord(target, world.Inverse()).Normalize();
    const QNVEC3 xAxis = world.Row(0).Normalize();
    const float up = std::clamp(QNVEC3::Dot(xAxis, QNVEC3(0, 1, 0)), -1.0f, 1.0f);
    const QNVEC3 error(std::atan2(-d.y, d.z), std::atan2(d.x, d.z), std::acos(up) - 1.5707964f);
    if (std::fabs(error.x) <= stopAngle && std::fabs(error.y) <= stopAngle && std::fabs(error.z) <= stopAngle)
        return false;
    auto factor = [slowAngle](float e) { return slowAngle > 0.0f ? std::min(std::fabs(e) / slowAngle, 1.0f) : 1.0f; };
    const QNVEC3 unit = error.Normalize();
    const QNVEC3 local(unit.x * factor(error.x) * gain.x, unit.y * factor(error.y) * gain.y,
                       unit.z * factor(error.z) * gain.z);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->AddTorque(QNVEC3::TransformNormal(local, world));
    return true;
}

bool PointAlongPath(const QNVEC3* points, std::uint32_t count, QNVEC3& out, const QNVEC3& startTangent,
                    const QNVEC3& endTangent, float distance, float tangentScale)
{
    if (!points || count == 0)
        return false;
    if (distance < 0.0f || count == 1) {
        out = points[0];
        return false;
    }
    float walked = 0.0f;
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
        const QNVEC3& p1 = points[i];
        const QNVEC3& p2 = points[i + 1];
        const float length = (p2 - p1).Length();
        if (length > 0.0f && distance <= walked + length) {
            const QNVEC3 t1 = i == 0 ? startTangent : (p2 - points[i - 1]).Normalize();
            const QNVEC3 t2 = i + 2 == count ? endTangent : (points[i + 2] - p1).Normalize();
            const float scale = length * tangentScale;
            out = QNVEC3::Hermite(p1, t1 * scale, p2, t2 * scale, (distance - walked) / length);
            return true;
        }
        walked += length;
    }
    out = points[count - 1];
    return false;
}

bool QNNODE::SteerAlongPath(const QNVEC3* points, std::uint32_t count, float distance, const QNVEC3& gain,
                            float slowAngle, float stopAngle, QNVEC3& point)
{
    const bool on = PointAlongPath(points, count, point, QNVEC3(), QNVEC3(), distance, 1.0f);
    SteerTowards(point, gain, slowAngle, stopAngle);
    return on;
}

int QNNODE::CastSegment(float nearDistance, float farDistance, const QNVEC3& direction, int capacity,
                        QNNODEHIT* hits)
{
    QNPHYSWORLD* world = View ? PhysicsWorldOf(View) : nullptr;
    if (!world || capacity <= 0 || !hits)
        return 0;
    const QNVEC3 p = GetWorldMatrix().Translation();
    std::vector<QNSEGMENTHIT> found(static_cast<std::size_t>(capacity));
    const int n = world->IntersectSegment(p + direction * nearDistance, p + direction * farDistance, capacity,
                                          found.data());
    for (int i = 0; i < n; ++i) {
        const QNSEGMENTHIT& f = found[std::size_t(i)];
        QNNODEHIT& h = hits[i];
        h.Node = f.Body ? f.Body->Owner : nullptr;
        for (int k = 0; k < 3; ++k) {
            h.Point[k] = f.Point[k];
            h.Normal[k] = f.Normal[k];
        }
        h.Distance = f.Distance;
    }
    return n;
}

namespace {

void MakeJoint(QNNODE* node, std::int32_t type, QNBODY* first, QNBODY* second, const QNMATRIX& reference,
               const QNMATRIX* frame, const QNMATRIX* secondFrame)
{
    auto* jn = dynamic_cast<QNJOINTNODE*>(node);
    QNPHYSWORLD* world = node->View ? PhysicsWorldOf(node->View) : nullptr;
    if (!jn || !world || !frame)
        return;
    if (!jn->Joint)
        jn->Joint = new QNJOINT;
    QNMATRIX f1 = *frame * reference;
    QNMATRIX f2 = (secondFrame ? *secondFrame : *frame) * reference;
    f1.Round();
    f2.Round();
    QNJOINT* j = jn->Joint;
    j->Create(world, type);
    j->SetBodies(first, second);
    j->SetPosition(f1.Translation(), f2.Translation());
    j->SetAxis(f1.Row(2), f2.Row(2));
}

}  // namespace

void QNNODE::CreateJoint(std::int32_t type, const QNMATRIX* frame, const QNMATRIX* secondFrame)
{
    MakeJoint(this, type, PhysicsBodyOf(this), PhysicsBodyOf(ParentNode()), GetWorldMatrix(), frame, secondFrame);
}

void QNNODE::CreateJointVariant(std::int32_t type, QNNODE* other, const QNMATRIX* frame, const QNMATRIX* secondFrame)
{
    if (!other)
        return;
    MakeJoint(this, type, PhysicsBodyOf(other), PhysicsBodyOf(this), other->GetWorldMatrix(), frame, secondFrame);
}

void QNNODE::SetTreeCollision(QNNODE* other, bool on)
{
    if (!other)
        return;
    for (QNITEM* a = this; a; a = QNITEM::Next(this, a)) {
        QNBODY* ba = PhysicsBodyOf(dynamic_cast<QNNODE*>(a));
        if (!ba || !ba->Model)
            continue;
        for (QNITEM* b = other; b; b = QNITEM::Next(other, b)) {
            QNBODY* bb = PhysicsBodyOf(dynamic_cast<QNNODE*>(b));
            if (bb && bb->Model && bb != ba)
                ba->SetPairEnabled(bb, !on);
        }
    }
}
