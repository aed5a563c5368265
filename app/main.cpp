// The program. It reads no options.

#include "app/standin_display.h"
#include "app/test_scene.h"
#include "engine/app/qnapp.h"

int main()
{
    QNAPP::InstallDefaultHooks();
    testscene::Install();
    InstallStandInDisplay();
    return QNAPP::Main(&testscene::Setup, "");
}
