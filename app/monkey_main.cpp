// The monkey run: the program's own game played headless on the virtual clock with seeded random
// but plausible input through the scripted event source. After the station is grown and the free
// ship boarded, the player flies, turns, fires every weapon at rocks, stations and ships, ejects
// canisters, changes views, jumps to the rival sites and home, leaves and boards the ship, loses
// it, docks with ore, calls freighters and opens the stores. It watches for non-finite positions,
// money that rises without a cause, a shown site other than the player's, a frame that never ends
// and a screen that cannot be left; at the end the game must still answer a key.
//
//   corvane-monkey [--seed S] [--minutes M] [--draw-every K] [--trace] [--new-games] [--home]
//
// Exit status: 0 for a clean run, 1 when the game failed or a watch fired, 2 for a bad command line.

#include <csignal>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/game_driver.h"
#include "app/game_road.h"
#include "engine/scene/view.h"
#include "game/vehicles/collship.h"
#include "game/world/cargo_port.h"
#include "game/world/collship_dock.h"
#include "game/world/company.h"
#include "game/world/damageable.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_controls.h"
#include "game/world/site.h"

namespace {

// The mercenary manager's exit button (it has no key to leave by).
constexpr float kMercExitX = -572.5f, kMercExitY = 406.0f;
// Wall seconds a single frame may take before the run counts as hung.
constexpr unsigned kFrameLimitSeconds = 120;

std::mt19937 g_rng;
bool g_trace = false;
bool g_newGames = false;          // Escape and F2 start a new game over the running one
bool g_home = false;             // no jumps: the rivals come to the player's site
std::uint64_t g_quietUntil = 0;  // no random input before this pass
const char* g_last = "none";
std::uint64_t g_frame = 0;
bool g_failed = false;

int Rand(int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(g_rng);
}
float RandF(float lo, float hi)
{
    return std::uniform_real_distribution<float>(lo, hi)(g_rng);
}

void OnAlarm(int)
{
    static const char msg[] = "corvane-monkey: a frame did not end (hang)\n";
    (void)!write(2, msg, sizeof msg - 1);
    std::abort();
}

void Fail(const char* what)
{
    std::fprintf(stderr, "corvane-monkey: frame %llu (last action %s): %s\n",
                 static_cast<unsigned long long>(g_frame), g_last, what);
    g_failed = true;
}

bool Finite(const QNMATRIX& m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(m.at(r, c)))
                return false;
    return true;
}

/// Every game node of the scenes and of the views' roots.
template <class F>
void EachNode(F f)
{
    QNITEM* root = &QNSCENE::SceneRoot();
    for (QNITEM* i = QNITEM::Next(root, root); i; i = QNITEM::Next(root, i))
        if (auto* n = dynamic_cast<GAMENODE*>(i))
            f(n);
    for (QNITEM* s = root->FirstChild(); s; s = s->Next()) {
        auto* scene = dynamic_cast<QNSCENE*>(s);
        for (std::uint32_t v = 0; scene && v < scene->ViewCount; ++v)
            if (QNVIEW* view = scene->GetView(v))
                for (QNITEM *r = view->Root, *i = r; i; i = QNITEM::Next(r, i))
                    if (auto* n = dynamic_cast<GAMENODE*>(i))
                        f(n);
    }
}

bool InSpace()
{
    return QNSCENE::Current && QNSCENE::Current == GameScenes.Space;
}

using road::PlayerShip;

SITE* ShipSite()
{
    COLLSHIP* s = PlayerShip();
    return s ? s->CurrentSite.Get() : nullptr;
}

/// A damageable node under the ship's site other than the ship itself.
GAMENODE* RandomTarget()
{
    SITE* site = ShipSite();
    if (!site)
        return nullptr;
    std::vector<GAMENODE*> found;
    GAMENODE* ship = PlayerCompany->Ship();
    for (QNITEM* i = QNITEM::Next(site, site); i; i = QNITEM::Next(site, i)) {
        auto* n = dynamic_cast<GAMENODE*>(i);
        auto* d = dynamic_cast<DAMAGEABLE*>(i);
        // The player's own station is left alone: a lost generator leaves it without power.
        auto* part = dynamic_cast<STATIONPART*>(i);
        if (part && part->Station() == road::Station())
            continue;
        if (n && d && n != ship && !d->IsDestroyed())
            found.push_back(n);
    }
    return found.empty() ? nullptr : found[std::size_t(Rand(0, int(found.size()) - 1))];
}

