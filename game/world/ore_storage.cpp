#include "game/world/ore_storage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "game/world/station_media.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
constexpr float kQuarter = 25.0f;
constexpr float kSame = 0.0001f;
// Chambers stand in the four quarters of the unit's top, at rest inside its box.
constexpr float kChamberSpread = 0.95f;
constexpr float kChamberRest = 0.7f;
// Slider drive: speed, proportional band, force, end tolerance.
constexpr float kDriveSpeed = 1.0f, kDriveBand = 0.25f, kDriveForce = 1000.0f, kDriveTolerance = 0.01f;
constexpr float kChamberScale = 100.0f;
constexpr std::uint32_t kChamberUserFlags = 33;

// The quarter a level falls in (kIdle at 100 and outside 0-100).
std::uint32_t QuarterOf(float level)
{
    if (level < 0.0f || level >= 100.0f)
        return STORAGE::kIdle;
    return std::min<std::uint32_t>(3, std::uint32_t(level / kQuarter));
}

}  // namespace

STORAGE::STORAGE(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible)
    : STATIONPART(parent, "STORAGE", KIND_STORAGE, 0, indestructible, 0, view)
{
    SetTexture("storage");
    SetMesh("storage");
    SetSound("storage");
    AddConnector(FACE_FRONT, QNVEC3(0.0f, -0.085f, 0.0f));
    if (parent)
        AttachTo(parent, connector, 0);
    QNMATRIX slider;
    slider.SetRotationX(-90.0f * kDegree);  // the slider's axis (its frame's z) along the unit's y
    for (int n = 0; n < kChambers; ++n) {
        const float x = (n & 1) ? kChamberSpread : -kChamberSpread;
        const float z = (n & 2) ? kChamberSpread : -kChamberSpread;
        QNMATRIX at;
        at.SetTranslation(x, kChamberRest, z);
        auto* chamber = new GAMENODE(this, "CHAMBER", KIND_STORAGE, QNCF_LEVEL_PLAIN | QNCF_BODY, kChamberUserFlags,
                                     5, &at, 0);
        chamber->SetTexture("storage");
        chamber->SetMesh("storage_chamber", n);
        chamber->SetScale(kChamberScale, 1.0f);
        chamber->CreateJoint(QNJOINT_SLIDER, &slider);
        Chambers[n] = chamber;
    }
}

float STORAGE::Slide(std::uint32_t n) const
{
    if (n >= std::uint32_t(kChambers) || !Chambers[n])
        return 0.0f;
    return Chambers[n]->GetLocalMatrix().Translation().y * kSlideScale - kSlideRest;
}

void STORAGE::DriveChamber(std::uint32_t n, float slide)
{
    if (n >= std::uint32_t(kChambers) || !Chambers[n])
        return;
    const float p = slide / kSlideScale;
    Chambers[n]->DriveJoint(p, p, kDriveSpeed, kDriveBand, kDriveForce, kDriveTolerance);
}

void STORAGE::SetLevel(float level)
{
    level = std::clamp(level, 0.0f, 100.0f);
    if (std::fabs(level - Level) < kSame)
        return;
    TargetLevel = level;
    Filling = TargetLevel >= Level;
    SetSound("storage", 0);
    PlaySound(-1);
    for (int n = 0; n < kChambers; ++n) {
        const float part = std::clamp(TargetLevel - kQuarter * float(n), 0.0f, kQuarter);
        ChamberTargets[n] = part * (kChamberTravel / kQuarter);
    }
    MovingChamber = QuarterOf(Level);
    // A full unit has no quarter of its own: lowering it starts at the top chamber.
    if (MovingChamber == kIdle && !Filling)
        MovingChamber = kChambers - 1;
    TargetChamber = QuarterOf(TargetLevel);
    if (MovingChamber < std::uint32_t(kChambers))
        DriveChamber(MovingChamber, ChamberTargets[MovingChamber]);
}

void STORAGE::Pause(bool on)
{
    if (on && MovingChamber < std::uint32_t(kChambers)) {
        DriveChamber(MovingChamber, Slide(MovingChamber));
        Chambers[MovingChamber]->StopMotion(false, QNCF_LEVEL_PLAIN);
        SavedChamber = MovingChamber;
        MovingChamber = kPaused;
        SetSound("storage", 1);
        PlaySound(0);
    } else if (!on && MovingChamber == kPaused) {
        MovingChamber = SavedChamber;
        DriveChamber(MovingChamber, ChamberTargets[MovingChamber]);
        SetSound("storage", 0);
        PlaySound(-1);
    }
}

void STORAGE::FollowOperation()
{
    Pause(!IsOperating());
}

void STORAGE::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    FollowOperation();
}

void STORAGE::SetPowered(bool on)
{
    if (on == Powered)
        return;
    STATIONPART::SetPowered(on);
    FollowOperation();
}

void STORAGE::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("storage", on ? 1 : 0);
    for (GAMENODE* chamber : Chambers)
        if (chamber)
            chamber->SetTexture("storage", on ? 1 : 0);
}

void STORAGE::Update()
{
    STATIONPART::Update();
    if (!collisionsOff_ && State == 3) {
        // The chambers slide inside the unit's own shape.
        for (GAMENODE* chamber : Chambers)
            if (chamber)
                chamber->SetTreeCollision(this, false);
        collisionsOff_ = true;
    }
    if (MovingChamber >= std::uint32_t(kChambers))
        return;
    const float slide = Slide(MovingChamber);
    if (std::fabs(slide - ChamberTargets[MovingChamber]) <= kArrival) {
        // A target of 100 has no quarter of its own: the top chamber is the last to move.
        const std::uint32_t last = std::min<std::uint32_t>(TargetChamber, kChambers - 1);
        if (MovingChamber != last) {
            MovingChamber = Filling ? MovingChamber + 1 : MovingChamber - 1;
            DriveChamber(MovingChamber, ChamberTargets[MovingChamber]);
        } else {
            MovingChamber = kIdle;
            Level = TargetLevel;
            StopSound();
            SetSound("storage", 1);
            PlaySound(0);
        }
        return;
    }
    Level = (slide / kChamberTravel + float(MovingChamber)) * kQuarter;
}

void STORAGE::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "storage", 2);
    stationmedia::Mesh(r, "storage");
    stationmedia::Mesh(r, "storage_chamber", kChambers, 0);
    stationmedia::Sound(r, "storage", 2, 1.0f, 110.0f);
}
