#pragma once
/// STATIONWEAPON: the level shared by the aimed station weapons (anti-ship launcher, flak gun,
/// the two turrets, neutron emitter). Each frame a powered and active weapon runs its
/// engagement cycle:
///   IDLE      -> SEARCHING once the site's target list has entries;
///   SEARCHING -> TRACKING once FindTarget takes one (IDLE when the list empties);
///   TRACKING  -> FIRING once Track reports the gun on target;
///   FIRING    -> TRACKING when Track loses it; fires when IsReadyToFire and the line of fire
///                (the nearest body along the aim, from minimum to maximum range) is clear or is
///                the target.
/// A target that is gone, destroyed or off the list is dropped (IDLE) as it is; one that leaves
/// the range bounds is dropped with its engagement count lowered. Targets are held by weak
/// handle, so a vehicle deleted by its owner simply reads as gone.
///
/// Target selection spreads fire: a weapon first considers only targets engaged by no more
/// weapons than its tolerance (0 at the start of each search round); a search that finds
/// nothing raises the tolerance by one. The nearest candidate wins, the earlier in list order
/// on a tie.
///
/// Steering. Weapons turn by torque on bodies that hang on hinge joints, so the hinges keep
/// each node on its own axis; joint motors turn idle weapons slowly and are off while tracking.

#include <cstdint>

#include "engine/util/qnmatrix.h"
#include "game/world/station_part.h"

class TARGETLIST;

enum class WEAPONSTATE : std::uint32_t {
    IDLE = 0,
    SEARCHING = 1,
    TRACKING = 2,
    FIRING = 3,
};

/// The distance between the world positions of two nodes (0 when either is null).
float NodeDistance(const QNNODE* a, const QNNODE* b);

/// The direction from `node` to `point` in `node`'s own frame, normalised (zero when the point
/// is at the node's origin).
QNVEC3 DirectionInFrame(const QNNODE* node, const QNVEC3& point);

/// Degrees to radians.
constexpr float Radians(float degrees)
{
    return degrees * 0.017453292f;
}

class STATIONWEAPON : public STATIONPART {
public:
    static constexpr std::uint32_t kFireKey = 0x21;   ///< F without modifiers: every weapon fires
    static constexpr float kDefaultMinRange = 5.0f;
    static constexpr float kDefaultMaxRange = 200.0f;
    static constexpr float kNoCandidate = 1e29f;
    /// Hits the line-of-fire check reads: the weapon's own bodies and the nearest other one.
    static constexpr int kLineOfFireHits = 8;

    STATIONWEAPON(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                  std::uint32_t view, TARGETLIST* targets);

    /// Station part work, the F key, then the engagement cycle while powered and active.
    void Update() override;

    /// Fires once; the kinds decide whether anything happens.
    virtual bool Fire() = 0;
    virtual bool FindTarget();
    /// Stores the target (a weak handle) and nothing else.
    virtual void SetTarget(DAMAGEABLE* target);
    /// Stores the state; entering SEARCHING resets the tolerance, IDLE switches the joint
    /// motors of the part and its gun on, TRACKING switches them off.
    virtual void SetWeaponState(WEAPONSTATE state);
    /// Turns toward the target; true when close enough to fire.
    virtual bool Track() = 0;
    virtual bool IsReadyToFire() = 0;
    /// The unit direction the weapon fires in, in world space: the gun node's z axis.
    virtual QNVEC3 GetAimDirection() const;

    /// Whether the segment from minimum to maximum range along the aim meets nothing nearer
    /// than the target (the target itself, or any part of it, may be first); the weapon's own
    /// bodies never stand in its way.
    bool LineOfFireClear();
    /// Whether the target is alive and listed (IsTargetValid) and within the range bounds.
    bool IsTargetValid() const;
    bool IsInRange(const QNNODE* node) const;
    DAMAGEABLE* Target() const { return target_.Get(); }

    /// Motors of the part and its gun on while operating; off and the motion stopped otherwise.
    void RefreshMotors();
    void SetActive(bool on) override;
    void SetPowered(bool on) override;

