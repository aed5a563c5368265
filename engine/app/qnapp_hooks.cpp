#include "engine/app/qnapp_hooks.h"

#include "engine/app/qnapp.h"
#include "engine/util/qnmath.h"
#include "engine/util/qnsystem.h"
#include "platform/window.h"

namespace QNAPP {

QNAPPDEVICES Devices;
QNAPPSCENES Scenes;

void InstallDefaultHooks()
{
    Devices = QNAPPDEVICES{};
    Scenes = QNAPPSCENES{};

    Devices.SystemInit = [] { QNSYSTEM::Init(); };
    Devices.SeedRandom = [](std::uint32_t seed) { SeedRandom(seed); };
    Devices.Sleep = [](float seconds) { QNSYSTEM::Sleep(seconds); };
    Devices.ShowCursor = [](bool show) { PlatformShowCursor(show); };
    Devices.CaptureCursor = [](bool capture) { PlatformCaptureCursor(capture); };
    Devices.WindowIsMinimised = [] { return PlatformWindowIsMinimised(); };
    Devices.WindowIsForeground = [] { return PlatformWindowIsForeground(); };
    // Until a display presents, the frame clock still runs once per frame.
    Devices.Present = [] { QNFRAMESTATS::Tick(false); };
}

}  // namespace QNAPP
