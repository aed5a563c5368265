#pragma once
/// The node chain: the engine levels between QNNODE and GAMENODE, each adding one feature.
///
///   QNNODE > QNBODYNODE (rigid body) > QNJOINTNODE (joint and drive) > QNCOLLIDERNODE (collision
///   model, contacts) > QNMATERIALNODE (colour, material, texture stages) > QNMESHNODE (mesh
///   slots) > QNLIGHTNODE (light) > QNSOUNDNODE (3D sound) > QNBOUNDSNODE (boxes) >
///   QNINSTANCENODE (render instance) > QNPHYSNODE (physics parameters) > GAMENODE (votes)
///
/// Each level constructor calls the one above first. The features themselves belong to the
/// areas that own them (physics, collision, meshes, lights, sound, rendering); a level keeps
/// their records behind typed pointers and calls the registered QNNODEHOOKS entries.
///
/// Per-frame engine work (UpdateInstance) runs most derived first: render instance, sound,
/// light, then the collider's work (joint drive, then contacts). State changes apply sound,
/// light, mesh, then collision.
///
/// Destruction: a level that releases a physical part (collision model, joint, body) first
/// deletes the node's children, so that a child's joint or paired model never outlives the
/// body it hangs on.
///
/// Contacts. A node with class flag 16 keeps one QNCONTACT per touching partner under its
/// contact list. The physics step reports each touch (ReportContact): a new partner gets a
/// record in phase 0 and OnContact(other, 0, ...); a known one restarts its timer, phase 1 and
/// OnContact(other, 1, ...). Each frame the collider's UpdateInstance deletes records in phase 2
/// and ends the others whose timer shows more than 0.25 s without a touch: phase 2 and
/// OnContact(other, 2, ...). The partner is held by a weak handle: a record whose partner is gone
/// is dropped silently, so a new node at a freed node's address starts again at phase 0.

#include <cstdint>

#include "engine/scene/node.h"
#include "engine/util/qntimer.h"

struct QNMATRIX;
class QNBODY;
class QNJOINT;
class QNCOLOUR;
class QNMATERIAL;
class QNTEXTURE;
class QNTEXTURESTAGES;
class QNMESH;
class QNMESHLIST;
class QNRENDERITEM;
class QNLIGHT;
class QNSOUND;
struct QNNODEBOUNDS;
struct QNPHYSPARAMS;
struct McdModel;

/// Contact phases.
enum : std::uint32_t {
    QNCONTACT_BEGAN = 0,
    QNCONTACT_TOUCHING = 1,
    QNCONTACT_ENDED = 2,
};

/// Seconds without a touch after which a contact ends.
inline constexpr double kContactTimeout = 0.25;

/// One partner touching a node.
class QNCONTACT : public QNITEM {
public:
    std::uint32_t Phase = QNCONTACT_BEGAN;
    QNWEAK<QNNODE> Other;
    QNTIMER Timer;          ///< restarted at each touch
    float Point[3] = {};    ///< as given when the contact began
    float Normal[3] = {};
};

class QNBODYNODE : public QNNODE {
public:
    QNBODYNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
               std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
               QNVIEW* rootOf = nullptr);
    ~QNBODYNODE() override;

    QNBODY* Body = nullptr;       ///< rigid body and collision model (physics layer)
    std::int32_t BodyMode = 0;

protected:
    void RehomeFeatures() override;
};

class QNJOINTNODE : public QNBODYNODE {
public:
    QNJOINTNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                QNVIEW* rootOf = nullptr);
    ~QNJOINTNODE() override;

    void UpdateInstance() override;

    QNJOINT* Joint = nullptr;     ///< joint record with its drive (physics layer)
};

class QNCOLLIDERNODE : public QNJOINTNODE {
public:
    QNCOLLIDERNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                   std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                   std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNCOLLIDERNODE() override;

    /// Joint drive, then the contact timeouts (class flag 16 with a collision model).
    void UpdateInstance() override;
    /// A contact with `other` began (0), goes on (1) or ended (2).
    virtual void OnContact(QNNODE* other, std::uint32_t phase, const float* point,
                           const float* normal);

