#include "game/vehicles/hud_meter.h"

#include <algorithm>
#include <cmath>

#include "game/vehicles/hud_media.h"
#include "game/vehicles/one_shot_sound.h"

HUDMETER::HUDMETER(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& transform,
                   std::uint32_t userFlags, const char* texture, std::uint32_t frames, float minimum, float maximum,
                   const char* mesh)
    : GAMENODE(parent, name, kind, 0x1000040, userFlags, 3, &transform, 0),
      Minimum(minimum), Maximum(maximum), Value(minimum), FrameCount(frames)
{
    DressHudNode(this, texture, mesh);
    ShowTextureCell(this, 0);
}

void HUDMETER::SetValue(float value)
{
    Value = std::clamp(value, Minimum, Maximum);
    std::uint32_t frame = 0;
    const float step = FrameCount > 1 ? (Maximum - Minimum) / float(FrameCount - 1) : 0.0f;
    if (step > 0.0f)
        frame = std::min(FrameCount - 1, std::uint32_t(std::max(0.0f, std::floor(Value / step))));
    if (frame != ShownFrame) {
        ShownFrame = frame;
        ShowTextureCell(this, frame);
    }
}
