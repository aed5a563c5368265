// What the weapons do to ships in the program's own game, run headless at 50 frames a second.
//
//   weapon_table [--quick] [--only WEAPON] [--straight]
//       the table: every station weapon and every ship weapon against a rival collector ship at
//       rest and crossing the line of sight at 10, 20 and 35 units a second, at a quarter, half
//       and the whole of the weapon's range: shots, hits, damage (--quick: half range, at rest
//       and at 20; --only: the weapons whose name holds WEAPON; --straight: the crossing runs
//       along a straight line, 1.43 times the distance either side, instead of an arc at
//       constant distance)
//   weapon_table --raid MINUTES
//       a station with a generator, a mid-range turret, a flak gun and an anti-ship launcher
//       against the computer companies' raids: the damage dealt each way, once a minute
//
// The rival ships come over by their pilots' own jump to the player's site. For the table their
// pilots are then idle: the target is moved along its course every frame (still, or sweeping to
// and fro round the weapon at the set distance, so it crosses the line of sight at the set speed)
// and its meters are filled again after each hit, and the shooter of the ship weapons is a second
// rival ship held still, nose on the target, pulling the trigger every frame. A hit is a frame in
// which the target lost condition (a beam or a ring burns in many frames).
//
// Exit status: 0 after a full run, 1 when the game did not run or the rivals never came, 2 for a
// bad command line.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/fight_arena.h"
#include "app/game_driver.h"
#include "game/vehicles/cheetah.h"
#include "game/vehicles/devastator.h"
#include "game/vehicles/em2.h"
#include "game/vehicles/ironman.h"
#include "game/vehicles/rec.h"
#include "game/world/antiship.h"
#include "game/world/burst_turret.h"
#include "game/world/flack_gun.h"
#include "game/world/item_types.h"
#include "game/world/mine_launcher.h"
#include "game/world/neutron_emitter.h"
#include "game/world/shockwave.h"

namespace {

using namespace arena;

constexpr double kDt = 1.0 / kDriverFramesPerSecond;
constexpr int kFrames1s = int(kDriverFramesPerSecond);

// One phase of the run: started once, then stepped every frame until it reports done.
struct PHASE {
    std::function<void()> Start;
    std::function<bool()> Step;   ///< true: done
};

class SEQUENCE {
public:
    void Add(PHASE p) { phases_.push_back(std::move(p)); }
    /// One frame; false once every phase is done.
    bool Frame()
    {
        while (index_ < phases_.size()) {
            PHASE& p = phases_[index_];
            if (!started_) {
                started_ = true;
                if (p.Start)
                    p.Start();
            }
            if (p.Step && !p.Step())
                return true;
            ++index_;
            started_ = false;
            if (p.Step)
                return true;
        }
        return false;
    }

private:
    std::vector<PHASE> phases_;
    std::size_t index_ = 0;
    bool started_ = false;
};

// A phase that waits `frames` frames.
PHASE Wait(int frames)
{
    auto left = std::make_shared<int>(0);
    return {[left, frames] { *left = frames; }, [left] { return --*left <= 0; }};
}

struct ROW {
    std::string Weapon;
    float Range = 0.0f;
    float Distance = 0.0f;
    float Speed = 0.0f;
    std::uint32_t Shots = 0;
    TOLL Toll;
};

struct CASE {
    const char* Name;
    std::int32_t Kind;       ///< station part kind, or 0 for a ship weapon
    std::uint32_t Weapon;    ///< ship weapon type for a ship weapon
    float Range;
    double WarmUp;           ///< seconds between building and the target's arrival
};

const CASE kCases[] = {
    {"anti-ship missiles", KIND_ANTISHIP, 0, 150.0f, 8.0},
    {"flak gun", KIND_FLACKGUN, 0, 300.0f, 2.0},
    {"mid-range turret", KIND_MIDRANGETURRET, 0, 100.0f, 2.0},
    {"short-range turret", KIND_SHORTRANGETURRET, 0, 50.0f, 2.0},
    {"mine launcher", KIND_MINELAUNCHER, 0, 50.0f, 45.0},
    {"neutron emitter", KIND_NEUTRONEMITTER, 0, 200.0f, 2.0},
    {"shockwave", KIND_SHOCKWAVE, 0, 75.0f, 14.0},
    {"Cheetah", 0, WEAPON_CHEETAH, 200.0f, 1.0},
    {"Devastator", 0, WEAPON_DEVASTATOR, 50.0f, 1.0},
    {"EM-2", 0, WEAPON_EM2, 50.0f, 1.0},
    {"Ironman", 0, WEAPON_IRONMAN, 100.0f, 1.0},
    {"canister", 0, WEAPON_CANISTER, 10.0f, 1.0},
};

// Shots of a weapon so far, read from its own counters.
std::uint32_t StationShots(STATIONPART* part, std::uint32_t& memo, std::uint32_t& count)
{
    if (auto* t = dynamic_cast<BURSTTURRET*>(part))
        return t->Shots;
    if (auto* f = dynamic_cast<FLACKGUN*>(part))
        return f->Shots;
    if (auto* n = dynamic_cast<NEUTRONEMITTER*>(part))
        return n->Shots;
    if (auto* m = dynamic_cast<MINELAUNCHER*>(part))
        return m->Launches;
    if (auto* a = dynamic_cast<ANTISHIP*>(part)) {
        if (memo != ~0u && a->Rail != memo)
            ++count;
        memo = a->Rail;
        return count;
    }
    if (auto* s = dynamic_cast<SHOCKWAVE*>(part)) {
        const std::uint32_t state = std::uint32_t(s->ShockState);
        if (state == std::uint32_t(SHOCKWAVESTATE::BALL) && memo != state)
            ++count;
        memo = state;
        return count;
    }
    return 0;
}

class TABLE {
public:
    TABLE(bool quick, std::string only, bool straight) : quick_(quick), only_(std::move(only)), straight_(straight) {}

