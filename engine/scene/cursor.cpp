#include "engine/scene/cursor.h"

#include "engine/input/qninput.h"
#include "engine/scene/node_slots.h"

QNVEC3 QNCURSOR::Position()
{
    if (PositionSource)
        return PositionSource();
    float x = 0, y = 0;
    QNMOUSE::Pointer(&x, &y);
    return QNVIRTUALSCREEN::FromPixels(x, y, QNMOUSE::LowerBound[0],
                                       QNMOUSE::LowerBound[1], QNMOUSE::UpperBound[0], QNMOUSE::UpperBound[1]);
}

namespace {

// 1, 2 or 3: the first of mouse buttons 1-3 held; 0 none.
std::uint32_t ButtonState()
{
    return QNMOUSE::ButtonDown(1) ? 1 : QNMOUSE::ButtonDown(2) ? 2 : QNMOUSE::ButtonDown(3) ? 3 : 0;
}

}  // namespace

QNCURSOR::QNCURSOR(QNNODE* parent, const char* name, std::uint32_t classFlags, const QNVEC3& hotSpot)
    : GAMENODE(parent, name, 0, classFlags | QNCF_UPDATE, 0, 0, nullptr, 0), HotSpot(hotSpot)
{
    // A button already held when a screen makes its cursor (the click that opened the screen)
    // went down elsewhere: it is no press here.
    Button = PreviousButton = ButtonState();
}

void QNCURSOR::Update()
{
    Button = ButtonState();
    Changed = Button != PreviousButton ? 1 : 0;
    if (Changed)
        PreviousButton = Button;

    QNMATRIX world = NodeWorldMatrix(this);
    const QNVEC3 at = Position() - HotSpot;
    world.m[12] = at.x;
    world.m[13] = at.y;
    world.m[14] = at.z;
    NodeSetTransform(this, world);
    Pointing = QNVEC3::TransformCoord(HotSpot, world);

    if (QNNODE* linked = Linked.Get()) {
        QNMATRIX m = world;
        const QNVEC3 own = NodeWorldMatrix(linked).Translation();
        m.m[12] = own.x;
        m.m[13] = own.y;
        m.m[14] = own.z;
        NodeSetTransform(linked, m);
    }
}
