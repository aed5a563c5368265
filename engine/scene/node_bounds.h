#pragma once
/// The bounds record of a node's bounds level and the hit record of a node's segment cast.

#include "engine/util/qnbox.h"

class QNNODE;

/// Boxes of a node. A box is valid when its minimum is at most its maximum on every axis;
/// a cleared box (minimum above maximum) is not.
struct QNNODEBOUNDS {
    QNBOX LocalBox = Cleared();   ///< given by game code, in the node's frame
    QNBOX WorldBox = Cleared();   ///< cached box of the node and its subtree in world space
    QNBOX TreeBox = Cleared();    ///< cached box of the node and its subtree in its own frame
    float Radius = 0.0f;          ///< of TreeBox

    static QNBOX Cleared() { return QNBOX(QNVEC3(1, 1, 1), QNVEC3(-1, -1, -1)); }
    static bool Valid(const QNBOX& b) { return b.IsOrdered(); }
};

/// One hit of QNNODE::CastSegment: the node whose body was hit, the point, the normal and the
/// distance from the segment's start.
struct QNNODEHIT {
    QNNODE* Node = nullptr;
    float Point[3] = {0, 0, 0};
    float Normal[3] = {0, 0, 0};
    float Distance = 0;
};
