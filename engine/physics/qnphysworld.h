#pragma once
/// Node bodies, joints and the per-view physics world.
///
/// Game code never touches the physics toolkit: each node that moves or collides holds a
/// QNBODY (one dynamics body and one collision model, bound to the node that owns it), joints
/// between two nodes' bodies are QNJOINT records, and each view owns a QNPHYSWORLD (dynamics
/// world, sweep-and-prune space and the bridge that turns touching pairs into contacts),
/// stepped once per frame after the render. The collision framework is one per program.
///
/// Contacts. The bridge calls the engine's pair filter for every touching pair of material
/// pair (0, 0). The filter calls the contact callback of each side (own node, other node, the
/// first contact's point when the pair has contacts, the result's normal), first side first,
/// and keeps the pair's contacts only when both sides are solid.
///
/// World lock. While a world steps it is locked: a body's contact callback is not run inside
/// the step but queued (with copies of the point and normal and weak handles on both nodes),
/// and the world runs the queue in order once the step is over; a report whose node or partner
/// is gone by then is dropped. Item destruction asked for during the step waits for its end
/// (QNDESTROYLOCK). So a node's contact operation may delete, move or create nodes, bodies and
/// models freely. QNPHYSWORLD::DeferRemove still marks a node and lets the one-shot list
/// destroy it at the next update.
///
/// Joints. A body keeps the list of the joints attached to it. Destroying a body makes each of
/// its joints inert (no constraint, no bodies); re-making it (a view move, a change of its
/// dynamic body) re-targets them to the new body. A joint whose two bodies live in different
/// worlds keeps a copy of its constraint and is rebuilt when they meet in one world again.
///
/// Forces. AddForce and AddTorque scale by QNAPP::Rate and fade in over 0.1 s of the physics
/// clock since the last force (or torque): a force applied every frame acts the same whatever
/// the frame rate, and a second force in the same frame adds nothing.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/util/qn_item.h"
#include "engine/util/qnmatrix.h"
#include "engine/util/qntimer.h"
#include "physics/collision/framework.h"
#include "physics/collision/space.h"
#include "physics/dynamics/me_types.h"

struct MdtBody;
struct MdtWorld;
struct MdtConstraint;
struct MdtLimit;
struct McdDtBridge;
struct McdIntersectResult;
class QNNODE;
class QNBODY;
class QNJOINT;
class QNCOLLGEOM;
class QNPHYSWORLD;

/// The contact callback of a body's node level: (own node, other node, point or null, normal).
using QNCONTACTFN = void (*)(QNNODE* self, QNNODE* other, const float* point, const float* normal);

/// The record every collision model carries as its user data.
struct QNMODELRECORD {
    /// Always the engine's contact trampoline (QNBODY::Trampoline).
    void (*Callback)(QNBODY* self, QNBODY* other, const McdIntersectResult* result) = nullptr;
    std::uint8_t Solid = 1;
    QNBODY* Body = nullptr;
    QNBODY* ListPrev = nullptr;   ///< the world's triangle-list chain
    QNBODY* ListNext = nullptr;
    QNCOLLGEOM* Geometry = nullptr;
};

/// A contact report held back while its world steps.
struct QNPENDINGCONTACT {
    QNCONTACTFN Callback = nullptr;
    QNWEAK<QNITEM> Self;       ///< the reporting node
    QNWEAK<QNITEM> Other;
    bool HadSelf = false;      ///< the nodes were given (a gone node drops the report)
    bool HadOther = false;
    bool HasPoint = false;
    float Point[3] = {0, 0, 0};
    float Normal[3] = {0, 0, 0};
};

/// One hit of a segment query: the body hit, the point, the surface normal and the distance
/// from the segment's start.
struct QNSEGMENTHIT {
    QNBODY* Body = nullptr;
    float Point[3] = {0, 0, 0};
    float Normal[3] = {0, 0, 0};
    float Distance = 0;
};

