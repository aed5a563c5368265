#include "game/screens/main_menu.h"

#include <algorithm>

#include "engine/app/cursor_mode.h"
#include "engine/input/qninput.h"
#include "engine/physics/qnphysworld.h"
#include "engine/render/qncolour.h"
#include "engine/scene/text_mesh.h"
#include "engine/scene/view.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "game/screens/backdrop.h"
#include "game/screens/screen_cursor.h"
#include "game/screens/screen_media.h"
#include "game/screens/store_elements.h"

namespace {

constexpr std::uint32_t kScanEscape = 0x01;
constexpr std::uint32_t kScanF2 = 0x3C;
// Cursor resource of the system pointer on the screens.
constexpr std::uint32_t kMenuCursor = 109;
// The menu's own small world: its moving elements need few bodies.
constexpr QNWORLDPARAMS kMenuWorld = {10, 10, 10, 10, 1, true};

// The resume message: glyph cells and columns for the text.
constexpr float kMessageCellWidth = 24.0f;
constexpr float kMessageCellHeight = 40.0f;
constexpr std::uint32_t kMessageColumns = 28;

const char* const kTextures = "media\\screens\\mainmenu\\textures\\";

std::string MenuFile(const char* file)
{
    return std::string(kTextures) + file;
}

}  // namespace

MAINMENU::NEWGAMEBUTTON::NEWGAMEBUTTON(QNNODE* parent, MAINMENU* menu)
    : SPRITENODE(parent, "NEWGAMEBUTTON", 0, 0, 0, nullptr, 0), menu_(menu)
{
    DressSprite(this, "mainmenunewgamebutton", "sprite", kButtonX, kNewGameY);
}

std::int32_t MAINMENU::NEWGAMEBUTTON::OnMessage(std::uint32_t id, std::uintptr_t, std::uintptr_t)
{
    if (menu_->GameUnderneath())
        return 0;
    switch (id) {
    case QNMSG_ENTER:
        SetTexture("mainmenunewgamebutton2");
        break;
    case QNMSG_LEAVE:
        SetTexture("mainmenunewgamebutton");
        break;
    case QNMSG_PRESS:
        if (WaitForSound(PlayScreenSound(this, "button"), 0.0))
            QNSCENE::RequestSwitch("SPACE");
        break;
    default:
        break;
    }
    return 0;
}

MAINMENU::QUITBUTTON::QUITBUTTON(QNNODE* parent) : SPRITENODE(parent, "QUITBUTTON", 0, 0, 0, nullptr, 0)
{
    DressSprite(this, "mainmenuquitbutton", "sprite", kButtonX, kQuitY);
}

std::int32_t MAINMENU::QUITBUTTON::OnMessage(std::uint32_t id, std::uintptr_t, std::uintptr_t)
{
    switch (id) {
    case QNMSG_ENTER:
        SetTexture("mainmenuquitbutton2");
        break;
    case QNMSG_LEAVE:
        SetTexture("mainmenuquitbutton");
        break;
    case QNMSG_PRESS:
        WaitForSound(PlayScreenSound(this, "button"), kQuitPause);
        QNSCENE::RequestQuit();
        break;
    default:
        break;
    }
    return 0;
}

MAINMENU::RETICLE::RETICLE(QNNODE* parent) : SPRITENODE(parent, "RETICLE", 0, 0, 0, nullptr, 0)
{
    NewTarget();
    DressSprite(this, "mainmenureticle", "alpha", Target.x, Target.y);
    SetOwnColour("fullbright");
    OwnColour->SetAlpha(0.5f);
    NewTarget();
}

void MAINMENU::RETICLE::NewTarget()
{
    Target = QNVEC3(RandomRange(-kScreenHalfWidth, kScreenHalfWidth), RandomRange(-kScreenHalfHeight, kScreenHalfHeight),
                    0.0f);
}

void MAINMENU::RETICLE::Update()
{
    SPRITENODE::Update();
    const QNVEC3 at = GetWorldMatrix().Translation();
    QNVEC3 d = Target - at;
    float length = d.Length();
    if (length <= kTolerance) {
        NewTarget();
        d = Target - at;
        length = d.Length();
    }
    const float step = std::min(length, kSpeed * QNAPP::dt);
    if (length > 0.0f && step > 0.0f)
        SetTranslation(at + d * (step / length));
}

MAINMENU::SHINE::SHINE(QNNODE* parent) : SPRITENODE(parent, "SHINE", 0, 0, 0, nullptr, 0)
{
    Path[0] = QNVEC3(kStartX, kStartY, 0.0f);
    Path[1] = QNVEC3(85.0f, -540.0f, 0.0f);
    DressSprite(this, "mainmenushine", "alpha", kStartX, kStartY);
    Timer.Restart();
}

