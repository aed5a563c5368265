#include "game/vehicles/ai_pilot_game.h"

#include <algorithm>
#include <memory>
#include <numbers>
#include <vector>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/scene.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/ai_pilot.h"
#include "game/vehicles/collship.h"
#include "game/world/ai_company.h"
#include "game/world/game_globals.h"
#include "game/world/site.h"
#include "game/world/station.h"

namespace {

constexpr int kLookHits = 10;
// Arrival turn of a bought ship at its corner.
constexpr float kCornerTurnDegrees = 45.0f;
// Where a ship leaves a site, along the site's z axis.
constexpr float kExitDistance = 200.0f;

SITE* SiteOfView(std::uint32_t view)
{
    COMPANY* company = CompanyOfView(view);
    return company ? company->Site() : nullptr;
}

class SHIPCONTROL : public PILOTSHIP {
public:
    explicit SHIPCONTROL(COLLSHIP* ship) : ship_(ship) {}

    bool IsDestroyed() const override { return !ship_ || ship_->IsDestroyed(); }
    bool InContact() const override { return ship_ && ship_->InContact; }
    QNMATRIX World() const override { return ship_ ? ship_->GetWorldMatrix() : QNMATRIX(); }
    std::uint32_t View() const override
    {
        const SITE* site = ship_ ? ship_->CurrentSite.Get() : nullptr;
        return site ? site->ViewIndex : (ship_ ? ship_->ObstacleView : 0);
    }
    float BallisticFraction() const override { return ship_ ? ship_->BallisticFraction() : 0.0f; }
    float ElectronicFraction() const override { return ship_ ? ship_->ElectronicFraction() : 0.0f; }
    bool IsDocked() const override { return ship_ && ship_->Docked; }
    void Undock() override
    {
        if (ship_)
            ship_->SetDocked(false);
    }
    void Push(float thrust) override
    {
        if (ship_)
            ship_->Throttle = std::clamp(ship_->Throttle + thrust / kFullThrust, -1.0f, 1.0f);
    }
    void Turn(const QNVEC3& torque) override
    {
        if (ship_)
            ship_->Steering = ship_->Steering + torque;
    }
    bool SteerTowards(const QNVEC3& target, const QNVEC3& limits, float slowAngle, float stopAngle) override
    {
        return ship_ && ship_->SteerTowards(target, limits, slowAngle, stopAngle);
    }
    void SetScale(float scale, float factor) override
    {
        if (ship_)
            ship_->SetFlight(scale, factor);
    }
    float LinearDamping() const override { return linear_; }
    float AngularDamping() const override { return angular_; }
    // The linear damping asked for is kept but not applied: the ship's speed comes from its
    // throttle, and a damping above the hull's own would take it away between throttle steps.
    void SetDamping(float linear, float angular) override
    {
        linear_ = linear;
        angular_ = angular;
        if (ship_)
            ship_->SetFlightDamping(angular);
    }
    void StopMotion() override
    {
        if (ship_) {
            ship_->StopMotion(false, QNCF_LEVEL_PLAIN);
            ship_->Throttle = 0.0f;
        }
    }
    bool StartHyperjump(std::uint32_t view, std::uint32_t corner) override
    {
        return ship_ && ship_->StartHyperjump(SiteOfView(view), corner);
    }
    bool HasWeapon(std::uint32_t type) const override { return ship_ && ship_->Rack.Has(type); }
    bool SelectWeapon(std::uint32_t type) override { return ship_ && ship_->SelectWeapon(type); }
    std::uint32_t SelectedWeapon() const override { return ship_ ? ship_->SelectedWeaponType() : 0; }
    void FireSelectedWeapon() override
    {
        if (ship_)
            ship_->FireSelectedWeapon();
    }
    bool InstallWeapon(std::uint32_t type) override { return ship_ && ship_->InstallWeapon(type, false, false); }
    void SetCheetahTarget(QNITEM* target) override
    {
        if (ship_)
            ship_->SetCheetahTarget(dynamic_cast<QNNODE*>(target));
    }
    void SetTargetNode(QNITEM* target) override
    {
        if (ship_)
            ship_->Target = dynamic_cast<QNNODE*>(target);
    }
    float RepairBallistic(float amount) override { return ship_ ? ship_->RepairBallistic(amount) : 0.0f; }
    float BoxRadius() const override
    {
        if (!ship_)
            return 0.0f;
        QNBOX box;
        ship_->GetBox(box, true);
        return QNNODEBOUNDS::Valid(box) ? (box.max - box.min).Length() * 0.5f : 0.0f;
    }
    QNITEM* LookAhead(float nearDistance, float farDistance) override
    {
        if (!ship_)
            return nullptr;
        std::vector<QNNODEHIT> hits(kLookHits);
        const QNVEC3 nose = ship_->GetWorldMatrix().Row(2).Normalize();
        const int n = std::clamp(ship_->CastSegment(nearDistance, farDistance, nose, kLookHits, hits.data()), 0, kLookHits);
        hits.resize(static_cast<std::size_t>(n));
        std::sort(hits.begin(), hits.end(), [](const QNNODEHIT& a, const QNNODEHIT& b) { return a.Distance < b.Distance; });
        for (const QNNODEHIT& hit : hits) {
            if (!hit.Node || hit.Node == ship_.Get() || ship_->IsAncestorOf(hit.Node))
                continue;
            return hit.Node->FindAncestor(QNCF_LEVEL_GAME);
        }
        return nullptr;
    }

private:
    QNWEAK<COLLSHIP> ship_;
    float linear_ = COLLSHIP::kLinearDamping;
    float angular_ = COLLSHIP::kAngularDamping;
};

class GAMEWORLD : public PILOTWORLD {
public:
    explicit GAMEWORLD(AICOMPANY& company) : company_(company) {}

