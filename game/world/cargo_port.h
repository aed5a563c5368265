#pragma once
/// CARGOPORT: the station part where freighters take the company's product away, and CARGOPOD,
/// the container the product travels in.
///
/// A visit. CallFreighter makes a freighter at the spawn point far out along the port's x axis
/// (it stays hidden); 10 s later it appears out of hyperspace, the arrival fee is due, and it
/// flies the port's waypoints to its berth, docks and opens its doors. The port then holds it
/// in place while pods placed under PendingPods are carried one by one into its hold slots.
/// DispatchFreighter closes its doors; the freighter leaves through the exit point and jumps
/// out, and the value it carried is due to the company (TakeCargoValue).
///
/// One freighter at a time: CallFreighter refuses while one is assigned. A freighter that is
/// destroyed, or deleted by anyone, ends the visit: the port returns to phase NONE with no
/// value, and pods still pending wait for the next freighter. The port, its freighter and the
/// pods hold each other by weak handle.
///
/// The freighter lives in the vehicles library: the port reaches it through CARGOFREIGHTER and
/// makes it through CargoLinks (a test may install a stand-in).

#include <cstdint>

#include "engine/util/qnsequence.h"
#include "engine/util/qntimer.h"
#include "game/world/station_part.h"

class QNGLOW;
class QNRESOURCES;
class CARGOPORT;

/// Docking states of a freighter.
enum class DOCKINGSTATE : std::uint32_t {
    WAITING = 0,    ///< made, not yet called
    ARRIVING = 1,   ///< waiting to appear
    PLANNING = 2,   ///< planning its next leg
    FLYING = 3,     ///< flying a planned leg
    MANOEUVRE = 4,  ///< moving straight into or out of the dock
    DOCKED = 5,
    GONE = 6,
};

/// Door states of a freighter.
enum class DOORSTATE : std::uint32_t {
    CLOSED = 0,
    OPEN_COMMANDED = 1,
    OPENING = 2,
    OPEN = 3,
    CLOSE_COMMANDED = 4,
    CLOSING = 5,
};

/// What the port asks of its freighter.
class CARGOFREIGHTER {
public:
    virtual ~CARGOFREIGHTER() = default;
    /// Docking state WAITING becomes ARRIVING; otherwise nothing.
    virtual void Call() = 0;
    virtual void OpenDoors() = 0;
    virtual void CloseDoors() = 0;
    /// Adds `value` to the load and shows the next pod in the hold.
    virtual void LoadPod(float value) = 0;
    /// Only when docked: leaves the berth.
    virtual void Depart() = 0;
    /// Hold slot `n` in the freighter's frame.
    virtual QNVEC3 PodPosition(std::uint32_t n) const = 0;
    virtual DOCKINGSTATE Docking() const = 0;
    virtual DOORSTATE Doors() const = 0;
    /// Value of the pods loaded.
    virtual float Load() const = 0;
    virtual bool IsFreighterDestroyed() const = 0;
};

/// The freighter interface of a node, or null.
CARGOFREIGHTER* FreighterOf(GAMENODE* node);

/// Makers the vehicles library installs.
struct CARGOLINKS {
    /// A freighter under `parent` (the view root) at `start`, hidden until called, that flies
    /// through the four `waypoints` (world coordinates: into the site, the berth, out of the
    /// berth, the exit) for `port`; it flies away from `siteCentre` if the port is lost.
    GAMENODE* (*CreateFreighter)(QNNODE* parent, const QNMATRIX& start, const QNVEC3* waypoints,
                                 const QNVEC3& siteCentre, CARGOPORT* port, std::uint32_t view) = nullptr;
    /// A hyperspace flash of `size` under `parent` at `transform`.
    void (*Flash)(QNNODE* parent, const QNMATRIX& transform, float size) = nullptr;
};
extern CARGOLINKS CargoLinks;

/// A container of processed ore, made by the company under the port's pending pods.
class CARGOPOD : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 32;
    static constexpr float kScale = 1000.0f;
    static constexpr float kLinearDamping = 0.2f;
    CARGOPOD(QNNODE* parent, const QNMATRIX* transform, float value);
    float Value = 0.0f;
};

