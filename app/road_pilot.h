#pragma once
// A pilot for scripted play: it reads the player's vehicle as a person at the screen does (where
// it is, where its nose points, how it drifts and turns, the throttle on the HUD) and flies it to
// a goal by holding and releasing the game's bound keys through the driver's scripted event
// source, one decision per frame. It never moves a vehicle itself.
//
// Each axis is flown by anticipation: a released key lets the motion die out under the body's
// damping, so the motion still to come is the velocity times the damping's time constant (plus
// the frame the key takes to arrive). The key of an axis is held while the goal lies further on
// than that by more than half of what one frame's press brings; the opposite key brakes when
// the coast would carry past it. The suit turns and thrusts on all axes; the collector ship turns
// and flies only along its nose at the throttle's speed (backwards with a negative throttle).
// Roll is pressed with Shift held and only in frames where no other key of the pilot is held.
//
// Bindings (scan codes of the default table): suit thrust A/D (x), E/Q (y), S/W (z); suit turn
// Up/Down (+x/-x torque), Right/Left (+y/-y), Shift+Left/Shift+Right (+z/-z); ship throttle W/S
// (integrating), D (to zero); ship turn Down/Up (+x/-x), Right/Left (+y/-y), Shift+Left/
// Shift+Right (+z/-z).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <SDL2/SDL.h>

#include "app/game_driver.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "game/vehicles/collship.h"
#include "game/world/game_globals.h"
#include "game/world/player_company.h"
#include "platform/test_events.h"

namespace road {

/// The measured response of a vehicle to the pilot's keys.
struct PILOTFEEL {
    float TurnCoast;   ///< seconds of turn still to come after a turn key is released
    float TurnTap;     ///< radians one frame's press of a turn key turns in all
};

// Suit: torque 4 on a light body under 0.4 damping (a press turns about 11 degrees).
inline constexpr PILOTFEEL kSuitFeel = {0.21f, 0.2f};
// Collector ship: its heavy body under 2.0 damping (a press turns about 2 degrees).
inline constexpr PILOTFEEL kShipFeel = {0.5f, 0.035f};

/// How close a goal must be met, as a person flying by eye needs it.
struct PILOTTOLERANCE {
    float Reach = 1.0f;       ///< units from the goal point
    float Sight = 0.4f;       ///< units the nose's line may pass beside the point looked at
    float Aim = 0.05f;        ///< radians the nose may point off its goal
    float Still = 0.25f;      ///< speed (units/s, and rad/s) below which the vehicle counts as still
    float Up = 0.2f;          ///< radians the up axis may lean off its goal (ship)
};

class PILOT {
public:
    /// Suit: comes to rest `distance` units from `look`, out along `from` (a unit vector from
    /// `look` toward the eye), the line of its nose through `look`; with `up`, rolled until its up
    /// axis is within `tol.Up` of it. The nose turns to the point on the way; once it points near
    /// the approach line, the suit slides onto its own sight line (finer than a turn key can aim).
    /// True once there and still; every key is then released.
    bool SuitLook(const QNVEC3& look, const QNVEC3& from, float distance, const PILOTTOLERANCE& tol = {},
                  const QNVEC3* up = nullptr)
    {
        GAMENODE* suit = PlayerCompany ? PlayerCompany->Suit() : nullptr;
        if (!suit || PlayerCompany->Mode != COMPANYMODE::SUIT)
            return Finish(false);
        if ((look - look_).Length() > 0.5f)
            sighting_ = false;
        look_ = look;
        const Frame f(suit);
        const QNVEC3 toLook = look - f.At;
        const QNVEC3 nominal = look + from * distance;
        const QNVEC3 along = from * -1.0f;
        // Near the spot with the nose near the approach line, the nose keeps to that line and the
        // suit slides onto its own line of sight; elsewhere the nose looks at the point on the way.
        const float lineOff = Angle(f.Nose, along);
        const bool nearSpot = (f.At - nominal).Length() < distance * kSightSwitch;
        if (nearSpot && lineOff < kSightSwitch)
            sighting_ = true;
        else if (!nearSpot || lineOff > 2.0f * kSightSwitch)
            sighting_ = false;
        const QNVEC3 spot = sighting_ ? look - f.Nose * distance : nominal;
        Keys keys;
        TurnToward(f, sighting_ ? along : toLook.Normalize(), kSuitFeel, kSuitTurn, keys);
        MoveToward(f, spot, keys);
        const float roll = up ? RollError(f, *up) : 0.0f;
        if (up && sighting_ && keys.Empty() && std::fabs(roll) >= tol.Up * 0.5f)
            Roll(f, roll, kSuitFeel, kSuitTurn, keys);
        const QNVEC3 beside = toLook - f.Nose * QNVEC3::Dot(toLook, f.Nose);
        const bool there = sighting_ && (f.At - spot).Length() < tol.Reach && beside.Length() < tol.Sight &&
                           f.Velocity.Length() < tol.Still && f.Spin.Length() < tol.Still && std::fabs(roll) < tol.Up;
        if (std::getenv("PILOT_TRACE")) {
            std::fprintf(stderr, "SUIT %llu nom %.2f spot %.2f off %.3f beside %.2f v %.2f w %.2f sight %d keys", (unsigned long long)DriverScript()->Pass(),
                (f.At - nominal).Length(), (f.At - spot).Length(), lineOff, beside.Length(), f.Velocity.Length(), f.Spin.Length(), int(sighting_));
            for (const Key& k : keys.List) std::fprintf(stderr, " %s", SDL_GetKeyName(k.Code));
            std::fprintf(stderr, "\n");
        }
        if (there)
            return Finish(true);
        Press(keys);
        return false;
    }

