#pragma once
/// STATIONPART: a structure of a company's station (kinds 8-25) or the placement marker (7).
///
/// Connectors. A part has up to six connectors, each on a face of its local bounding box
/// (0 +z, 1 +x, 2 -z, 3 -x, 4 +y top, 5 -y bottom), pushed 0.001 out of the face. The
/// template connectors are in the part's own frame; the current ones are in the station's frame
/// (template times the part's placement) and carry the links. Links are set and cleared in
/// pairs; a part unlinks every connector when it leaves, so no link outlives its part.
///
/// Placement. AttachTo turns and moves the part so that its own connector lies on a connector
/// of the parent, facing it. The turn keeps the world's up axis where the faces allow (a part
/// set on a top face stays upright, one on a side face turns about the vertical only). The
/// node itself lives in world space (placement times the station's world matrix), so moving a
/// part to another parent node keeps where it is.
///
/// Self-repair. When no hit came for kRepairWait seconds, each frame repairs both meters by
/// kRepairRate units per second of the repair timer (a step longer than kLongStep counts as
/// kShortStep) and books the larger of the two costs on the repair cost sink.
///
/// Removal by the station: state REQUESTED, then DELETING on the next frame, which has the
/// engine delete the part on the frame after.

#include <cstdint>

#include "engine/util/qnmatrix.h"
#include "engine/util/qntimer.h"
#include "game/world/damageable.h"
#include "game/world/item_types.h"

class STATIONPART;
class STATION;

/// Structure kinds: the node kinds of the station's parts (the marker is KIND_ARROW).
enum STRUCTUREKIND : std::int32_t {
    KIND_BEAM = 8,
    KIND_JOINT = 9,
    KIND_HEADQUARTERS = 10,
    KIND_GENERATOR = 11,
    KIND_COLLSHIPDOCK = 12,
    KIND_PROCESSOR = 13,
    KIND_STORAGE = 14,
    KIND_CARGOPORT = 15,
    KIND_ENHANCER = 16,
    KIND_EARLYWARNING = 17,
    KIND_SHORTRANGETURRET = 18,
    KIND_MIDRANGETURRET = 19,
    KIND_FLACKGUN = 20,
    KIND_SHOCKWAVE = 21,
    KIND_NEUTRONEMITTER = 22,
    KIND_MINELAUNCHER = 23,
    KIND_ANTISHIP = 24,
    KIND_MERCSHIPDOCK = 25,
    KIND_FIRST_STRUCTURE = KIND_BEAM,
    KIND_LAST_STRUCTURE = KIND_MERCSHIPDOCK,
};

/// Faces of a part's box.
enum PARTFACE : std::int32_t {
    FACE_FRONT = 0,   ///< +z
    FACE_RIGHT = 1,   ///< +x
    FACE_BACK = 2,    ///< -z
    FACE_LEFT = 3,    ///< -x
    FACE_TOP = 4,     ///< +y
    FACE_BOTTOM = 5,  ///< -y
};

/// Whether `kind` is a structure of the station (kinds 8-25).
inline bool IsStructureKind(std::int32_t kind)
{
    return kind >= KIND_FIRST_STRUCTURE && kind <= KIND_LAST_STRUCTURE;
}

/// Full condition of each meter of a structure kind (0 for other kinds, the marker among them).
float MaxConditionOfKind(std::int32_t kind);

/// The face an outward normal points through (0 when it points along no axis).
std::int32_t FaceOfNormal(const QNVEC3& normal);

struct STATIONCONNECTOR {
    QNVEC3 Position;
    QNVEC3 Normal;
    STATIONCONNECTOR* Link = nullptr;  ///< the other part's connector this one is joined to
    STATIONPART* Owner = nullptr;

    bool IsFree() const { return Link == nullptr; }
    /// Free, or taken only by the placement marker.
    bool IsFreeForMarker() const;
};

enum class REMOVALSTATE : std::uint32_t {
    NONE = 0,
    REQUESTED = 1,
    DELETING = 2,
};

