#pragma once
/// QNNODE: the scene-graph node.
///
/// A node is a named tree item with a kind, class flags, user flags, a state 0-3 and membership
/// in its view's two per-frame lists (the update list and the one-shot list, linked through the
/// node's own link pairs). View and camera are copied from the parent at construction.
///
/// State rule. A node's state is the smallest of its four votes (GAMENODE keeps them; a plain
/// QNNODE votes 3 everywhere); when that is 2 or 3 it is further lowered to the smallest stored
/// state of its ancestors, nearest first, stopping once it is below 2. 3 = shown and active,
/// 2 = hidden, 0 and 1 = dormant. A refresh recomputes the node, reports a change through
/// OnStateChanged and the level features, then refreshes every child.
///
/// List membership is safe against removal while a list is walked: every list walk in the
/// scene layer goes through QNLISTCURSOR, and every unlink reports itself to the live cursors.

#include <cstdint>

#include "engine/util/qn_item.h"
#include "engine/util/qnbox.h"

class QNVIEW;
class QNVIEWPORT;
class SPRITENODE;
class QNRESOURCES;
struct QNNODEHIT;

/// Class flags of a node. The byte above the low 24 bits is the node's level.
enum : std::uint32_t {
    QNCF_UPDATE = 0x4,        ///< on the update list from construction
    QNCF_BODY = 0x8,          ///< owns a rigid body
    QNCF_CONTACTS = 0x10,     ///< reports contacts
    QNCF_NOCONTACT = 0x20,    ///< never a contact partner; skipped by the checked state change
    QNCF_SCREEN = 0x40,       ///< screen (2D) node
    QNCF_BILLBOARD = 0x80,    ///< drawn facing the camera
    QNCF_SPRITE = 0x100,      ///< drawn in the sprite runs
    QNCF_ASKDRAW = 0x200,     ///< asked before each draw of its instance
    QNCF_OFFSET = 0x400,      ///< drawn at its offset matrix times its world matrix, each frame
    QNCF_LEVELS = 0x800,      ///< mesh level chosen by distance
    QNCF_ALWAYS = 0x1000,     ///< drawn without culling by the screen box
    QNCF_LEVEL_PLAIN = 0x1000000,
    QNCF_LEVEL_GAME = 0x2000000,   ///< game objects and sprites
    QNCF_LEVEL_EMITTER = 0x4000000,
    QNCF_LEVEL_VIEWROOT = 0x8000000,
    QNCF_LEVEL_MASK = 0xFF000000u,
};

/// User flags of a node.
enum : std::uint32_t {
    QNUF_PAIR_BODY = 0x1,     ///< pair the collision model with the body ancestor
    QNUF_PAIR_PARENT = 0x2,   ///< pair it with the parent
    QNUF_NOCULL = 0x4,        ///< instance never culled
    QNUF_NOSTATS = 0x8,       ///< instance left out of the draw statistics
    QNUF_APPEND = 0x10,       ///< instance queued last, not beside a like one
    QNUF_NOUNION = 0x20,      ///< left out of its ancestors' subtree box
    QNUF_WIREBOX = 0x40,      ///< show a wire box of the bounds
};

class QNNODE : public QNITEM {
public:
    using EXC = QNNODE_EXC;