    static QNSCENE* Scene() { return GameScenes.Space ? GameScenes.Space : QNSCENE::Current; }
    bool SceneCurrent() const override { return QNSCENE::Current && QNSCENE::Current == Scene(); }
    std::uint32_t ShownView() const override
    {
        const QNSCENE* scene = Scene();
        return scene ? scene->ActiveView : 0;
    }
    std::uint32_t HomeView() const override { return company_.View; }
    std::uint32_t PlayerView() const override { return ::PlayerView; }
    QNITEM* PlayerShip() const override
    {
        COMPANY* player = Player();
        return player ? player->Ship() : nullptr;
    }
    bool PlayerShipDocked() const override
    {
        COMPANY* player = Player();
        auto* ship = player ? dynamic_cast<COLLSHIP*>(player->Ship()) : nullptr;
        return ship && ship->Docked;
    }
    std::uint32_t StationThreats() const override
    {
        COMPANY* player = Player();
        const STATION* station = player ? player->SiteStation() : nullptr;
        if (!station)
            return 0;
        std::uint32_t n = 0;
        for (std::uint32_t i = 0; i < AIPILOT::kThreatKinds; ++i)
            n += station->Counts[AIPILOT::kAttackOrder[i]];
        return n;
    }
    void PartsOfKind(std::uint32_t view, std::int32_t kind, std::vector<QNITEM*>& out) const override
    {
        COMPANY* company = CompanyOfView(view);
        const STATION* station = company ? company->SiteStation() : nullptr;
        if (!station)
            return;
        for (STATIONPART* part : station->CollectParts(kind, 500))
            out.push_back(part);
    }
    std::uint32_t HomeTargetCount() const override
    {
        const SITE* site = company_.Site();
        return site ? site->Targets().Count() : 0;
    }
    QNITEM* HomeTarget(std::uint32_t index) const override
    {
        const SITE* site = company_.Site();
        return site ? site->Targets().Entry(index) : nullptr;
    }
    bool Locate(const QNITEM* node, QNVEC3& position) const override
    {
        const auto* n = dynamic_cast<const QNNODE*>(node);
        if (!n)
            return false;
        position = n->GetWorldMatrix().Translation();
        return true;
    }
    bool IsDestroyed(const QNITEM* node) const override
    {
        const auto* d = dynamic_cast<const DAMAGEABLE*>(node);
        return d && d->IsDestroyed();
    }
    std::int32_t KindOf(const QNITEM* node) const override
    {
        const auto* n = dynamic_cast<const QNNODE*>(node);
        return n ? n->Kind : -1;
    }
    std::uint32_t CompanyOf(const QNITEM* node) const override
    {
        const auto* o = dynamic_cast<const OBSTACLENODE*>(node);
        return o ? o->ViewIndex : ~0u;
    }
    void Charge(float amount) override { company_.AddMoney(-amount); }
    QNVEC3 ExitPoint(std::uint32_t view) const override
    {
        const SITE* site = SiteOfView(view);
        const QNMATRIX frame = site ? site->GetWorldMatrix() : QNMATRIX();
        return QNVEC3::TransformCoord(QNVEC3(0.0f, 0.0f, kExitDistance), frame);
    }

private:
    COMPANY* Player() const
    {
        if (!::PlayerCompany)
            return nullptr;
        COMPANY* player = CompanyOfView(::PlayerView);
        return player != &company_ ? player : nullptr;
    }

