#include "game/screens/backdrop.h"

#include "game/screens/screen_media.h"

BACKDROP::BACKDROP(QNNODE* parent, const char* picture, float z)
    : SPRITENODE(parent, "BACKDROP", 0, 0, 0, nullptr, 0)
{
    DressSprite(this, picture, "sprite", 0.0f, 0.0f, z);
    // A picture behind the elements: nothing to click, focus or Tab to.
    BroadcastProperty18(1, false);
}
