#pragma once
/// The game's default control table: the 93 bindings written at every new game.
///
/// Keyboard codes are scan codes, plus 0x100 where Shift must be held; a key binding fires only
/// with Shift, Control and Alt held exactly as its code says. Records not listed (0, 3, 5, 7,
/// 18, 40, 55-57, 64-68, 86, 91) keep their construction defaults and stay 0.

#include "engine/input/qninputmap.h"

/// Number of records the default table needs.
constexpr std::uint32_t QNDEFAULTBINDINGCOUNT = 93;

/// The rows of the default table.
const QNINPUTROW* QnDefaultBindings(int* count);

/// Writes the default table into the binding records (allocated with at least 93 records).
void QnWriteDefaultBindings();
