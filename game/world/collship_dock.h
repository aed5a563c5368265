#pragma once
/// COLLECTORSHIPDOCK: the station part where the company's collector ship docks, is held,
/// repaired at the station's cost and unloaded.
///
/// Tree: the dock with a DOOR (a turntable that turns about its vertical axis and carries the
/// DOCKPOINT) and a TOWER with the DISPLAY. A ship aligned within kCaptureDistance of the dock
/// point is pulled in (state PULLING: at most kTurnStep and kPullStep per frame), the turntable
/// turns it round (CLOSING) and holds it (DOCKED); a damaged ship is repaired (REPAIRING) at
/// kRepairRate condition units per second per meter, the cost booked on the station's repair
/// total. Undocking turns it back out (UNDOCKSTART, OPENING) and lets it go (WAITING).
/// The company runs the unloading (StartUnloading / StopUnloading, UnloadTime).
///
/// The turntable is driven kinematically at kDoorSpeed: it moves the dock point, and the held
/// ship is set onto the dock point each frame while it turns.
///
/// The display tells the pilot how far the ship is from docking (see DOCKDISPLAY).

#include <cstdint>

#include "engine/util/qnsequence.h"
#include "engine/util/qntimer.h"
#include "game/world/station_part.h"

class STATION;
class QNRESOURCES;

enum class DOCKSTATE : std::uint32_t {
    NONE = 0,
    WAITING = 1,
    PULLING = 2,
    CLOSING = 3,
    DOCKED = 4,
    UNDOCKSTART = 5,
    OPENING = 6,
    UNLOADING = 7,
    REPAIRING = 8,
};

/// The turntable under the held ship.
class DOCKDOOR : public GAMENODE {
public:
    static constexpr float kClosed = 0.0f;
    static constexpr float kOpen = 3.14159265f;
    /// Radians per second of the drive, the angle at which it counts as there, and the turn
    /// speed below which a moving door counts as idle.
    static constexpr float kSpeed = 1.0f;
    static constexpr float kTolerance = 0.08726646f;  // 5 degrees
    static constexpr float kIdleSpeed = 0.1f;

    DOCKDOOR(QNNODE* dock, const QNMATRIX& at);

    /// The target switches between closed and open; the door starts moving (state 1).
    void Toggle();
    void Update() override;

    float Angle = 0.0f;
    float Target = 0.0f;
    float Speed = 0.0f;          ///< current turn rate, radians per second
    std::uint32_t Moving = 0;    ///< 0 idle, 1 started, 2 turning
    GAMENODE* DockPoint = nullptr;

private:
    QNMATRIX base_;
};

/// The tower's display: a texture frame per mode (see the mode table in the .cpp).
class DOCKDISPLAY : public GAMENODE {
public:
    static constexpr std::uint32_t kOff = 4;
    static constexpr std::uint32_t kInRange = 5;
    static constexpr std::uint32_t kNear = 7;
    static constexpr std::uint32_t kAligned = 8;
    static constexpr std::uint32_t kIdle = 10;
    static constexpr std::uint32_t kCompany = 11;
    static constexpr std::uint32_t kUnloading = 13;
    static constexpr std::uint32_t kRepairing = 20;

    DOCKDISPLAY(QNNODE* tower, const QNMATRIX& at, std::uint32_t companyFrame);

    void SetMode(std::uint32_t mode);
    /// A random idle mode 10-12.
    void SetIdle();
    void Update() override;
    /// The texture frame of the current mode.
    std::uint32_t Frame() const;

    std::uint32_t Mode = kIdle;
    std::uint32_t CompanyFrame = 0;
    QNSEQUENCE Unloading{"@3 (0:0~6)"};
    QNSEQUENCE Repairing{"@3 (0:0~1)"};
    QNTIMER ModeTimer;
};

class COLLECTORSHIPDOCK : public STATIONPART {
public:
    static constexpr float kCaptureDistance = 3.5f;
    static constexpr float kAlignCos = 0.96592583f;   // cos 15 degrees
    static constexpr float kNearDistance = 20.0f;
    static constexpr float kRangeDistance = 40.0f;
    static constexpr float kTurnStep = 0.17453293f;   // 10 degrees per frame
    static constexpr float kTurnTolerance = 0.01745329f;
    /// Units per frame the ship is pulled onto the dock point: 3.5 units in about half a second.
    static constexpr float kPullStep = 0.12f;
    static constexpr float kPullTolerance = 0.01f;
    static constexpr float kRepairRate = 2.0f;
    /// Box room for the approaching ship (picking and obstacles).
    static constexpr float kBoxTop = 10.0f;
    static constexpr float kBoxFront = -20.0f;

    COLLECTORSHIPDOCK(STATIONPART* parent, std::int32_t connector, std::uint32_t view, std::uint32_t identity);
    ~COLLECTORSHIPDOCK() override;

    void Update() override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    void SetHighlight(bool on) override;

    /// Assigns the company's ship (null: none).
    void SetShip(DAMAGEABLE* ship);
    /// Pulls an aligned ship in (WAITING) or starts undocking (DOCKED, REPAIRING).
    void BeginDocking();
    /// Lets the ship go at once.
    void ReleaseShip();
    bool CanDock() const;
    bool IsAligned() const;
    void StartUnloading();
    void StopUnloading();

    DAMAGEABLE* Ship() const { return ship_.Get(); }
    /// World frame of the dock point.
    QNMATRIX DockPointMatrix() const;
    float UnloadTime() const { return unloadTime_; }

    /// Builds docks in every station; registers the dock's media with the station's.
    static void Install();
    static void RegisterMedia(QNRESOURCES& resources);

    DOCKSTATE DockState = DOCKSTATE::DOCKED;
    std::uint32_t ApproachClass = 0;
    bool Holding = false;
    bool ShutOutOnShow = true;
    GAMENODE* Tower = nullptr;
    DOCKDOOR* Door = nullptr;
    DOCKDISPLAY* Display = nullptr;
    QNTIMER UnloadTimer;
    QNTIMER StepTimer;      ///< step time of the repair and the unloading

private:
    void ShowApproach();
    void HoldShip();
    bool PullShip();
    void PlayDockSound();
    void SetShipCollision(bool on);
    void SetShipDamping(float linear, float angular);
    void RefreshDisplay();
    float Step();
    bool AlignedWith(const DAMAGEABLE* ship) const;

    QNWEAK<DAMAGEABLE> ship_;
    float unloadTime_ = 0.0f;
    bool widened_ = false;
};
