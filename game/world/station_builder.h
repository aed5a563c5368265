#pragma once
/// AIBUILDER: the decision layer of a computer company's station builder. It chooses what to
/// build next from a stock of build items, weighted by category, holds money back in saving
/// steps, replaces lost essential parts while it holds items for them, and hands each choice to
/// a placement layer (AIPLACER, station_placer.h).
///
/// Turns. Builders take turns through BuilderTurns: a builder acts only in the frames in which
/// the set's cursor names it, so at most one builder acts per frame.
///
/// A build costs its structure price, booked on the account once the part stands (the
/// essentials are free). A placement dropped by the placement layer charges nothing; its item
/// is gone. Urgent needs (power, a missing essential part with an item to replace it) break off
/// any decision but the essential and replacement ones.
///
/// Power. A generator is ordered when the builder holds more generator items than the station
/// has generators, and also without an item when the station is underpowered (a charged
/// replacement that does not wait for money, since an underpowered station earns nothing) or
/// when one more part would be unpowered while items of powered kinds are still held.

#include <cstdint>
#include <memory>

#include "engine/util/qn_item.h"
#include "engine/util/qntimer.h"
#include "game/world/station_placer.h"

class AIBUILDER;
class STATION;

/// Categories of a decision.
enum class BUILDCATEGORY : std::uint32_t {
    NONE = 0,
    FRAME_AND_POWER = 1,   ///< group 1: generator, collector-ship dock
    PRODUCTION = 2,        ///< group 2: processor, storage unit, cargo port, enhancer
    DEFENCE = 3,           ///< group 3: early warning, weapons, mercenary dock
    SAVE = 4,
    ESSENTIAL = 5,         ///< the next of the essentials, free
    REPLACE = 6,           ///< a lost essential part, charged
};

/// States of the decision layer.
enum class BUILDSTATE : std::uint32_t {
    IDLE = 0,
    CHOOSE = 1,
    START = 2,
    PLACING = 3,
    SAVING = 4,
    DONE = 5,
};

/// What the decision layer reads of the station.
class BUILDSTATION {
public:
    virtual ~BUILDSTATION() = default;
    virtual bool Underpowered() const = 0;
    /// One more powered part would be unpowered.
    virtual bool NoPowerForMore() const = 0;
    virtual std::uint32_t Generators() const = 0;
    /// Parts of structure kind `kind` on the station.
    virtual std::uint32_t PartCount(std::int32_t kind) const = 0;
};

/// The company's money as the builder sees it.
class BUILDACCOUNT {
public:
    virtual ~BUILDACCOUNT() = default;
    virtual float Funds() const = 0;
    /// Books a cost, taken from the money at the company's next income step.
    virtual void Spend(float amount) = 0;
};

/// One build item; it counts itself in its builder while it lives.
class BUILDITEM : public QNITEM {
public:
    BUILDITEM(QNITEM* group, std::uint32_t type, AIBUILDER* builder);
    ~BUILDITEM() override;

    const std::uint32_t Type;

private:
    AIBUILDER* builder_;
};

class AIBUILDER {
public:
    static constexpr std::uint32_t kGroups = 6;
    static constexpr std::uint32_t kEssentials = 5;
    static constexpr std::uint32_t kTypes = 26;   ///< item types 0-25

    /// Joins the builders' turns (making the set with capacity 5 when there is none).
    AIBUILDER(std::unique_ptr<BUILDSTATION> station, BUILDACCOUNT* account, std::unique_ptr<BUILDPLACER> placer);
    /// The builder of a real station: its reads and an AIPLACER on it.
    static std::unique_ptr<AIBUILDER> ForStation(STATION* station, BUILDACCOUNT* account);
    ~AIBUILDER();
    AIBUILDER(const AIBUILDER&) = delete;
    AIBUILDER& operator=(const AIBUILDER&) = delete;

    /// Category weights 1-4, normalised; the preference order follows them.
    void SetWeights(float w1, float w2, float w3, float w4);
    /// `n` build items of `type` added to the type's group.
    void AddItems(std::uint32_t type, std::uint32_t n);
    /// Once per frame; acts on the builder's turn only.
    void Step();
    /// Starts a placement of `kind`.
    void Request(std::int32_t kind, float price, std::uint32_t colour);

    /// Group of an item type (0 for none).
    static std::uint32_t GroupOf(std::uint32_t type);

    std::uint32_t Count(std::uint32_t type) const { return type < kTypes ? counts_[type] : 0; }
    std::uint32_t GroupSize(std::uint32_t group) const;
    float Weight(std::uint32_t category) const { return category >= 1 && category <= 4 ? weights_[category - 1] : 0.0f; }
    std::uint32_t Preference(std::uint32_t i) const { return i < 4 ? preference_[i] : 0; }
    BUILDPLACER& Placer() { return *placer_; }
    std::uint64_t Serial() const { return serial_; }

    float SavingStep = 0.0f;
    float Saved = 0.0f;
    BUILDSTATE State = BUILDSTATE::IDLE;
    BUILDCATEGORY Category = BUILDCATEGORY::NONE;
    std::uint32_t Type = 0;
    QNTIMER DecisionTimer;
    /// Decisions taken (each choice counts one).
    std::uint32_t Decisions = 0;

private:
    friend class BUILDITEM;

    void Choose();
    bool Urgent() const;
    /// A generator is wanted when the station is short of power (see Urgent and Choose).
    bool NeedsGenerator() const;
    /// Items held of kinds that draw power (any but the generator).
    bool HoldsPoweredItems() const;
    /// Takes a random item of `group`; its type, or 0 when the group is empty.
    std::uint32_t TakeFrom(std::uint32_t group);

    std::unique_ptr<BUILDSTATION> station_;
    BUILDACCOUNT* account_;
    std::unique_ptr<BUILDPLACER> placer_;
    QNITEM groups_[kGroups];
    std::uint32_t counts_[kTypes] = {};
    float weights_[4] = {};
    std::uint32_t preference_[4] = {1, 2, 3, 4};
    std::uint64_t serial_ = 0;
};