    /// Suit: comes to rest within `reach` of `at` (facing where it may).
    bool SuitTo(const QNVEC3& at, float reach, float still = 0.3f)
    {
        GAMENODE* suit = PlayerCompany ? PlayerCompany->Suit() : nullptr;
        if (!suit || PlayerCompany->Mode != COMPANYMODE::SUIT)
            return Finish(false);
        const Frame f(suit);
        if ((f.At - at).Length() < reach && f.Velocity.Length() < still)
            return Finish(true);
        Keys keys;
        MoveToward(f, at, keys);
        Press(keys);
        return false;
    }

    /// Ship: flies to within `tol.Reach` of `at` and, with `stop`, comes to rest there with its
    /// throttle closed; with `up`, rolls until its up axis is within `tol.Up` of it. Without
    /// `stop` the throttle is left as it is on arrival (the ship flies on). True on arrival.
    bool ShipTo(const QNVEC3& at, bool stop, const PILOTTOLERANCE& tol = {}, const QNVEC3* up = nullptr,
                float topSpeed = kShipCruise)
    {
        COLLSHIP* ship = PlayerCompany ? dynamic_cast<COLLSHIP*>(PlayerCompany->Ship()) : nullptr;
        if (!ship || PlayerCompany->Mode != COMPANYMODE::SHIP)
            return Finish(false);
        const Frame f(ship);
        const QNVEC3 toGoal = at - f.At;
        const float d = toGoal.Length();
        const bool near = d < tol.Reach;
        const bool still = f.Velocity.Length() < tol.Still && f.Spin.Length() < tol.Still;
        const float roll = up ? RollError(f, *up) : 0.0f;
        if (near && (!stop || (still && ship->Throttle == 0.0f)) && std::fabs(roll) < tol.Up)
            return Finish(true);
        Keys keys;
        float speed = 0.0f;  // wanted speed along the nose (negative: backwards)
        if (!near) {
            // Backwards when the goal is close behind: cheaper than turning the ship round.
            const float ahead = QNVEC3::Dot(f.Nose, toGoal);
            const float sign = ahead < 0.0f && d < kBackUpRange ? -1.0f : 1.0f;
            const QNVEC3 want = toGoal.Normalize() * sign;
            const float off = Angle(f.Nose, want);
            if (d > tol.Reach * 2.0f)
                TurnToward(f, want, kShipFeel, kShipTurn, keys);
            const float reachable = std::sqrt(2.0f * kShipBrake * std::max(0.0f, d - tol.Reach * 0.5f));
            speed = sign * std::min(topSpeed, reachable) * std::max(0.0f, std::cos(off) - kAlignedCos) /
                    (1.0f - kAlignedCos);
        } else if (!stop) {
            speed = ship->Speed * COLLSHIP::kTopSpeed;
        }
        Throttle(ship, speed / COLLSHIP::kTopSpeed, keys);
        if (up && keys.Empty() && std::fabs(roll) >= tol.Up * 0.5f)
            Roll(f, roll, kShipFeel, kShipTurn, keys);
        if (std::getenv("PILOT_TRACE")) {
            std::fprintf(stderr, "SHIP %llu at %.1f %.1f %.1f d %.2f ahead %.2f speed %.2f thr %.2f v %.2f w %.2f roll %.2f keys", (unsigned long long)DriverScript()->Pass(),
                f.At.x, f.At.y, f.At.z, d, QNVEC3::Dot(f.Nose, toGoal.Normalize()), speed, ship->Throttle, f.Velocity.Length(), f.Spin.Length(), roll);
            for (const Key& k : keys.List) std::fprintf(stderr, " %s", SDL_GetKeyName(k.Code));
            std::fprintf(stderr, "\n");
        }
        Press(keys);
        return false;
    }