void MAINMENU::SHINE::Update()
{
    SPRITENODE::Update();
    const double t = Timer.Elapsed() - kWaitSeconds;
    if (t < 0.0)
        return;
    if (t >= kSweepSeconds) {
        SetTranslation(Path[0]);
        Timer.Restart();
        return;
    }
    const float f = float(t / kSweepSeconds);
    SetTranslation(Path[0] + (Path[1] - Path[0]) * f);
}

MAINMENU::MAINMENU(QNITEM* parent) : QNSCENE(parent, "MAINMENU", 1) {}

void MAINMENU::Register(QNRESOURCES& r)
{
    RegisterSprite(r, "mainmenubackdrop", MenuFile("backdrop.dds").c_str(), 1, 1333.0f, 1000.0f);
    RegisterSprite(r, "mainmenunewgamebutton", MenuFile("newgamebutton.dds").c_str(), 2, kButtonWidth, kButtonHeight);
    RegisterSprite(r, "mainmenuloadsavebutton", MenuFile("loadsavebutton.dds").c_str(), 2, kButtonWidth, kButtonHeight);
    RegisterSprite(r, "mainmenuoptionsbutton", MenuFile("optionsbutton.dds").c_str(), 2, kButtonWidth, kButtonHeight);
    RegisterSprite(r, "mainmenuquitbutton", MenuFile("quitbutton.dds").c_str(), 2, kButtonWidth, kButtonHeight);
    RegisterSprite(r, "mainmenureticle", MenuFile("reticle.dds").c_str(), 1, 150.0f, 300.0f);
    RegisterSprite(r, "mainmenushine", MenuFile("shine.dds").c_str(), 1, 80.0f, 80.0f);
    RegisterTexture(r, "virozeveviz_font", "media\\general\\textures\\virozeveviz_font.dds", 1, 16, 16);
    RegisterScreenSound(r, "button", "media\\screens\\common\\sounds\\button.wav");
    RegisterScreenSound(r, "music", "media\\screens\\common\\sounds\\music.wav");
}

void MAINMENU::Enter()
{
    QNAPP::SetCursorMode(false, kMenuCursor);
    CreateViewWorld(GetView(0), kMenuWorld);
    Background[0] = -1.0f;
    Background[1] = 0.0f;
    Background[2] = 0.7f;
    Background[3] = 1.0f;
    QNNODE* root = GetView(0)->Root;
    EnteredOverGame = GameUnderneath();
    if (EnteredOverGame) {
        auto* message = new SPRITENODE(root, "MESSAGE", 0, 0, 0, nullptr, 0);
        message->SetMaterial("alpha");
        message->SetOwnColour("fullbright");
        message->OwnColour->SetEmissive(0.9f, 0.8f, 0.2f);
        message->SetTexture("virozeveviz_font");
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Args[6] = 1;
        message->BuildTextMesh(kMessageCellWidth, kMessageCellHeight, kMessageColumns, 1);
        PrintText(message->Mesh, "%s", 0, QNALIGN_CENTRE, kResumeText);
        message->SetTranslation(QNVEC3(0.0f, kMessageY, 0.0f));
        message->SetState(3, 0, false, false);
    }
    (new SHINE(root))->SetState(3, 0, false, false);
    (new RETICLE(root))->SetState(3, 0, false, false);
    (new QUITBUTTON(root))->SetState(3, 0, false, false);
    MakePictureSprite(root, "OPTIONSBUTTON", "mainmenuoptionsbutton", "sprite", kButtonX, kOptionsY)
        ->SetState(3, 0, false, false);
    MakePictureSprite(root, "LOADSAVEBUTTON", "mainmenuloadsavebutton", "sprite", kButtonX, kLoadSaveY)
        ->SetState(3, 0, false, false);
    (new NEWGAMEBUTTON(root, this))->SetState(3, 0, false, false);
    (new BACKDROP(root, "mainmenubackdrop"))->SetState(3, 0, false, false);
    auto* cursor = new CURSOR(root, nullptr, QNVEC3(0, 0, 0));
    cursor->MakeCurrent();
    PlayScreenSound(root, "music", QNSOUND::kForever);
}

void MAINMENU::Update()
{
    const std::uint32_t key = QNKEYBOARD::KeyEvent() & 0xFF;
    if (key == kScanEscape && GameUnderneath())
        QNSCENE::RequestPop();
    else if (key == kScanF2)
        QNSCENE::RequestSwitch("SPACE");
}

void MAINMENU::Leave()
{
    if (EnteredOverGame)
        QNAPP::SetCursorMode(true, 0);
    EnteredOverGame = false;
}
