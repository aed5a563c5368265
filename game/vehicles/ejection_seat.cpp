#include "game/vehicles/ejection_seat.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"
#include "game/vehicles/outside_hyperspace.h"

namespace {

constexpr float kFlashWidth = 12.0f, kFlashHeight = 10.0f;

}  // namespace

EJECTIONSEAT::EJECTIONSEAT(QNNODE* parent, const QNMATRIX* transform, std::uint32_t view)
    : VEHICLE(parent, "EJECTIONSEAT", kKind, 0x200000c, 0, 0, transform, view)
{
    SetTexture("ejectionseat");
    SetMesh("ejectionseat");
    auto* pilot = new GAMENODE(this, "PILOT", kKind, 0x1000000, 0, 1, nullptr, 0);
    pilot->SetTexture("suit");
    pilot->SetMesh("ejectionseat_pilot");
    QNMATRIX flameAt, turn;
    turn.SetRotationX(1.5707964f);
    flameAt.SetTranslation(0.0f, -1.1f, -0.25f);
    flameAt = turn * flameAt;
    Flame = new GAMENODE(this, "FLAME", kKind, 0, 0, 1, &flameAt, 0);
    Flame->SetMaterial("alpha");
    Flame->SetColour("fullbright");
    Flame->SetTexture("ejectionseat_flame");
    Flame->SetMesh("ejectionseat_flame");
    SetScale(kScale, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetLinearDamping(kLinearDamping);
        body->SetAngularDamping(kAngularDamping);
    }
    FlightTimer.Init(0.0);
}

void EJECTIONSEAT::Launch(QNNODE* ship)
{
    QNBODY* body = PhysicsBodyOf(this);
    if (!body || !ship)
        return;
    body->AddForce(QNVEC3::TransformNormal(QNVEC3(0, kPush, 0), ship->GetWorldMatrix()));
    body->AddTorque(QNVEC3::TransformNormal(QNVEC3(0, kSpin, 0), GetWorldMatrix()));
}

void EJECTIONSEAT::Update()
{
    const double t = FlightTimer.Elapsed();
    VEHICLE::Update();
    if (t >= kGone) {
        if (!Delete) {
            ReleaseMesh();
            ScheduleOnce();
            Delete = 1;
        }
        return;
    }
    if (State == 3 && t > kFlash) {
        StopMotion(true, QNCF_LEVEL_PLAIN);
        SetState(2, 0, false, false);
        if (QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT)) {
            QNMATRIX at;
            at.SetTranslationV(GetWorldMatrix().Translation());
            auto* flash = new OUTSIDEHYPERSPACE(root, &at, kFlashWidth, kFlashHeight);
            flash->SetState(3, 0, false, true);
            Flashed = 1;
        }
        return;
    }
    const bool first = t >= kFlameOn && t < kFlameOff;
    const bool shown = first || (t >= kFlameOn2 && t < kFlameOff2);
    if (Flame)
        Flame->SetState(shown ? 3 : 2, 1, false, true);
    if (first && !SoundPlayed) {
        SoundPlayed = 1;
        QNSOUND* sound = Resources->FindSound("ejectionseat");
        if (!sound->HasPath())
            sound->CreatePath();
        sound->SetPositionFromMatrix(GetWorldMatrix());
        sound->Set3DParameters();
        sound->Play(0);
        ++SoundPlays;
    }
}

void EJECTIONSEAT::LoadResources(QNRESOURCES& r)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = "ejectionseat";
    s.File = "media\\vehicles\\exterior\\sounds\\ejectionseat.wav";
    r.AddSound();

    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "ejectionseat_flame";
    t.File = "media\\effects\\textures\\flame.dds";
    r.AddTexture();
    t = QNTEXTUREPARAMS();
    t.File = "media\\vehicles\\exterior\\textures\\ejectionseat.dds";
    r.AddTexture();
    // The pilot wears the suit's texture, which the suit registers when it is loaded first.
    if (!r.Textures.FindChild("suit")) {
        t = QNTEXTUREPARAMS();
        t.File = "media\\vehicles\\exterior\\textures\\suit.dds";
        r.AddTexture();
    }

    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    m = QNMESHPARAMS();
    m.File = "media\\vehicles\\exterior\\meshes\\ejectionseat.gbm";
    m.Args[0] = 1;
    r.AddMeshFile();
    m = QNMESHPARAMS();
    m.File = "media\\vehicles\\exterior\\meshes\\ejectionseat_pilot.gbm";
    m.Args[0] = 1;
    m.CollisionOption1 = 0;
    r.AddMeshFile();
    m = QNMESHPARAMS();
    m.Name = "ejectionseat_flame";
    m.File = "media\\effects\\meshes\\flame.gbm";
    m.Args[0] = 1;
    m.CollisionOption1 = 0;
    r.AddMeshFile();
}
