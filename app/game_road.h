#pragma once
// Scripted play over the game driver: a step sequencer over the game's frames, the player's keys
// and pointer through the driver's scripted event source, the suit and the ship flown by the
// road pilot (app/road_pilot.h), and building on the station from the inventory. The demo program and the whole-program
// tests use it; a failed requirement is reported through road::OnFailure and stops the road.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/game_driver.h"
#include "app/road_pilot.h"
#include "engine/input/qninput.h"
#include "engine/scene/scene.h"
#include "engine/util/qnvirtual_screen.h"
#include "game/vehicles/collship.h"
#include "game/world/collship_dock.h"
#include "game/world/company_links.h"
#include "game/world/game_globals.h"
#include "game/world/player_company.h"
#include "game/world/station.h"
#include "game/world/world_vehicle.h"
#include "platform/window.h"
#include "platform/test_events.h"

namespace road {

/// Receives each failed requirement (the step's name and what failed); the default prints it.
inline std::function<void(const std::string& step, const std::string& what)> OnFailure;

/// Asked after each check: true stops the road as a failed requirement does (tests stop on a
/// fatal assertion of their own checks).
inline std::function<bool()> StopWhen;

namespace detail {
inline std::string CurrentStep;
inline bool Failed = false;
inline int PlayerPlacements = 0;
}  // namespace detail

/// Transforms the road has set on the player's suit or ship since it began (PlaceAtWorld).
inline int PlayerPlacements()
{
    return detail::PlayerPlacements;
}

/// Checks `condition`; when false reports `what` for the current step and marks the road failed.
inline bool Require(bool condition, const char* what)
{
    if (condition)
        return true;
    detail::Failed = true;
    if (OnFailure)
        OnFailure(detail::CurrentStep, what);
    else
        std::fprintf(stderr, "road: step \"%s\": %s\n", detail::CurrentStep.c_str(), what);
    return false;
}

// A step acts, waits its frames, then checks. A step with a Done test acts again (with the next
// attempt number) while Done answers false, up to Attempts times, before it checks.
struct ROADSTEP {
    const char* Name;
    std::function<void()> Act;
    std::uint64_t Wait;
    std::function<void()> Check;
    std::function<bool()> Done = nullptr;
    std::function<void(int attempt)> Again = nullptr;
    int Attempts = 1;
};

class ROAD {
public:
    explicit ROAD(std::vector<ROADSTEP> steps) : steps_(std::move(steps))
    {
        detail::Failed = false;
        detail::PlayerPlacements = 0;
        Pilot().Reset();
    }

