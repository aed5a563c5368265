#pragma once
/// AICOMPANY: a company run by the computer; three play in every game. Over COMPANY it owns a
/// station builder that grows its station, a computer pilot that flies its collector ship, and
/// a steady income that stands in for the ore trade the player carries out by hand.
///
/// Income. While the station has an ore processor, an ore storage unit, a cargo port and a
/// collector-ship dock and is powered, the company earns kBaseIncome dollars per second, and a
/// quarter more for each further processor or storage unit and for each enhancer. The builder's
/// costs are taken at the next income step, so money can go negative.

#include <cstdint>
#include <memory>

#include "engine/util/qntimer.h"
#include "game/world/company.h"
#include "game/world/station_builder.h"

class AICOMPANY;
class STATION;

/// The computer pilot as its company sees it; the vehicles library builds it (AICOMPANY::MakePilot).
class COMPANYPILOT {
public:
    virtual ~COMPANYPILOT() = default;
    /// Takes `ship` (null: none): flight set-up, weapons, looks; the pilot's timer restarts.
    virtual void TakeShip(GAMENODE* ship) = 0;
    /// Puts the ship at arrival corner `corner` (0-7) of its site, turned 45 degrees about y.
    virtual void PlaceAtCorner(std::uint32_t corner) = 0;
    /// The per-frame step.
    virtual void Update() = 0;
};

/// Scales the waiting time of the computer pilots: 1 - min(money, 1e8) x 5e-9 of the company
/// updated last in a frame (0.5 for the rich, above 1 in debt).
extern float PilotWaitFactor;

class AICOMPANY : public COMPANY, private BUILDACCOUNT {
public:
    /// Income of a complete, powered chain, dollars per second.
    static constexpr float kBaseIncome = 150000.0f;
    /// Share of the base each further processor or storage unit, and each enhancer, adds.
    static constexpr float kExtraShare = 0.25f;
    /// A longer gap between income steps earns kShortStep seconds' worth.
    static constexpr double kLongStep = 0.5;
    static constexpr double kShortStep = 0.01;
    static constexpr float kSavingStep = 1000000.0f;
    static constexpr std::uint32_t kMinimumFree = 5;
    /// The ship starts this high above the site's origin.
    static constexpr float kShipStartHeight = 30.0f;
    static constexpr float kMercenaryChance = 0.5f;

    AICOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene = nullptr);
    ~AICOMPANY() override;

    void SetShip(GAMENODE* ship) override;
    void Update() override;
    void UpdateDock() override;

    /// Dollars per second the station earns now (0 without a complete, powered chain).
    float ComputeIncomeRate() const;
    AIBUILDER* Builder() const { return builder_.get(); }
    COMPANYPILOT* Pilot() const { return pilot_.get(); }

    /// Builds the pilot of a company (set by the vehicles library; null: no pilot).
    static inline COMPANYPILOT* (*MakePilot)(AICOMPANY& company) = nullptr;

    float IncomeRate = 0.0f;
    float Spending = 0.0f;   ///< what the builder spent since the last income step
    QNTIMER IncomeTimer;

private:
    float Funds() const override { return Money(); }
    void Spend(float amount) override { Spending += amount; }
    void IncomeStep();

    std::unique_ptr<AIBUILDER> builder_;
    std::unique_ptr<COMPANYPILOT> pilot_;
};