/// Freighter phases of a visit.
enum class FREIGHTERPHASE : std::int32_t {
    NONE = 0,
    CALLED = 1,     ///< waiting for the arrival, then flying in
    OPENING = 2,    ///< docked, doors opening
    HOLDING = 3,    ///< doors open: held in place, pods loading
    CLOSING = 4,    ///< dispatched, doors closing
    LEAVING = 5,
};

/// Steps of the pod currently carried.
enum class PODPHASE : std::uint32_t {
    TAKE = 0,
    TO_B = 1,
    TO_SLOT_HEIGHT = 2,
    TO_SLOT = 3,
    STOW = 4,
};

class CARGOPORT : public STATIONPART {
public:
    static constexpr double kArrivalDelay = 10.0;   ///< seconds from the call to the arrival
    static constexpr float kFee = 5000000.0f;       ///< due when a freighter arrives
    static constexpr float kFlashSize = 60.0f;
    static constexpr int kLights = 6;
    static constexpr const char* kBlinkProgram = "@12 (0: 0~24)";
    /// Room for the freighter beside the port: the local box grows by these.
    static constexpr float kRoomX = 40.0f, kRoomY = 5.0f, kRoomZ = 5.0f;

    CARGOPORT(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible);

    /// The lights and the pending-pods node (after placement, and for the store's preview).
    void CreateLights();
    /// Only while operating and with no freighter assigned: a freighter is made and called.
    bool CallFreighter();
    /// With a freighter: its doors close and it leaves once they are shut.
    void DispatchFreighter();
    /// A pod worth `value` under the pending pods, at point A turned across the port.
    CARGOPOD* AddPod(float value);
    float TakeCargoValue();
    float TakeFee();
    /// True while pods wait at the port: their value is the company's until a freighter takes it.
    bool HoldsOre() const override;
    void SetHighlight(bool on) override;
    void Update() override;

    /// Port-frame points of the freighter's route.
    static QNVEC3 ArrivalPoint() { return QNVEC3(265.0f, -3.0f, -4.7f); }
    static QNVEC3 SpawnPoint() { return QNVEC3(250.0f, -3.0f, -4.7f); }
    static QNVEC3 Waypoint(int n);   ///< 1-3 (the site, the berth, out of the berth), 4 the exit
    /// Pod path points A (where the company puts pods) and B (beside the hold).
    static QNVEC3 PodPointA() { return QNVEC3(-2.8f, 1.4f, 2.3f); }
    static QNVEC3 PodPointB() { return QNVEC3(-2.8f, 1.4f, -5.2f); }

    GAMENODE* Freighter() const { return freighter_.Get(); }
    FREIGHTERPHASE Phase() const { return phase_; }
    PODPHASE PodStep() const { return podPhase_; }
    bool Present() const { return present_; }
    std::uint32_t PodsLoaded() const { return podsLoaded_; }
    GAMENODE* PendingPods() const { return pending_.Get(); }
    GAMENODE* CurrentPod() const { return pod_.Get(); }
    float PendingFee() const { return fee_; }
    float PendingCargoValue() const { return cargoValue_; }
    QNGLOW* Light(int n) const { return n >= 0 && n < kLights ? lights_[n].Get() : nullptr; }

    static void RegisterMedia(QNRESOURCES& resources);
    /// Has the station build processors, storage units and cargo ports.
    static void InstallMakers();

private:
    void UpdateLights();
    void ServeFreighter();
    void MovePods();
    void EndVisit();
    QNMATRIX World() const { return GetWorldMatrix(); }

    QNWEAK<GAMENODE> freighter_;
    QNWEAK<QNGLOW> lights_[kLights];
    QNSEQUENCE blink_{kBlinkProgram};
    QNWEAK<GAMENODE> pending_;
    float cargoValue_ = 0.0f;
    QNTIMER freighterTimer_;
    QNTIMER phaseTimer_;
    FREIGHTERPHASE phase_ = FREIGHTERPHASE::NONE;
    float fee_ = 0.0f;
    PODPHASE podPhase_ = PODPHASE::TAKE;
    std::uint32_t podsLoaded_ = 0;
    QNWEAK<GAMENODE> pod_;
    QNVEC3 podPath_[4];
    QNVEC3 heldForward_, heldUp_, heldPosition_;
    bool present_ = false;
};
