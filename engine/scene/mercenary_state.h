#pragma once
/// State that the mercenary manager screen shares with the game: the standing orders of the
/// three mercenary slots and a word set when the screen is left. The in-game scene clears it at
/// the start of every new game.

#include <cstdint>

/// One mercenary slot. Every choice is 0 while unset; a choice is its button's place in its
/// control group plus 1.
struct MERCENARYRECORD {
    std::uint8_t Hired = 0;          ///< 1 while a ship is hired in this slot
    std::uint8_t AttackOn = 0;       ///< the "Attack" check box
    std::uint8_t DefendOn = 0;       ///< the "Defend" check box
    std::uint32_t AttackTarget = 0;  ///< 1 "Station", 2 "Ships", 3 "Closest"
    std::uint32_t DefendMode = 0;    ///< 1 "Stay Close", 2 "Chase"
    std::uint32_t Duty = 0;          ///< 1 "Patrol", 2 "Dock"
    std::uint32_t Risk = 0;          ///< 1 "Minimize Risk", 2 "Maximize Risk"
    std::uint32_t Approach = 0;      ///< 1-8
};

struct MERCENARYSTATE {
    MERCENARYRECORD Records[3];
    std::uint32_t ScreenLeft = 0;  ///< set to 1 whenever the manager screen is left

    /// Every record and the selection back to zero.
    void Clear() { *this = MERCENARYSTATE(); }
};

/// The one mercenary-manager state of the program.
extern MERCENARYSTATE MercenaryState;
