#pragma once
/// BACKDROP: the full-screen picture of a screen (1333 x 1000 units) at the origin; disabled, so
/// it never takes the pointer or the focus from the elements in front of it.

#include "engine/physics/sprite_node.h"

class BACKDROP : public SPRITENODE {
public:
    /// Texture and mesh `picture`, material "sprite", colour "fullbright", at depth `z`.
    BACKDROP(QNNODE* parent, const char* picture, float z = 0.0f);
};
