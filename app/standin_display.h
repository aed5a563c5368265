#pragma once
// A minimal display for the programs in app/ while the engine has none of its own: a GL
// context on the program's window, present = frame clock + buffer swap. Only the display
// entries of QNAPP::Devices that are still empty are filled.

/// Fills the empty display entries. True when the stand-in is in use.
bool InstallStandInDisplay();

/// Size of the drawable of the stand-in display (0 x 0 when it is not open).
void StandInDisplaySize(int* width, int* height);
