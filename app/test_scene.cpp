#include "app/test_scene.h"

#include "engine/app/qnapp.h"
#include "engine/input/qninput.h"
#include "engine/scene/scene.h"

namespace testscene {

namespace {

constexpr std::uint32_t kScanEscape = 0x01;
constexpr std::uint32_t kScanSpace = 0x39;

float g_colour[3] = {kColourA[0], kColourA[1], kColourA[2]};

class TESTSCENE : public QNSCENE {
public:
    TESTSCENE() : QNSCENE(&QNSCENE::SceneRoot(), "TESTSCENE", 1)
    {
        SetBackgroundColour(kColourA[0], kColourA[1], kColourA[2]);
    }

    void Update() override
    {
        const std::uint32_t key = QNKEYBOARD::KeyEvent() & 0xFF;
        if (key == kScanSpace) {
            const float* next = Background[0] == kColourA[0] ? kColourB : kColourA;
            SetBackgroundColour(next[0], next[1], next[2]);
        } else if (key == kScanEscape) {
            QNSCENE::RequestQuit();
        }
        for (int i = 0; i < 3; ++i)
            g_colour[i] = Background[i];
    }
};

}  // namespace

void Setup(QNAPPSETTINGS& settings)
{
    settings.Title = "C O R V A N E  ~ by ~  Quennet";
    settings.AcceleratorCommand = 40001;
    settings.ExclusiveInput = 0;
    settings.DeveloperKeys = 1;
    settings.Device.FullScreen = 0;
    QNAPP::CopyDeviceSettings();
    new TESTSCENE();
}

const float* ClearColour()
{
    return g_colour;
}

}  // namespace testscene