/// Creation parameters of a view's world.
struct QNWORLDPARAMS {
    std::uint32_t MaxBodies = 300;
    std::uint32_t MaxModels = 500;
    std::uint32_t MaxConstraints = 250;
    std::uint32_t MaxPairs = 100;
    std::uint32_t MaterialCount = 1;
    bool AutoDisable = true;
};

class QNPHYSWORLD {
public:
    /// Silences the toolkit's four message channels, creates the collision framework with the
    /// two capacities and registers every geometry type and interaction. Starts the physics
    /// clock.
    static void InitFramework(std::uint32_t capacity, std::uint32_t capacity2);
    static void TermFramework();
    static McdFramework* Framework();

    /// Physics clock: seconds of its timer, read after each step.
    static float Clock();
    /// Reads the physics clock from its timer now (tests, and the step).
    static void ReadClock();

    /// A world: dynamics world, axis-sort space (mask 7), bridge with the pair filter on
    /// material pair (0, 0), body hooks, gamma 0.3, contact type 2 and friction 0.015, one
    /// bridge material per material after the default. Null when the dynamics world cannot
    /// be made.
    static QNPHYSWORLD* Create(std::uint32_t maxBodies, std::uint32_t maxModels, std::uint32_t maxConstraints,
                               std::uint32_t maxPairs, std::uint32_t materialCount, bool autoDisable);
    static QNPHYSWORLD* Create(const QNWORLDPARAMS& p)
    {
        return Create(p.MaxBodies, p.MaxModels, p.MaxConstraints, p.MaxPairs, p.MaterialCount, p.AutoDisable);
    }
    /// Frees the material table, then the bridge, the space and the world. Null is ignored.
    static void Destroy(QNPHYSWORLD* world);

    /// Contact parameters of a material pair (indices into the material table).
    void SetContactType(int type, std::uint32_t material1, std::uint32_t material2);
    void SetFriction(float friction, std::uint32_t material1, std::uint32_t material2);
    int BodyCount() const;
    int ConstraintCount() const;
    /// Updates the space and runs hello and goodbye for pairs made or ended by changes.
    void RefreshPairs();
    /// One step of dt; nothing unless dt is finite, above 0 and at most 0.25 s and the world
    /// has bodies or models. The physics clock is read afterwards.
    void Step(float dt);
    /// Segment query from `start` to `end`: the space's models, then the triangle-list chain;
    /// at most `capacity` hits, nearest first (equal distances keep their order).
    int IntersectSegment(const QNVEC3& start, const QNVEC3& end, int capacity, QNSEGMENTHIT* hits);
    /// True while Step runs (the world is locked; contact reports wait for its end).
    bool IsStepping() const { return Stepping != 0; }
    /// Queues a contact report while the world steps.
    void HoldContact(QNPENDINGCONTACT&& report) { Pending.push_back(std::move(report)); }

    /// Marks `node` for deletion and schedules it on its view's one-shot list, which destroys
    /// it at the next update; safe from inside a contact callback.
    static void DeferRemove(QNNODE* node);

    /// Parameters of the worlds the views make.
    static QNWORLDPARAMS ViewParams;
    /// Registers the physics layer's entries with the scene layer (view worlds, node bodies,
    /// joints, collision models, transforms) and the mesh's collision builder.
    static void InstallHooks();

    McdDtBridge* Bridge = nullptr;
    MdtWorld* World = nullptr;
    McdSpace* Space = nullptr;
    std::vector<int> Materials;       ///< entry 0 the default material
    QNBODY* ListFirst = nullptr;      ///< bodies whose geometry is a triangle list
    QNBODY* ListLast = nullptr;
    std::uint8_t Stepping = 0;
    std::vector<QNPENDINGCONTACT> Pending; ///< reports held back by the running step

private:
    QNPHYSWORLD() = default;
    void DeliverContacts();
};

class QNBODY {
public:
    QNBODY(QNPHYSWORLD* world, QNCONTACTFN callback, QNNODE* owner);
    ~QNBODY();

