#pragma once
/// QNCURSOR: a node that follows the mouse cursor in the virtual screen (x -667..667,
/// y -500..500, y up, origin at the centre).
///
/// The pointer is the input layer's (QNMOUSE::Pointer, in viewport pixels within the mouse
/// bounds), so scripted pointer events reach it as real ones do. It maps to
/// the virtual screen over the mouse bounds as picking maps it (QNVIRTUALSCREEN::FromPixels).

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnmatrix.h"
#include "engine/util/qnvirtual_screen.h"

/// Client pixel (x, y) of a client rectangle in virtual-screen units; (0, 0, 0) for an empty
/// rectangle.
inline QNVEC3 CursorToVirtual(float x, float y, float left, float top, float right, float bottom)
{
    return QNVIRTUALSCREEN::FromPixels(x, y, left, top, right, bottom);
}

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
