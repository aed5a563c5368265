// Vehicles against the station in a new game of the program's own set-up, the player's vehicles
// flown by the player's keys through the default bindings: the suit and the collector ship stop
// at the surface of the headquarters and of a beam with the station-collision sound; the
// ejection seat leaves a wrecked ship upward; a rival's ship that hits a station part backs off;
// crew members stay outside the parts they fly along.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "app/game_setup.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/suit.h"
#include "game/world/collship_dock.h"
#include "game/world/company_links.h"
#include "game/world/crew.h"
#include "game/world/game_globals.h"
#include "game/world/player_company.h"
#include "game/world/space.h"
#include "game/world/station.h"
#include "tests/app/player_keys_fixture.h"

namespace {

// Keys of the default bindings.
constexpr SDL_Keycode kForward = SDLK_w;   // suit thrust ahead; ship throttle up
constexpr SDL_Keycode kBackward = SDLK_s;  // suit thrust back
constexpr SDL_Keycode kStop = SDLK_d;      // ship throttle to 0

/// Whether `p` lies inside the solid of `part`'s own shape: its box, or its triangle list, where
/// the nearest surface along one of six rays is met from behind (a point outside every closed
/// piece always meets a front face first).
bool Inside(const STATIONPART* part, const QNVEC3& p)
{
    const QNBODY* body = PhysicsBodyOf(part);
    const QNCOLLGEOM* shape = body ? body->Geometry() : nullptr;
    if (!shape)
        return false;
    const QNVEC3 local = QNVEC3::TransformCoord(p, body->GetTransform().Inverse());
    if (shape->Kind == QNCOLLGEOM::BOX) {
        QNBOX box;
        part->GetLocalBox(box, true);
        for (int i = 0; i < 3; ++i)
            if (local[i] <= box.min[i] || local[i] >= box.max[i])
                return false;
        return true;
    }
    if (shape->Kind != QNCOLLGEOM::TRIANGLE_LIST)
        return false;
    const QNVEC3 rays[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const QNVEC3& d : rays) {
        float nearest = 1e30f, facing = 0.0f;
        for (const QNCOLLTRIANGLE& t : shape->Triangles) {
            // Moller-Trumbore: the ray parameter of the crossing, if any.
            const QNVEC3 a = shape->Vertices[t.Index[0]], b = shape->Vertices[t.Index[1]],
                         c = shape->Vertices[t.Index[2]];
            const QNVEC3 e1 = b - a, e2 = c - a, q = QNVEC3::Cross(d, e2);
            const float det = QNVEC3::Dot(e1, q);
            if (std::fabs(det) < 1e-9f)
                continue;
            const QNVEC3 s = local - a, r = QNVEC3::Cross(s, e1);
            const float u = QNVEC3::Dot(s, q) / det, v = QNVEC3::Dot(d, r) / det;
            const float along = QNVEC3::Dot(e2, r) / det;
            if (u < 0.0f || v < 0.0f || u + v > 1.0f || along <= 0.0f || along >= nearest)
                continue;
            nearest = along;
            facing = QNVEC3::Dot(QNVEC3(t.Normal[0], t.Normal[1], t.Normal[2]), d);
        }
        if (facing > 0.0f)
            return true;
    }
    return false;
}

/// The side of a part flown at: its outward normal, the plane of the face (normal . x) and the
/// point aimed at, `lift` above the centre of the part's world box.
struct FACE {
    QNVEC3 Normal;
    float Plane = 0;
    QNVEC3 Aim;
};

FACE FaceOf(const STATIONPART* part, const QNVEC3& normal, float lift)
{
    QNBOX box;
    part->GetBox(box, true);
    const QNVEC3 centre = (box.min + box.max) * 0.5f;
    FACE f;
    f.Normal = normal;
    f.Aim = centre + QNVEC3(0, lift, 0);
    f.Plane = QNVEC3::Dot(normal, centre) + 0.5f * std::fabs(QNVEC3::Dot(normal, box.max - box.min));
    return f;
}

/// What a flight at a face saw, frame by frame.
struct FLIGHT {
    const STATIONPART* Part = nullptr;
    FACE Face;
    VEHICLE* Vehicle = nullptr;
    QNSOUND* StationSound = nullptr;  ///< "stationcollision" and "othercollision"
    QNSOUND* OtherSound = nullptr;
    std::uint32_t Sounds = 0;         ///< the vehicle's collision sounds before the flight
    bool EverInside = false;
    float Nearest = 1e9f;             ///< the closest the vehicle's centre came to the face's plane
    bool Touched = false;             ///< the vehicle reported a touch
    bool SoundBefore = false;         ///< a collision sound played before the touch
    bool StationSoundAtTouch = false; ///< "stationcollision" played in the frame of the touch
    bool OtherSoundPlayed = false;
    float Fastest = 0.0f;             ///< speed before the touch