    void Build(SEQUENCE& seq)
    {
        // Two rivals with ships; the third one's pilot is kept at home.
        seq.Add({nullptr, [this] { return FindRivals(); }});
        seq.Add(Bring(&targetView_));
        seq.Add(Bring(&shooterView_));
        seq.Add({[this] {
                     for (std::uint32_t v : RivalViews())
                         if (AIPILOT* p = PilotOf(v))
                             p->Reset();
                     if (!BuildOnTop(0, KIND_GENERATOR))
                         std::fprintf(stderr, "weapon_table: no generator on the station\n");
                 },
                 nullptr});
        const float speeds[] = {0.0f, 10.0f, 20.0f, 35.0f};
        const float shares[] = {0.25f, 0.5f, kWhole};
        for (const CASE& c : kCases)
            for (float share : shares)
                for (float speed : speeds) {
                    if (quick_ && (share != 0.5f || (speed != 0.0f && speed != 20.0f)))
                        continue;
                    if (!only_.empty() && std::string(c.Name).find(only_) == std::string::npos)
                        continue;
                    AddCase(seq, c, share, speed);
                }
        seq.Add({[this] { Print(); }, nullptr});
    }

    bool Ok() const { return ok_; }

private:
    bool FindRivals()
    {
        ++waited_;
        std::vector<std::uint32_t> with;
        for (std::uint32_t v : RivalViews())
            if (ShipOf(v))
                with.push_back(v);
        if (with.size() >= 2) {
            targetView_ = with[0];
            shooterView_ = with[1];
            std::printf("rivals with ships after %.0f s: views %u and %u\n", waited_ * kDt, targetView_, shooterView_);
            return true;
        }
        if (waited_ > 900 * kFrames1s) {
            std::fprintf(stderr, "weapon_table: the rivals bought no ships\n");
            ok_ = false;
            return true;
        }
        return false;
    }

    PHASE Bring(const std::uint32_t* view)
    {
        auto frames = std::make_shared<int>(0);
        return {[frames] { *frames = 0; },
                [this, view, frames] {
                    if (!ok_)
                        return true;
                    if (RivalAtPlayersSite(*view)) {
                        if (AIPILOT* p = PilotOf(*view))
                            p->Reset();
                        return true;
                    }
                    if (*frames % kFrames1s == 0)
                        SendRival(*view);
                    if (++*frames > 120 * kFrames1s) {
                        std::fprintf(stderr, "weapon_table: rival %u never came\n", *view);
                        ok_ = false;
                        return true;
                    }
                    return false;
                }};
    }