    /// One in-game frame: false once every step has run (or a check failed).
    bool Frame()
    {
        if (index_ >= steps_.size())
            return false;
        ROADSTEP& s = steps_[index_];
        detail::CurrentStep = s.Name;
        if (!acted_) {
            if (s.Act)
                s.Act();
            acted_ = true;
            waited_ = 0;
            return true;
        }
        if (++waited_ < s.Wait)
            return true;
        if (s.Done && !s.Done() && ++attempt_ < s.Attempts) {
            if (s.Again)
                s.Again(attempt_);
            waited_ = 0;
            return true;
        }
        attempt_ = 0;
        if (s.Check)
            s.Check();
        if (StopWhen && StopWhen())
            detail::Failed = true;
        if (detail::Failed)
            return false;
        ++index_;
        acted_ = false;
        reached_.push_back(s.Name);
        return index_ < steps_.size();
    }
    const std::vector<std::string>& Reached() const { return reached_; }
    bool Finished() const { return index_ >= steps_.size() && !detail::Failed; }
    std::size_t StepCount() const { return steps_.size(); }

private:
    std::vector<ROADSTEP> steps_;
    std::size_t index_ = 0;
    bool acted_ = false;
    std::uint64_t waited_ = 0;
    int attempt_ = 0;
    std::vector<std::string> reached_;
};

/// Moves the steps of `more` onto the end of `steps`.
inline void Append(std::vector<ROADSTEP>& steps, std::vector<ROADSTEP> more)
{
    steps.insert(steps.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

inline PlatformScriptedEvents& Script()
{
    return *DriverScript();
}

/// The drive's draw interval (GAMEDRIVE::DrawEvery), when the road may draw fewer frames while
/// the pilot flies (null: it may not). A flight needs no picture: the pilot reads the game state.
inline std::uint32_t* FlightDrawEvery = nullptr;
/// One frame in this many is drawn during a flight.
constexpr std::uint32_t kFlightDrawEvery = 10;

/// A step flown by the pilot: `act` once, then `fly` every frame until it answers true (at most
/// `seconds`), then the pilot lets go of its keys and `check` runs.
inline ROADSTEP Flight(const char* name, std::function<bool()> fly, float seconds, std::function<void()> check,
                       std::function<void()> act = nullptr)
{
    auto drawn = std::make_shared<std::uint32_t>(0);
    return {name,
            [act = std::move(act), drawn] {
                if (FlightDrawEvery) {
                    *drawn = *FlightDrawEvery;
                    *FlightDrawEvery = std::max(*drawn, kFlightDrawEvery);
                }
                if (act)
                    act();
            },
            1,
            [check = std::move(check), drawn] {
                Pilot().Release();
                if (FlightDrawEvery)
                    *FlightDrawEvery = *drawn;
                if (check)
                    check();
            },
            std::move(fly), nullptr, int(seconds * float(kDriverFramesPerSecond))};
}

/// Holds `key` down from pass `at` for `frames` frames (with Shift when asked).
inline void HoldKeyAt(std::uint64_t at, SDL_Keycode key, std::uint64_t frames, bool shift = false)
{
    if (shift)
        Script().KeyDown(SDLK_LSHIFT, KMOD_LSHIFT, at);
    Script().KeyDown(key, shift ? KMOD_LSHIFT : KMOD_NONE, at);
    Script().KeyUp(key, shift ? KMOD_LSHIFT : KMOD_NONE, at + frames);
    if (shift)
        Script().KeyUp(SDLK_LSHIFT, KMOD_NONE, at + frames);
}

/// Holds `key` down from the next frame for `frames` frames (an integrating binding such as the
/// throttle grows while it is held).
inline void HoldKey(SDL_Keycode key, std::uint64_t frames, bool shift = false)
{
    HoldKeyAt(Script().Pass() + 1, key, frames, shift);
}

/// The current scene's name ("" with none).
inline const char* SceneName()
{
    return QNSCENE::Current ? QNSCENE::Current->Name().Text() : "";
}

inline bool SceneIs(const char* name)
{
    return std::string(SceneName()) == name;
}

/// The player company's ship as the collector ship it is (null without one).
inline COLLSHIP* PlayerShip()
{
    return PlayerCompany ? dynamic_cast<COLLSHIP*>(PlayerCompany->Ship()) : nullptr;
}

/// A pass watcher for GAMEDRIVE::OnStartPass that adds each scene shown before the game starts
/// to `scenes`, once for each run of passes it stays on.
inline std::function<void(std::uint64_t)> RecordStartScenes(std::vector<std::string>& scenes)
{
    return [&scenes](std::uint64_t) {
        const char* name = SceneName();
        if (scenes.empty() || scenes.back() != name)
            scenes.emplace_back(name);
    };
}

/// The keys that open each company's list of jump destinations, by company index.
inline constexpr SDL_Keycode kCompanyKeys[kCompanyCount] = {SDLK_r, SDLK_g, SDLK_b, SDLK_y};

/// A key down in the next frame and up in the one after (with Shift when asked).
inline void Key(SDL_Keycode key, bool shift = false)
{
    HoldKey(key, 1, shift);
}

inline void Click(Uint8 button)
{
    const std::uint64_t at = Script().Pass() + 1;
    Script().MouseButton(true, button, 0, 0, at);
    Script().MouseButton(false, button, 0, 0, at + 1);
}

inline STATION* Station()
{
    return PlayerCompany ? PlayerCompany->SiteStation() : nullptr;
}

/// Puts `node` at the world transform `world` and stops it. A body that follows its parent
/// takes its transform relative to the parent; others take it in world axes. The roads place
/// only what sets a scene with it (a rival), never the player's suit or ship.
inline void PlaceAtWorld(GAMENODE* node, const QNMATRIX& world)
{
    if (PlayerCompany && (node == PlayerCompany->Suit() || node == PlayerCompany->Ship()))
        ++detail::PlayerPlacements;
    node->SetTransform(world);
    const QNNODE* parent = node->ParentNode();
    if (parent && (node->GetWorldMatrix().Translation() - world.Translation()).Length() > 1e-3f)
        node->SetTransform(world * parent->GetWorldMatrix().Inverse());
    node->StopMotion(true, QNCF_LEVEL_PLAIN);
}

/// Puts the suit 4 units above the player's ship (unturned) and presses Enter to board it: a
/// placement for the random and soak runs; the roads board by BoardStep.
inline void BoardShip()
{
    QNMATRIX m;
    m.SetTranslationV(PlayerCompany->Ship()->GetWorldMatrix().Translation() + QNVEC3(0, 4, 0));
    PlaceAtWorld(PlayerCompany->Suit(), m);
    Key(SDLK_RETURN);
}

/// Flights flown one after the other, each until it answers true; true once the last has (and
/// the next call starts again from the first).
inline std::function<bool()> InTurn(std::vector<std::function<bool()>> legs)
{
    auto leg = std::make_shared<std::size_t>(0);
    return [legs = std::move(legs), leg] {
        if (*leg < legs.size() && legs[*leg]())
            ++*leg;
        if (*leg < legs.size())
            return false;
        *leg = 0;
        return true;
    };
}

/// Flies the suit over the player's ship and presses Enter once it is near enough to board (the
/// ship still): true once aboard. Call every frame.
inline bool BoardByKeys()
{
    GAMENODE* ship = PlayerCompany ? PlayerCompany->Ship() : nullptr;
    GAMENODE* suit = PlayerCompany ? PlayerCompany->Suit() : nullptr;
    if (PlayerCompany && PlayerCompany->Mode == COMPANYMODE::SHIP) {
        Pilot().Release();
        return true;
    }
    // A ship lost to a raid is followed by one at the dock: Space undocks it, as a player does.
    static std::uint64_t lastSpace = 0;
    const COLLECTORSHIPDOCK* dock = PlayerCompany ? PlayerCompany->Dock() : nullptr;
    if (dock && dock->Holding) {
        Pilot().Release();
        if (Script().Pass() > lastSpace + 10 || Script().Pass() < lastSpace) {
            Key(SDLK_SPACE);
            lastSpace = Script().Pass();
        }
        return false;
    }
    if (!ship || !suit)
        return false;
    static std::uint64_t lastEnter = 0;
    const QNMATRIX m = ship->GetWorldMatrix();
    const float away = (suit->GetWorldMatrix().Translation() - m.Translation()).Length();
    // Near once the game offers boarding: the suit may rest against the hull short of the goal.
    const bool near = PlayerCompany->ReadyToBoard || away < PLAYERCOMPANY::kBoardDistance - 1.5f;
    if (!near)
        Pilot().SuitTo(m.Translation() + m.Row(1).Normalize() * 4.0f, 1.5f);
    else
        Pilot().Release();
    const std::uint64_t pass = Script().Pass();
    if (near && PlayerCompany->ReadyToBoard && (pass > lastEnter + 4 || pass < lastEnter)) {
        Key(SDLK_RETURN);
        lastEnter = pass;
    }
    return false;
}

/// A step that flies the suit to the player's ship and boards it by Enter.
inline ROADSTEP BoardStep(const char* name = "board the ship")
{
    return Flight(name, &BoardByKeys, 30.0f, [] {
        if (PlayerCompany->Mode == COMPANYMODE::SHIP)
            return;
        GAMENODE* ship = PlayerCompany->Ship();
        GAMENODE* suit = PlayerCompany->Suit();
        char why[160];
        std::snprintf(why, sizeof why, "not aboard: %s, %s, the dock %s, money %.0f", ship ? "a ship" : "no ship",
                      suit ? "a suit" : "no suit",
                      !PlayerCompany->Dock() ? "gone" : PlayerCompany->Dock()->Holding ? "holding" : "empty",
                      double(PlayerCompany->Money()));
        if (ship && suit)
            std::snprintf(why, sizeof why, "not aboard: the suit %.1f units from the ship, boarding %s",
                          double((suit->GetWorldMatrix().Translation() - ship->GetWorldMatrix().Translation()).Length()),
                          PlayerCompany->ReadyToBoard ? "offered" : "not offered");
        Require(false, why);
    });
}

/// Waits for the free ship at the dock, undocks it with Space and boards it.
inline std::vector<ROADSTEP> TakeFreeShip()
{
    return {
        {"the free ship", nullptr, 600, [] { Require(PlayerCompany->Ship() != nullptr, "no free ship"); }},
        {"undock", [] { Key(SDLK_SPACE); }, 30, [] { Require(!PlayerCompany->Dock()->Holding, "still docked"); },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        BoardStep("board"),
    };
}

// Units from the headquarters' joint the suit keeps clear of on its way between sights.
constexpr float kCoreRadius = 10.0f;
// Seconds a suit flight to a sight of a part may take.
constexpr float kAimSeconds = 25.0f;

/// Station axes `outward` as a world direction.
inline QNVEC3 StationDirection(const QNVEC3& outward)
{
    return QNVEC3::TransformNormal(outward, Station()->GetWorldMatrix()).Normalize();
}

/// The direction from the headquarters' joint out to `part`.
inline QNVEC3 OutwardOf(const STATIONPART* part)
{
    const QNVEC3 root = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    return (part->GetWorldMatrix().Translation() - root).Normalize();
}

/// A flight of the suit to look at the part `part` gives from `distance` out along the direction
/// `from` gives (its sight, the marker and the selection on the part); true once there.
inline std::function<bool()> LookAtPart(std::function<const STATIONPART*()> part,
                                        std::function<QNVEC3(const STATIONPART*)> from, float distance = 12.0f)
{
    return [=] {
        const STATIONPART* p = part();
        if (!p)
            return true;
        // The suit goes round the station's core rather than into it: while the straight way to
        // the spot passes the headquarters' joint closer than kCoreRadius, it first flies to a
        // point beside the core over that way.
        const QNVEC3 look = p->GetWorldMatrix().Translation();
        const QNVEC3 spot = look + from(p) * distance;
        const QNVEC3 at = PlayerCompany->Suit()->GetWorldMatrix().Translation();
        const QNVEC3 core = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
        const QNVEC3 way = spot - at;
        const float t = way.LengthSq() > 0.0f ? std::clamp(QNVEC3::Dot(core - at, way) / way.LengthSq(), 0.0f, 1.0f) : 0.0f;
        const QNVEC3 nearest = at + way * t;
        if (t > 0.0f && t < 1.0f && (nearest - core).Length() < kCoreRadius) {
            QNVEC3 out = (nearest - core).Normalize();
            if (out.Length() < 0.5f)
                out = QNVEC3(0, 1, 0);
            Pilot().SuitTo(core + out * (kCoreRadius + 4.0f), 3.0f, 2.0f);
            return false;
        }
        return Pilot().SuitLook(look, from(p), distance);
    };
}

inline STATIONPART* StartBeam(std::int32_t side)
{
    if (side < 0 || side >= Station()->RootJoint.Get()->ConnectorCount)
        return nullptr;
    const STATIONCONNECTOR* link = Station()->RootJoint.Get()->Connectors[side].Link;
    return link ? link->Owner : nullptr;
}

// Frames a step waits for the commands of its keys to be read and applied.
constexpr std::uint64_t kKeyFrames = 6;


/// A step that places inventory item 0 as `kind` on the selected part; while its side is
/// refused, Tab moves the marker to the next free connector and 1 is pressed again.
inline ROADSTEP PlaceFirstItem(std::int32_t kind)
{
    auto before = std::make_shared<std::uint32_t>(0);
    return {"place the first inventory item",
            [=] {
                *before = PlayerCompany->ItemCount();
                Key(SDLK_1);
            },
            kKeyFrames,
            [=] {
                Require(PlayerCompany->ItemCount() == *before - 1, "the item did not leave the inventory");
                Require(Station()->Counts[kind] == 1u, "the part was not placed");
            },
            [=] { return Station()->Counts[kind] == 1u; },
            [](int) {
                Key(SDLK_TAB);
                HoldKeyAt(Script().Pass() + 3, SDLK_1, 1);
            },
            8};
}

/// Steps that extend a joint at the end of start beam `side` (seen along `outward`, station
/// axes, or from outside the station along the beam when `outward` is zero) and place inventory item 0 on it as `kind`; while its side is refused, Tab moves the
/// marker to the next free connector and 1 is pressed again. Without `extend` the joint at the
/// beam's end is already there.
inline std::vector<ROADSTEP> BuildOnStartBeam(std::int32_t side, std::int32_t kind, const QNVEC3& outward,
                                              bool extend = true)
{
    auto joint = std::make_shared<QNWEAK<STATIONPART>>();
    auto findJoint = [=] {
        STATIONPART* beam = StartBeam(side);
        if (!Require(beam != nullptr, "no start beam on that side"))
            return;
        for (std::int32_t c = 0; c < beam->ConnectorCount; ++c)
            if (const STATIONCONNECTOR* l = beam->Connectors[c].Link;
                l && l->Owner->Kind == KIND_JOINT && l->Owner != Station()->RootJoint.Get())
                *joint = l->Owner;
        Require(joint->Get() != nullptr, "no joint at the beam's end");
    };
    std::vector<ROADSTEP> steps = {
        Flight("aim at a start beam",
               LookAtPart([=] { return StartBeam(side); },
                          [=](const STATIONPART* beam) {
                              return outward.Length() > 0.0f ? StationDirection(outward) : OutwardOf(beam);
                          }),
               kAimSeconds,
               [=] {
                   if (Require(StartBeam(side) != nullptr, "no start beam on that side") && extend)
                       Require(Station()->Selected.Get() == StartBeam(side), "the beam is not selected");
               }),
        {"extend the beam with a joint",
         [=] {
             if (extend)
                 Click(SDL_BUTTON_LEFT);
         },
         kKeyFrames, findJoint},
        // A joint that already holds a part on its outer side is seen from above.
        Flight("aim at the joint",
               LookAtPart([=] { return joint->Get(); },
                          [=](const STATIONPART* j) { return extend ? OutwardOf(j) : StationDirection(QNVEC3(0, 1, 0)); }),
               kAimSeconds, [=] { Require(Station()->Selected.Get() == joint->Get(), "the joint is not selected"); }),
        PlaceFirstItem(kind),
    };
    return steps;
}

/// The window pixel of a point of the screens' virtual frame (centred, y upwards): its pixel
/// over the pointer's bounds (the display's viewport), then where the window shows that pixel.
inline void ScreenPixel(float x, float y, int* px, int* py)
{
    const float left = QNMOUSE::LowerBound[0], top = QNMOUSE::LowerBound[1];
    const float width = QNMOUSE::UpperBound[0] - left, height = QNMOUSE::UpperBound[1] - top;
    float cx = 0, cy = 0;
    PlatformPictureToClient(left + (x + QNVIRTUALSCREEN::HalfWidth) * width / QNVIRTUALSCREEN::Width,
                            top + (QNVIRTUALSCREEN::HalfHeight - y) * height / QNVIRTUALSCREEN::Height, &cx, &cy);
    *px = int(std::lround(cx));
    *py = int(std::lround(cy));
}

/// The pointer moves onto screen point (x, y) in the next frame; the left button goes down two
/// frames later and up in the frame after (a click on the element under it).
inline void ClickScreen(float x, float y)
{
    int px = 0, py = 0;
    ScreenPixel(x, y, &px, &py);
    const std::uint64_t at = Script().Pass() + 1;
    Script().MouseMotion(px, py, 0, 0, at);
    Script().MouseButton(true, SDL_BUTTON_LEFT, px, py, at + 2);
    Script().MouseButton(false, SDL_BUTTON_LEFT, px, py, at + 3);
}

/// The joint at the outer end of start beam `side`, once one is built there.
inline STATIONPART* EndJoint(std::int32_t side)
{
    STATIONPART* beam = StartBeam(side);
    for (std::int32_t c = 0; beam && c < beam->ConnectorCount; ++c)
        if (const STATIONCONNECTOR* l = beam->Connectors[c].Link;
            l && l->Owner->Kind == KIND_JOINT && l->Owner != Station()->RootJoint.Get())
            return l->Owner;
    return nullptr;
}

/// Steps that grow the frame out from the joint `from` gives, as a player does: seen from outside
/// the station, a beam on its outer side, a joint at the beam's end, and on that joint inventory
/// item 0 as `kind`.
inline std::vector<ROADSTEP> BuildOutFrom(std::function<STATIONPART*()> from, std::int32_t kind)
{
    auto tip = std::make_shared<QNWEAK<STATIONPART>>();
    auto linked = std::make_shared<std::vector<STATIONPART*>>();
    // The parts linked to the tip.
    auto links = [=] {
        std::vector<STATIONPART*> out;
        const STATIONPART* at = tip->Get();
        for (std::int32_t c = 0; at && c < at->ConnectorCount; ++c)
            if (const STATIONCONNECTOR* l = at->Connectors[c].Link)
                out.push_back(l->Owner);
        return out;
    };
    auto sight = [=](const char* name) {
        return Flight(name, LookAtPart([=] { return tip->Get(); }, &OutwardOf), kAimSeconds,
                      [=] { Require(Station()->Selected.Get() == tip->Get(), "the tip is not selected"); });
    };
    auto extend = [=](const char* name, std::int32_t want) {
        return ROADSTEP{name,
                        [=] {
                            *linked = links();
                            Click(SDL_BUTTON_LEFT);
                        },
                        kKeyFrames,
                        [=] {
                            for (STATIONPART* part : links()) {
                                bool known = false;
                                for (const STATIONPART* was : *linked)
                                    known = known || was == part;
                                if (part->Kind == want && !known) {
                                    *tip = part;
                                    return;
                                }
                            }
                            Require(false, "the frame did not grow");
                        }};
    };
    return {
        {"find where the frame grows", [=] { *tip = from(); }, 1,
         [=] { Require(tip->Get() != nullptr, "no joint to grow from"); }},
        sight("aim at the joint"),
        extend("a beam out from the joint", KIND_BEAM),
        sight("aim at the new beam"),
        extend("a joint at the beam's end", KIND_JOINT),
        sight("aim at the new joint"),
        PlaceFirstItem(kind),
    };
}

/// Steps that grow the starting station with the player's starting items: the generator, dock,
/// processor and storage unit on joints at the ends of the start beams, the cargo port at the end
/// of a beam grown out from the generator's joint.
inline std::vector<ROADSTEP> GrowStation()
{
    std::vector<ROADSTEP> steps;
    const std::int32_t kinds[] = {KIND_GENERATOR, KIND_COLLSHIPDOCK, KIND_PROCESSOR, KIND_STORAGE};
    const std::int32_t sides[] = {2, 0, 1, 3};
    for (int i = 0; i < 4; ++i)
        Append(steps, BuildOnStartBeam(sides[i], kinds[i], i < 3 ? QNVEC3(1, 0, 0) : QNVEC3(0, 0, 0)));
    Append(steps, BuildOutFrom([] { return EndJoint(2); }, KIND_CARGOPORT));
    return steps;
}

/// From a new game: the station grown with the starting items, then the free ship boarded.
inline std::vector<ROADSTEP> GrownStationAndFreeShip()
{
    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] { Require(PlayerCompany != nullptr, "no player company"); }}};
    Append(steps, GrowStation());
    Append(steps, TakeFreeShip());
    return steps;
}

/// Puts the player's ship `distance` out from the station's middle on a diagonal above it, nose
/// on, and gives it throttle for a moment: a placement; the roads fly there by
/// FlyAtStationByKeys.
inline void FlyAtStation(float distance)
{
    const QNVEC3 centre = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    const QNVEC3 dir = QNVEC3::TransformNormal(QNVEC3(0.6f, 0.3f, -0.74f), Station()->GetWorldMatrix()).Normalize();
    QNMATRIX m;
    m.SetLookAt(centre + dir * distance, centre, QNVEC3(0, 1, 0));
    PlaceAtWorld(PlayerCompany->Ship(), m);
    HoldKeyAt(Script().Pass() + 3, SDLK_w, 27);
}

/// Steps that fly the player's ship by its keys to `distance` out from the station's middle on a
/// diagonal above it (in from further out, so that its nose is on the station), upright, turn its
/// nose onto the middle and give it throttle (W for 27 frames); the last step waits `frames`.
inline std::vector<ROADSTEP> FlyAtStationByKeys(float distance, std::uint64_t frames)
{
    auto centre = [] { return Station()->RootJoint.Get()->GetWorldMatrix().Translation(); };
    auto out = [=](float d) { return centre() + StationDirection(QNVEC3(0.6f, 0.3f, -0.74f)) * d; };
    static const QNVEC3 up(0, 1, 0);
    return {
        Flight("out on a diagonal above the station",
               InTurn({[=] { return Pilot().ShipTo(out(distance + 40.0f), false, {.Reach = 10.0f}); },
                       [=] { return Pilot().ShipTo(out(distance), true, {.Reach = 2.0f}, &up); },
                       [=] { return Pilot().ShipAim(centre(), {.Aim = 0.03f}, nullptr, &up); }}),
               60.0f, nullptr),
        {"flying at the station", [] { HoldKeyAt(Script().Pass() + 3, SDLK_w, 27); }, frames, nullptr},
    };
}

/// Puts the player's suit on a diagonal above the station, looking at its middle: a placement
/// for the random run; the roads fly there by ViewStationByKeys.
inline void ViewStation()
{
    const QNVEC3 centre = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    const QNVEC3 dir = QNVEC3::TransformNormal(QNVEC3(0.6f, 0.45f, -0.66f), Station()->GetWorldMatrix()).Normalize();
    QNMATRIX m;
    m.SetLookAt(centre + dir * 45.0f, centre, QNVEC3(0, 1, 0));
    PlaceAtWorld(PlayerCompany->Suit(), m);
}

/// A flight of the suit to a diagonal above the station, 45 units out, looking at its middle,
/// upright; true once there.
inline bool ViewStationByKeys()
{
    const QNVEC3 centre = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    const QNVEC3 dir = StationDirection(QNVEC3(0.6f, 0.45f, -0.66f));
    const QNVEC3 up(0, 1, 0);
    return Pilot().SuitLook(centre, dir, 45.0f, {.Reach = 2.0f, .Sight = 1.0f, .Up = 0.1f}, &up);
}

/// Moves frame `m` to `at`, keeping its turn (QNMATRIX::SetTranslation makes a pure translation).
inline void MoveTo(QNMATRIX& m, const QNVEC3& at)
{
    m.at(3, 0) = at.x;
    m.at(3, 1) = at.y;
    m.at(3, 2) = at.z;
}

/// A flight straight out from the middle of the ship's site until the hyperjump is enabled (or
/// none is wanted, `wanted` false); the ship flies on.
inline ROADSTEP FlyOutToJump(const char* name, std::function<bool()> wanted)
{
    return Flight(name,
                  [wanted] {
                      COLLSHIP* ship = PlayerShip();
                      if (!ship || !wanted() || PlayerCompany->HyperjumpEnabled)
                          return true;
                      const QNVEC3 centre = ship->CurrentSite.Get()->GetWorldMatrix().Translation();
                      QNVEC3 out = (ship->GetWorldMatrix().Translation() - centre).Normalize();
                      if (out.Length() < 0.5f)
                          out = QNVEC3(0, 1, 0);
                      Pilot().ShipTo(centre + out * (PLAYERCOMPANY::kJumpDistance + 80.0f), false, {.Reach = 20.0f},
                                     nullptr, COLLSHIP::kTopSpeed);
                      return false;
                  },
                  60.0f, [wanted] { Require(!wanted() || PlayerCompany->HyperjumpEnabled, "the hyperjump is not enabled"); });
}

/// A picture of the player's ship from outside while it flies on. A camera node of the picture
/// only (under the view's root, never a contact partner) keeps behind and above the ship, looking
/// past it along its course; the ship wears its outer hull (view mode 2) while the camera has the
/// view, then it is back in its cockpit (view mode 1) with the camera again.
class OUTSIDEPICTURE {
public:
    static constexpr float kBack = 13.0f, kLift = 4.0f, kAim = 25.0f;

