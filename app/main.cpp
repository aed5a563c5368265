// The program. It reads no options.

#include "app/test_scene.h"
#include "engine/app/qnapp.h"

int main()
{
    QNAPP::InstallDefaultHooks();
    return QNAPP::Main(&testscene::Setup, "");
}