    COLLSHIP* Target() const { return ShipOf(targetView_); }
    COLLSHIP* Shooter() const { return ShipOf(shooterView_); }

    QNVEC3 Far(float side) const
    {
        const QNVEC3 home = Position(PlayerSite());
        return home + QNVEC3(side * 1500.0f, 1200.0f, 0.0f);
    }
    void Park()
    {
        if (COLLSHIP* t = Target())
            Hold(t, Far(1.0f), Far(1.0f) + QNVEC3(0, 0, 1));
        if (COLLSHIP* s = Shooter())
            Hold(s, Far(-1.0f), Far(-1.0f) + QNVEC3(0, 0, 1));
    }

    void AddCase(SEQUENCE& seq, const CASE& c, float share, float speed)
    {
        auto run = std::make_shared<RUN>();
        run->Case = &c;
        run->Row.Weapon = c.Name;
        run->Row.Range = c.Range;
        run->Row.Distance = c.Range * share;
        run->Row.Speed = speed;
        // Set-up: the ships parked far off, the weapon built or installed.
        seq.Add({[this, run] { SetUp(*run); }, nullptr});
        auto warm = std::make_shared<int>(0);
        seq.Add({[warm, &c] { *warm = int(c.WarmUp * kFrames1s); },
                 [this, warm] {
                     Park();
                     return --*warm <= 0;
                 }});
        // The window: the target on its course, the shooter firing; then a drain while shots in
        // flight land.
        auto frames = std::make_shared<int>(0);
        seq.Add({[this, run, frames] {
                     *frames = 0;
                     Aim(*run);
                     run->Keeper.Watch(Target(), true);
                 },
                 [this, run, frames] {
                     const bool firing = *frames < kWindow * kFrames1s;
                     Tick(*run, firing);
                     return ++*frames >= (kWindow + kDrain) * kFrames1s;
                 }});
        seq.Add({[this, run] { TearDown(*run); }, nullptr});
        seq.Add(Wait(kFrames1s));
    }

    struct RUN {
        const CASE* Case = nullptr;
        ROW Row;
        STATIONPART* Part = nullptr;
        COURSE Course;
        TOLLKEEPER Keeper;
        std::uint32_t Memo = ~0u, Count = 0;
        QNVEC3 Shooter;
    };

    void SetUp(RUN& run)
    {
        Park();
        const CASE& c = *run.Case;
        if (c.Kind) {
            run.Part = BuildOnTop(2, c.Kind);
            if (!run.Part)
                std::fprintf(stderr, "weapon_table: %s could not be built\n", c.Name);
            return;
        }
        if (COLLSHIP* s = Shooter())
            Equip(s, c.Weapon);
    }

    static void Equip(COLLSHIP* ship, std::uint32_t type)
    {
        if (type == WEAPON_CANISTER) {
            if (!ship->Canister)
                ship->InstallWeapon(type, false, false);
            return;
        }
        if (!ship->Rack.Has(type))
            ship->InstallWeapon(type, false, true);
        ship->SelectWeapon(type);
    }

    void Aim(RUN& run)
    {
        const CASE& c = *run.Case;
        COURSE& k = run.Course;
        k.Radius = run.Row.Distance;
        k.Speed = run.Row.Speed;
        k.Straight = straight_;
        if (straight_)
            k.Span = 55.0f * kDegree;   // long legs: a lead is tested between the turns
        const QNVEC3 up(0, 1, 0);
        if (c.Kind) {
            STATIONPART* part = run.Part;
            if (!part)
                return;
            const QNVEC3 out = Outward(part);
            const QNVEC3 across = QNVEC3::Cross(up, out).Normalize();
            k.Centre = Position(part);
            if (c.Kind == KIND_SHOCKWAVE) {
                k.A = part->GetWorldMatrix().Row(1).Normalize();
                k.B = out;
            } else if (c.Kind == KIND_MINELAUNCHER) {
                k.A = out;
                k.B = across;
            } else {
                const float e = 20.0f * kDegree;
                k.A = (out * std::cos(e) + up * std::sin(e)).Normalize();
                k.B = across;
            }
            return;
        }
        // Ship weapons: the shooter held above the station, the course round it (round the
        // canister's drop point behind it for the canister).
        run.Shooter = Position(PlayerSite()) + QNVEC3(0.0f, 150.0f, 0.0f);
        k.A = QNVEC3(1, 0, 0);
        k.B = QNVEC3(0, 0, 1);
        k.Centre = run.Shooter;
        if (c.Weapon == WEAPON_CANISTER)
            k.Centre = run.Shooter + QNVEC3(3.0f, -0.3f, 0.0f);
    }

