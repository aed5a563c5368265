// The program. It reads no options.

#include "app/standin_renderer.h"
#include "app/test_scene.h"
#include "engine/app/qnapp.h"

int main()
{
    QNAPP::InstallDefaultHooks();
    InstallStandInRenderer();
    return QNAPP::Main(&testscene::Setup, "");
}
