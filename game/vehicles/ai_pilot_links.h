#pragma once
/// What the computer pilot and its flying tasks need of the ship they fly (PILOTSHIP) and of the
/// game around them (PILOTWORLD). The game binds them to a collector ship and the in-game scene
/// (ai_pilot_game.h); tests bind them to fakes.
///
/// Ships and targets are tree items that the pilot holds by weak handle: a node that is gone
/// reads null, and nothing is asked of an interface whose node is gone.

#include <cstdint>
#include <vector>

#include "engine/util/qn_item.h"
#include "engine/util/qnmatrix.h"

class PILOTSHIP {
public:
    virtual ~PILOTSHIP() = default;

    virtual bool IsDestroyed() const = 0;
    /// Touching something (set while a contact lasts).
    virtual bool InContact() const = 0;
    virtual QNMATRIX World() const = 0;
    /// The view of the site the ship is in.
    virtual std::uint32_t View() const = 0;
    virtual float BallisticFraction() const = 0;
    virtual float ElectronicFraction() const = 0;
    virtual bool IsDocked() const = 0;
    virtual void Undock() = 0;
    /// A push along the nose; negative backs off.
    virtual void Push(float thrust) = 0;
    /// A turn request in the ship's own axes.
    virtual void Turn(const QNVEC3& torque) = 0;
    /// Turns toward `target` with per-axis limits, slowing inside `slowAngle` (radians); false
    /// once within `stopAngle` on every axis (nothing applied then).
    virtual bool SteerTowards(const QNVEC3& target, const QNVEC3& limits, float slowAngle, float stopAngle) = 0;
    /// Mass scale and inertia factor of the body.
    virtual void SetScale(float scale, float factor) = 0;
    virtual float LinearDamping() const = 0;
    virtual float AngularDamping() const = 0;
    virtual void SetDamping(float linear, float angular) = 0;
    virtual void StopMotion() = 0;
    /// Starts a jump to the site of view `view`, arriving at corner `corner`; false when refused.
    virtual bool StartHyperjump(std::uint32_t view, std::uint32_t corner) = 0;

    virtual bool HasWeapon(std::uint32_t type) const = 0;
    virtual bool SelectWeapon(std::uint32_t type) = 0;
    /// The selected installed weapon, 0 for none.
    virtual std::uint32_t SelectedWeapon() const = 0;
    virtual void FireSelectedWeapon() = 0;
    virtual bool InstallWeapon(std::uint32_t type) = 0;
    virtual void SetCheetahTarget(QNITEM* target) = 0;
    /// The node the ship's HUD and homing weapons aim at.
    virtual void SetTargetNode(QNITEM* target) = 0;
    /// Repairs the ballistic meter fully; returns what the repair costs.
    virtual float RepairBallistic(float amount) = 0;
    /// Radius of the ship's world box.
    virtual float BoxRadius() const = 0;
    /// The game object of the nearest body hit along the nose between `nearDistance` and
    /// `farDistance`, or null.
    virtual QNITEM* LookAhead(float nearDistance, float farDistance) = 0;
};

class PILOTWORLD {
public:
    virtual ~PILOTWORLD() = default;

    /// The in-game scene is the current scene.
    virtual bool SceneCurrent() const = 0;
    /// The view the in-game scene shows.
    virtual std::uint32_t ShownView() const = 0;
    /// The pilot's own company's view.
    virtual std::uint32_t HomeView() const = 0;
    virtual std::uint32_t PlayerView() const = 0;
    /// The player's collector ship, or null.
    virtual QNITEM* PlayerShip() const = 0;
    virtual bool PlayerShipDocked() const = 0;
    /// The player's station parts of the first 15 kinds of the attack order.
    virtual std::uint32_t StationThreats() const = 0;
    /// The station parts of `kind` of the company of `view`.
    virtual void PartsOfKind(std::uint32_t view, std::int32_t kind, std::vector<QNITEM*>& out) const = 0;
    /// Enemy vehicles near the home site.
    virtual std::uint32_t HomeTargetCount() const = 0;
    virtual QNITEM* HomeTarget(std::uint32_t index) const = 0;
    /// Where `node` is; false when it has no place.
    virtual bool Locate(const QNITEM* node, QNVEC3& position) const = 0;
    virtual bool IsDestroyed(const QNITEM* node) const = 0;
    virtual std::int32_t KindOf(const QNITEM* node) const = 0;
    /// The company view that `node` belongs to.
    virtual std::uint32_t CompanyOf(const QNITEM* node) const = 0;
    /// Charges the pilot's company.
    virtual void Charge(float amount) = 0;
    /// Where a ship leaves the site of `view`: 200 units along the site's z axis.
    virtual QNVEC3 ExitPoint(std::uint32_t view) const = 0;
};
