#pragma once
/// State that the mercenary manager screen shares with the game: three mercenary records and
/// the selection. The in-game scene clears it at the start of every new game.

#include <cstdint>

struct MERCENARYRECORD {
    std::uint8_t Bytes[3] = {};
    std::uint32_t Words[5] = {};
};

struct MERCENARYSTATE {
    MERCENARYRECORD Records[3];
    std::uint32_t Selection = 0;

    /// Every record and the selection back to zero.
    void Clear() { *this = MERCENARYSTATE(); }
};

/// The one mercenary-manager state of the program.
extern MERCENARYSTATE MercenaryState;