    /// The ship's outer hull on and the view's camera handed to the picture camera.
    void Begin()
    {
        GAMENODE* ship = PlayerCompany->Ship();
        COMPANYSHIP* control = PlayerCompany->ShipControl();
        QNNODE* root = ship ? ship->FindAncestor(QNCF_LEVEL_VIEWROOT) : nullptr;
        if (!Require(control && root, "no ship under a view"))
            return;
        control->SetViewMode(2);
        const QNMATRIX at = Eye();
        auto* camera = new GAMENODE(root, "CAMERA", 0, QNCF_LEVEL_PLAIN | QNCF_NOCONTACT, 0, 0, &at, 0);
        camera->SetState(3, 0, false, false);
        if (camera->View)
            camera->View->CurrentNode = camera;
        camera_ = camera;
    }
    /// Keeps the camera at its post behind the ship.
    void Follow()
    {
        if (GAMENODE* camera = camera_.Get())
            camera->SetTransform(Eye());
    }
    /// Back in the cockpit, the camera back on the ship, the picture camera gone.
    void End()
    {
        GAMENODE* camera = camera_.Get();
        if (COMPANYSHIP* control = PlayerCompany->ShipControl())
            control->SetViewMode(1);
        if (camera && camera->View)
            camera->View->CurrentNode = PlayerCompany->Ship();
        QNITEM::Destroy(camera);
    }
    GAMENODE* Camera() const { return camera_.Get(); }

private:
    static QNMATRIX Eye()
    {
        const QNMATRIX world = PlayerCompany->Ship()->GetWorldMatrix();
        const QNVEC3 nose = QNVEC3::TransformNormal(QNVEC3(0, 0, 1), world).Normalize();
        const QNVEC3 up = QNVEC3::TransformNormal(QNVEC3(0, 1, 0), world).Normalize();
        QNMATRIX eye;
        eye.SetLookAt(world.Translation() - nose * kBack + up * kLift, world.Translation() + nose * kAim, up);
        return eye;
    }
    QNWEAK<GAMENODE> camera_;
};

/// Steps that take the flying ship's picture from outside (`capture` is called in the frame to
/// keep, `frames` after the camera went out), checking that the ship holds its course and keeps
/// its speed through the switch to its outer hull and back into the cockpit.
inline std::vector<ROADSTEP> OutsidePicture(std::function<void()> capture, int frames = 6)
{
    constexpr int kSample = 5;
    struct COURSE {
        OUTSIDEPICTURE Picture;
        QNVEC3 From, Nose;
        float Stride = 0.0f;  // distance flown per frame in the last sample
        int Seen = 0;
        void Mark()
        {
            const QNMATRIX world = PlayerCompany->Ship()->GetWorldMatrix();
            From = world.Translation();
            Nose = QNVEC3::TransformNormal(QNVEC3(0, 0, 1), world).Normalize();
        }
        // Distance flown per frame along the marked nose over the `n` frames since the mark.
        float Flown(int n) const
        {
            return QNVEC3::Dot(PlayerCompany->Ship()->GetWorldMatrix().Translation() - From, Nose) / float(n);
        }
        // The ship flew on along its nose, no slower than before (the throttle may still be
        // speeding it up), and this becomes the stride to hold.
        void Steady(int n, const char* what)
        {
            const QNVEC3 d = PlayerCompany->Ship()->GetWorldMatrix().Translation() - From;
            const float flown = Flown(n);
            const float aside = (d - Nose * (flown * float(n))).Length() / float(n);
            Require(flown > Stride * 0.99f && flown < Stride + 0.1f && aside < 0.02f * flown, what);
            Stride = flown;
        }
    };
    auto course = std::make_shared<COURSE>();
    return {
        {"the ship's course", [course] { course->Mark(); }, kSample,
         [course] {
             course->Stride = course->Flown(kSample);
             Require(course->Stride > 0.1f, "the ship is not flying");
         }},
        {"the ship from outside",
         [course] {
             course->Mark();
             course->Seen = 0;
             course->Picture.Begin();
         },
         1,
         [course, frames, capture] {
             course->Picture.Follow();
             GAMENODE* camera = course->Picture.Camera();
             if (!Require(camera && camera->View && camera->View->CurrentNode.Get() == camera, "no picture camera"))
                 return;
             const auto* vehicle = dynamic_cast<const WORLDVEHICLE*>(PlayerCompany->Ship());
             Require(vehicle && vehicle->GetViewMode() == 2, "the ship does not wear its outer hull");
             course->Steady(frames, "the ship lost speed or course with its outer hull on");
             capture();
         },
         [course, frames] { return ++course->Seen >= frames; }, [course](int) { course->Picture.Follow(); }, frames + 1},
        {"back in the cockpit",
         [course] {
             course->Picture.End();
             course->Mark();
         },
         kSample,
         [course] {
             GAMENODE* ship = PlayerCompany->Ship();
             const auto* vehicle = dynamic_cast<const WORLDVEHICLE*>(ship);
             Require(vehicle && vehicle->GetViewMode() == 1, "the ship is not back in its cockpit");
             Require(ship->View && ship->View->CurrentNode.Get() == ship, "the ship does not have the camera");
             Require(course->Picture.Camera() == nullptr, "the picture camera is left");
             course->Steady(kSample, "the ship lost speed or course back in the cockpit");
         }},
    };
}

}  // namespace road
