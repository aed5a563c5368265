#pragma once
/// QNCURSOR: a node that follows the mouse cursor in the virtual screen (x -667..667,
/// y -500..500, y up, origin at the centre).
///
/// The pointer is read from the mouse device while the device holds it captured (relative
/// mode, its position kept in client pixels), else from the system pointer over the window.
/// Client pixels map to the virtual screen as picking maps them: x' = x * 1333 / width - 667,
/// y' = -(y * 1000 / height - 500), each rounded half away from zero.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnmatrix.h"

/// Client pixel (x, y) of a client rectangle in virtual-screen units; (0, 0, 0) for an empty
/// rectangle.
QNVEC3 CursorToVirtual(float x, float y, float left, float top, float right, float bottom);

class QNCURSOR : public GAMENODE {
public:
    QNCURSOR(QNNODE* parent, const char* name, std::uint32_t classFlags, const QNVEC3& hotSpot);

    /// Button state, position, pointing position and the linked node, once a frame.
    void Update() override;

    /// The cursor in virtual-screen units (see the header comment).
    static QNVEC3 Position();
    /// Replaces the pointer read (tests and scripted runs); null reads the devices.
    static inline QNVEC3 (*PositionSource)() = nullptr;

    QNVEC3 HotSpot;
    QNVEC3 Pointing;                 ///< the hot spot in world space after the last update
    std::uint32_t Button = 0;        ///< 1, 2, 3: the first of buttons 1-3 held; 0 none
    std::uint32_t PreviousButton = 0;
    std::uint8_t Changed = 0;
    QNWEAK<QNNODE> Linked;           ///< follows the cursor keeping its own translation
};
