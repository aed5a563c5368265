#pragma once
/// What a company needs of the vehicles, which live in a higher library: a collector ship
/// implements COMPANYSHIP, and the vehicles library fills COMPANYVEHICLES with the makers of
/// the suit, the collector ship and the ejection seat (a maker left null makes nothing).
///
/// A company keeps its vehicles by weak handle on their nodes and reaches the ship's
/// operations by a cross cast (ShipOf).

#include <cstdint>

#include "engine/util/qnmatrix.h"

class DAMAGEABLE;
class GAMENODE;
class QNNODE;

/// The collector ship's side of a company.
class COMPANYSHIP {
public:
    virtual ~COMPANYSHIP() = default;

    /// True once the ship is destroyed (it may still be in the tree).
    virtual bool IsShipDestroyed() const = 0;
    /// The 12-bit mask of the ore aboard (see work_order.h).
    virtual std::uint32_t OreMask() const = 0;
    virtual void SetOreMask(std::uint32_t mask) = 0;
    /// The pilot-aboard flag (set by boarding, cleared by entering the suit).
    virtual void SetPilotAboard(bool aboard) = 0;
    /// 0 none, 1 cockpit, 2 outside.
    virtual void SetViewMode(std::uint32_t mode) = 0;
    virtual void SetDocked(bool docked) = 0;
    /// The dock that takes the ship's damage while it is docked (null: none).
    virtual void SetDock(DAMAGEABLE*) {}
    /// Installs rack weapon `weaponId` (69-74); false when its slot is taken.
    virtual bool InstallWeapon(std::uint32_t weaponId) = 0;
};

/// The ship interface of a node, or null.
COMPANYSHIP* ShipOf(GAMENODE* node);

struct COMPANYVEHICLES {
    /// The company's space suit under `site` at `transform`.
    GAMENODE* (*CreateSuit)(GAMENODE* site, const QNMATRIX& transform, std::uint32_t identity) = nullptr;
    /// A collector ship under `site` at `transform` (the dock point).
    GAMENODE* (*CreateShip)(GAMENODE* site, const QNMATRIX& transform, std::uint32_t identity) = nullptr;
    /// An ejection seat under `parent` at `transform`, not yet launched.
    GAMENODE* (*CreateEjectionSeat)(QNNODE* parent, const QNMATRIX& transform, std::uint32_t identity) = nullptr;
    /// Launches `seat` out of `ship`.
    void (*LaunchEjectionSeat)(GAMENODE* seat, GAMENODE* ship) = nullptr;
    /// The star backdrop of the player, under `site`.
    GAMENODE* (*CreateSky)(GAMENODE* site) = nullptr;
};

/// The makers, filled by the vehicles library's installation.
extern COMPANYVEHICLES CompanyVehicles;
