#include "engine/scene/glow.h"

#include <algorithm>
#include <cmath>

#include "engine/render/qncolour.h"
#include "engine/render/qnviewport.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/view.h"

GLOW::GLOW(QNNODE* parent, const QNMATRIX* transform, const char* mesh, const char* texture, std::uint32_t userFlags)
    : GAMENODE(parent, "GLOW", 0, 0x2000000, userFlags, 0, transform, 0)
{
    SetMesh(mesh);
    SetTexture(texture, 0, 0);
    SetMaterial("alpha");
    SetOwnColour();
    OwnColour->SetColour(1, 1, 1, 1);
    OwnColour->SetAlpha(1);
    if (transform)
        NodeSetTransform(this, *transform);
}

bool ComputeGlowFrame(const QNMATRIX& glowWorld, const QNVEC3& camera, const QNMATRIX& billboard, float coneAngle,
                      float fadeWidth, float size, float alpha, QNGLOWFRAME& out)
{
    const QNVEC3 position = glowWorld.Translation();
    const QNVEC3 toCamera = camera - position;
    const float distance = toCamera.Length();
    if (!(distance > 0.0f))
        return false;
    const QNVEC3 u = toCamera * (1.0f / distance);
    const QNVEC3 z = glowWorld.Row(2).Normalize();
    const float cosine = std::clamp(QNVEC3::Dot(z, u), -1.0f, 1.0f);
    out.Angle = std::acos(cosine);
    out.Outside = out.Angle > coneAngle;
    float k = 1.0f;
    if (fadeWidth != 0.0f && !out.Outside && out.Angle >= coneAngle - fadeWidth)
        k = (coneAngle - out.Angle) / fadeWidth;
    out.K = k * alpha;

    QNMATRIX scale;
    scale.SetScaling(out.K, out.K, out.K);
    out.World = billboard * scale;
    const float s = std::min(size, distance - 0.5f);
    const QNVEC3 placed = position + u * s;
    out.World.m[12] = placed.x;
    out.World.m[13] = placed.y;
    out.World.m[14] = placed.z;
    return true;
}

QNGLOW::QNGLOW(QNNODE* parent, const QNMATRIX* transform, float coneAngle, float fadeWidth, float size,
               const char* mesh, const char* texture)
    : GAMENODE(parent, "QNGLOW", 0, 0x2000004, 0, 0, transform, 0), ConeAngle(coneAngle), FadeWidth(fadeWidth),
      Size(size)
{
    if (transform)
        NodeSetTransform(this, *transform);
    Glow = new GLOW(this, nullptr, mesh, texture, 0);
}

void QNGLOW::Update()
{
    QNNODE* camera = View ? View->CurrentNode.Get() : nullptr;
    const QNNODE* parent = ParentNode();
    if (!camera || !parent || parent->State != 3)
        return;
    QNGLOWFRAME frame;
    if (!ComputeGlowFrame(NodeWorldMatrix(this), NodeWorldMatrix(camera).Translation(), QNVIEWPORT::Billboard,
                          ConeAngle, FadeWidth, Size, Alpha, frame))
        return;
    Outside = frame.Outside ? 1 : 0;
    SetState(Outside ? 2 : 3, kVisibilityVote, false, false);
    if (Glow && Glow->OwnColour)
        Glow->OwnColour->SetAlpha(frame.K);
    if (Glow)
        NodeSetTransform(Glow, frame.World);
}
