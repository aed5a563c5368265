// Shared main of every test program: headless drivers unless the caller chose others.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gl_device.h"

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    // A GL error raised by any frame fails that frame's present.
    GfxSetErrorChecks(true);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
