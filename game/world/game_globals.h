#pragma once
/// The game's globals: the four companies indexed by view, the player company, the scenes the
/// game set-up makes, the per-view turn sets, the settings, and the current HUD message line.
///
/// The companies are owned by the in-game scene (made on entering it, deleted on leaving);
/// the scenes are owned by the scene root and live until shutdown.

#include <cstdint>

#include "engine/util/qn_item.h"
#include "game/world/id_set.h"

class COMPANY;
class PLAYERCOMPANY;
class QNSCENE;
class QNQUEUEDMESSAGE;

inline constexpr std::uint32_t kCompanyCount = 4;

/// Settings of the program, fixed in code. The game set-up writes them into the application
/// settings; tests change them through `GameSettings` before calling the set-up.
struct GAMESETTINGS {
    const char* Title = "C O R V A N E  ~ by ~  Quennet";
    std::uint8_t FullScreen = 1;
    std::uint8_t DeveloperKeys = 0;
    std::uint8_t ExclusiveInput = 1;
    std::uint32_t CollisionCapacity = 2500;
    const char* ArchiveName = "*";         ///< the program's own file
    std::uint32_t BindingCount = 93;
    std::uint16_t IconId = 103;
    std::uint16_t AcceleratorTable = 101;
    std::uint32_t AcceleratorCommand = 40001; ///< Alt+Enter: full-screen toggle
    std::int32_t ScanLineReading = -1;      ///< refused
};

extern GAMESETTINGS GameSettings;

/// The scenes of the program, set by their constructors (null until made).
struct GAMESCENES {
    QNSCENE* Logo = nullptr;
    QNSCENE* MainMenu = nullptr;
    QNSCENE* Space = nullptr;
    QNSCENE* Store = nullptr;
    QNSCENE* MercenaryManager = nullptr;
    QNSCENE* ShipScene = nullptr;
    QNSCENE* BlackMarket = nullptr;
    QNSCENE* StationWeaponStore = nullptr;
    QNSCENE* ShipWeaponStore = nullptr;
    QNSCENE* CountermeasureStore = nullptr;
};

extern GAMESCENES GameScenes;

/// The companies, index = view; null outside a game.
extern COMPANY* Companies[kCompanyCount];
/// The player's company and its view (null and 0 outside a game).
extern PLAYERCOMPANY* PlayerCompany;
extern std::uint32_t PlayerView;

/// Per-view path-planning turns (capacity 30 during a game).
extern IDSET ViewTurns[kCompanyCount];
/// Active station builders (capacity 5).
extern IDSET BuilderTurns;

/// The company of view `view`, or null.
COMPANY* CompanyOfView(std::uint32_t view);
