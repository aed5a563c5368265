#include "app/harness_scene.h"

#include <cstdio>

#include "app/game_setup.h"
#include "app/test_scene.h"
#include "engine/scene/scene.h"

QNAPP::GameSetup HarnessSetup(bool game)
{
    return game ? &CreateGame : &testscene::Setup;
}

void HarnessReport(bool game)
{
    if (game) {
        const QNSCENE* current = QNSCENE::Current;
        std::printf("scene %s", current ? current->Name().Text() : "none");
        return;
    }
    const float* c = testscene::ClearColour();
    std::printf("clear colour %.2f %.2f %.2f", c[0], c[1], c[2]);
}
