#pragma once
/// The pointer mode of a screen: captured (flight: the mouse exclusive, relative motion, no
/// system cursor) or the system pointer (menus and stores).

#include <cstdint>

namespace QNAPP {

/// Unless a quit is pending: reopens the mouse exclusive when `captured` (else not), sets the
/// mouse's cursor resource `cursor`, shows the system cursor when not captured, confines the
/// pointer to the window exactly while captured, stores
/// `captured` as the inactive-pause flag and clears the cursor-released flag.
void SetCursorMode(bool captured, std::uint32_t cursor);

}  // namespace QNAPP
