#pragma once
/// STATION: a company's station. It owns the tree of parts that grows from the root joint
/// BOOT, the part factory that attaches a structure at the selected connector, the power rule,
/// the removal of parts, the blinking placement marker and the welding effect.
///
/// Power. Every part but beams, joints and generators draws power (the headquarters from the
/// start); each working generator powers kPartsPerGenerator of them. When the count of powered
/// parts passes what the generators carry, every powered part is switched off; when it fits
/// again, every one is switched back on. Stations with sounds (the player's) play the
/// power-down and power-up sounds.
///
/// Results are the placement codes of the item tables (PlacementMessage gives their texts).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/util/qntimer.h"
#include "game/world/station_part.h"

class TARGETLIST;
class WELD;
class QNRESOURCES;

enum class WELDSTATE : std::uint32_t {
    IDLE = 0,
    START = 1,
    RUNNING = 2,
};

class STATION;

/// Builds a part of a kind the factory has no construction of its own for, at `parent`'s
/// connector `connector`. Installed per kind with STATION::SetMaker.
using PARTMAKER = STATIONPART* (*)(STATION& station, STATIONPART* parent, std::int32_t connector,
                                   std::uint32_t colour);

class STATION : public GAMENODE {
public:
    static constexpr std::uint32_t kPartsPerGenerator = 8;
    static constexpr double kBlinkPeriod = 0.25;
    static constexpr double kWeldSeconds = 0.7;
    static constexpr float kWeldTurnX = 90.0f;   ///< degrees: the sparks fly out of the joining face
    static constexpr float kWeldTurnY = -45.0f;
    static constexpr float kAimDistance = 30.0f;  ///< reach of the selection ray
    static constexpr int kAimHits = 10;
    static constexpr std::uint32_t kNoColour = 6;
    static constexpr std::uint32_t kPlayerFrameLimit = 40;  ///< beams and joints of the player

    /// Builds the starting station at `transform` under `parent` (the site): the root joint,
    /// four beams on its sides and the headquarters on its top, all indestructible.
    STATION(QNNODE* parent, const QNMATRIX* transform, std::uint32_t view, TARGETLIST* targets,
            STATIONPART* marker);
    ~STATION() override;

    /// Registers the media of the station and of its own structure kinds.
    static void RegisterMedia(QNRESOURCES& resources);
    /// Has every site build its station here and register the station's media.
    static void Install();
    /// Undoes Install and every SetMaker: sites build no station, no kind has a maker.
    static void Uninstall();

    /// The factory: a part of `kind` at the selected connector, or null (see Result).
    STATIONPART* AttachPart(std::int32_t kind, float price, std::uint32_t colour);
    /// AttachPart with the marker taken off first and moved on after.
    STATIONPART* BuildPart(std::int32_t kind, float price, std::uint32_t colour);
    /// Removes the selected part (see RemovePartChecked).
    std::uint32_t RemoveSelected();
    /// PLACE_PERMANENT, PLACE_SUPPORTS_OTHERS, PLACE_CONTAINS_ORE (unless `force`) or the part
    /// leaves (PLACE_OK) and is deleted two frames later.
    std::uint32_t RemovePartChecked(STATIONPART* part, bool force);
    /// The bookkeeping of a part that leaves.
    void RemovePart(STATIONPART* part);
    /// A destroyed part leaves: bookkeeping and unlinking.
    void PartDestroyed(STATIONPART* part);
    /// A generator started (true) or stopped working.
    void GeneratorChanged(bool on);
    /// Whether one more powered part would be unpowered.
    bool NoPowerForMore() const;
    /// Every part of `kind`, depth first from the root joint, at most `capacity` of them.
    std::vector<STATIONPART*> CollectParts(std::int32_t kind, std::size_t capacity = SIZE_MAX) const;
    /// SetPowered on every part but beams, joints and generators, depth first from `from` (the
    /// root joint when null), walking into beams and joints only.
    void SetPoweredAll(bool on, STATIONPART* from = nullptr);
    /// Takes the marker off its connector and hides it.
    void ClearMarker();
    /// The structure under the aim of the active view's camera node, or null; with
    /// `needFreeConnector` parts without a free connector are passed over.
    STATIONPART* FindAimedPart(bool needFreeConnector);
    /// Moves the marker to the next free connector of the selected part.
    void AdvanceMarker();
    /// Selection, marker blinking and welding (called by the owning company each frame).
    void Update() override;
    /// Runs the power rule.
    void UpdatePower();
    /// Selects `part` as an aimed part does (null clears the selection).
    void Select(STATIONPART* part);

    /// Builds parts of `kind` with `maker` where the factory has no construction of its own.
    static void SetMaker(std::int32_t kind, PARTMAKER maker);
    /// Whether the factory can build `kind` at all (its own construction or an installed maker).
    static bool IsBuildable(std::int32_t kind);
    /// Mask of the faces (bit = PARTFACE) of a parent's connector that `kind` may stand on.
    static std::uint32_t AllowedFaces(std::int32_t kind);

    std::uint32_t ViewIndex = 0;      ///< view (company) 0-3 every part is built for
    std::uint32_t Result = PLACE_OK;
    QNWEAK<STATIONPART> Selected;
    QNWEAK<STATIONPART> PreviousSelection;
    QNWEAK<STATIONPART> Marker;
    std::vector<QNWEAK<STATIONPART>> ProcessorsAndStorage;
    QNWEAK<STATIONPART> CargoPort;
    QNWEAK<STATIONPART> Dock;
    std::int32_t SelectedConnector = -1;
    QNTIMER BlinkTimer;
    QNTIMER WeldTimer;
    QNWEAK<STATIONPART> RootJoint;
    std::uint32_t Generators = 0;
    std::uint32_t PoweredParts = 1;
    WELDSTATE Welding = WELDSTATE::IDLE;
    std::uint32_t Counts[KIND_LAST_STRUCTURE + 1] = {};
    std::uint32_t JointLimit = 0;
    std::uint32_t BeamLimit = 0;
    std::uint32_t EnhancerColours = 0;
    bool EnhancersChanged = false;
    bool Underpowered = true;
    bool Sounds = false;
    float RepairCostTotal = 0.0f;
    TARGETLIST* Targets = nullptr;
    QNWEAK<WELD> Weld;

private:
    STATIONPART* MakePart(std::int32_t kind, STATIONPART* parent, std::int32_t connector, std::uint32_t colour);
    void PlaceMarker(std::int32_t connector);
    void StartWeld(const STATIONCONNECTOR& at);
    void Forget(STATIONPART* part);
    void PlayPowerSound(bool down);
};