void Hold(SDL_Keycode key, int frames, bool shift = false)
{
    road::HoldKey(key, std::uint64_t(frames), shift);
}

/// Puts the ship `distance` from `at` looking at it. The ship's contact pairs are brought up to
/// date at once: a body moved out of a contact keeps the stale contact otherwise, and the solver
/// can throw it off to infinity a few frames later (a teleport no player makes).
void PlaceShipFacing(const QNVEC3& at, float distance)
{
    QNVEC3 dir(RandF(-1, 1), RandF(-1, 1), RandF(-1, 1));
    if (dir.Length() < 0.1f)
        dir = QNVEC3(0, 0, 1);
    dir = dir.Normalize();
    QNMATRIX m;
    m.SetLookAt(at + dir * distance, at, std::fabs(dir.y) > 0.9f ? QNVEC3(1, 0, 0) : QNVEC3(0, 1, 0));
    road::PlaceAtWorld(PlayerCompany->Ship(), m);
}

void ArmShip()
{
    COLLSHIP* s = PlayerShip();
    if (!s)
        return;
    for (std::uint32_t w = WEAPON_CHEETAH; w <= WEAPON_CANISTER; ++w)
        s->InstallWeapon(w, true, false);
    for (std::uint32_t k = 0; k < COLLSHIP::kCountermeasureKinds; ++k)
        s->AddCountermeasure(k);
}

// A pending jump: the company list key pressed, a corner key to follow.
int g_cornerAt = 0;

