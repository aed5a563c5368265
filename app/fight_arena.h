#pragma once
// Fights at the player's site of a running game (the program's own set-up): rival collector ships
// brought over by their pilots' own jump, the player's station grown with weapons through its part
// factory, a ship moved along a measured course (still, or crossing the line of sight at a set
// distance and speed), and the damage a ship takes counted hit by hit. The weapon measuring
// program and the whole-program fight tests use it.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/scene.h"
#include "game/vehicles/ai_pilot.h"
#include "game/vehicles/ai_pilot_game.h"
#include "game/vehicles/collship.h"
#include "game/world/ai_company.h"
#include "game/world/company.h"
#include "game/world/game_globals.h"
#include "game/world/player_company.h"
#include "game/world/site.h"
#include "game/world/station.h"

namespace arena {

inline constexpr float kDegree = 0.017453292f;

inline AICOMPANY* Rival(std::uint32_t view)
{
    return view < kCompanyCount ? dynamic_cast<AICOMPANY*>(Companies[view]) : nullptr;
}

/// The computer companies' views, in order.
inline std::vector<std::uint32_t> RivalViews()
{
    std::vector<std::uint32_t> views;
    for (std::uint32_t v = 0; v < kCompanyCount; ++v)
        if (Rival(v))
            views.push_back(v);
    return views;
}

inline AIPILOT* PilotOf(std::uint32_t view)
{
    AICOMPANY* rival = Rival(view);
    return rival ? ComputerPilotOf(rival->Pilot()) : nullptr;
}

inline COLLSHIP* ShipOf(std::uint32_t view)
{
    COMPANY* company = view < kCompanyCount ? Companies[view] : nullptr;
    return company ? dynamic_cast<COLLSHIP*>(company->Ship()) : nullptr;
}

inline SITE* PlayerSite()
{
    return PlayerCompany ? PlayerCompany->Site() : nullptr;
}

inline QNVEC3 Position(const QNNODE* node)
{
    return node->GetWorldMatrix().Translation();
}

/// Whether the rival of `view` has a ship at the player's site.
inline bool RivalAtPlayersSite(std::uint32_t view)
{
    COLLSHIP* ship = ShipOf(view);
    return ship && ship->CurrentSite.Get() == PlayerSite();
}

/// Sends the rival's pilot to the site the player looks at: its own state for that, in which the
/// ship undocks and jumps.
inline void SendRival(std::uint32_t view)
{
    if (AIPILOT* pilot = PilotOf(view))
        pilot->EnterState(PILOTSTATE::GO_TO_WATCHED);
}

/// Puts `node` at the world transform `world`. A body that follows its parent takes its
/// transform relative to the parent; others take it in world axes.
inline void PlaceAt(QNNODE* node, const QNMATRIX& world)
{
    node->SetTransform(world);
    const QNNODE* parent = node->ParentNode();
    if (parent && (node->GetWorldMatrix().Translation() - world.Translation()).Length() > 1e-3f)
        node->SetTransform(world * parent->GetWorldMatrix().Inverse());
}

/// A frame at `at` whose z axis points along `ahead`.
inline QNMATRIX Facing(const QNVEC3& at, const QNVEC3& ahead)
{
    const QNVEC3 z = ahead.Normalize();
    const QNVEC3 up = std::fabs(z.y) > 0.95f ? QNVEC3(1, 0, 0) : QNVEC3(0, 1, 0);
    QNMATRIX m;
    m.SetLookAt(at, at + z, up);
    return m;
}

/// A course round `Centre` at distance `Radius`: still at `Centre + A x Radius`, or sweeping to
/// and fro across the line of sight (from A toward B and back, `Span` radians either side) at
/// `Speed` units a second: along the arc, so the distance stays the same while the ship crosses,
/// or with `Straight` along the tangent line at `Centre + A x Radius` (the distance then grows to
/// Radius / cos Span at the ends).
struct COURSE {
    QNVEC3 Centre, A, B;
    float Radius = 50.0f;
    float Speed = 0.0f;
    float Span = 40.0f * kDegree;
    bool Straight = false;
    double Time = 0.0;