class STATIONPART : public DAMAGEABLE {
public:
    static constexpr std::int32_t kMaxConnectors = 6;
    static constexpr double kRepairWait = 2.0;      ///< seconds without a hit before repairs start
    static constexpr float kRepairRate = 2.0f;      ///< condition units per second on each meter
    static constexpr double kLongStep = 0.5;        ///< a longer repair step is taken as kShortStep
    static constexpr double kShortStep = 0.01;
    static constexpr float kConnectorGap = 0.001f;  ///< connectors sit this far out of their face
    static constexpr float kMatchTolerance = 0.01f; ///< connectors closer on every axis coincide

    /// Class flags plus 0x2000004, identity placement, both meters full at the kind's maximum.
    STATIONPART(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                bool indestructible, std::int32_t bodyMode, std::uint32_t view);
    /// Unlinks every connector (and the other side of each link).
    ~STATIONPART() override;

    /// Self-repair, then the removal steps, then the destruction steps.
    void Update() override;
    /// Ignored by indestructible parts.
    void Kill() override;
    void DamageBallistic(float amount, std::uint32_t word1, std::uint32_t word2) override;
    void DamageElectronic(float amount, std::uint32_t word1, std::uint32_t word2) override;
    /// Tells the station once (not for indestructible parts).
    void NotifyDestroyed() override;
    /// Whether the part may leave the station: every part that hangs from it (in the node
    /// tree) must still reach the root joint through the links without it. When they do, they
    /// are hung from the root again along those links (a spanning tree; world placements
    /// kept) and the answer is true. `arg` is unused.
    bool CanDetach(std::int32_t arg) override;

    /// Stores the powered flag; kinds start or stop their machinery.
    virtual void SetPowered(bool on);
    /// Whether the part holds ore that a removal would lose (processors and storage units).
    virtual bool HoldsOre() const { return false; }

    /// Price; each meter's full repair costs half of it.
    void SetPrice(float price);
    /// Appends a connector on `face` of the local box, moved by `offset`. Returns its index,
    /// or -1 when all six are in use.
    std::int32_t AddConnector(std::int32_t face, const QNVEC3& offset = QNVEC3());
    std::int32_t CountFreeConnectors() const;
    /// Cyclic search for a connector that is free or holds the marker, remembered in
    /// LastConnector: a start of 1 or more begins after it (past the end: at 0), a lower start
    /// at the last one found (1 when none). -1 when every connector is taken.
    std::int32_t NextFreeConnector(std::int32_t start);
    /// Places the part so that its connector `own` lies on `parent`'s connector `parentConnector`
    /// (the next free one when negative) and links the two. Returns the parent's connector, or -1
    /// when the parent has none free (nothing changed then).
    std::int32_t AttachTo(STATIONPART* parent, std::int32_t parentConnector, std::int32_t own);
    /// Sets the placement in the station's frame and recomputes the current connectors.
    void SetPartTransform(const QNMATRIX& placement);
    const QNMATRIX& PartTransform() const { return placement_; }
    /// Clears every link of the part and the other side of each.
    void UnlinkAll();
    /// Links own connector `own` with `other`'s connector `theirs` (both must be free).
    static void Link(STATIONCONNECTOR& a, STATIONCONNECTOR& b);
    /// The first free own connector and free connector of `other` within kMatchTolerance on
    /// every axis; false (both -1) when none.
    bool MatchConnector(const STATIONPART* other, std::int32_t& own, std::int32_t& theirs) const;
    /// Powered and active.
    bool IsOperating() const { return Powered && Active; }
    /// The station the part belongs to (nearest ancestor of the emitter level), or null.
    STATION* Station() const;
    /// The face of connector `index` in the station's frame.
    std::int32_t ConnectorFace(std::int32_t index) const;
    /// The parent node as a part, or null.
    STATIONPART* ParentPart() const;

    bool RepairsItself = true;
    float* RepairCostSink = nullptr;   ///< the station's repair cost total
    STATIONCONNECTOR Connectors[kMaxConnectors];  ///< in the station's frame; carry the links
    STATIONCONNECTOR Templates[kMaxConnectors];   ///< in the part's frame
    std::int32_t ConnectorCount = 0;
    bool Indestructible = false;
    bool Powered = false;
    bool RemovalNotified = false;
    float Price = 0.0f;
    QNTIMER RepairTimer;
    QNTIMER HitTimer;
    REMOVALSTATE Removal = REMOVALSTATE::NONE;
    std::int32_t LastConnector = -1;

private:
    QNMATRIX placement_;
};
