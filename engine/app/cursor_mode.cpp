#include "engine/app/cursor_mode.h"

#include "engine/app/qnapp_hooks.h"
#include "engine/input/qninput.h"
#include "platform/events.h"

namespace QNAPP {

void SetCursorMode(bool captured, std::uint32_t cursor)
{
    if (QuitPosted || PlatformQuitPending())
        return;
    if (Devices.MouseClose)
        Devices.MouseClose();
    if (Devices.MouseOpen)
        Devices.MouseOpen(captured);
    QNMOUSE::SetCursor(cursor);
    if (!captured && Devices.ShowCursor)
        Devices.ShowCursor(true);
    // The window holds the pointer while the mouse is exclusive and lets it go with the
    // system pointer of menus and stores.
    if (Devices.CaptureCursor)
        Devices.CaptureCursor(captured);
    InactivePause = captured ? 1 : 0;
    CursorReleased = 0;
}

}  // namespace QNAPP
