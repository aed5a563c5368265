// The suit and the collector ship flown by their keys (the road pilot brings each before the
// headquarters, then W is held) into the headquarters of the player's station: each stops at its
// surface with the station-collision sound, and S backs the suit away again; the suit stops at a
// beam as well. The ship wrecked
// there ejects its seat upward.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/road_pilot.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/vehicle.h"
#include "tests/e2e/road/road.h"

namespace {

using namespace road;

// How far ahead of its centre the suit's shape reaches: half its collision box.
constexpr float kSuitHalf = 1.0f;
// How far a hull may sink into a surface while the contact pushes it out.
constexpr float kSkin = 0.15f;

STATIONPART* Headquarters()
{
    const std::vector<STATIONPART*> parts = Station()->CollectParts(KIND_HEADQUARTERS);
    return parts.empty() ? nullptr : parts.front();
}

// The side of the headquarters flown at: its outward normal (the one of +x, -x, +z, -z that
// points away from the parts built on the start beams), the face's plane and the point aimed at,
// the middle of the headquarters' lower block on that face.
struct FACE {
    QNVEC3 Normal;
    float Plane = 0;
    QNVEC3 Aim;
};

FACE FreeFace()
{
    const QNVEC3 root = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    const QNVEC3 sides[4] = {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
    FACE f;
    float best = 1e9f;
    for (const QNVEC3& n : sides) {
        // The side whose nearest built part (beyond the frame) lies least along it.
        float reach = 0.0f;
        for (std::int32_t k = KIND_FIRST_STRUCTURE; k <= KIND_LAST_STRUCTURE; ++k)
            if (k != KIND_BEAM && k != KIND_JOINT && k != KIND_HEADQUARTERS)
                for (const STATIONPART* p : Station()->CollectParts(k))
                    reach = std::max(reach, QNVEC3::Dot(p->GetWorldMatrix().Translation() - root, n));
        if (reach < best) {
            best = reach;
            f.Normal = n;
        }
    }
    QNBOX box;
    Headquarters()->GetBox(box, true);
    const QNVEC3 centre = (box.min + box.max) * 0.5f;
    f.Plane = QNVEC3::Dot(f.Normal, centre) + 0.5f * std::fabs(QNVEC3::Dot(f.Normal, box.max - box.min));
    f.Aim = centre + f.Normal * (f.Plane - QNVEC3::Dot(f.Normal, centre));
    f.Aim.y = box.min.y + 0.275f * (box.max.y - box.min.y);
    return f;
}

// The start beam that runs from the root joint along `along`, flown at from the side `side`:
// its face on that side and the middle of the beam.
FACE BeamFace(const QNVEC3& along, const QNVEC3& side)
{
    const QNVEC3 root = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
    FACE f;
    for (const STATIONPART* b : Station()->CollectParts(KIND_BEAM)) {
        const QNVEC3 d = b->GetWorldMatrix().Translation() - root;
        if (QNVEC3::Dot(d, along) < 2.0f || (d - along * QNVEC3::Dot(d, along)).Length() > 1.0f)
            continue;
        QNBOX box;
        b->GetBox(box, true);
        const QNVEC3 centre = (box.min + box.max) * 0.5f;
        f.Normal = side;
        f.Plane = QNVEC3::Dot(side, centre) + 0.5f * std::fabs(QNVEC3::Dot(side, box.max - box.min));
        f.Aim = centre;
    }
    return f;
}

// What a vehicle flown at the face did, frame by frame.
struct WATCH {
    VEHICLE* Vehicle = nullptr;
    FACE Face;
    std::uint32_t Sounds = 0;
    float Nearest = 1e9f;  ///< the closest its centre came to the face's plane
    float Deepest = -1e9f; ///< the furthest its hull's points came past the plane (convex hulls)
    bool Touched = false;
    bool SoundBefore = false;
    bool StationSoundAtTouch = false;
    float Fastest = 0.0f;

    void Begin(GAMENODE* vehicle, const FACE& face)
    {
        *this = WATCH();
        Vehicle = dynamic_cast<VEHICLE*>(vehicle);
        Face = face;
        Sounds = Vehicle ? Vehicle->CollisionSounds : 0;
    }
    void Frame()
    {
        if (!Vehicle)
            return;
        const QNVEC3 p = Vehicle->GetWorldMatrix().Translation();
        Nearest = std::min(Nearest, QNVEC3::Dot(Face.Normal, p) - Face.Plane);
        const QNBODY* body = PhysicsBodyOf(Vehicle);
        if (const QNCOLLGEOM* hull = body->Geometry(); hull && hull->Kind == QNCOLLGEOM::CONVEX) {
            const QNMATRIX m = body->GetTransform();
            for (const QNVEC3& v : hull->Vertices)
                Deepest = std::max(Deepest, Face.Plane - QNVEC3::Dot(Face.Normal, QNVEC3::TransformCoord(v, m)));
        }
        if (!Touched && Vehicle->InContact) {
            Touched = true;
            QNSOUND* sound = Vehicle->Resources->FindSound("stationcollision");
            StationSoundAtTouch = sound->IsPlaying() && Vehicle->CollisionSounds == Sounds + 1;
        }
        SoundBefore = SoundBefore || (!Touched && Vehicle->CollisionSounds != Sounds);
        if (!Touched)
            Fastest = std::max(Fastest, PhysicsBodyOf(Vehicle)->GetLinearVelocity().Length());
    }
    void End() { Vehicle = nullptr; }
};

TEST(StationCollisionRoad, TheSuitAndTheShipFlownIntoTheHeadquartersStopAtItsSurfaceAndTheWrecksSeatLeavesUpward)
{
    ReportToTest();
    PILOT& pilot = Pilot();
    auto face = std::make_shared<FACE>();
    auto beam = std::make_shared<FACE>();
    auto watch = std::make_shared<WATCH>();
    auto backFrom = std::make_shared<float>(0.0f);
    struct SEAT {
        QNVEC3 Up, Start;
        QNWEAK<GAMENODE> Node;
    };
    auto seat = std::make_shared<SEAT>();
    const QNVEC3 outward(1, 0, 0);

    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }}};
    Append(steps, BuildOnStartBeam(2, KIND_GENERATOR, outward));
    Append(steps, BuildOnStartBeam(0, KIND_COLLSHIPDOCK, outward));
    std::vector<ROADSTEP> suit = {
        {"the suit flies out beside the free side", [face] { *face = FreeFace(); }, 1, nullptr,
         [face, &pilot] {
             const QNVEC3 side = QNVEC3::Cross(face->Normal, QNVEC3(0, 1, 0));
             return pilot.SuitTo(face->Aim + face->Normal * 9.0f + side * 14.0f, 1.5f);
         },
         nullptr, 40 * kDriverFramesPerSecond},
        {"and comes to rest before the headquarters, looking at it", nullptr, 1,
         [face] {
             const QNVEC3 p = PlayerCompany->Suit()->GetWorldMatrix().Translation();
             EXPECT_LT((p - (face->Aim + face->Normal * 9.0f)).Length(), 2.0f);
         },
         [face, &pilot] { return pilot.SuitLook(face->Aim, face->Normal, 9.0f); }, nullptr,
         30 * kDriverFramesPerSecond},
        {"W holds the suit against the headquarters",
         [face, watch] {
             watch->Begin(PlayerCompany->Suit(), *face);
             HoldKey(SDLK_w, 8 * kDriverFramesPerSecond);
         },
         8 * kDriverFramesPerSecond + 5,
         [watch, backFrom] {
             RecordProperty("suit_nearest_mm", int(watch->Nearest * 1000.0f));
             EXPECT_GT(watch->Fastest, 3.0f);
             EXPECT_TRUE(watch->Touched);
             EXPECT_GT(watch->Nearest, kSuitHalf - 0.15f);
             EXPECT_LT(watch->Nearest, kSuitHalf + 0.3f);
             EXPECT_FALSE(watch->SoundBefore);
             EXPECT_TRUE(watch->StationSoundAtTouch);
             *backFrom = QNVEC3::Dot(watch->Face.Normal, PlayerCompany->Suit()->GetWorldMatrix().Translation());
             watch->End();
         }},
        {"S backs the suit away", [] { HoldKey(SDLK_s, 2 * kDriverFramesPerSecond); },
         2 * kDriverFramesPerSecond + 5,
         [face, backFrom] {
             const float now = QNVEC3::Dot(face->Normal, PlayerCompany->Suit()->GetWorldMatrix().Translation());
             EXPECT_GT(now - *backFrom, 2.0f);
         }},
        {"the suit comes to rest beside the start beam on that side, looking at it",
         [face, beam] { *beam = BeamFace(face->Normal, QNVEC3::Cross(face->Normal, QNVEC3(0, 1, 0))); }, 1,
         [beam] { ASSERT_GT(beam->Normal.Length(), 0.5f) << "no start beam on the free side"; },
         [beam, &pilot] { return pilot.SuitLook(beam->Aim, beam->Normal, 6.0f); }, nullptr,
         30 * kDriverFramesPerSecond},
        {"W holds the suit against the beam",
         [beam, watch] {
             watch->Begin(PlayerCompany->Suit(), *beam);
             HoldKey(SDLK_w, 5 * kDriverFramesPerSecond);
         },
         5 * kDriverFramesPerSecond + 5,
         [watch] {
             RecordProperty("suit_beam_nearest_mm", int(watch->Nearest * 1000.0f));
             EXPECT_TRUE(watch->Touched);
             EXPECT_GT(watch->Nearest, kSuitHalf - 0.15f);
             EXPECT_LT(watch->Nearest, kSuitHalf + 0.3f);
             EXPECT_FALSE(watch->SoundBefore);
             EXPECT_TRUE(watch->StationSoundAtTouch);
             watch->End();
         }},
    };
    Append(steps, std::move(suit));
    Append(steps, TakeFreeShip());
    std::vector<ROADSTEP> ship = {
        {"the ship climbs out over the free side", nullptr, 1, nullptr,
         [face, &pilot] { return pilot.ShipTo(face->Aim + face->Normal * 60.0f + QNVEC3(0, 40, 0), true, {.Reach = 4.0f}); },
         nullptr, 90 * kDriverFramesPerSecond},
        {"comes down to rest before the headquarters", nullptr, 1, nullptr,
         [face, &pilot] { return pilot.ShipTo(face->Aim + face->Normal * 60.0f, true, {.Reach = 3.0f}); }, nullptr,
         60 * kDriverFramesPerSecond},
        {"and turns its nose onto it", nullptr, 1, nullptr,
         [face, &pilot] { return pilot.ShipAim(face->Aim, {.Aim = 0.03f}); }, nullptr, 30 * kDriverFramesPerSecond},
        {"half a second of W flies it into the headquarters",
         [face, watch] {
             watch->Begin(PlayerShip(), *face);
             HoldKey(SDLK_w, kDriverFramesPerSecond / 2);
         },
         6 * kDriverFramesPerSecond,
         [watch] {
             RecordProperty("ship_speed_mm_s", int(watch->Fastest * 1000.0f));
             EXPECT_GT(watch->Fastest, 15.0f);
             EXPECT_TRUE(watch->Touched);
             EXPECT_LT(watch->Deepest, kSkin);
             EXPECT_GT(watch->Nearest, 0.0f);
             EXPECT_FALSE(watch->SoundBefore);
             EXPECT_TRUE(watch->StationSoundAtTouch);
         }},
        {"D closes the throttle; the ship stays outside", [] { Key(SDLK_d); }, 2 * kDriverFramesPerSecond,
         [watch] {
             RecordProperty("ship_deepest_mm", int(watch->Deepest * 1000.0f));
             EXPECT_LT(watch->Deepest, kSkin);
             EXPECT_GT(watch->Deepest, -0.3f);  // it reached the surface
             EXPECT_FALSE(PlayerShip()->IsDestroyed());
             watch->End();
         }},
        {"the ship wrecked there ejects its seat, which leaves upward",
         [seat] {
             seat->Up = PlayerShip()->GetWorldMatrix().Row(1).Normalize();
             PlayerShip()->DamageBallistic(1.0e6f, 0, 0);
         },
         3,
         [seat] {
             ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::EJECTING);
             ASSERT_NE(PlayerCompany->EjectionSeat(), nullptr);
             seat->Node = PlayerCompany->EjectionSeat();
             seat->Start = seat->Node.Get()->GetWorldMatrix().Translation();
         }},
        {"the seat rises along the ship's up axis", nullptr, kDriverFramesPerSecond,
         [seat] {
             ASSERT_NE(seat->Node.Get(), nullptr);
             const QNVEC3 moved = seat->Node.Get()->GetWorldMatrix().Translation() - seat->Start;
             const float along = QNVEC3::Dot(moved, seat->Up);
             EXPECT_GT(along, 0.1f);
             EXPECT_LT((moved - seat->Up * along).Length(), along);
         }},
    };
    Append(steps, std::move(ship));

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.DrawEvery = 10;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) {
        watch->Frame();
        return road.Frame();
    };
    ASSERT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