void ShipAction()
{
    using namespace road;
    const int r = Rand(0, 99);
    if (r < 15) {
        g_last = "throttle";
        const int k = Rand(0, 2);
        Hold(k == 0 ? SDLK_w : k == 1 ? SDLK_s : SDLK_d, Rand(1, 80));
    } else if (r < 30) {
        g_last = "turn";
        const SDL_Keycode keys[] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
        Hold(keys[Rand(0, 3)], Rand(1, 60), Rand(0, 3) == 0);
    } else if (r < 34) {
        g_last = "mouse";
        const std::uint64_t at = Script().Pass() + 1;
        Script().MouseMotion(Rand(0, 640), Rand(0, 480), Rand(-40, 40), Rand(-40, 40), at);
    } else if (r < 46) {
        g_last = "fire at a target";
        if (GAMENODE* t = RandomTarget()) {
            PlaceShipFacing(t->GetWorldMatrix().Translation(), RandF(15.0f, 120.0f));
            if (Rand(0, 2) == 0)
                Key(SDLK_TAB);
            Hold(SDLK_SPACE, Rand(1, 150));
        }
    } else if (r < 52) {
        g_last = "fire";
        if (Rand(0, 1))
            Hold(SDLK_SPACE, Rand(1, 100));
        else
            Click(SDL_BUTTON_LEFT);
    } else if (r < 56) {
        g_last = "next weapon";
        Rand(0, 1) ? Key(SDLK_TAB) : Click(SDL_BUTTON_MIDDLE);
    } else if (r < 60) {
        g_last = "canister";
        Rand(0, 1) ? Hold(SDLK_BACKSPACE, Rand(1, 20)) : Click(SDL_BUTTON_RIGHT);
    } else if (r < 66) {
        g_last = "view";
        const SDL_Keycode keys[] = {SDLK_c, SDLK_F5, SDLK_F6, SDLK_F7, SDLK_F8, SDLK_F4, SDLK_z};
        Hold(keys[Rand(0, 6)], Rand(1, 120));
    } else if (r < 68) {
        g_last = "all ore";
        Key(SDLK_z, true);
    } else if (r < 71) {
        g_last = "ranking";
        Key(Rand(0, 2) ? SDLK_k : SDLK_ESCAPE);
        if (g_newGames && Rand(0, 3) == 0) {
            // To the menu and straight into a new game, in the middle of whatever runs.
            g_last = "new game";
            HoldKeyAt(Script().Pass() + 5, SDLK_ESCAPE, 1);
            const std::uint64_t at = Script().Pass() + 8 + std::uint64_t(Rand(0, 30));
            HoldKeyAt(at, SDLK_F2, 1);
            g_quietUntil = at + 2;
        }
    } else if (r < 80 && !g_home) {
        g_last = "hyperjump";
        if (SITE* site = ShipSite(); site && Rand(0, 1))
            PlaceShipFacing(site->GetWorldMatrix().Translation(), RandF(210.0f, 400.0f));
        Key(kCompanyKeys[Rand(0, 3)]);
        g_cornerAt = 3 + Rand(0, 40);
    } else if (r < 85) {
        g_last = "leave the ship";
        Key(SDLK_d);
        if (GAMENODE* ship = PlayerCompany->Ship())
            ship->StopMotion(true, QNCF_LEVEL_PLAIN);
        HoldKeyAt(Script().Pass() + 4, SDLK_RETURN, 1);
    } else if (r < 86) {
        g_last = "lose the ship";
        if (auto* d = dynamic_cast<DAMAGEABLE*>(PlayerCompany->Ship()))
            d->DamageBallistic(RandF(0.3f, 1.5f) * std::max(d->BallisticMax, 1.0f), 0, 0);
        if (Rand(0, 1))
            Key(SDLK_r);
    } else if (r < 88) {
        g_last = "dock with ore";
        COLLECTORSHIPDOCK* dock = PlayerCompany->Dock();
        if (dock && ShipSite() == PlayerCompany->Site()) {
            Key(SDLK_z, true);
            Key(SDLK_d);
            QNMATRIX m = dock->DockPointMatrix();
            MoveTo(m, m.Translation() + m.Row(2).Normalize() * RandF(1.0f, 5.0f));
            PlaceAtWorld(PlayerCompany->Ship(), m);
            const std::uint64_t at = Script().Pass() + 3;
            HoldKeyAt(at, SDLK_RETURN, 1);
            const std::uint64_t space = at + std::uint64_t(Rand(2, 40));
            HoldKeyAt(space, SDLK_SPACE, 1);
            // Mostly left alone to dock and unload.
            if (Rand(0, 3))
                g_quietUntil = space + 25ull * kDriverFramesPerSecond;
        }
    } else if (r < 92) {
        g_last = "fly home";
        if (STATION* st = Station(); st && ShipSite() == PlayerCompany->Site())
            PlaceShipFacing(st->RootJoint.Get()->GetWorldMatrix().Translation(), RandF(20.0f, 90.0f));
        Hold(SDLK_w, Rand(1, 40));
    } else if (r < 93 && !g_home) {
        // A jump with the beam weapon firing: placed out of the site, the trigger held, then the
        // rival's list and a corner.
        g_last = "jump firing the beam";
        COLLSHIP* s = PlayerShip();
        if (SITE* site = ShipSite(); site && s) {
            PlaceShipFacing(site->GetWorldMatrix().Translation(), RandF(220.0f, 400.0f));
            s->SelectWeapon(WEAPON_EM2);
            const std::uint64_t at = Script().Pass() + 3;
            HoldKeyAt(at, SDLK_SPACE, 120);
            const std::uint64_t list = at + std::uint64_t(Rand(5, 40));
            HoldKeyAt(list, kCompanyKeys[Rand(0, 3)], 1);
            HoldKeyAt(list + 3, SDLK_1, 1);
        }
    } else if (r < 94) {
        g_last = "arm";
        ArmShip();
    } else {
        g_last = "idle";
    }
}

void SuitAction()
{
    using namespace road;
    const int r = Rand(0, 99);
    GAMENODE* ship = PlayerCompany->Ship();
    if (r < 30) {
        g_last = "board";
        if (ship) {
            if (PlayerCompany->Dock() && PlayerCompany->Dock()->Holding && PlayerCompany->Dock()->Ship() == ship)
                Key(SDLK_SPACE);
            else
                BoardShip();
        }
    } else if (r < 40) {
        g_last = "undock or dock";
        Key(SDLK_SPACE);
    } else if (r < 50) {
        g_last = "call a freighter";
        Key(SDLK_f);
    } else if (r < 58) {
        g_last = "suit thrust";
        const SDL_Keycode keys[] = {SDLK_a, SDLK_d, SDLK_q, SDLK_e, SDLK_w, SDLK_s, SDLK_UP, SDLK_LEFT};
        Hold(keys[Rand(0, 7)], Rand(1, 60));
    } else if (r < 64) {
        g_last = "store";
        Key(Rand(0, 1) ? SDLK_F2 : SDLK_F3);
    } else if (r < 70) {
        g_last = "sell an item";
        Key(SDL_Keycode(SDLK_1 + Rand(0, 4)), true);
    } else if (r < 76) {
        g_last = "place an item";
        if (STATION* st = Station(); st && st->RootJoint.Get())
            ViewStation();
        Key(SDL_Keycode(SDLK_1 + Rand(0, 4)));
    } else if (r < 80) {
        g_last = "helmet";
        Key(SDLK_F4);
    } else {
        g_last = "idle";
    }
}