    /// Ship: turns its nose (or, given `muzzle`, that frame of the ship's, e.g. a gun's) onto
    /// `target` where it is, the throttle closed; with `up`, rolls its up axis to within `tol.Up`
    /// of it. True once within `tol.Aim` and turning slower than `tol.Still`.
    bool ShipAim(const QNVEC3& target, const PILOTTOLERANCE& tol = {}, const QNMATRIX* muzzle = nullptr,
                 const QNVEC3* up = nullptr)
    {
        COLLSHIP* ship = PlayerCompany ? dynamic_cast<COLLSHIP*>(PlayerCompany->Ship()) : nullptr;
        if (!ship || PlayerCompany->Mode != COMPANYMODE::SHIP)
            return Finish(false);
        const Frame f(ship);
        // The muzzle's line in world axes; the turn that puts it through the target is nearly
        // the turn of the nose toward the target seen from the muzzle.
        QNVEC3 from = f.At, line = f.Nose;
        if (muzzle) {
            const QNMATRIX m = *muzzle * ship->GetWorldMatrix();
            from = m.Translation();
            line = m.Row(2).Normalize();
        }
        const QNVEC3 want = (target - from).Normalize();
        const float off = Angle(line, want);
        const float roll = up ? RollError(f, *up) : 0.0f;
        if (off < tol.Aim && f.Spin.Length() < tol.Still && ship->Throttle == 0.0f && std::fabs(roll) < tol.Up)
            return Finish(true);
        Keys keys;
        // The error is measured on the muzzle's line and applied as a turn of the whole ship.
        const QNVEC3 turn = QNVEC3::Cross(line, want).Normalize() * off;
        TurnBy(f, turn, kShipFeel, kShipTurn, keys);
        Throttle(ship, 0.0f, keys);
        if (up && keys.Empty() && std::fabs(roll) >= tol.Up * 0.5f)
            Roll(f, roll, kShipFeel, kShipTurn, keys);
        Press(keys);
        return false;
    }

    /// Ship: closes the throttle and waits until the ship is still. True then.
    bool ShipStop(float still = 0.05f)
    {
        COLLSHIP* ship = PlayerCompany ? dynamic_cast<COLLSHIP*>(PlayerCompany->Ship()) : nullptr;
        if (!ship || PlayerCompany->Mode != COMPANYMODE::SHIP)
            return Finish(false);
        const Frame f(ship);
        if (ship->Throttle == 0.0f && f.Velocity.Length() < still && f.Spin.Length() < still)
            return Finish(true);
        Keys keys;
        Throttle(ship, 0.0f, keys);
        // Damping alone stops a turn; a person lets go of the stick.
        Press(keys);
        return false;
    }

    /// Releases every key the pilot holds (in the next frame).
    void Release()
    {
        Press(Keys{});
        sighting_ = false;
    }

    /// Forgets the keys it held without releasing them (a new game has none down).
    void Reset()
    {
        held_ = Keys{};
        shiftHeld_ = false;
        sighting_ = false;
    }

    /// Keys the pilot held down over its flights (a count of presses).
    std::uint64_t Presses() const { return presses_; }