    /// Names the node, stores the flags, copies view and camera from `parent`, takes the
    /// resource override when one is set (else the parent's resources), starts in state 0,
    /// appends to `parent`, joins the update list with class flag 4 and counts itself in the
    /// view. `rootOf`: a parentless view root passes its view here.
    QNNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
           std::uint32_t userFlags, QNVIEW* rootOf = nullptr);
    ~QNNODE() override;

    // Virtual operations, in slot order after the destructor.
    /// Engine per-frame work of the levels (after the game Update).
    virtual void UpdateInstance() {}
    /// Called once from the one-shot list (ScheduleOnce).
    virtual void RunOnce() {}
    /// Game per-frame update.
    virtual void Update() {}

    /// Smallest vote, lowered by the ancestors' stored states while it is above 1.
    std::int32_t ComputeState() const;
    /// Recomputes the state; on a change calls OnStateChanged (game nodes) and the level
    /// features, stores it; then refreshes every child, changed or not.
    void RefreshState();
    /// Sets vote `vote` to `state` (on every descendant too with `recursive`). Plain nodes keep
    /// no votes: only game nodes and their descendants that are game nodes change.
    void SetVote(std::int32_t state, std::int32_t vote, bool recursive);
    /// Checked (see the checked test), then SetVote when `vote` >= 0, then RefreshState.
    /// Returns 0 when done, non-zero when the checked test refused (nothing changed).
    std::uint32_t SetState(std::int32_t state, std::int32_t vote, bool checked, bool recursive);
    /// Dormant (vote 0 = 1), moved under `parent`, rehomed to its view, then as SetState.
    std::uint32_t AttachWithState(QNNODE* parent, std::int32_t state, std::int32_t vote,
                                  bool checked, bool recursive);
    /// Moves the node's and its subtree's list membership (and bodies) to `parent`'s view.
    void Rehome(QNNODE* parent);

    /// The first of this node and its ancestors whose class flags are at least `level`.
    QNNODE* FindAncestor(std::uint32_t level);

    /// Appends the node to its view's update list unless it is already on it.
    void EnableUpdate();
    /// Takes the node off its view's update list.
    void DisableUpdate();
    /// Appends the node to its view's one-shot list unless it is already on it.
    void ScheduleOnce();
    /// Takes the node off its view's one-shot list.
    void CancelOnce();
    bool IsOnUpdateList() const;
    bool IsOnOnceList() const;

    /// The vote `vote` (0-3); 3 for nodes without votes.
    virtual std::int32_t Vote(std::int32_t vote) const;

    /// The parent as a node (null for a root or a parent that is not a node).
    QNNODE* ParentNode() const;

    // Transforms, bounds and motion (implemented by the physics layer, engine/physics).
    QNMATRIX GetWorldMatrix() const;
    QNMATRIX GetLocalMatrix() const;
    void SetLocalTransform(const QNMATRIX& m);
    void SetTransform(const QNMATRIX& m);
    void SetTranslation(const QNVEC3& v);
    void PlaceTopLeft(const QNVEC3& point);
    void PlaceBottomRight(const QNVEC3& point);
    QNVEC3& ProjectToScreen(QNVEC3& out) const;
    void GetBox(QNBOX& out, bool useOwnBox) const;
    void GetLocalBox(QNBOX& out, bool useOwnBox) const;
    void GetTreeBounds(QNBOX& out, bool withChildren, bool useCache) const;
    void GetBounds(QNBOX& out, bool withChildren, bool useCache) const;
    void UpdateWorldBounds(bool recompute);
    void UpdateSphereBounds(bool recompute);
    bool IsInView(std::uint32_t mode) const;
    QNNODE* FindTouching(QNNODE* other, const QNBOX& box, float radius, std::uint32_t mode);
    QNNODE* Overlaps(QNNODE* root, std::uint32_t mode);
    void StopMotion(bool recursive, std::uint32_t level);
    bool IsSlowerThan(float limit) const;
    bool IsTurningSlowerThan(float limit) const;
    void SetScale(float scale, float massFactor);
    void SetJointLimits(float lower, float upper, int index = 0);
    void SetJointLimits2(float lower, float upper);
    void SetJointMotor(float speed, float maxForce, int index = 0);
    void ActivateJointMotor(bool on, int index = 0);
    void DriveJoint(float lower, float upper, float speed, float factor, float maxForce, float tolerance);
    bool PushTowards(const QNVEC3& target, const QNVEC3& gain, float slowRadius, float stopRadius);
    bool TurnTowards(const QNVEC3& target, const QNVEC3& gain, float slowRadius, float stopRadius)
    {
        return PushTowards(target, gain, slowRadius, stopRadius);
    }
    bool SteerTowards(const QNVEC3& target, const QNVEC3& gain, float slowAngle, float stopAngle);
    bool SteerAlongPath(const QNVEC3* points, std::uint32_t count, float distance, const QNVEC3& gain,
                        float slowAngle, float stopAngle, QNVEC3& point);
    int CastSegment(float nearDistance, float farDistance, const QNVEC3& direction, int capacity,
                    QNNODEHIT* hits);
    void CreateJoint(std::int32_t type, const QNMATRIX* frame, const QNMATRIX* secondFrame = nullptr);
    void CreateJointVariant(std::int32_t type, QNNODE* other, const QNMATRIX* frame,
                            const QNMATRIX* secondFrame = nullptr);
    /// Switches collision between every model of this subtree and every model of `other`'s on or
    /// off; the switch holds while the models leave and enter the space or are made anew.
    void SetTreeCollision(QNNODE* other, bool on);

    // Sprites, focus and broadcasts (implemented with SPRITENODE, engine/physics).
    /// When `sprite` differs from the focus: message 13 (a = sprite) to the old focus, 12 (a =
    /// the old focus) to the new one; the focus becomes `sprite`.
    static void SetFocus(SPRITENODE* sprite);
    /// Message 13 (a = value) to the focus, which is then cleared; nothing without a focus.
    static void ClearFocus(QNNODE* value);
    /// Disabled = flag and message 18 on this node's sprite (every descendant's too).
    void BroadcastDisabled(std::uint32_t flag, bool recursive);
    void BroadcastProperty18(std::uint32_t flag, bool recursive) { BroadcastDisabled(flag, recursive); }
    /// Property19 = value and message 19 on this node's sprite (every descendant's too), but
    /// not on `except`.
    void BroadcastProperty19(std::uint32_t value, bool recursive, const QNNODE* except);
    /// The nearest of this node and its ancestors that is a screen or group root sprite.
    QNNODE* FindSpriteRoot();
    QNNODE* FindSceneRoot() { return FindSpriteRoot(); }

    // Fields, in order.
    QNNODE* UpdatePrev = nullptr;
    QNNODE* UpdateNext = nullptr;
    QNNODE* OncePrev = nullptr;
    QNNODE* OnceNext = nullptr;
    std::uint32_t UserFlags = 0;
    std::int32_t Kind = 0;
    std::uint32_t ClassFlags = 0;
    std::uint32_t Delete = 0;          ///< non-zero: destroyed after its update in the pass
    QNVIEWPORT* Camera = nullptr;      ///< the view's camera (draw list and position)
    QNRESOURCES* Resources = nullptr;
    std::int32_t State = 0;
    QNVIEW* View = nullptr;
    std::uint32_t OnceStamp = 0;       ///< the view's one-shot pass in which it was scheduled
    std::uint32_t UpdateStamp = 0;     ///< the view's update pass that last visited it

protected:
    /// Level features of a state change (sound, light, mesh, collision; most derived first).
    virtual void ApplyState(std::int32_t oldState, std::int32_t newState);
    /// Reports a state change to the game (GAMENODE::OnStateChanged).
    virtual void NotifyStateChanged(std::int32_t oldState, std::int32_t newState);
    /// Level features of a move to another view (the body level takes a new body).
    virtual void RehomeFeatures() {}
    /// Whether the node has a collision model (collider level).
    virtual bool HasCollisionModel() const { return false; }
    /// Stores vote `vote` (game nodes).
    virtual void StoreVote(std::int32_t state, std::int32_t vote);

private:
    std::uint32_t CheckedTest(std::int32_t state, std::int32_t vote);
    void UnlinkUpdate();
    void UnlinkOnce();
};
