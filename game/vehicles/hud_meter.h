#pragma once
/// HUDMETER: a gauge that shows its value as one frame of a texture's cell grid.

#include <cstdint>

#include "engine/scene/node_chain.h"

class HUDMETER : public GAMENODE {
public:
    HUDMETER(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& transform,
             std::uint32_t userFlags, const char* texture, std::uint32_t frames, float minimum, float maximum,
             const char* mesh = nullptr);

    /// Clamps and stores the value; the frame is the integer part of value / (range / (frames - 1)).
    void SetValue(float value);

    float Minimum = 0.0f;
    float Maximum = 1.0f;
    float Value = 0.0f;
    std::uint32_t ShownFrame = 0;
    std::uint32_t FrameCount = 1;
};