    WEAPONSTATE WeaponState = WEAPONSTATE::IDLE;
    TARGETLIST* Targets = nullptr;   ///< the site's list (the site outlives its station)
    float MinRange = kDefaultMinRange;
    float MaxRange = kDefaultMaxRange;
    std::uint32_t Tolerance = 0;
    GAMENODE* Gun = nullptr;          ///< own child that turns toward the target

protected:
    /// Attaches the part at `connector` of `parent` when that is a station part.
    void Place(QNNODE* parent, std::int32_t connector);
    /// The part's hinge (placed by `frame` in the part's own frame) with a motor of `speed`;
    /// the motor waits for RefreshMotors.
    void HangOnHinge(const QNMATRIX& frame, float speed, float maxForce);
    /// The common stand of a turning weapon: connectors below, left, right and behind, placed on
    /// `connector` of `parent`, with its mass and angular damping.
    void StandOnConnector(QNNODE* parent, std::int32_t connector, float mass, float angularDamping);
    /// A child on its own body, hinged to this part.
    GAMENODE* MakeMovingChild(QNNODE* parent, const char* name, std::uint32_t classFlags, std::uint32_t userFlags,
                              const QNMATRIX& at, const char* texture, const char* mesh, float mass,
                              float angularDamping);
    /// Once the part is shown: its bodies stop colliding with each other and with the part it
    /// stands on (they overlap by construction).
    void SeparateCollisions();
    /// Torque steering of the hinged body `steered` toward `point`: a torque about its own x and
    /// y axes in proportion to the pitch and yaw errors (full `gain` beyond `slowAngle`); the
    /// hinges take up what their axes do not allow. Returns the unit direction to the point in
    /// `frame`'s own axes (the gun whose aim counts).
    static QNVEC3 SteerGun(GAMENODE* steered, const QNNODE* frame, const QNVEC3& point, float gain, float slowAngle);
    /// Whether a direction in the gun's frame lies within `horizontal` and `vertical` of its z
    /// axis (atan2 of x and of y against z).
    static bool WithinAim(const QNVEC3& local, float horizontal, float vertical);
    /// Motors switched by SetWeaponState and RefreshMotors (the part's and the gun's by default).
    virtual void SwitchMotors(bool on);

private:
    QNWEAK<DAMAGEABLE> target_;
    bool separated_ = false;
};

/// Once `part` is shown (false before): its bodies stop colliding with each other and with the
/// part it stands on, which they overlap by construction.
bool SeparateFromSupport(QNNODE* part);
/// Drops the node's collision model and has the engine delete it at the next frame.
void RemoveNextFrame(QNNODE* node);
/// The view root above `node` (where shots and effects are made), or null.
QNNODE* SceneLevelOf(QNNODE* node);
/// Leaves an explosion of `size` at `at` under `site` (through the installed explosion maker).
void LeaveExplosion(QNNODE* site, const QNMATRIX& at, float size);
/// The company view of a vehicle node (its obstacle view), or ~0 for other nodes.
std::uint32_t CompanyOf(const QNNODE* node);
/// The damageable object a node belongs to: the node itself or its nearest damageable ancestor.
DAMAGEABLE* DamageableOf(QNNODE* node);
/// Whether the node's kind is a vehicle in the node-kind class table.
bool IsVehicleNode(const QNNODE* node);
/// Calls `f` for each vehicle under `root` (the view root): its children and, for the sites
/// among them, theirs (vehicles fly under their site).
template <class F>
void ForEachVehicle(QNNODE* root, F&& f)
{
    if (!root)
        return;
    for (QNCHILDWALK walk(root); QNITEM* child = walk.Advance();) {
        auto* node = dynamic_cast<QNNODE*>(child);
        if (!node)
            continue;
        if (IsVehicleNode(node)) {
            f(node);
            continue;
        }
        for (QNCHILDWALK inner(node); QNITEM* grandchild = inner.Advance();) {
            auto* vehicle = dynamic_cast<QNNODE*>(grandchild);
            if (vehicle && IsVehicleNode(vehicle))
                f(vehicle);
        }
    }
}
