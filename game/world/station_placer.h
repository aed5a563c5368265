#pragma once
/// AIPLACER: the placement layer of a computer company's station builder. Given a kind, it
/// finds where the kind fits on the station and attaches it there through the factory.
///
/// It first gathers the free connectors of the station's joints and the free ends of its beams,
/// one part per step. It then tries joint connectors at random; when none takes the kind, it
/// grows the frame: a joint at a free beam end (whose connectors become new candidates), and
/// when no beam end is left, a beam at a joint connector (whose far end becomes a beam end).
/// Attachments are paced: after each one the layer waits kPace seconds before the next.
///
/// Refusals. A refusal that depends on where the part would go (wrong face, no room, blocked)
/// moves on to the next candidate. A refusal that no other place would change (no selection,
/// maximum quantity reached, a kind the factory cannot build) stops the placement at once with
/// the outcome DROPPED. When every candidate is spent the layer gives up (GAVE_UP) and stays
/// busy until it is stopped.
///
/// Every attachment goes through STATION::AttachPart, whose checked show refuses a part that
/// would overlap anything, in stepped and unstepped views alike.

#include <cstdint>
#include <vector>

#include "engine/util/qn_item.h"
#include "engine/util/qntimer.h"

class STATION;
class STATIONPART;

/// States of the placement layer.
enum class PLACESTATE : std::uint32_t {
    IDLE = 0,
    COLLECT_JOINTS = 1,
    SCAN_JOINTS = 2,
    COLLECT_BEAMS = 3,
    SCAN_BEAMS = 4,
    PICK_JOINT_CONNECTOR = 5,
    TRY_JOINT_CONNECTOR = 6,
    PICK_BEAM_END = 7,
    TRY_BEAM_END = 8,
    PICK_FRAME_CONNECTOR = 9,
    TRY_BEAM = 10,
    GAVE_UP = 11,
};

/// How the last placement ended.
enum class PLACEOUTCOME : std::uint32_t {
    NONE = 0,     ///< none ended yet, or it was stopped
    PLACED = 1,
    DROPPED = 2,  ///< refused for a reason no other place would change
};

/// What the decision layer asks of a placement layer.
class BUILDPLACER {
public:
    virtual ~BUILDPLACER() = default;
    /// One step, on the builder's turn.
    virtual void Step() = 0;
    /// Starts placing `kind` (price and colour pair go to the factory).
    virtual void Request(std::int32_t kind, float price, std::uint32_t colour) = 0;
    /// Stops a placement under way (outcome NONE).
    virtual void Stop() = 0;
    virtual bool IsBusy() const = 0;
    virtual PLACEOUTCOME Outcome() const = 0;
};

class AIPLACER : public BUILDPLACER {
public:
    /// Seconds between two attachments.
    static constexpr double kPace = 2.0;
    /// Most joints or beams one scan looks at.
    static constexpr std::size_t kScanLimit = 500;
    static constexpr std::uint32_t kMinFreeLow = 2;
    static constexpr std::uint32_t kMinFreeHigh = 5;

    explicit AIPLACER(STATION* station);

    void Step() override;
    void Request(std::int32_t kind, float price, std::uint32_t colour) override;
    void Stop() override;
    bool IsBusy() const override { return State != PLACESTATE::IDLE; }
    PLACEOUTCOME Outcome() const override { return outcome_; }

    /// A part must keep this many free connectors to take the kind (clamped to 2-5).
    void SetMinimumFree(std::uint32_t n);
    std::uint32_t MinimumFree() const { return minFree_; }

    PLACESTATE State = PLACESTATE::IDLE;
    std::int32_t Kind = 0;
    float Price = 0.0f;
    std::uint32_t Colour = 0;
    bool Ready = true;
    QNTIMER PaceTimer;

private:
    struct CANDIDATE {
        QNWEAK<STATIONPART> Part;
        std::int32_t Connector = -1;
    };
    using LIST = std::vector<CANDIDATE>;

    void Scan(LIST& into, PLACESTATE next);
    /// Takes a random entry out of `from` (first and last half as likely); false when empty.
    static bool Draw(LIST& from, CANDIDATE& out);
    bool DrawFrameConnector(CANDIDATE& out);
    /// Attaches `kind` at the candidate; the part, or null with the factory's result in `result`.
    STATIONPART* Attach(const CANDIDATE& at, std::int32_t kind, float price, std::uint32_t colour,
                        std::uint32_t& result);
    void Placed();
    void Drop();
    static bool PositionIndependent(std::uint32_t result);
    static void AddFreeConnectors(STATIONPART* part, LIST& into);

    QNWEAK<STATION> station_;
    LIST dead_, tried_, open_, failedEnds_, beamEnds_;
    std::vector<QNWEAK<STATIONPART>> scratch_;
    std::size_t scanIndex_ = 0;
    CANDIDATE candidate_;
    bool hasCandidate_ = false;
    std::uint32_t minFree_ = kMinFreeLow;
    PLACEOUTCOME outcome_ = PLACEOUTCOME::NONE;
};