void ScreenAction()
{
    using namespace road;
    const std::string name = SceneName();
    const int r = Rand(0, 9);
    if (name == "MAINMENU" && g_newGames && Rand(0, 7) == 0) {
        g_last = "new game";
        Key(SDLK_F2);
    } else if (name == "MAINMENU" || r >= 8) {
        g_last = "screen escape";
        Key(SDLK_ESCAPE);
    } else if (r < 6) {
        g_last = "screen click";
        ClickScreen(RandF(-QNVIRTUALSCREEN::HalfWidth, QNVIRTUALSCREEN::HalfWidth),
                    RandF(-QNVIRTUALSCREEN::HalfHeight, QNVIRTUALSCREEN::HalfHeight));
    } else {
        // The screen's own way out.
        g_last = "screen exit";
        if (name == "MERCENARYMANAGER")
            ClickScreen(kMercExitX, kMercExitY);
        else if (name == "BLACKMARKET")
            ClickScreen(-517.95f, -462.19f);
        else
            ClickScreen(-494.0f, Rand(0, 1) ? -460.0f : -403.0f);
    }
}

/// A freighter is at the player's cargo port.
bool FreighterAtHome()
{
    const CARGOPORT* port = PlayerCompany->SiteCargoPort();
    return port && port->Present();
}

/// The vehicle the player is in (the suit or the ship), or null while ejecting.
GAMENODE* PlayerVehicle()
{
    if (PlayerCompany->Mode == COMPANYMODE::SUIT)
        return PlayerCompany->Suit();
    if (PlayerCompany->Mode == COMPANYMODE::SHIP)
        return PlayerCompany->Ship();
    return nullptr;
}

void Fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Fatal(const char* format, ...)
{
    char what[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof what, format, args);
    va_end(args);
    Fail(what);
}

/// The watches of one frame in the game: finite transforms (every tenth frame), finite money that
/// rises only with a cause, the shown site where the player is, and no screen kept for a minute.
class WATCH {
public:
    void Start() { money_ = PlayerCompany->Money(); items_ = PlayerCompany->ItemCount(); }

