#include "game/vehicles/comet.h"

#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/render/qncolour.h"
#include "engine/scene/resources.h"
#include "engine/util/qnmath.h"
#include "game/world/media_util.h"

namespace {

// Size of the comet's generated card: long along its tail.
constexpr float kCardLength = 150.0f;
constexpr float kCardWidth = 30.0f;

const QNMATRIX& PartOffset()
{
    static QNMATRIX m;
    m.SetTranslation(0.0f, 0.0f, -COMET::kDistance);
    return m;
}

}  // namespace

COMET::VISIBLEPART::VISIBLEPART(QNNODE* parent)
    : GAMENODE(parent, "VISIBLEPART", kKindComet, QNCF_LEVEL_PLAIN | QNCF_UPDATE, 0, 1, &PartOffset(), 0)
{
    SetMaterial("alpha");
    SetOwnColour("fullbright");
    SetTexture("comet");
    SetMesh("comet");
    Enter(HIDDEN);
}

void COMET::VISIBLEPART::SetLevel(float level)
{
    Level = level;
    if (QNCOLOUR* c = OwnColour) {
        c->Emissive = {level, level, level, level};
        c->Diffuse.a = level;
    }
}

void COMET::VISIBLEPART::Enter(PHASE phase)
{
    Phase = phase;
    switch (phase) {
    case FADEIN:
        SetState(3, 3, false, false);
        SetLevel(0.0f);
        PhaseLength = kFade;
        break;
    case VISIBLE:
        SetLevel(1.0f);
        PhaseLength = RandomRange(kVisibleMin, kVisibleMax);
        break;
    case FADEOUT:
        SetLevel(1.0f);
        PhaseLength = kFade;
        break;
    case HIDDEN:
        SetLevel(0.0f);
        SetState(2, 3, false, false);
        PhaseLength = RandomRange(kHiddenMin, kHiddenMax);
        break;
    }
    PhaseTimer.Restart();
}

void COMET::VISIBLEPART::Update()
{
    const float t = float(PhaseTimer.Elapsed());
    const float f = PhaseLength > 0.0f ? std::fmin(t / PhaseLength, 1.0f) : 1.0f;
    if (Phase == FADEIN)
        SetLevel(f);
    else if (Phase == FADEOUT)
        SetLevel(1.0f - f);
    if (t >= PhaseLength)
        Enter(PHASE((Phase + 1) % 4));
}

COMET::COMET(QNNODE* parent)
    : GAMENODE(parent, "COMET", kKindComet, QNCF_LEVEL_GAME | QNCF_BODY, 0, 1, nullptr, 0)
{
    Part = new VISIBLEPART(this);
}

void COMET::Reposition(float a, float b, float speed)
{
    SetTransform(QNMATRIX());
    QNMATRIX turn;
    turn.SetRotationZ(Atan2F(b, a) + 3.14159265358979f / 2.0f);
    Part->SetTransform(PartOffset() * turn);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetLinearVelocity(QNVEC3(a, b, 0.0f).Normalize() * speed);
}

void RegisterCometMedia(QNRESOURCES& r)
{
    QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
    QNRESOURCES::TextureParams.Name = "comet";
    QNRESOURCES::TextureParams.File = "media\\natural\\textures\\comet.dds";
    r.AddTexture();
    // The comet is scenery: no collision model.
    RegisterQuad(r, "comet", kCardLength, kCardWidth);
}