    /// The physics step's report of a touch by `other` (see the header comment).
    void ReportContact(QNNODE* other, const float* point, const float* normal);
    /// The record of a live contact with `other`, or null.
    QNCONTACT* FindContact(const QNNODE* other) const;
    /// Ends and removes contacts as one frame of the collider's per-frame work does.
    void AgeContacts();

    McdModel* Model = nullptr;    ///< collision model (collision layer); null = none
    QNITEM Contacts;              ///< QNCONTACT records
    std::uint32_t CollisionGroupWord = 0;
    std::uint8_t ContactsOn = 1;  ///< contact reporting (off with class flag 32)

protected:
    void ApplyState(std::int32_t oldState, std::int32_t newState) override;
    bool HasCollisionModel() const override { return Model != nullptr; }
};

class QNMATERIALNODE : public QNCOLLIDERNODE {
public:
    QNMATERIALNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                   std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                   std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNMATERIALNODE() override;

    QNCOLOUR* Colour = nullptr;
    QNCOLOUR* OwnColour = nullptr;
    QNMATERIAL* Material = nullptr;   ///< null = the engine's default material
    QNMATERIAL* OwnMaterial = nullptr;
    QNTEXTURE* OwnTexture[8] = {};
    QNTEXTURESTAGES* Stages = nullptr; ///< texture-stage block (render layer)
};

class QNMESHNODE : public QNMATERIALNODE {
public:
    QNMESHNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
               std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
               std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNMESHNODE() override;

    /// Whether the node may be detached (`arg` as the caller defines it); true here.
    virtual bool CanDetach(std::int32_t arg);

    QNMESH* Mesh = nullptr;
    QNMESHLIST* MeshGroup = nullptr;
    QNMESHLIST* CollisionGroup = nullptr;
    QNMESHLIST* OwnMesh = nullptr;
    float LevelNear = 0.0f;
    float LevelFar = 0.0f;
    QNRENDERITEM* Instance = nullptr;

protected:
    void ApplyState(std::int32_t oldState, std::int32_t newState) override;
};

class QNLIGHTNODE : public QNMESHNODE {
public:
    QNLIGHTNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNLIGHTNODE() override;

    void UpdateInstance() override;

    QNLIGHT* Light = nullptr;     ///< light record (render layer)
    std::uint8_t LightOn = 0;

protected:
    void ApplyState(std::int32_t oldState, std::int32_t newState) override;
};

class QNSOUNDNODE : public QNLIGHTNODE {
public:
    QNSOUNDNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNSOUNDNODE() override;

    void UpdateInstance() override;

    QNSOUND* Sound = nullptr;
    QNSOUND* OwnSound = nullptr;
    std::uint8_t Looping = 0;

protected:
    void ApplyState(std::int32_t oldState, std::int32_t newState) override;
};

class QNBOUNDSNODE : public QNSOUNDNODE {
public:
    QNBOUNDSNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                 std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                 std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNBOUNDSNODE() override;

    QNNODEBOUNDS* Bounds = nullptr; ///< local, world and tree boxes and radius (bounds code)
};

class QNINSTANCENODE : public QNBOUNDSNODE {
public:
    QNINSTANCENODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                   std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                   std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNINSTANCENODE() override;

    void UpdateInstance() override;

    QNRENDERITEM* WireBox = nullptr; ///< wire-box render instance (user flag 0x40)
};

class QNPHYSNODE : public QNINSTANCENODE {
public:
    QNPHYSNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
               std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
               std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNPHYSNODE() override;

    QNPHYSPARAMS* Physics = nullptr; ///< physics parameters (physics layer)
};

/// Base of every game object: four state votes; born dormant (vote 0 = 0, state 0).
class GAMENODE : public QNPHYSNODE {
public:
    GAMENODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
             std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
             std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~GAMENODE() override;

    /// Called by RefreshState before the new state is applied and stored.
    virtual void OnStateChanged(std::int32_t oldState, std::int32_t newState);

    std::int32_t Vote(std::int32_t vote) const override;

    std::int32_t Votes[4] = {3, 3, 3, 3};

protected:
    void NotifyStateChanged(std::int32_t oldState, std::int32_t newState) override;
    void StoreVote(std::int32_t state, std::int32_t vote) override;
};
