// The physics layer's entries in the scene layer: view worlds, node bodies, joints, collision
// models and transforms, and the mesh's collision builder.
//
// A view's world needs the collision framework, which start-up opens after the game set-up
// has made the scenes and their views; so a world is made on first use (a body or a step in
// the view) and dropped when the scene is left.
//
// Collision pairing. A node without a dynamic body of its own lets its model ride on a
// carrier: the parent's body with user flag 2; the nearest ancestor with a dynamic body with
// user flag 1 or for a node placed relative to its parent (body mode 1). Such a node's body
// mode becomes 6 and its model keeps its place relative to the carrier; the carrier and it do
// not collide. A part placed relative to a parent that has no dynamic body anywhere above it
// keeps its world transform instead (body mode 5), since its model is placed in world space.
// The model is in the space only in states 2 and 3.

#include <algorithm>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "engine/physics/wire_box.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/scene_hooks.h"
#include "engine/scene/view.h"
#include "physics/collision/model.h"
#include "physics/dynamics/dynamics.h"

QNBODY* PhysicsBodyOf(const QNNODE* node)
{
    const auto* b = dynamic_cast<const QNBODYNODE*>(node);
    return b ? b->Body : nullptr;
}

QNPHYSWORLD* PhysicsWorldOf(QNVIEW* view)
{
    if (!view)
        return nullptr;
    if (!view->World && QNPHYSWORLD::Framework()) {
        view->World = QNPHYSWORLD::Create(QNPHYSWORLD::ViewParams);
        // The view root outlives the worlds of its scene's entries.
        if (QNBODY* root = PhysicsBodyOf(view->Root))
            root->World = view->World;
    }
    return view->World;
}