    // Top cruising speed, and the deceleration a ship at full brake has (units/s^2), less a margin
    // for the frames a throttle change takes.
    static constexpr float kShipCruise = 28.0f;
    static constexpr float kShipBrake = 6.0f;

private:
    struct Key {
        SDL_Keycode Code;
        bool Shift;
        bool operator==(const Key& o) const { return Code == o.Code && Shift == o.Shift; }
    };
    struct Keys {
        std::vector<Key> List;
        void Add(SDL_Keycode code, bool shift = false) { List.push_back({code, shift}); }
        bool Empty() const { return List.empty(); }
        bool Has(const Key& k) const { return std::find(List.begin(), List.end(), k) != List.end(); }
    };
    // The vehicle as seen: where it is, its axes, its motion in world axes.
    struct Frame {
        explicit Frame(GAMENODE* node)
        {
            const QNMATRIX m = node->GetWorldMatrix();
            At = m.Translation();
            for (int i = 0; i < 3; ++i)
                Axis[i] = m.Row(i).Normalize();
            Nose = Axis[2];
            if (const QNBODY* body = PhysicsBodyOf(node)) {
                Velocity = body->GetLinearVelocity();
                Spin = body->GetAngularVelocity();
            }
        }
        QNVEC3 At, Axis[3], Nose, Velocity, Spin;
    };
    // The keys of one vehicle's turn axes: the key that turns each body axis positively, and
    // the one that turns it negatively (roll keys are pressed with Shift).
    struct TURNKEYS {
        SDL_Keycode Plus[3];
        SDL_Keycode Minus[3];
    };
    static constexpr TURNKEYS kSuitTurn = {{SDLK_UP, SDLK_RIGHT, SDLK_LEFT}, {SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}};
    static constexpr TURNKEYS kShipTurn = {{SDLK_DOWN, SDLK_RIGHT, SDLK_LEFT}, {SDLK_UP, SDLK_LEFT, SDLK_RIGHT}};
    // Suit thrust keys per body axis, positive then negative.
    static constexpr SDL_Keycode kThrustPlus[3] = {SDLK_d, SDLK_q, SDLK_w};
    static constexpr SDL_Keycode kThrustMinus[3] = {SDLK_a, SDLK_e, SDLK_s};
    // The suit's drift on each axis: at most kSuitCruise (units/s; a held key reaches about 3.6),
    // kSuitApproach per unit of distance left, within about half a frame's thrust.
    static constexpr float kSuitCruise = 8.0f;
    static constexpr float kSuitApproach = 2.5f;
    static constexpr float kSuitThrustStep = 0.08f;
    // Within this distance (units) of the goal on an axis, drifting slower than kSuitHoldDrift
    // (units/s), the suit is left to coast.
    static constexpr float kSuitHold = 0.2f;
    static constexpr float kSuitHoldDrift = 0.3f;
    // Radians within which the suit's nose counts as near the approach line.
    static constexpr float kSightSwitch = 0.3f;
    // A goal behind the ship closer than this is reached backwards.
    static constexpr float kBackUpRange = 25.0f;
    // Below this cosine of the nose's angle off the goal the ship flies no faster than a crawl.
    static constexpr float kAlignedCos = 0.9f;
    static constexpr float kFrame = 1.0f / float(kDriverFramesPerSecond);

    static float Angle(const QNVEC3& a, const QNVEC3& b)
    {
        return std::acos(std::clamp(QNVEC3::Dot(a, b), -1.0f, 1.0f));
    }

    // One axis flown by anticipation: +1 to press its positive key, -1 the negative, 0 neither.
    static int Anticipate(float error, float rate, float coast, float tap)
    {
        const float rest = error - rate * (coast + 2.0f * kFrame);
        return rest > tap * 0.5f ? 1 : rest < -tap * 0.5f ? -1 : 0;
    }

    // The turn (world axes, angle times axis) that takes the nose onto `want`, pitch and yaw only.
    void TurnToward(const Frame& f, const QNVEC3& want, const PILOTFEEL& feel, const TURNKEYS& k, Keys& keys)
    {
        QNVEC3 axis = QNVEC3::Cross(f.Nose, want);
        if (axis.Length() < 1e-4f)
            axis = QNVEC3::Dot(f.Nose, want) < 0.0f ? f.Axis[1] : QNVEC3();
        TurnBy(f, axis.Normalize() * Angle(f.Nose, want), feel, k, keys);
    }

