#include "app/harness_scene.h"

#include <cstdio>
#include <string>

#include "app/game_setup.h"
#include "app/test_scene.h"
#include "engine/scene/scene.h"

QNAPP::GameSetup HarnessSetup(bool game)
{
    return game ? &CreateGame : &testscene::Setup;
}

namespace {

std::string g_lastScene = "none";

}  // namespace

void HarnessNoteFrame(bool game)
{
    if (game)
        g_lastScene = QNSCENE::Current ? QNSCENE::Current->Name().Text() : "none";
}

void HarnessReport(bool game)
{
    if (game) {
        std::printf("scene %s", g_lastScene.c_str());
        return;
    }
    const float* c = testscene::ClearColour();
    std::printf("clear colour %.2f %.2f %.2f", c[0], c[1], c[2]);
}