    /// The world's creation under its other name (QNPHYSWORLD::Create).
    static QNPHYSWORLD* Create(std::uint32_t maxBodies, std::uint32_t maxModels, std::uint32_t maxConstraints,
                               std::uint32_t maxPairs, std::uint32_t materialCount, bool autoDisable)
    {
        return QNPHYSWORLD::Create(maxBodies, maxModels, maxConstraints, maxPairs, materialCount, autoDisable);
    }
    QNBODY(const QNBODY&) = delete;
    QNBODY& operator=(const QNBODY&) = delete;

    /// Destroys the dynamic body (disabling it first); on makes a new one and enables it.
    void SetDynamic(bool on);
    /// Replaces the collision model by one of `geometry` (none: no model), carried by the
    /// carrier's body when one is given, else by this body, else placed by the own transform.
    void SetGeometry(QNCOLLGEOM* geometry, QNBODY* carrier = nullptr);
    /// Removes and destroys the model, then disables and destroys the body.
    void Release();
    /// Takes the model out of the space (it keeps its geometry and placement) and puts it back.
    void Detach();
    void Attach();
    bool IsAttached() const;

    /// The model's transform, else the body's, else the own transform.
    QNMATRIX GetTransform() const;
    /// The body's transform, or the own transform without a body.
    void SetTransform(const QNMATRIX& m);
    void SetMass(float mass);
    float GetMass() const;
    void SetBoxInertia(float x, float y, float z);
    void SetLinearVelocity(const QNVEC3& v);
    void SetAngularVelocity(const QNVEC3& v);
    void SetLinearDamping(float c);
    void SetAngularDamping(float c);
    QNVEC3 GetLinearVelocity() const;
    QNVEC3 GetAngularVelocity() const;
    /// F x Rate, faded in over 0.1 s since the last force; enables the body.
    void AddForce(const QNVEC3& f);
    void AddTorque(const QNVEC3& t);
    void ResetForces();
    void SetDisabled(bool disabled);
    bool IsEnabled() const;
    void UpdateModel();
    void Freeze();
    void Unfreeze();
    void SetMaterial(int material);
    /// Disables (true) or enables collision between this body's model and `other`'s. The
    /// switch belongs to the two bodies: it holds across either model leaving and entering the
    /// space or being made anew, until it is switched back or either body goes.
    void SetPairEnabled(QNBODY* other, bool disable);
    /// The model's world box; false without a model.
    bool GetBounds(QNVEC3& min, QNVEC3& max) const;
    /// Disables and enables the body again, so the step looks at it afresh.
    void Wake();
    /// Hands every joint attached to this body over to `to` (a body re-made in its place).
    void MoveJoints(QNBODY* to);

    bool IsSolid() const { return Record.Solid != 0; }
    void SetSolid(bool on) { Record.Solid = on ? 1 : 0; }
    QNCOLLGEOM* Geometry() const { return Record.Geometry; }

    /// Runs the body's contact callback for a touch by `other`.
    static void Trampoline(QNBODY* self, QNBODY* other, const McdIntersectResult* result);

    std::uint8_t BoxPick = 0;
    McdModel* Model = nullptr;
    MdtBody* Body = nullptr;
    QNNODE* Owner = nullptr;
    MeMatrix4 Own;
    MeMatrix4 Relative;
    MeMatrix4 Combined;               ///< carrier x relative, written by the model's update
    QNPHYSWORLD* World = nullptr;
    QNCONTACTFN Callback = nullptr;
    QNMODELRECORD Record;
    float LastForce = 0;
    float LastTorque = 0;
    std::uint8_t Frozen = 0;
    std::int32_t Material = -1;

