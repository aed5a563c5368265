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
#include "engine/util/qnmatrix.h"
#include "engine/util/qntimer.h"

class QNBODY;
class QNJOINT;
struct QNCOLOUR;
struct QNMATERIAL;
class QNTEXTURE;
struct QNTEXTURESTAGES;
class QNMESH;
class QNMESHLIST;
class QNRENDERITEM;
class QNLIGHT;
class QNSOUND;
struct QNNODEBOUNDS;
struct QNPHYSPARAMS;
struct QNWIREBOX;
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

    /// Colour = the registered colour (name, index), or none for a null name; frees OwnColour.
    void SetColour(const char* name, int index = 0);
    /// A private default colour record (a copy of the registered colour `name` when given).
    void SetOwnColour(const char* name = nullptr);
    /// Material = the registered material, or the engine's default for a null name.
    void SetMaterial(const char* name, int index = 0);
    /// Puts the registered texture into `stage` (0-7), freeing the stage's own texture; a null
    /// name clears the stage. Returns the texture set.
    QNTEXTURE* SetTexture(const char* name, int index = 0, std::uint32_t stage = 0);
    void ClearTexture(std::uint32_t stage);
    void ClearTextures();
    void ReleaseColours();
    void ReleaseMaterial();

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
    /// Asked before every draw of the render instance of a node with class flag 0x200; false
    /// skips the draw. True here.
    virtual bool BeforeDraw() { return true; }

    /// Mesh = level 0 of the registered group (class flag 0x800: the group gives distance
    /// levels); a null name clears it. Frees OwnMesh; then RefreshMesh.
    void SetMesh(const char* name, int index = 0);
    /// Collision shape from the registered group's level 0; a node without a mesh gets a private
    /// box of that group's size.
    void SetBoxMesh(const char* name, int index = 0);
    /// A private text grid from the mesh parameter block: cells of Args[0] x Args[1], Args[2]
    /// columns, Args[3] rows, facing Args[6]; the stage-0 texture's cell grid indexes glyphs.
    void BuildMesh();
    /// A private grid from all seven Args of the mesh parameter block.
    void BuildMeshStrip();
    /// A private text grid of `columns` x `rows` cells, options from the mesh parameter block.
    void BuildTextMesh(float cellWidth, float cellHeight, std::uint32_t columns, std::uint32_t rows);
    /// Drops the collision model and the render instance, frees OwnMesh, clears Mesh and
    /// CollisionGroup.
    void ReleaseMesh();
    /// Follows a new Mesh: collision model, then the render instance (made in state 3).
    void RefreshMesh();
    /// The distance level for the camera's distance (0 without a group).
    std::uint32_t SelectLevel() const;
    /// Level for distance d between LevelNear and LevelFar over `count` levels.
    static std::uint32_t LevelForDistance(float d, float nearDistance, float farDistance, std::uint32_t count);
    /// The render instance's matrix (one shared matrix, overwritten by the next call): picks the
    /// distance level with class flag 0x800; offset x world with 0x400; else the world matrix.
    const QNMATRIX* RenderMatrix();

    QNMESH* Mesh = nullptr;
    QNMESHLIST* MeshGroup = nullptr;
    QNMESHLIST* CollisionGroup = nullptr;
    QNMESHLIST* OwnMesh = nullptr;
    float LevelNear = 0.0f;
    float LevelFar = 0.0f;
    QNRENDERITEM* Instance = nullptr;
    QNMATRIX Offset;  ///< drawn before the world matrix with class flag 0x400 (identity: none)

protected:
    void ApplyState(std::int32_t oldState, std::int32_t newState) override;

private:
    void CreateInstance();
    void DeleteInstance();
    void ApplyMeshState(std::int32_t oldState, std::int32_t newState);
};

class QNLIGHTNODE : public QNMESHNODE {
public:
    QNLIGHTNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNLIGHTNODE() override;

    void UpdateInstance() override;

    /// Directional light of colour (r, g, b), applied at once.
    void SetDirectionalLight(float r, float g, float b);
    /// Point light of `range` and colour (r, g, b), applied at once.
    void SetPointLight(float range, float r, float g, float b);
    /// LightOn = on; takes a hardware slot when on in state 3 (gives it back otherwise), placed
    /// at the world matrix; a node that can move joins the update list.
    void AttachLight(bool on);
    /// LightOn = on; the hardware light is on only when on in state 3.
    void SetLightOn(bool on);
    void ReleaseLight();

    QNLIGHT* Light = nullptr;     ///< light record (render layer)
    std::uint8_t LightOn = 0;

protected:
    void ApplyState(std::int32_t oldState, std::int32_t newState) override;

private:
    void UpdateLight();
    void ApplyLightState(std::int32_t oldState, std::int32_t newState);
};

class QNSOUNDNODE : public QNLIGHTNODE {
public:
    QNSOUNDNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                std::uint32_t collisionGroup, QNVIEW* rootOf = nullptr);
    ~QNSOUNDNODE() override;

    void UpdateInstance() override;

    /// A private 3D sound playing the registered sound (name, index), placed at the node; a null
    /// name clears it.
    void SetSound(const char* name, int index = 0);
    /// Plays in state 3; loops -1 loops for ever and restarts on every return to state 3.
    void PlaySound(std::int32_t loops);
    void StopSound();
    void SetSoundVolume(float value);

    QNSOUND* Sound = nullptr;
    QNSOUND* OwnSound = nullptr;
    std::uint8_t Looping = 0;

protected:
    void ApplyState(std::int32_t oldState, std::int32_t newState) override;

private:
    void UpdateSound();
    void PlaceSound();
    void ApplySoundState(std::int32_t oldState, std::int32_t newState);
    void ReleaseSoundSlot();
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

    QNWIREBOX* WireBox = nullptr;    ///< wire box of user flag 0x40 (physics layer)
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
