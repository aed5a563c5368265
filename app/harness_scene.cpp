#include "app/harness_scene.h"

#include <cstdio>

#include "app/test_scene.h"

QNAPP::GameSetup HarnessSetup()
{
    return &testscene::Setup;
}

void HarnessReport()
{
    const float* c = testscene::ClearColour();
    std::printf("clear colour %.2f %.2f %.2f", c[0], c[1], c[2]);
}