    void Tick(RUN& run, bool firing)
    {
        COLLSHIP* target = Target();
        COLLSHIP* shooter = Shooter();
        if (!target || !shooter)
            return;
        Steer(target, run.Course, kDt);
        const CASE& c = *run.Case;
        if (c.Kind) {
            if (run.Part)
                run.Row.Shots = StationShots(run.Part, run.Memo, run.Count);
            Hold(shooter, Far(-1.0f), Far(-1.0f) + QNVEC3(0, 0, 1));
        } else {
            const QNVEC3 at = Position(target);
            if (c.Weapon == WEAPON_CANISTER)
                Hold(shooter, run.Shooter, run.Shooter - QNVEC3(1, 0, 0));
            else
                Hold(shooter, run.Shooter, at);
            if (firing)
                FireShipWeapon(run, shooter, target);
        }
        run.Keeper.Read();
    }

    void FireShipWeapon(RUN& run, COLLSHIP* shooter, COLLSHIP* target)
    {
        const std::uint32_t type = run.Case->Weapon;
        if (type != WEAPON_DEVASTATOR)
            Equip(shooter, type);
        if (type == WEAPON_CANISTER) {
            // One canister at a time: the next once the last has gone off or expired.
            if (run.Count++ % std::uint32_t(7.5 * kFrames1s) != 0)
                return;
            auto* rec = dynamic_cast<REC*>(shooter->Canister);
            const std::uint32_t before = rec ? rec->Canisters : 0;
            shooter->EjectCanister();
            if (shooter->Canister != rec || (rec && rec->Canisters < before))
                ++run.Row.Shots;
            return;
        }
        SHIPWEAPON* weapon = shooter->Rack.Get(type);
        if (auto* cheetah = dynamic_cast<CHEETAH*>(weapon)) {
            shooter->SetCheetahTarget(target);
            const std::uint32_t before = cheetah->Missiles;
            shooter->FireSelectedWeapon();
            if (shooter->Rack.Get(type) != weapon || cheetah->Missiles < before)
                ++run.Row.Shots;
        } else if (type == WEAPON_DEVASTATOR) {
            // One charge each: a new one once the last ring has gone.
            if (!weapon) {
                if (++run.Count >= std::uint32_t(3 * kFrames1s)) {
                    Equip(shooter, type);
                    run.Count = 0;
                }
                return;
            }
            shooter->SelectWeapon(type);
            shooter->FireSelectedWeapon();
            if (shooter->Rack.Get(type) != weapon)
                ++run.Row.Shots;
        } else if (auto* em2 = dynamic_cast<EM2*>(weapon)) {
            shooter->FireSelectedWeapon();
            (void)em2;
            ++run.Row.Shots;   // a held beam: one per frame of firing
        } else if (auto* iron = dynamic_cast<IRONMAN*>(weapon)) {
            const bool idle = iron->Cycle == IRONMAN::CYCLE::IDLE || iron->Cycle == IRONMAN::CYCLE::READY ||
                              iron->Cycle == IRONMAN::CYCLE::FADING;
            shooter->FireSelectedWeapon();
            if (idle && iron->Cycle == IRONMAN::CYCLE::REQUESTED)
                ++run.Row.Shots;
        }
    }

