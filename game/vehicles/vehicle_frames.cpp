#include "game/vehicles/vehicle_frames.h"

namespace vehicleframes {

namespace {

using gameframes::Radians;

QNMATRIX T(float x, float y, float z)
{
    QNMATRIX m;
    m.SetTranslation(x, y, z);
    return m;
}

QNMATRIX RX(float degrees)
{
    QNMATRIX m;
    m.SetRotationX(Radians(degrees));
    return m;
}

QNMATRIX RY(float degrees)
{
    QNMATRIX m;
    m.SetRotationY(Radians(degrees));
    return m;
}

}  // namespace

const std::array<QNMATRIX, 6>& ViewTurns()
{
    static const std::array<QNMATRIX, 6> turns = {QNMATRIX(), RY(180), RY(-90), RY(90), RX(-90), RX(90)};
    return turns;
}

const std::array<QNMATRIX, 2>& LauncherFrames()
{
    static const std::array<QNMATRIX, 2> frames = {T(1.5f, -1.4f, 1.3f) * RX(-0.5f) * RY(-0.5f),
                                                   T(-1.5f, -1.4f, 1.3f) * RX(-0.5f) * RY(0.5f)};
    return frames;
}

const std::array<QNMATRIX, 2>& CanisterOffsets()
{
    static const std::array<QNMATRIX, 2> frames = {T(1, -1, -1), T(-1, -1, -1)};
    return frames;
}

const std::array<QNMATRIX, 2>& ChipperFrames()
{
    static const std::array<QNMATRIX, 2> frames = {RY(0.5f) * T(-1.5f, -0.15f, 2.0f),
                                                   RY(-0.5f) * T(1.5f, -0.15f, 2.0f)};
    return frames;
}

const QNMATRIX& SkyOffset()
{
    static const QNMATRIX sky = T(0, 0, -850);
    return sky;
}

}  // namespace vehicleframes
