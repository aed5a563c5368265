#include "game/screens/logo.h"

#include "engine/app/cursor_mode.h"
#include "engine/input/qninput.h"
#include "engine/scene/view.h"
#include "game/screens/screen_media.h"

namespace {

constexpr std::uint32_t kScanEscape = 0x01;

}  // namespace

LOGO::LOGO(QNITEM* parent) : QNSCENE(parent, "QUENNET", 1) {}

void LOGO::Register(QNRESOURCES& resources)
{
    RegisterSprite(resources, "quennetlogo", "media\\screens\\quennet\\textures\\logo.dds", 1, 1333.0f, 1000.0f);
}

void LOGO::Enter()
{
    QNAPP::SetCursorMode(true, 0);
    SPRITENODE* logo = MakePictureSprite(GetView(0)->Root, "LOGO", "quennetlogo", "sprite", 0.0f, 0.0f);
    logo->SetState(3, 0, false, false);
    Background[0] = -1.0f;
    Background[1] = 0.0f;
    Background[2] = 0.7f;
    Background[3] = 1.0f;
    Timer.Restart();
}

void LOGO::Update()
{
    if ((QNKEYBOARD::KeyEvent() & 0xFF) == kScanEscape || QNMOUSE::ButtonEvent() != 0 ||
        Timer.Elapsed() > kShowSeconds)
        QNSCENE::RequestSwitch("MAINMENU");
}
