#pragma once
/// FREIGHTER: the cargo ship a cargo port calls in. It waits hidden at its spawn point until
/// called, appears, flies five legs between the waypoints the port gave it and docks beside the
/// port with its two door leaves open while the port loads pods into its hold; sent off, it
/// leaves through the exit point and vanishes. Everything is steered through its body: torque
/// turns the nose towards the current aim, force pushes it along the nose, and the last metres
/// of each leg and the berth itself are reached by pulling towards the point.
///
/// Legs: 1 into the site (planned), 2 into the berth (straight), 3 out of the berth (straight),
/// 4 to the exit (planned), 5 away from the site after the port is lost (planned). Planning
/// waits for the freighter's turn in its view's planning queue.
///
/// Doors are hinge drives; the door state follows the left leaf's motion (a drive wakes its
/// bodies each frame, so auto-disable cannot stop the state from advancing).

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/vehicles/vehicle.h"
#include "game/world/cargo_port.h"
#include "game/world/path_planner.h"

class QNRESOURCES;

class FREIGHTER : public VEHICLE, public CARGOFREIGHTER {
public:
    static constexpr std::int32_t kKind = 67;
    static constexpr std::uint32_t kPods = 12;
    /// Damage meters (both).
    static constexpr float kCondition = 50.0f;
    static constexpr float kScale = 9999.0f, kMassFactor = 0.3f;
    static constexpr float kAngularDamping = 0.4f, kLinearDamping = 0.2f;
    /// Seconds before a refused appearance is tried again.
    static constexpr float kRetryDelay = 1.0f;
    /// Planner: grid step and the leg's closing distance.
    static constexpr float kPlanStep = 10.0f;
    static constexpr float kReach = 10.0f;
    static constexpr float kProgressStep = 5.0f;
    /// Flight: torque gain, slow and stop angles (degrees), the push along the nose and the
    /// angle from which there is none.
    static constexpr float kTurnGain = 10.0f, kTurnSlow = 10.0f, kTurnStop = 0.5f;
    static constexpr float kPush = 15.0f, kPushAngle = 30.0f, kMinPush = 0.0001f;
    /// End of a leg: pull across the travel axis, with the slow and stop radii.
    static constexpr float kEndPull = 15.0f, kEndSlow = 1.0f, kEndStop = 0.05f;
    /// Docking manoeuvre: torque gain and angles (degrees), pull and radii ("arrived" needs both
    /// the turn within kDockTurnStop and the position within kDockStop).
    static constexpr float kDockTurnGain = 5.0f, kDockTurnSlow = 10.0f, kDockTurnStop = 1.0f;
    static constexpr float kDockPull = 5.0f, kDockSlow = 5.0f, kDockStop = 1.0f;
    /// The left door's sound plays once within this distance of the berth.
    static constexpr float kDoorSoundDistance = 10.0f;
    /// Door angles (degrees from the leaf's modelled, closed pose), drive speed (degrees per
    /// second) and the angular speed under which a leaf counts as still.
    static constexpr float kDoorClosed = 10.4f, kDoorOpen = 135.0f, kDoorSpeed = 10.0f;
    static constexpr float kDoorStill = 0.1f;
    /// Distance of the flight away from the site when the port is lost.
    static constexpr float kFlyAway = 250.0f;
    static constexpr float kFlashSize = 60.0f, kFlashHeight = 50.0f;

    /// At `start` under `parent` (the view root), dormant until called; `waypoints` are P2-P5.
    FREIGHTER(QNNODE* parent, const QNMATRIX& start, const QNVEC3* waypoints, const QNVEC3& siteCentre,
              CARGOPORT* port, std::uint32_t view);
    /// Leaves the planning queue.
    ~FREIGHTER() override;

    void Update() override;
    void SetHighlight(bool on) override;

    // CARGOFREIGHTER
    void Call() override;
    void OpenDoors() override;
    void CloseDoors() override;
    void LoadPod(float value) override;
    void Depart() override;
    QNVEC3 PodPosition(std::uint32_t n) const override;
    DOCKINGSTATE Docking() const override { return DockingState; }
    DOORSTATE Doors() const override { return DoorState; }
    float Load() const override { return Loaded; }
    bool IsFreighterDestroyed() const override { return IsDestroyed(); }

    static void RegisterMedia(QNRESOURCES& resources);
    /// Connects the cargo port's makers to the freighter and the hyperspace flash, and has
    /// stations build the cargo parts.
    static void Install();

    GAMENODE* LeftDoor = nullptr;
    GAMENODE* RightDoor = nullptr;
    GAMENODE* Pods[kPods] = {};
    GAMENODE* EngineGlows[3] = {};
    QNVEC3 Waypoints[6];              ///< P1 (start) .. P6 (flight away)
    QNVEC3 Path[kPathPoints];         ///< the planner's full path of the current leg
    std::uint32_t PathCount = 0;
    QNVEC3 LegStart, LegEnd, LegDirection, CurrentPoint;
    float Progress = 0.0f;
    bool PathDone = false;
    QNTIMER ArrivalTimer, LegTimer;
    float ArrivalDelay = 0.0f;
    float Loaded = 0.0f;
    std::uint32_t Leg = 0;
    std::uint32_t PodsLoaded = 0;
    std::uint32_t FinalAxis = 0;      ///< 0 none, 1 x, 2 y, 3 z
    DOCKINGSTATE DockingState = DOCKINGSTATE::WAITING;
    DOORSTATE DoorState = DOORSTATE::CLOSED;
    bool Departing = false;
    bool EngineSoundStarted = false;
    bool DockingSoundPlayed = false;
    QNWEAK<GAMENODE> Port;
    QNVEC3 SiteCentre;
    std::uint64_t Serial = 0;         ///< identity in the view's planning queue
    std::uint32_t Plans = 0;          ///< legs planned

private:
    void DockingStep();
    void DoorStep();
    void Plan();
    void FlyLeg();
    void Manoeuvre();
    void LegDone();
    void Vanish();
    GAMENODE* MakeDoor(const QNVEC3& at, float turn, const char* sound);
};
