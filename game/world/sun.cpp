#include "game/world/sun.h"

#include "engine/scene/resources.h"
#include "engine/util/qnmath.h"

namespace {

const QNMATRIX& SunMatrix(float azimuth, float elevation)
{
    static QNMATRIX m;
    const float toRadians = 3.14159265358979f / 180.0f;
    QNMATRIX turn, tilt;
    turn.SetRotationY(azimuth * toRadians);
    tilt.SetRotationX(elevation * toRadians);
    m = turn * tilt;
    return m;
}

}  // namespace

QNSUN::QNSUN(QNNODE* parent, float azimuth, float elevation, std::uint32_t userFlags)
    : GAMENODE(parent, "QNSUN", 0, QNCF_LEVEL_GAME, userFlags, 1, &SunMatrix(azimuth, elevation), 0)
{
    SetDirectionalLight(kSunLight, kSunLight, kSunLight);
    AttachLight(true);
    if (Resources && Resources->Meshes.FindChild("sunglow") && Resources->Textures.FindChild("sunglow")) {
        static QNMATRIX away;
        away.SetTranslation(0.0f, 0.0f, -kGlowDistance);
        // Never culled; its card faces back towards the sun's node.
        Glow = new GAMENODE(this, "SUNGLOW", 0, QNCF_LEVEL_PLAIN, 4, 1, &away, 0);
        Glow->SetMaterial("alpha");
        Glow->SetColour("fullbright");
        Glow->SetTexture("sunglow");
        Glow->SetMesh("sunglow");
    }
}

void RegisterSunMedia(QNRESOURCES& r)
{
    QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
    QNRESOURCES::TextureParams.Name = "sunglow";
    QNRESOURCES::TextureParams.File = "media\\natural\\textures\\sun.dds";
    r.AddTexture();
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    p.Name = "sunglow";
    p.Args[0] = QNSUN::kGlowSize;
    p.Args[1] = QNSUN::kGlowSize;
    p.Args[2] = 1;
    p.Args[3] = 1;
    p.Args[4] = 1;
    p.Args[5] = 1;
    p.Args[6] = 0;
    r.AddMesh();
}

QNVEC3 QNSUN::Direction() const
{
    return GetWorldMatrix().Row(2).Normalize();
}
