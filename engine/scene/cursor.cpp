#include "engine/scene/cursor.h"

#include <SDL.h>

#include <cmath>

#include "engine/input/qninput.h"
#include "engine/scene/node_slots.h"
#include "platform/input_mouse.h"
#include "platform/window.h"

QNVEC3 CursorToVirtual(float x, float y, float left, float top, float right, float bottom)
{
    if (!(right > left) || !(bottom > top))
        return QNVEC3(0, 0, 0);
    const float vx = (x - left) * 1333.0f / (right - left) - 667.0f;
    const float vy = -((y - top) * 1000.0f / (bottom - top) - 500.0f);
    return QNVEC3(std::round(vx), std::round(vy), 0);
}

QNVEC3 QNCURSOR::Position()
{
    if (PositionSource)
        return PositionSource();
    int w = 0, h = 0;
    PlatformWindowClientSize(&w, &h);
    float x = 0, y = 0;
    const PlatformMouse* mouse = QNMOUSE::IsOpen() ? QNMOUSE::Device() : nullptr;
    if (mouse && mouse->RelativeMode()) {
        x = QNMOUSE::Position[0];
        y = QNMOUSE::Position[1];
    } else {
        int sx = 0, sy = 0;
        SDL_GetMouseState(&sx, &sy);
        x = float(sx);
        y = float(sy);
    }
    return CursorToVirtual(x, y, 0, 0, float(w), float(h));
}

QNCURSOR::QNCURSOR(QNNODE* parent, const char* name, std::uint32_t classFlags, const QNVEC3& hotSpot)
    : GAMENODE(parent, name, 0, classFlags | QNCF_UPDATE, 0, 0, nullptr, 0), HotSpot(hotSpot)
{
}

void QNCURSOR::Update()
{
    const std::uint32_t state = QNMOUSE::ButtonDown(1) ? 1 : QNMOUSE::ButtonDown(2) ? 2 : QNMOUSE::ButtonDown(3) ? 3 : 0;
    Button = state;
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