namespace {

// Frees the view's world; the view root's body forgets it.
void DropWorld(QNVIEW* view)
{
    if (QNBODY* root = PhysicsBodyOf(view->Root))
        root->World = nullptr;
    QNPHYSWORLD::Destroy(view->World);
    view->World = nullptr;
}

void ReportToNode(QNNODE* self, QNNODE* other, const float* point, const float* normal)
{
    if (auto* c = dynamic_cast<QNCOLLIDERNODE*>(self))
        c->ReportContact(other, point, normal);
}

QNBODY* CarrierOf(QNBODYNODE* node)
{
    QNBODY* own = node->Body;
    if (own && own->Body)
        return nullptr;
    if (node->UserFlags & QNUF_PAIR_PARENT) {
        QNBODY* parent = PhysicsBodyOf(node->ParentNode());
        return (parent && parent->Body) ? parent : nullptr;
    }
    if ((node->UserFlags & QNUF_PAIR_BODY) || node->BodyMode == 1 || node->BodyMode == 6) {
        for (QNNODE* a = node->ParentNode(); a; a = a->ParentNode()) {
            QNBODY* b = PhysicsBodyOf(a);
            if (b && b->Body)
                return b;
        }
    }
    return nullptr;
}

// Makes the model of the node's shape, riding on its carrier when it has one.
void MakeModel(QNCOLLIDERNODE* node)
{
    QNBODY* body = node->Body;
    if (!body)
        return;
    QNBODY* carrier = body->Shape ? CarrierOf(node) : nullptr;
    if (carrier) {
        // The model keeps the node's world placement relative to the carrier's body.
        const QNMATRIX world = node->GetWorldMatrix();
        world.Copy(&body->Own[0][0]);
        node->BodyMode = 6;
    } else if (body->Shape && !body->Body && node->BodyMode == 1 && node->ParentNode()) {
        // A fixed part placed relative to a fixed parent: its model needs a world placement,
        // so the part keeps its world transform and is read relative to the parent (mode 5).
        const QNMATRIX world = node->GetWorldMatrix();
        world.Copy(&body->Own[0][0]);
        node->BodyMode = 5;
    }
    body->SetGeometry(body->Shape, carrier);
    node->Model = body->Model;
}

// Switches off the pair of a model riding on `carrier`'s dynamic body and the carrier's own
// model, when both are in one space and the pair is on (a model entering the space starts
// with every pair on). The switch is the space's only: it follows the carrying, which a move
// of either node re-makes, so the bodies do not keep it.
void KeepOff(QNBODY* rider, QNBODY* carrier)
{
    if (!rider || !carrier || rider == carrier || !rider->Model || !carrier->Model)
        return;
    McdSpace* space = McdModelGetSpace(rider->Model);
    if (!space || space != McdModelGetSpace(carrier->Model) ||
        !space->IsPairEnabled(rider->Model->spaceId, carrier->Model->spaceId))
        return;
    if (!McdSpaceIsChanging(space))
        McdSpaceBeginChanges(space);
    McdSpaceDisablePair(rider->Model, carrier->Model);
    if (rider->World)
        rider->World->RefreshPairs();
}

// After the node's model entered the space: its pair with its carrier, and the pairs of the
// models riding on it with it, stay off, whichever of them entered last.
void KeepRidersOff(QNCOLLIDERNODE* node)
{
    QNBODY* body = node->Body;
    if (!body || !body->Model || !McdModelGetSpace(body->Model))
        return;
    if (MdtBody* carrying = McdModelGetBody(body->Model); carrying && carrying != body->Body)
        if (QNBODY* carrier = CarrierOf(node); carrier && carrier->Body == carrying)
            KeepOff(body, carrier);
    if (!body->Body)
        return;
    for (QNITEM* x = QNITEM::Next(node, node); x; x = QNITEM::Next(node, x)) {
        auto* rider = dynamic_cast<QNCOLLIDERNODE*>(x);
        if (rider && rider->Body && rider->Body->Model && McdModelGetBody(rider->Body->Model) == body->Body)
            KeepOff(rider->Body, body);
    }
}

void DropModel(QNCOLLIDERNODE* node)
{
    if (node->Body && node->Body->Model)
        node->Body->SetGeometry(nullptr);
    node->Model = nullptr;
}

// States 2 and 3 keep the model in the space; states 0 and 1 keep it out (it still answers
// for the node's box and the checked state change).
void FollowState(QNCOLLIDERNODE* node)
{
    QNBODY* body = node->Body;
    if (!body)
        return;
    if (!body->Model && body->Shape)
        MakeModel(node);
    if (node->State >= 2) {
        body->Attach();
        KeepRidersOff(node);
    } else {
        body->Detach();
    }
}

void CreateBody(QNBODYNODE* node, const QNMATRIX* transform)
{
    node->Body = new QNBODY(PhysicsWorldOf(node->View), &ReportToNode, node);
    if (node->ClassFlags & QNCF_BODY) {
        node->Body->SetDynamic(true);
        node->SetScale(100.0f, 1.0f);
    }
    if (transform)
        node->SetLocalTransform(*transform);
}

void ReleaseBody(QNBODYNODE* node)
{
    delete node->Body;
    node->Body = nullptr;
    if (auto* c = dynamic_cast<QNCOLLIDERNODE*>(node))
        c->Model = nullptr;
}

// Drops the models of the node's descendants that ride on `carrier`'s dynamic body; each
// makes its model again when its own move re-makes its body, on the carrier's new body.
void DropRiders(QNBODYNODE* node, const QNBODY* carrier)
{
    if (!carrier->Body)
        return;
    for (QNITEM* x = QNITEM::Next(node, node); x; x = QNITEM::Next(node, x)) {
        auto* rider = dynamic_cast<QNCOLLIDERNODE*>(x);
        if (rider && rider->Body && rider->Body != carrier && rider->Body->Model &&
            McdModelGetBody(rider->Body->Model) == carrier->Body)
            DropModel(rider);
    }
}

// A node moved to another parent takes a new body in its view's world, with the old one's
// placement, mass, switches and shape; the old body's joints follow the new one. A new
// dynamic body stays disabled until something enables it.
void RehomeBody(QNBODYNODE* node)
{
    QNBODY* old = node->Body;
    if (!old)
        return;
    DropRiders(node, old);
    auto* collider = dynamic_cast<QNCOLLIDERNODE*>(node);
    const QNMATRIX placement = old->GetTransform();
    auto* body = new QNBODY(PhysicsWorldOf(node->View), &ReportToNode, node);
    std::copy(&old->Own[0][0], &old->Own[0][0] + 16, &body->Own[0][0]);
    body->BoxPick = old->BoxPick;
    body->Record.Solid = old->Record.Solid;
    body->Material = old->Material;
    body->Callback = old->Callback;
    body->Shape = old->Shape;
    if (old->Body) {
        body->SetDynamic(true);
        body->SetTransform(placement);
        if (body->Body) {
            MeReal inertia[9];
            MdtBodyGetInertiaTensor(old->Body, inertia);
            MdtBodySetMass(body->Body, MdtBodyGetMass(old->Body));
            MdtBodySetInertiaTensor(body->Body, inertia);
            const QNVEC3 v = old->GetLinearVelocity(), w = old->GetAngularVelocity();
            MdtBodySetLinearVelocity(body->Body, v.x, v.y, v.z);
            MdtBodySetAngularVelocity(body->Body, w.x, w.y, w.z);
        }
    }
    old->MoveJoints(body);
    old->MovePairsOff(body);
    if (collider)
        collider->Model = nullptr;
    delete old;
    node->Body = body;
    if (collider && body->Shape)
        FollowState(collider);
    body->SetDisabled(true);
}

void DriveJoint(QNJOINTNODE* node)
{
    if (node->Joint && node->Joint->Driving)
        node->Joint->UpdateDrive(0);
}

void ReleaseJoint(QNJOINTNODE* node)
{
    delete node->Joint;
    node->Joint = nullptr;
}

void ReleaseCollision(QNCOLLIDERNODE* node)
{
    DropModel(node);
    if (node->Body)
        node->Body->Shape = nullptr;
}

void CollisionState(QNCOLLIDERNODE* node, std::int32_t, std::int32_t newState)
{
    if (!node->Body || !node->Body->Model)
        return;
    if (newState < 2) {
        node->Body->Detach();
    } else {
        node->Body->Attach();
        KeepRidersOff(node);
    }
}

QNNODE* Overlaps(QNNODE* node, QNNODE* root, std::uint32_t mode)
{
    return node->Overlaps(root, mode);
}

void ReleaseBounds(QNBOUNDSNODE* node)
{
    delete node->Bounds;
    node->Bounds = nullptr;
}

void SetCollisionMesh(QNMESHNODE* node, QNMESH* mesh)
{
    if (!node->Body)
        return;
    QNCOLLGEOM* shape = mesh ? static_cast<QNCOLLGEOM*>(mesh->Collision) : nullptr;
    // An empty shape (a kind outside the table) makes no model: the node keeps its placement.
    if (shape && !shape->Geometry)
        shape = nullptr;
    if (shape == node->Body->Shape && (node->Body->Model != nullptr) == (shape != nullptr))
        return;
    DropModel(node);
    node->Body->Shape = shape;
    if (shape)
        FollowState(node);
}

}  // namespace