    /// What the node asks for while its model is detached (states 0 and 1).
    QNCOLLGEOM* Shape = nullptr;
    QNBODY* ShapeCarrier = nullptr;
    /// The joints attached to this body (kept by QNJOINT::SetBodies and QNJOINT::Destroy).
    std::vector<QNJOINT*> Joints;
    /// The bodies this one does not collide with; each lists this one in turn.
    std::vector<QNBODY*> PairsOff;
    /// Hands the switched-off pairs over to `to` (a body re-made in its place).
    void MovePairsOff(QNBODY* to);

private:
    /// Switches the pairs of PairsOff off in the space the model has just entered.
    void ApplyPairsOff();
    void ForgetPairsOff();
    void RemoveModel();
    void ChainAppend();
    void ChainRemove();
    float Faded(float& last);
};

/// Joint kinds.
enum : std::int32_t {
    QNJOINT_NONE = 0,
    QNJOINT_BALL = 1,
    QNJOINT_HINGE = 2,
    QNJOINT_SLIDER = 3,
    QNJOINT_ANGULAR = 4,
    QNJOINT_PLANE = 5,     ///< toolkit type 10
    QNJOINT_LINE = 6,      ///< toolkit type 11
    QNJOINT_DISTANCE = 7,
    QNJOINT_UNIVERSAL = 8,
    QNJOINT_TYPE3 = 9,
};

class QNJOINT {
public:
    QNJOINT();
    ~QNJOINT();
    QNJOINT(const QNJOINT&) = delete;
    QNJOINT& operator=(const QNJOINT&) = delete;

    /// Destroys any constraint held and makes one of `kind` (1-9) in the world; other kinds
    /// leave none.
    void Create(QNPHYSWORLD* world, std::int32_t kind);
    /// Sets the two bodies (either may be null: the world) and enables the constraint.
    void SetBodies(QNBODY* first, QNBODY* second);
    void SetPosition(const QNVEC3& position, const QNVEC3& second);
    void SetAxis(const QNVEC3& axis, const QNVEC3& second);
    void Enable(bool on);
    /// Disables and destroys the constraint, kind 0, and lets go of both bodies.
    void Destroy();
    /// `body` (one of the two) is being destroyed: the joint goes inert (as Destroy).
    void BodyGone(QNBODY* body);
    /// `from` (one of the two) is replaced by `to`; then Rebind.
    void Retarget(QNBODY* from, QNBODY* to);
    /// Brings the constraint in line with the bodies: in the bodies' world with their current
    /// dynamic bodies, or held as a copy while the two bodies live in different worlds.
    void Rebind();
    /// No constraint now (never made, destroyed, or waiting for its bodies to meet).
    bool IsInert() const { return Constraint == nullptr; }
    /// The limit of hinges, sliders and distance joints for index 0; null otherwise.
    MdtLimit* GetLimit(int index) const;
    void SetLimitStops(float lower, float upper, int index);
    void SetLimitRestitution(float lower, float upper, int index);
    void SetMotor(float speed, float maxForce, int index);
    void ActivateMotor(bool on, int index);
    /// Stores the drive; the target is B for a speed of 0 or more, else A.
    void SetDrive(float a, float b, float speed, float maxForce, float factor, float tolerance);
    /// Drives the motorised limit towards the target, swapping ends within the tolerance.
    void UpdateDrive(int index);

    std::int32_t Kind = QNJOINT_NONE;
    QNPHYSWORLD* World = nullptr;
    QNBODY* First = nullptr;
    QNBODY* Second = nullptr;
    MdtConstraint* Constraint = nullptr;
    float DriveA = 0, DriveB = 0, Target = 0, Speed = 0, MaxForce = 0, Factor = 0, Tolerance = 0;
    std::uint8_t Driving = 0;     ///< the node's per-frame work drives limit 0

private:
    void WakeBodies();
    void Attach(QNBODY* body);
    void Detach(QNBODY* body);
    /// Copies the constraint's set-up (attachment frames, type data, enabled) and destroys it.
    void Suspend();
    /// Turns the constraint back on if `enabled`, or holds it off while it has no first body.
    void Reenable(bool enabled);

    std::unique_ptr<MdtConstraint> saved_; ///< the set-up of a suspended constraint
    bool savedEnabled_ = false;
    bool heldOff_ = false;        ///< enabled, but off until its first body is back
};
