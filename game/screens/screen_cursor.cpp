#include "game/screens/screen_cursor.h"

#include "engine/scene/node_slots.h"

CURSOR::CURSOR(QNNODE* parent, const QNMATRIX* transform, const QNVEC3& position)
    : QNCURSOR(parent, "CURSOR", QNCF_LEVEL_GAME | QNCF_SCREEN | QNCF_UPDATE, position)
{
    UserFlags |= 4;
    SetMaterial("sprite");
    if (transform)
        NodeSetTransform(this, *transform);
}