void QNPHYSWORLD::InstallHooks()
{
    QNSCENEHOOKS& s = QNHOOKS::Scene;
    s.CreateWorld = [](QNVIEW* view) { PhysicsWorldOf(view); };
    s.ResetWorld = &DropWorld;
    s.StepWorld = [](QNVIEW* view, float dt) {
        if (QNPHYSWORLD* w = PhysicsWorldOf(view))
            w->Step(dt);
    };
    s.DestroyWorld = &DropWorld;

    QNNODEHOOKS& n = QNHOOKS::Node;
    n.CreateBody = &CreateBody;
    n.ReleaseBody = &ReleaseBody;
    n.RehomeBody = &RehomeBody;
    n.DriveJoint = &DriveJoint;
    n.ReleaseJoint = &ReleaseJoint;
    n.ReleaseCollision = &ReleaseCollision;
    n.CollisionState = &CollisionState;
    n.Overlaps = &Overlaps;
    n.ReleaseBounds = &ReleaseBounds;
    n.CreateWireBox = &CreateWireBox;
    n.UpdateInstance = &UpdateWireBox;
    n.ReleaseInstance = &ReleaseWireBox;

    QNSLOTHOOKS& slots = QNHOOKS::Slots;
    slots.WorldMatrix = [](const QNNODE* node, QNMATRIX& out) { out = node->GetWorldMatrix(); };
    slots.SetTransform = [](QNNODE* node, const QNMATRIX& m) { node->SetTransform(m); };
    slots.SetCollisionMesh = &SetCollisionMesh;
    slots.HasRigidBody = [](const QNNODE* node) {
        const QNBODY* body = PhysicsBodyOf(node);
        return body && body->Body;
    };

    QNMESH::CollisionBuilder = [](QNMESH& mesh, std::uint32_t kind, std::uint32_t option,
                                  const char* name) -> QNMESHCOLLISION* {
        return BuildMeshCollision(mesh, kind, option, name);
    };
    QNMESH::CollisionRelease = [](QNMESHCOLLISION* shape) { ReleaseMeshCollision(shape); };
}