    /// The point and the direction of travel at the course's time.
    void At(QNVEC3& point, QNVEC3& travel) const
    {
        // A triangle wave u in [-1, 1] over the sweep's length.
        const float half = Straight ? Radius * std::tan(Span) : Span * Radius;
        float u = 0.0f, sign = 1.0f;
        if (Speed > 0.0f && half > 0.0f) {
            const double period = 4.0 * half / Speed;
            const double t = std::fmod(Time, period) / period;
            if (t < 0.25) {
                u = float(t * 4.0);
            } else if (t < 0.75) {
                u = float(1.0 - (t - 0.25) * 4.0);
                sign = -1.0f;
            } else {
                u = float((t - 0.75) * 4.0 - 1.0);
            }
        }
        if (Straight) {
            point = Centre + A * Radius + B * (u * half);
            travel = B * sign;
            return;
        }
        const float phi = u * Span;
        point = Centre + (A * std::cos(phi) + B * std::sin(phi)) * Radius;
        travel = (A * -std::sin(phi) + B * std::cos(phi)) * sign;
    }
};

/// Puts `ship` on its course for the next frame: placed, nose along the travel, moving at the
/// course's speed with the throttle that keeps it (its pilot should be idle).
inline void Steer(COLLSHIP* ship, COURSE& course, double dt)
{
    QNVEC3 point, travel;
    course.At(point, travel);
    course.Time += dt;
    PlaceAt(ship, Facing(point, travel.LengthSq() > 0.0f ? travel : course.B));
    ship->StopMotion(false, QNCF_LEVEL_PLAIN);
    const float fraction = course.Speed / COLLSHIP::kTopSpeed;
    ship->Throttle = fraction;
    ship->Speed = fraction;
    if (QNBODY* body = PhysicsBodyOf(ship))
        body->SetLinearVelocity(travel * course.Speed);
}

/// Holds `ship` still at `at`, its nose toward `look`.
inline void Hold(COLLSHIP* ship, const QNVEC3& at, const QNVEC3& look)
{
    PlaceAt(ship, Facing(at, look - at));
    ship->StopMotion(false, QNCF_LEVEL_PLAIN);
    ship->Throttle = 0.0f;
    ship->Speed = 0.0f;
}

/// What a ship took: the frames in which it lost condition (hits) and the condition lost. With
/// `Restore`, the meters go back to full after each reading, so a measured target lives on.
struct TOLL {
    std::uint32_t Hits = 0;
    float Ballistic = 0.0f, Electronic = 0.0f;
    float Damage() const { return Ballistic + Electronic; }
};

class TOLLKEEPER {
public:
    explicit TOLLKEEPER(DAMAGEABLE* ship = nullptr, bool restore = false) { Watch(ship, restore); }
    void Watch(DAMAGEABLE* ship, bool restore)
    {
        ship_ = ship;
        restore_ = restore;
        Toll = TOLL();
        if (ship)
            Take(ship);
    }
    /// Reads the meters after a frame.
    void Read()
    {
        DAMAGEABLE* ship = ship_.Get();
        if (!ship)
            return;
        const float b = std::max(0.0f, ballistic_ - ship->Ballistic), e = std::max(0.0f, electronic_ - ship->Electronic);
        if (b > 0.0f || e > 0.0f)
            ++Toll.Hits;
        Toll.Ballistic += b;
        Toll.Electronic += e;
        if (restore_ && (b > 0.0f || e > 0.0f)) {
            ship->Ballistic = ship->BallisticMax;
            ship->Electronic = ship->ElectronicMax;
            ship->UpdateStatus();
        }
        Take(ship);
    }
    TOLL Toll;

private:
    void Take(const DAMAGEABLE* ship)
    {
        ballistic_ = ship->Ballistic;
        electronic_ = ship->Electronic;
    }
    QNWEAK<DAMAGEABLE> ship_;
    bool restore_ = false;
    float ballistic_ = 0.0f, electronic_ = 0.0f;
};

/// The root joint's beam on side `side` of the player's station.
inline STATIONPART* StartBeam(STATION* station, std::int32_t side)
{
    STATIONPART* root = station->RootJoint.Get();
    if (!root || side < 0 || side >= root->ConnectorCount)
        return nullptr;
    const STATIONCONNECTOR* link = root->Connectors[side].Link;
    return link ? link->Owner : nullptr;
}

/// The connector of `part` whose normal points along `direction` (station axes), -1 for none.
inline std::int32_t FacingConnector(const STATIONPART* part, const QNVEC3& direction)
{
    for (std::int32_t i = 0; i < part->ConnectorCount; ++i)
        if (QNVEC3::Dot(part->Connectors[i].Normal, direction) > 0.9f && !part->Connectors[i].Link)
            return i;
    return -1;
}

/// Builds `kind` through the station's part factory at `connector` of `part` (null when refused).
inline STATIONPART* BuildAt(STATION* station, STATIONPART* part, std::int32_t connector, std::int32_t kind)
{
    if (!station || !part || connector < 0)
        return nullptr;
    station->Select(part);
    station->ClearMarker();
    station->SelectedConnector = connector;
    STATIONPART* built = station->BuildPart(kind, 1000.0f, STATION::kNoColour);
    station->Select(nullptr);
    return built;
}

/// The joint at the outer end of start beam `side`, built when there is none.
inline STATIONPART* EndJoint(STATION* station, std::int32_t side)
{
    STATIONPART* beam = StartBeam(station, side);
    if (!beam)
        return nullptr;
    for (std::int32_t i = 0; i < beam->ConnectorCount; ++i)
        if (const STATIONCONNECTOR* link = beam->Connectors[i].Link)
            if (link->Owner && link->Owner != station->RootJoint.Get() && link->Owner->Kind == KIND_JOINT)
                return link->Owner;
    return BuildAt(station, beam, 1, KIND_JOINT);
}

/// Builds `kind` on top of the joint at the end of start beam `side` of the player's station.
inline STATIONPART* BuildOnTop(std::int32_t side, std::int32_t kind)
{
    STATION* station = PlayerCompany ? PlayerCompany->SiteStation() : nullptr;
    STATIONPART* joint = station ? EndJoint(station, side) : nullptr;
    return joint ? BuildAt(station, joint, FacingConnector(joint, QNVEC3(0, 1, 0)), kind) : nullptr;
}

/// Takes a part built for a measurement off the station (deleted two frames later).
inline void Remove(STATIONPART* part)
{
    STATION* station = PlayerCompany ? PlayerCompany->SiteStation() : nullptr;
    if (station && part)
        station->RemovePartChecked(part, true);
}

/// The horizontal direction from the player's station's root joint out to `node`.
inline QNVEC3 Outward(const QNNODE* node)
{
    STATION* station = PlayerCompany ? PlayerCompany->SiteStation() : nullptr;
    const QNVEC3 root = station && station->RootJoint.Get() ? Position(station->RootJoint.Get()) : QNVEC3();
    QNVEC3 out = Position(node) - root;
    out.y = 0.0f;
    return out.LengthSq() > 0.0f ? out.Normalize() : QNVEC3(1, 0, 0);
}

/// The angle between the nose of `ship` and the direction to `point`.
inline float AngleOff(const QNNODE* ship, const QNVEC3& point)
{
    const QNMATRIX w = ship->GetWorldMatrix();
    const QNVEC3 nose = w.Row(2).Normalize(), to = (point - w.Translation()).Normalize();
    return std::acos(std::clamp(QNVEC3::Dot(nose, to), -1.0f, 1.0f));
}

}  // namespace arena