    void TurnBy(const Frame& f, const QNVEC3& turn, const PILOTFEEL& feel, const TURNKEYS& k, Keys& keys)
    {
        for (int i = 0; i < 2; ++i) {
            const int press = Anticipate(QNVEC3::Dot(turn, f.Axis[i]), QNVEC3::Dot(f.Spin, f.Axis[i]), feel.TurnCoast,
                                         feel.TurnTap);
            if (press)
                keys.Add(press > 0 ? k.Plus[i] : k.Minus[i]);
        }
    }

    // The roll (about the nose) that brings the up axis to `up` seen along the nose.
    static float RollError(const Frame& f, const QNVEC3& up)
    {
        const QNVEC3 flat = (up - f.Nose * QNVEC3::Dot(up, f.Nose)).Normalize();
        return std::atan2(QNVEC3::Dot(QNVEC3::Cross(f.Axis[1], flat), f.Nose), QNVEC3::Dot(f.Axis[1], flat));
    }

    void Roll(const Frame& f, float error, const PILOTFEEL& feel, const TURNKEYS& k, Keys& keys)
    {
        const int press = Anticipate(error, QNVEC3::Dot(f.Spin, f.Nose), feel.TurnCoast, feel.TurnTap);
        if (press)
            keys.Add(press > 0 ? k.Plus[2] : k.Minus[2], true);
    }

    // Suit thrust toward `at` on each body axis: the drift is kept near a speed that falls with
    // the distance left (kSuitApproach per second of it), braking ahead of the goal.
    void MoveToward(const Frame& f, const QNVEC3& at, Keys& keys)
    {
        const QNVEC3 error = at - f.At;
        for (int i = 0; i < 3; ++i) {
            const float rate = QNVEC3::Dot(f.Velocity, f.Axis[i]);
            const float off = QNVEC3::Dot(error, f.Axis[i]);
            // Close and nearly still on this axis: hands off (a press would only overshoot).
            if (std::fabs(off) < kSuitHold && std::fabs(rate) < kSuitHoldDrift)
                continue;
            const float want = std::clamp(off * kSuitApproach, -kSuitCruise, kSuitCruise);
            const int press = want - rate > kSuitThrustStep ? 1 : want - rate < -kSuitThrustStep ? -1 : 0;
            if (press)
                keys.Add(press > 0 ? kThrustPlus[i] : kThrustMinus[i]);
        }
    }

    // The throttle (the HUD's target) moved toward `want` in -1..1: W and S while it is off by
    // more than a frame's change, D when it should close.
    static void Throttle(const COLLSHIP* ship, float want, Keys& keys)
    {
        const float now = ship->Throttle;
        const float step = kFrame;  // W and S change the throttle by 1 per second
        if (std::fabs(want) < 0.5f * COLLSHIP::kThrottleStep) {
            if (now != 0.0f)
                keys.Add(SDLK_d);
        } else if (now < want - step) {
            keys.Add(SDLK_w);
        } else if (now > want + step) {
            keys.Add(SDLK_s);
        }
    }

    // Makes `keys` the keys held from the next frame: releases the others, presses the new ones.
    void Press(const Keys& keys)
    {
        PlatformScriptedEvents* script = DriverScript();
        if (!script)
            return;
        const std::uint64_t at = script->Pass() + 1;
        bool shift = false;
        for (const Key& k : keys.List)
            shift = shift || k.Shift;
        for (const Key& k : held_.List)
            if (!keys.Has(k))
                script->KeyUp(k.Code, k.Shift ? KMOD_LSHIFT : KMOD_NONE, at);
        if (shiftHeld_ && !shift)
            script->KeyUp(SDLK_LSHIFT, KMOD_NONE, at);
        if (shift && !shiftHeld_)
            script->KeyDown(SDLK_LSHIFT, KMOD_LSHIFT, at);
        for (const Key& k : keys.List)
            if (!held_.Has(k)) {
                script->KeyDown(k.Code, k.Shift ? KMOD_LSHIFT : KMOD_NONE, at);
                ++presses_;
            }
        held_ = keys;
        shiftHeld_ = shift;
    }

    bool Finish(bool done)
    {
        Release();
        return done;
    }

    Keys held_;
    bool shiftHeld_ = false;
    bool sighting_ = false;
    QNVEC3 look_;
    std::uint64_t presses_ = 0;
};

/// The pilot of the scripted roads (one set of keys, one pilot).
inline PILOT& Pilot()
{
    static PILOT pilot;
    return pilot;
}

}  // namespace road