    void Watch()
    {
        const QNVEC3 p = Vehicle->GetWorldMatrix().Translation();
        EverInside = EverInside || Inside(Part, p);
        Nearest = std::min(Nearest, QNVEC3::Dot(Face.Normal, p) - Face.Plane);
        if (!Touched && Vehicle->InContact) {
            Touched = true;
            StationSoundAtTouch = StationSound->IsPlaying() && Vehicle->CollisionSounds == Sounds + 1;
        }
        SoundBefore = SoundBefore || (!Touched && Vehicle->CollisionSounds != Sounds);
        OtherSoundPlayed = OtherSoundPlayed || OtherSound->IsPlaying();
        if (!Touched)
            Fastest = std::max(Fastest, PhysicsBodyOf(Vehicle)->GetLinearVelocity().Length());
    }
};

class StationCollisionTest : public gametest::PlayerKeysTest {
protected:
    void Run(int frames, const std::function<void()>& each = nullptr)
    {
        for (int i = 0; i < frames; ++i) {
            Step();
            if (each)
                each();
        }
    }
    using PlayerKeysTest::Hold;
    /// Holds `key` for `frames` frames, calling `each` after every frame.
    void Hold(SDL_Keycode key, int frames, const std::function<void()>& each)
    {
        script.KeyDown(key, KMOD_NONE, script.Pass());
        Run(frames, each);
        script.KeyUp(key, KMOD_NONE, script.Pass());
        Step();
    }

    STATION* Station() const { return PlayerCompany->SiteStation(); }
    STATIONPART* Headquarters() const
    {
        const std::vector<STATIONPART*> parts = Station()->CollectParts(KIND_HEADQUARTERS);
        return parts.empty() ? nullptr : parts.front();
    }
    /// The start beam that runs from the root joint along world +z.
    STATIONPART* BeamAlongZ() const
    {
        const QNVEC3 root = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
        for (STATIONPART* b : Station()->CollectParts(KIND_BEAM)) {
            const QNVEC3 d = b->GetWorldMatrix().Translation() - root;
            if (d.z > 2.0f && std::fabs(d.x) < 1.0f && std::fabs(d.y) < 1.0f)
                return b;
        }
        return nullptr;
    }
    QNSOUND* Sound(const char* name) const { return PlayerCompany->Suit()->Resources->FindSound(name); }

    /// Puts `vehicle` `distance` out from `face`, looking at its aim point, still.
    static void PlaceBefore(GAMENODE* vehicle, const FACE& face, float distance)
    {
        QNMATRIX m;
        m.SetLookAt(face.Aim + face.Normal * distance, face.Aim, QNVEC3(0, 1, 0));
        vehicle->SetTransform(m);
        vehicle->StopMotion(true, QNCF_LEVEL_PLAIN);
    }
    FLIGHT Flight(GAMENODE* vehicle, const STATIONPART* part, const FACE& face)
    {
        FLIGHT f;
        f.Part = part;
        f.Face = face;
        f.Vehicle = dynamic_cast<VEHICLE*>(vehicle);
        f.StationSound = Sound("stationcollision");
        f.OtherSound = Sound("othercollision");
        f.Sounds = f.Vehicle->CollisionSounds;
        return f;
    }