    void Frame(std::uint64_t frame)
    {
        if (frame % 10 == 0)
            EachNode([](GAMENODE* n) {
                if (!g_failed && !Finite(n->GetWorldMatrix()))
                    Fatal("%s under %s has a non-finite transform", n->Name().Text(),
                          n->Parent() ? n->Parent()->Name().Text() : "nothing");
            });
        const float money = PlayerCompany->Money();
        if (!std::isfinite(money))
            Fail("money is not finite");
        // Money rises only by a sale, a freighter's cargo or a store's refund.
        if (FreighterAtHome())
            freighter_ = frame;
        if (!InSpace())
            screen_ = frame;
        const std::uint64_t recent = 30ull * kDriverFramesPerSecond;
        if (money > money_ + 1.0f && PlayerCompany->ItemCount() >= items_ && frame > freighter_ + recent &&
            frame > screen_ + kDriverFramesPerSecond)
            Fatal("money rose from %.0f to %.0f without a cause", double(money_), double(money));
        if (g_trace && std::fabs(money - money_) >= 200000.0f)
            std::printf("frame %llu: money %.0f -> %.0f\n", static_cast<unsigned long long>(frame), double(money_),
                        double(money));
        money_ = money;
        items_ = PlayerCompany->ItemCount();

        SITE* at = PlayerCompany->Mode == COMPANYMODE::SUIT ? PlayerCompany->Site()
                   : PlayerCompany->Mode == COMPANYMODE::SHIP ? ShipSite() : nullptr;
        if (InSpace() && at && GameScenes.Space->ActiveView != at->ViewIndex) {
            if (++astray_ == 100)
                Fail("the shown site is not the one the player is at");
        } else {
            astray_ = 0;
        }
        // The camera looks from the player's vehicle (or from a camera it carries).
        GAMENODE* vehicle = PlayerVehicle();
        const QNVIEW* view = InSpace() ? GameScenes.Space->ActiveViewPtr() : nullptr;
        bool onVehicle = false;
        for (const QNITEM* i = view ? view->CurrentNode.Get() : nullptr; i && vehicle; i = i->Parent())
            onVehicle = onVehicle || i == vehicle;
        if (view && vehicle && !onVehicle) {
            if (++offCamera_ == 100)
                Fail("the camera is not on the player's vehicle");
        } else {
            offCamera_ = 0;
        }
        if (InSpace()) {
            outOfSpace_ = 0;
        } else if (++outOfSpace_ > 60ull * kDriverFramesPerSecond) {
            Fatal("screen %s was not left in a virtual minute", QNSCENE::Current ? QNSCENE::Current->Name().Text() : "(none)");
        }
    }

private:
    float money_ = 0.0f;
    std::uint32_t items_ = 0;
    std::uint64_t freighter_ = 0, screen_ = 0, astray_ = 0, offCamera_ = 0, outOfSpace_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    long seed = 1, minutes = 5, drawEvery = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const long v = i + 1 < argc ? std::strtol(argv[i + 1], nullptr, 10) : 0;
        if (a == "--trace" || a == "--new-games" || a == "--home") {
            (a == "--trace" ? g_trace : a == "--home" ? g_home : g_newGames) = true;
            continue;
        }
        ++i;
        if (a == "--seed" && i < argc)
            seed = v;
        else if (a == "--minutes" && v > 0)
            minutes = v;
        else if (a == "--draw-every" && v > 0)
            drawEvery = v;
        else {
            std::fprintf(stderr, "usage: corvane-monkey [--seed S] [--minutes M] [--draw-every K] [--trace] [--new-games] [--home]\n");
            return 2;
        }
    }
    g_rng.seed(std::uint32_t(seed));
    std::signal(SIGALRM, &OnAlarm);
    alarm(kFrameLimitSeconds);

    road::ROAD player(road::GrownStationAndFreeShip());
    road::OnFailure = [](const std::string& step, const std::string& what) {
        std::fprintf(stderr, "corvane-monkey: the player's step \"%s\": %s\n", step.c_str(), what.c_str());
        g_failed = true;
    };
    WATCH watch;
    std::uint64_t next = 0;
    bool rankingBefore = false, answered = false;
    GAMEDRIVE drive;
    drive.Frames = std::uint64_t(minutes) * 60ull * kDriverFramesPerSecond;
    drive.DrawEvery = std::uint32_t(drawEvery);
    // The last seconds: no more random input; the player gets back into the game, then K must
    // open (or close) the ranking panel.
    const std::uint64_t windDown = drive.Frames - 10ull * kDriverFramesPerSecond;
    const std::uint64_t askAt = drive.Frames - 2ull * kDriverFramesPerSecond;
    drive.OnStartPass = [](std::uint64_t) { alarm(kFrameLimitSeconds); };
    drive.OnFrame = [&](std::uint64_t frame, const GAMEDRIVERTIMES&) {
        alarm(kFrameLimitSeconds);
        g_frame = frame;
        if (!player.Finished()) {
            if (!player.Frame() && !player.Finished())
                return false;
            if (player.Finished()) {
                ArmShip();
                watch.Start();
            }
            return true;
        }
        // A new game started from the menu: nothing to watch while it loads, and the watches
        // start over with its company.
        if (!PlayerCompany)
            return true;
        static PLAYERCOMPANY* company = PlayerCompany;
        if (company != PlayerCompany) {
            company = PlayerCompany;
            watch.Start();
        }
        watch.Frame(frame);
        if (g_trace) {
            static GAMENODE* ship = nullptr;
            static unsigned mode = 0;
            static std::string scene;
            const std::string now = road::SceneName();
            if (ship != PlayerCompany->Ship() || mode != unsigned(PlayerCompany->Mode) || scene != now)
                std::printf("frame %llu: ship %p, mode %u, scene %s\n", static_cast<unsigned long long>(frame),
                            static_cast<void*>(PlayerCompany->Ship()), unsigned(PlayerCompany->Mode), now.c_str());
            ship = PlayerCompany->Ship();
            mode = unsigned(PlayerCompany->Mode);
            scene = now;
        }
        if (g_trace) {
            static unsigned delivery = 0;
            if (unsigned(PlayerCompany->Delivery) != delivery)
                std::printf("frame %llu: delivery %u\n", static_cast<unsigned long long>(frame),
                            unsigned(PlayerCompany->Delivery));
            delivery = unsigned(PlayerCompany->Delivery);
        }
        if (g_trace) {
            // Rival ships at the player's site (a raid).
            static int visitors = 0;
            int now = 0;
            if (SITE* home = PlayerCompany->Site())
                for (QNITEM* i = QNITEM::Next(home, home); i; i = QNITEM::Next(home, i))
                    now += dynamic_cast<COLLSHIP*>(i) && i != PlayerCompany->Ship();
            if (now != visitors)
                std::printf("frame %llu: %d rival ships at home\n", static_cast<unsigned long long>(frame), now);
            visitors = now;
        }
        if (frame % (60ull * kDriverFramesPerSecond) == 0) {
            std::printf("minute %llu: mode %u, money %.0f, ship %s\n",
                        static_cast<unsigned long long>(frame / (60ull * kDriverFramesPerSecond)),
                        unsigned(PlayerCompany->Mode), double(PlayerCompany->Money()),
                        !PlayerShip() ? "none" : ShipSite() == PlayerCompany->Site() ? "home" : "away");
            std::fflush(stdout);
        }
        if (g_failed)
            return false;
        if (frame >= windDown) {
            if (frame < askAt && frame % 25 == 0) {
                if (road::SceneIs("MERCENARYMANAGER"))
                    road::ClickScreen(kMercExitX, kMercExitY);
                else if (!InSpace() || PlayerCompany->Mode == COMPANYMODE::DESTINATIONS)
                    road::Key(SDLK_ESCAPE);
            }
            GAMENODE* vehicle = PlayerVehicle();
            if (frame == askAt && vehicle && PlayerControls.RankingShown) {
                rankingBefore = PlayerControls.RankingShown(vehicle);
                road::Key(SDLK_k);
            }
            if (frame > askAt + 5 && vehicle && PlayerControls.RankingShown)
                answered = answered || PlayerControls.RankingShown(vehicle) != rankingBefore;
            if (frame == drive.Frames && !answered)
                Fail("the game did not answer K at the end of the run");
            return !g_failed;
        }
        if (g_cornerAt > 0 && --g_cornerAt == 0) {
            g_last = Rand(0, 5) ? "jump corner" : "jump escape";
            road::Key(std::string(g_last) == "jump corner" ? SDL_Keycode(SDLK_1 + Rand(0, 7)) : SDLK_ESCAPE);
            if (g_trace)
                std::printf("frame %llu: %s\n", static_cast<unsigned long long>(frame), g_last);
        }
        if (frame < next || road::Script().Pass() < g_quietUntil)
            return true;
        next = frame + std::uint64_t(Rand(5, 60));
        g_last = "idle";
        if (!InSpace())
            ScreenAction();
        else if (PlayerCompany->Mode == COMPANYMODE::SHIP || PlayerCompany->Mode == COMPANYMODE::DESTINATIONS)
            ShipAction();
        else if (PlayerCompany->Mode == COMPANYMODE::SUIT)
            SuitAction();
        if (g_trace)
            std::printf("frame %llu: %s\n", static_cast<unsigned long long>(frame), g_last);
        return true;
    };
    GAMEDRIVERTIMES times;
    const int status = DriveHeadlessGame(drive, &times);
    alarm(0);
    if (status != 0) {
        std::fprintf(stderr, "corvane-monkey: the game ended with status %d\n", status);
        return 1;
    }
    if (g_failed || !player.Finished() || times.Frames < drive.Frames) {
        std::fprintf(stderr, "corvane-monkey: seed %ld stopped after %llu of %llu frames\n", seed,
                     static_cast<unsigned long long>(times.Frames), static_cast<unsigned long long>(drive.Frames));
        return 1;
    }
    std::printf("corvane-monkey: seed %ld, %llu frames, clean\n", seed, static_cast<unsigned long long>(times.Frames));
    return 0;
}
