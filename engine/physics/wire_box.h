#pragma once
/// QNWIREBOX: the wire box of a node with user flag 0x40, the twelve edges of the node's local
/// box as a line list (8 vertices, 24 indices) drawn at its world matrix. The box follows the
/// node: each frame the vertices are rewritten when the local box has changed (a mesh set or a
/// box given after construction), and the matrix is the node's world matrix.

#include <cstdint>

#include "engine/render/qnvertex_buffer.h"
#include "engine/util/qnbox.h"

class QNINSTANCENODE;
class QNRENDERITEM;

struct QNWIREBOX {
    /// Edge colour (ARGB): a debugging aid, so a colour no stand-in medium uses.
    static constexpr std::uint32_t kColour = 0xFF00FF40u;

    QNMESHBUFFERS Buffers;
    QNRENDERITEM* Item = nullptr;  ///< in the node's camera queue; null without a camera
    QNBOX Box;                     ///< the box the vertices show

    /// The eight corners of `box` in the order the edge indices use (bit 0 x, bit 1 y, bit 2 z
    /// of the corner number select the maximum).
    static void Corners(const QNBOX& box, QNVEC3 out[8]);
    /// The 24 indices of the twelve edges.
    static const std::uint16_t kEdges[24];
};

/// Makes the node's wire box (its instance queued in the node's camera), refreshes it, frees it.
void CreateWireBox(QNINSTANCENODE* node);
void UpdateWireBox(QNINSTANCENODE* node);
void ReleaseWireBox(QNINSTANCENODE* node);