    void TearDown(RUN& run)
    {
        run.Row.Toll = run.Keeper.Toll;
        rows_.push_back(run.Row);
        const ROW& r = rows_.back();
        std::printf("%-20s range %5.1f at %6.2f speed %4.1f: shots %4u hits %4u damage %7.2f\n", r.Weapon.c_str(),
                    r.Range, r.Distance, r.Speed, r.Shots, r.Toll.Hits, r.Toll.Damage());
        std::fflush(stdout);
        if (run.Part)
            Remove(run.Part);
        run.Part = nullptr;
        if (COLLSHIP* s = Shooter()) {
            // The next weapon starts with a fresh rack: the Devastator and canisters spent here
            // must not count for it.
            s->SelectWeapon(0);
        }
        Park();
    }

    void Print() const
    {
        std::printf("\n| weapon | range | distance | speed | shots | hits | damage |\n|---|---|---|---|---|---|---|\n");
        for (const ROW& r : rows_)
            std::printf("| %s | %.0f | %.1f | %.0f | %u | %u | %.1f |\n", r.Weapon.c_str(), r.Range, r.Distance, r.Speed,
                        r.Shots, r.Toll.Hits, r.Toll.Damage());
    }

    static constexpr int kWindow = 20;
    static constexpr int kDrain = 8;
    // The whole range is measured just inside it: the range bounds count as in range, but a
    // course run at the bound falls either side of it by rounding, and the mid-range turret's
    // origin swings 1.58 units round its hinge as it turns.
    static constexpr float kWhole = 0.96f;
    bool quick_;
    std::string only_;
    bool straight_;
    bool ok_ = true;
    int waited_ = 0;
    std::uint32_t targetView_ = 0, shooterView_ = 0;
    std::vector<ROW> rows_;
};

// The raid: the player's station defended, the computer companies' pilots sent over whenever
// they wait at home; the damage each way, counted frame by frame.
class RAID {
public:
    explicit RAID(long minutes) : frames_(minutes * 60 * kFrames1s) {}

    void Build(SEQUENCE& seq)
    {
        seq.Add({[this] {
                     parts_.push_back(BuildOnTop(0, KIND_GENERATOR));
                     parts_.push_back(BuildOnTop(1, KIND_MIDRANGETURRET));
                     parts_.push_back(BuildOnTop(2, KIND_FLACKGUN));
                     parts_.push_back(BuildOnTop(3, KIND_ANTISHIP));
                     for (const QNWEAK<STATIONPART>& p : parts_)
                         if (!p.Get())
                             std::fprintf(stderr, "weapon_table: a defence could not be built\n");
                     STATION* station = PlayerCompany->SiteStation();
                     for (std::int32_t kind = KIND_FIRST_STRUCTURE; kind <= KIND_LAST_STRUCTURE; ++kind)
                         for (STATIONPART* p : station->CollectParts(kind))
                             stationKeepers_.emplace_back(p, false);
                 },
                 [this] {
                     Tick();
                     return ++frame_ >= frames_;
                 }});
        seq.Add({[this] { Print(); }, nullptr});
    }

private:
    void Tick()
    {
        for (TOLLKEEPER& k : stationKeepers_)
            k.Read();
        for (std::uint32_t v : RivalViews()) {
            COLLSHIP* ship = ShipOf(v);
            SHIPWATCH& w = ships_[v];
            if (ship != w.Ship.Get()) {
                Fold(w);
                w.Ship = ship;
                w.Keeper.Watch(ship, false);
            }
            w.Keeper.Read();
            if (ship && ship->IsDestroyed() && !w.Wrecked) {
                w.Wrecked = true;
                ++wrecked_;
            }
            if (!ship)
                continue;
            if (ship->CurrentSite.Get() == PlayerSite()) {
                if (!w.Visiting) {
                    w.Visiting = true;
                    ++visits_;
                }
            } else {
                w.Visiting = false;
            }
            if (AIPILOT* p = PilotOf(v); p && p->State == PILOTSTATE::WAIT && ship->CurrentSite.Get() != PlayerSite())
                SendRival(v);
        }
        if (frame_ % (60 * kFrames1s) == 0)
            Report(false);
    }

