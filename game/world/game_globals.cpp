#include "game/world/game_globals.h"

GAMESETTINGS GameSettings;
GAMESCENES GameScenes;
COMPANY* Companies[kCompanyCount] = {};
PLAYERCOMPANY* PlayerCompany = nullptr;
std::uint32_t PlayerView = 0;
IDSET ViewTurns[kCompanyCount];
IDSET BuilderTurns;

COMPANY* CompanyOfView(std::uint32_t view)
{
    return view < kCompanyCount ? Companies[view] : nullptr;
}