    AICOMPANY& company_;
};

class COMPUTERPILOT : public COMPANYPILOT {
public:
    explicit COMPUTERPILOT(AICOMPANY& company) : world_(company), pilot_(world_), company_(company)
    {
        pilot_.Restart();
    }
    // The pilot lets go of the ship while the ship's control (a later member) still lives.
    ~COMPUTERPILOT() override { pilot_.SetShip(nullptr, nullptr); }

    void TakeShip(GAMENODE* node) override
    {
        auto* ship = dynamic_cast<COLLSHIP*>(node);
        ship_ = ship;
        control_ = ship ? std::make_unique<SHIPCONTROL>(ship) : nullptr;
        pilot_.SetShip(ship, control_.get());
        if (!ship)
            return;
        ship->MercenaryLook = RandomRange(0.0f, 1.0f) < AICOMPANY::kMercenaryChance ? 1 : 0;
        for (std::uint32_t type : {AIPILOT::kCheetah, AIPILOT::kEm2, AIPILOT::kIronman})
            ship->InstallWeapon(type, false, false);
        control_->SetScale(AIPILOT::kFlightScale, AIPILOT::kFlightFactor);
    }

    void PlaceAtCorner(std::uint32_t corner) override
    {
        COLLSHIP* ship = ship_.Get();
        SITE* site = company_.Site();
        if (!ship || !site)
            return;
        QNMATRIX turn;
        turn.SetRotationY(kCornerTurnDegrees * std::numbers::pi_v<float> / 180.0f);
        ship->SetTransform(turn * COLLSHIP::CornerMatrix(corner) * site->GetWorldMatrix());
        // Out of the dock's grip: still, with the hull's own damping.
        ship->StopMotion(false, QNCF_LEVEL_PLAIN);
        if (control_)
            control_->SetDamping(COLLSHIP::kLinearDamping, COLLSHIP::kAngularDamping);
        if (QNBODY* body = PhysicsBodyOf(ship))
            body->SetLinearDamping(COLLSHIP::kLinearDamping);
    }

    void Update() override
    {
        if (COLLSHIP* ship = ship_.Get())
            ship->Throttle = 0.0f;
        pilot_.Update();
    }

    AIPILOT& Pilot() { return pilot_; }

private:
    GAMEWORLD world_;
    AIPILOT pilot_;
    AICOMPANY& company_;
    QNWEAK<COLLSHIP> ship_;
    std::unique_ptr<SHIPCONTROL> control_;
};

}  // namespace

PILOTSHIP* MakePilotShip(COLLSHIP* ship)
{
    return new SHIPCONTROL(ship);
}

COMPANYPILOT* MakeComputerPilot(AICOMPANY& company)
{
    return new COMPUTERPILOT(company);
}

AIPILOT* ComputerPilotOf(COMPANYPILOT* pilot)
{
    auto* computer = dynamic_cast<COMPUTERPILOT*>(pilot);
    return computer ? &computer->Pilot() : nullptr;
}

void InstallComputerPilots()
{
    AICOMPANY::MakePilot = &MakeComputerPilot;
}