    /// A collector ship of the game's own maker, given to the player's company beside the
    /// suit, and boarded with Enter.
    COLLSHIP* BoardNewShip()
    {
        GAMENODE* suit = PlayerCompany->Suit();
        QNMATRIX beside;
        beside.SetTranslation(0.0f, -5.0f, 0.0f);
        auto* ship = dynamic_cast<COLLSHIP*>(
            CompanyVehicles.CreateShip(PlayerCompany->Site(), beside * suit->GetWorldMatrix(), PlayerCompany->Identity));
        if (!ship)
            return nullptr;
        PlayerCompany->SetShip(ship);
        Run(3);
        Hold(SDLK_RETURN, 1);
        Run(5);
        return PlayerCompany->Mode == COMPANYMODE::SHIP ? ship : nullptr;
    }
};

TEST_F(StationCollisionTest, TheSuitFlownIntoTheHeadquartersAndABeamStopsAtTheSurfaceAndBacksAway)
{
    GAMENODE* suit = PlayerCompany->Suit();
    ASSERT_NE(suit, nullptr);
    STATIONPART* hq = Headquarters();
    STATIONPART* beam = BeamAlongZ();
    ASSERT_TRUE(hq && beam);
    // Half the side of the suit's collision box: where its centre stops.
    constexpr float kHalf = 1.0f;
    // The headquarters is met on its lower block, the beam at its middle.
    for (auto [part, lift] : {std::pair{hq, -2.35f}, std::pair{beam, 0.0f}}) {
        SCOPED_TRACE(part == hq ? "headquarters" : "beam");
        const FACE face = FaceOf(part, QNVEC3(1, 0, 0), lift);
        PlaceBefore(suit, face, 9.0f);
        Run(30);
        FLIGHT f = Flight(suit, part, face);
        // W held for eight seconds: the suit reaches the part at 3.6 units a second and keeps
        // pushing against it.
        Hold(kForward, 480, [&] { f.Watch(); });
        EXPECT_GT(f.Fastest, 3.0f);
        EXPECT_TRUE(f.Touched);
        EXPECT_FALSE(f.EverInside);
        EXPECT_GT(f.Nearest, kHalf - 0.15f);
        EXPECT_LT(f.Nearest, kHalf + 0.3f);
        EXPECT_FALSE(f.SoundBefore);
        EXPECT_TRUE(f.StationSoundAtTouch);
        EXPECT_FALSE(f.OtherSoundPlayed);
        // S backs the suit away from the surface.
        const float before = QNVEC3::Dot(face.Normal, suit->GetWorldMatrix().Translation());
        Hold(kBackward, 120);
        EXPECT_GT(QNVEC3::Dot(face.Normal, suit->GetWorldMatrix().Translation()) - before, 2.0f);
    }
}

TEST_F(StationCollisionTest, TheCollectorShipFlownIntoTheHeadquartersAndABeamStopsAtTheSurface)
{
    COLLSHIP* ship = BoardNewShip();
    ASSERT_NE(ship, nullptr);
    STATIONPART* hq = Headquarters();
    STATIONPART* beam = BeamAlongZ();
    ASSERT_TRUE(hq && beam);
    // The hull's nose lies 3.6 ahead of the ship's centre.
    constexpr float kNose = 3.6f;
    for (auto [part, lift] : {std::pair{hq, -2.35f}, std::pair{beam, 0.0f}}) {
        SCOPED_TRACE(part == hq ? "headquarters" : "beam");
        const FACE face = FaceOf(part, QNVEC3(1, 0, 0), lift);
        PlaceBefore(ship, face, 70.0f);
        Run(10);
        FLIGHT f = Flight(ship, part, face);
        // Half a second of W gives about 20 units a second; D cuts the throttle a second
        // after the touch.
        Hold(kForward, 30, [&] { f.Watch(); });
        int after = 0;
        for (int i = 0; i < 600 && after < 60; ++i) {
            Step();
            f.Watch();
            after += f.Touched ? 1 : 0;
        }
        Hold(kStop, 1, [&] { f.Watch(); });
        Run(120, [&] { f.Watch(); });
        EXPECT_GT(f.Fastest, 15.0f);
        EXPECT_TRUE(f.Touched);
        EXPECT_FALSE(f.EverInside);
        EXPECT_GT(f.Nearest, kNose - 0.3f);
        EXPECT_LT(f.Nearest, kNose + 0.3f);
        EXPECT_FALSE(f.SoundBefore);
        EXPECT_TRUE(f.StationSoundAtTouch);
        EXPECT_FALSE(f.OtherSoundPlayed);
        EXPECT_FALSE(ship->IsDestroyed());
    }
}

TEST_F(StationCollisionTest, TheEjectionSeatLeavesAWreckedShipUpward)
{
    COLLSHIP* ship = BoardNewShip();
    ASSERT_NE(ship, nullptr);
    // Out in the open, flying slowly.
    QNMATRIX out;
    out.SetTranslation(0.0f, 30.0f, 60.0f);
    ship->SetTransform(out * PlayerCompany->Site()->GetWorldMatrix());
    ship->StopMotion(true, QNCF_LEVEL_PLAIN);
    Hold(kForward, 10);
    Run(30);
    const QNMATRIX at = ship->GetWorldMatrix();
    ship->DamageBallistic(1.0e6f, 0, 0);
    Run(2);
    ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::EJECTING);
    GAMENODE* seat = PlayerCompany->EjectionSeat();
    ASSERT_NE(seat, nullptr);
    QNWEAK<GAMENODE> alive(seat);
    // The seat starts in the ship (1.6 ahead of its centre) and is pushed along the ship's up
    // axis; the hull it starts in never pushes it.
    const QNVEC3 start = seat->GetWorldMatrix().Translation();
    const QNVEC3 up = at.Row(1).Normalize();
    float lowest = 0.0f;
    for (int i = 0; i < 60 && alive; ++i) {
        Step();
        lowest = std::min(lowest, QNVEC3::Dot(seat->GetWorldMatrix().Translation() - start, up));
    }
    ASSERT_TRUE(alive);
    const QNVEC3 moved = seat->GetWorldMatrix().Translation() - start;
    const float along = QNVEC3::Dot(moved, up);
    EXPECT_GT(along, 0.1f);
    EXPECT_GT(lowest, -0.01f);
    EXPECT_LT((moved - up * along).Length(), along);
}

