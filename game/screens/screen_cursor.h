#pragma once
/// CURSOR: the pointer node of a screen. It follows the pointer in the screen frame (the
/// engine's cursor update) and, once made current, is the cursor every sprite tests against.
/// Destroying it leaves no current cursor.

#include "engine/physics/sprite_node.h"
#include "engine/scene/cursor.h"

class CURSOR : public QNCURSOR {
public:
    /// At `transform` (identity when null) with the hot spot `position`; material "sprite".
    CURSOR(QNNODE* parent, const QNMATRIX* transform, const QNVEC3& position);

    /// Makes this the engine's current cursor.
    void MakeCurrent() { QNAPP::Cursor = this; }
};
