// The program. It reads no options.

#include "app/game_setup.h"
#include "engine/app/qnapp.h"

int main()
{
    QNAPP::InstallDefaultHooks();
    return QNAPP::Main(&CreateGame, "");
}
