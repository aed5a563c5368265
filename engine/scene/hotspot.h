#pragma once
/// HOTSPOT: a screen camera. Every scene holds one as the root of its extra camera views; the
/// scene's render walk draws each child of that root over the scene (viewport, projection,
/// clear, view matrix from the node it looks from, draw), and leaving the scene deletes them.

#include <cstdint>

#include "engine/scene/scene_hooks.h"
#include "engine/util/qn_item.h"

class QNNODE;

class HOTSPOT : public QNITEM {
public:
    /// Empty name, no parent, viewport (0, 0, 0, 0), no node, 60 degrees, clear colour
    /// (0, 0, 0, 1), depth 1, stencil 0.
    HOTSPOT() = default;
    ~HOTSPOT() override = default;

    /// True = draw this view this frame.
    virtual bool Animate() { return true; }

    QNRECT Viewport;
    QNWEAK<QNNODE> Node;                 ///< the node whose world matrix the view looks from
    float FieldOfView = 1.0471976f;
    float NearPlane = 0.0f;              ///< the render walk uses the scene's planes
    float FarPlane = 0.0f;
    float ClearColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float ClearDepth = 1.0f;
    std::int32_t ClearStencil = 0;
};
