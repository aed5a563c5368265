#include "game/world/sun.h"

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
}

QNVEC3 QNSUN::Direction() const
{
    return GetWorldMatrix().Row(2).Normalize();
}