    struct SHIPWATCH {
        QNWEAK<COLLSHIP> Ship;
        TOLLKEEPER Keeper;
        bool Visiting = false, Wrecked = false;
        TOLL Folded;
    };

    static void Fold(SHIPWATCH& w)
    {
        w.Folded.Hits += w.Keeper.Toll.Hits;
        w.Folded.Ballistic += w.Keeper.Toll.Ballistic;
        w.Folded.Electronic += w.Keeper.Toll.Electronic;
        w.Keeper.Toll = TOLL();
        w.Wrecked = false;
    }

    void Report(bool last)
    {
        TOLL station;
        for (const TOLLKEEPER& k : stationKeepers_) {
            station.Hits += k.Toll.Hits;
            station.Ballistic += k.Toll.Ballistic;
            station.Electronic += k.Toll.Electronic;
        }
        TOLL rivals;
        for (auto& [v, w] : ships_) {
            rivals.Hits += w.Folded.Hits + w.Keeper.Toll.Hits;
            rivals.Ballistic += w.Folded.Ballistic + w.Keeper.Toll.Ballistic;
            rivals.Electronic += w.Folded.Electronic + w.Keeper.Toll.Electronic;
        }
        std::printf("%s%5.1f min: visits %u, rival ships wrecked %u; rivals -> station: hits %u, ballistic %.1f, "
                    "electronic %.1f; station -> rivals: hits %u, ballistic %.1f, electronic %.1f\n",
                    last ? "end " : "", frame_ * kDt / 60.0, visits_, wrecked_, station.Hits, station.Ballistic,
                    station.Electronic, rivals.Hits, rivals.Ballistic, rivals.Electronic);
        for (std::uint32_t v : RivalViews()) {
            AIPILOT* p = PilotOf(v);
            COLLSHIP* ship = ShipOf(v);
            std::printf("      rival %u: pilot state %u, %s, ship ballistic %.1f electronic %.1f\n", v,
                        p ? std::uint32_t(p->State) : 99u,
                        !ship ? "no ship" : ship->CurrentSite.Get() == PlayerSite() ? "at the player's site" : "away",
                        ship ? ship->Ballistic : 0.0f, ship ? ship->Electronic : 0.0f);
        }
        STATION* s = PlayerCompany->SiteStation();
        std::printf("      station: %s, generators %u\n", s->Underpowered ? "underpowered" : "powered", s->Generators);
        std::fflush(stdout);
    }

    void Print() { Report(true); }

    std::int64_t frames_;
    std::int64_t frame_ = 0;
    std::vector<QNWEAK<STATIONPART>> parts_;
    std::vector<TOLLKEEPER> stationKeepers_;
    std::map<std::uint32_t, SHIPWATCH> ships_;
    std::uint32_t visits_ = 0, wrecked_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    bool quick = false;
    long raid = 0;
    std::string only;
    bool straight = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            quick = true;
        } else if (a == "--straight") {
            straight = true;
        } else if (a == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (a == "--raid" && i + 1 < argc) {
            char* end = nullptr;
            raid = std::strtol(argv[++i], &end, 10);
            if (*end || raid < 1 || raid > 600)
                raid = -1;
        } else {
            raid = -1;
        }
        if (raid < 0) {
            std::fprintf(stderr, "usage: weapon_table [--quick] [--only WEAPON] [--straight] | --raid MINUTES\n");
            return 2;
        }
    }
    SEQUENCE seq;
    TABLE table(quick, only, straight);
    RAID raidRun(raid);
    if (raid > 0)
        raidRun.Build(seq);
    else
        table.Build(seq);
    GAMEDRIVE drive;
    drive.Frames = ~0ull >> 1;
    drive.DrawEvery = 100000;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) { return seq.Frame(); };
    GAMEDRIVERTIMES times;
    const int status = DriveHeadlessGame(drive, &times);
    std::printf("frames %llu, %.2f ms a frame\n", static_cast<unsigned long long>(times.Frames),
                times.Frames ? 1e3 * (times.Update + times.Physics) / double(times.Frames) : 0.0);
    if (status != 0)
        return status;
    return table.Ok() ? 0 : 1;
}
