#include "game/vehicles/vehicle_frames.h"

namespace vehicleframes {

using gameframes::Translate;
using gameframes::TurnX;
using gameframes::TurnY;

const std::array<QNMATRIX, 6>& ViewTurns()
{
    static const std::array<QNMATRIX, 6> turns = {QNMATRIX(), TurnY(180), TurnY(-90), TurnY(90), TurnX(-90), TurnX(90)};
    return turns;
}

const std::array<QNMATRIX, 2>& LauncherFrames()
{
    static const std::array<QNMATRIX, 2> frames = {Translate(1.5f, -1.4f, 1.3f) * TurnX(-0.5f) * TurnY(-0.5f),
                                                   Translate(-1.5f, -1.4f, 1.3f) * TurnX(-0.5f) * TurnY(0.5f)};
    return frames;
}

const std::array<QNMATRIX, 2>& CanisterOffsets()
{
    static const std::array<QNMATRIX, 2> frames = {Translate(1, -1, -1), Translate(-1, -1, -1)};
    return frames;
}

const std::array<QNMATRIX, 2>& ChipperFrames()
{
    static const std::array<QNMATRIX, 2> frames = {TurnY(0.5f) * Translate(-1.5f, -0.15f, 2.0f),
                                                   TurnY(-0.5f) * Translate(1.5f, -0.15f, 2.0f)};
    return frames;
}

const QNMATRIX& SkyOffset()
{
    static const QNMATRIX sky = Translate(0, 0, -850);
    return sky;
}

}  // namespace vehicleframes