TEST_F(StationCollisionTest, ARivalShipThatHitsAStationPartBacksOff)
{
    // A rival's ship, made by the game's own maker and handed to the rival's computer pilot,
    // visits the player's site and flies at 8 units a second into the headquarters.
    COMPANY* rival = nullptr;
    for (std::uint32_t v = 0; v < kCompanyCount; ++v)
        if (Companies[v] != PlayerCompany)
            rival = Companies[v];
    ASSERT_NE(rival, nullptr);
    GAMENODE* ship = CompanyVehicles.CreateShip(PlayerCompany->Site(), PlayerCompany->Site()->GetWorldMatrix(),
                                                rival->Identity);
    ASSERT_NE(ship, nullptr);
    rival->SetShip(ship);
    STATIONPART* hq = Headquarters();
    const FACE face = FaceOf(hq, QNVEC3(1, 0, 0), -2.35f);
    PlaceBefore(ship, face, 12.0f);
    Run(1);
    FLIGHT f = Flight(ship, hq, face);
    int touched = -1;
    float away = 0.0f;  // the largest speed away from the face after the touch
    for (int i = 0; i < 300; ++i) {
        if (touched < 0)
            PhysicsBodyOf(ship)->SetLinearVelocity(face.Normal * -8.0f);
        Step();
        f.Watch();
        if (f.Touched && touched < 0)
            touched = i;

        if (touched >= 0 && i - touched < 60)
            away = std::max(away, QNVEC3::Dot(PhysicsBodyOf(ship)->GetLinearVelocity(), face.Normal));
    }
    ASSERT_GE(touched, 0);
    EXPECT_FALSE(f.EverInside);
    // Spun by the back-off, the hull still keeps its centre off the surface.
    EXPECT_GT(f.Nearest, 0.8f);
    // Within a second of the touch the pilot pushes the ship back out, away from the part.
    EXPECT_GT(away, 1.0f);
    EXPECT_GT(QNVEC3::Dot(ship->GetWorldMatrix().Translation(), face.Normal) - face.Plane, f.Nearest + 1.0f);
}

TEST_F(StationCollisionTest, CrewMembersStayOutsideTheStationPartsTheyFlyAlong)
{
    CREW* crew = PlayerCompany->Site()->Crew;
    ASSERT_NE(crew, nullptr);
    std::vector<STATIONPART*> parts;
    for (std::int32_t k = KIND_FIRST_STRUCTURE; k <= KIND_LAST_STRUCTURE; ++k)
        for (STATIONPART* part : Station()->CollectParts(k))
            parts.push_back(part);
    int inside = 0;
    float travelled = 0.0f;
    std::vector<QNVEC3> last;
    // A minute of the player's site.
    Run(60 * 60, [&] {
        std::size_t i = 0;
        for (QNITEM* m = crew->FirstChild(); m; m = m->Next(), ++i) {
            const QNVEC3 p = static_cast<GAMENODE*>(m)->GetWorldMatrix().Translation();
            for (const STATIONPART* part : parts)
                inside += Inside(part, p) ? 1 : 0;
            if (i < last.size())
                travelled += (p - last[i]).Length();
            else
                last.push_back(p);
            last[i] = p;
        }
    });
    EXPECT_EQ(crew->MemberCount(), PLAYERCOMPANY::kCrewSize);
    EXPECT_EQ(inside, 0);
    // They do fly from part to part.
    EXPECT_GT(travelled, 20.0f);
}

}  // namespace
