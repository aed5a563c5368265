#include "game/world/space.h"

#include "engine/app/cursor_mode.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/input/default_bindings.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/mercenary_state.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/node_slots.h"
#include "engine/util/qnmath.h"
#include "engine/util/qnsystem.h"
#include "game/world/ai_company.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/media_util.h"
#include "game/world/path_planner.h"
#include "game/world/player_company.h"
#include "game/world/store_order.h"
#include "platform/events.h"

SPACEMEDIA SpaceMedia;

namespace {

constexpr std::uint32_t kEscapeAction = 1;
// The items the player starts with: generator, dock, processor, storage, cargo port.
constexpr std::uint32_t kStartingItems[] = {ITEM_GENERATOR, ITEM_DOCK, ITEM_PROCESSOR, ITEM_STORAGE,
                                            ITEM_CARGOPORT};
constexpr float kThemeVolume = 0.7f;
constexpr float kChatterVolume = 0.7f;
constexpr float kAmbient[4] = {-2.0f, 0.0f, 0.7f, 1.0f};
constexpr float kNearPlane = 0.2f;
constexpr float kFarPlane = 925.0f;
constexpr float kRollOff = 5.0f;
// Space between the star sections is black.
constexpr float kBackground[3] = {0.0f, 0.0f, 0.0f};

void DrawFrame()
{
    // A quit seen here stays pending and ends the loop once the scene is entered.
    PlatformPumpMessages();
    if (QNAPP::Scenes.Render)
        QNAPP::Scenes.Render();
    if (QNAPP::Devices.Present)
        QNAPP::Devices.Present();
}

void SoundBlock(const char* file, std::uint32_t loadMode, std::int32_t count)
{
    QNSOUNDPARAMS& p = QNRESOURCES::SoundParams;
    p = QNSOUNDPARAMS();
    p.File = file;
    p.LoadMode = loadMode;
    p.MinDistance = 1.0f;
    p.MaxDistance = 100.0f;
    p.ConeInside = 6.2831855f;
    p.ConeOutside = 6.2831855f;
    p.ConeOutsideVolume = 1.0f;
    p.Count = count;
    p.Option = 1;
    p.OwnPath = 1;
}

void TextureBlock(const char* name, const char* file, std::uint32_t cells, float cellWidth, float cellHeight)
{
    QNTEXTUREPARAMS& p = QNRESOURCES::TextureParams;
    p = QNTEXTUREPARAMS();
    p.Name = name;
    p.File = file;
    p.LoadOption1 = 1;
    p.LoadOption2 = 3;
    p.Columns = cells;
    p.Rows = cells;
    p.CellWidth = cellWidth;
    p.CellHeight = cellHeight;
    p.Count = 1;
    p.LoadOption3 = 1;
    p.Width = 128;
    p.Height = 128;
}

// A flat screen grid of `width` x `height` units.
void ScreenMeshBlock(const char* name, float width, float height)
{
    SetQuadParams(name, width, height);
}

void Run(SPACEMEDIA::REGISTRAR registrar, QNRESOURCES& resources)
{
    if (registrar)
        registrar(resources);
}

}  // namespace

SPACE::SPACE(QNITEM* parent) : QNSCENE(parent, "SPACE", kViews)
{
    GameScenes.Space = this;
}

SPACE::~SPACE()
{
    DeleteCompanies();
    if (GameScenes.Space == this)
        GameScenes.Space = nullptr;
}

COMPANY** SPACE::Companies()
{
    return ::Companies;
}

bool SPACE::IsLoading()
{
    return QNRESOURCES::LoadCallback == &SPACE::LoadProgress;
}

// ---- registration behind the load screen ---------------------------------------------------

void SPACE::RegisterLoadScreen(QNRESOURCES& r)
{
    TextureBlock("spaceloadscreen", "media\\screens\\mainmenu\\textures\\loadscreen.dds", 1, 1.0f, 0.75f);
    r.AddTexture();
    ScreenMeshBlock("spaceloadscreen", 1333.0f, 1000.0f);
    r.AddMesh();
}

void SPACE::RegisterLoadBar(QNRESOURCES& r)
{
    ScreenMeshBlock("mainmenubar", kBarWidth, 20.0f);
    r.AddMesh();
}

void SPACE::PlaceLoadBar()
{
    GAMENODE* bar = LoadBar.Get();
    if (!bar)
        return;
    const float f = static_cast<float>(LoadCount) * (1.0f / static_cast<float>(kLoadSteps));
    QNMATRIX scale;
    scale.SetScaling(f, 1.0f, 1.0f);
    QNMATRIX move;
    move.SetTranslation(f * kBarWidth * 0.5f + kBarLeft, kBarY, 0.0f);
    NodeSetTransform(bar, scale * move);
}

void SPACE::LoadProgress(void* scene)
{
    auto* space = static_cast<SPACE*>(scene);
    ++space->LoadCount;
    space->PlaceLoadBar();
    (DrawLoadingFrame ? DrawLoadingFrame : &DrawFrame)();
}

void SPACE::Register(QNRESOURCES& r)
{
    SoundBlock("media\\general\\sounds\\corvanetheme.wav", 1, 1);
    r.AddSound();
    QNSOUND* theme = r.FindSound("corvanetheme");
    theme->Play(QNSOUND::kForever);
    theme->SetVolume(kThemeVolume);

    RegisterLoadScreen(r);
    RegisterLoadBar(r);

    GAMENODE* root = ActiveViewPtr()->Root;
    QNMATRIX barPlace;
    barPlace.SetTranslation(kBarWidth * 0.5f + kBarLeft, kBarY, 0.0f);
    auto* bar = new GAMENODE(root, "BAR", 0, QNCF_LEVEL_GAME | QNCF_SCREEN, 0, 0, nullptr, 0);
    NodeSetTransform(bar, barPlace);
    bar->SetOwnColour();
    bar->OwnColour->SetEmissive(0.5f, 0.4f, 0.5f);
    bar->SetMesh("mainmenubar");
    auto* screen = new GAMENODE(root, "LOADSCREEN", 0, QNCF_LEVEL_GAME | QNCF_SCREEN, 0, 0, nullptr, 0);
    screen->SetMaterial("sprite");
    screen->SetColour("fullbright");
    screen->SetTexture("spaceloadscreen", 0, 0);
    screen->SetMesh("spaceloadscreen");
    screen->UpdateSphereBounds(true);
    screen->UpdateWorldBounds(true);
    bar->SetState(3, 0, false, true);
    screen->SetState(3, 0, false, true);
    LoadBar = bar;
    LoadScreen = screen;

    for (int i = 0; i < 4; ++i)
        Ambient[i] = kAmbient[i];
    LoadCount = 0;
    PlaceLoadBar();
    QNRESOURCES::LoadCallback = &SPACE::LoadProgress;
    QNRESOURCES::LoadCallbackArg = this;

    try {
        TextureBlock("consolefont", "media\\general\\textures\\ruvuzev_font.dds", 16, 0.9688f, 0.8438f);
        r.AddTexture();

        SoundBlock("media\\vehicles\\exterior\\sounds\\chatter.wav", 0, static_cast<std::int32_t>(kChatterSounds));
        r.AddSound();
        for (std::uint32_t i = 0; i < kChatterSounds; ++i)
            r.FindSound("chatter", static_cast<int>(i))->SetVolume(i == 2 ? 1.0f : i == 7 ? 0.9f : kChatterVolume);

        r.AddColour("consolefont")->SetEmissive(0.9882353f, 0.7019608f, 0.06666667f);

        const SPACEMEDIA& m = SpaceMedia;
        Run(m.Debris, r);
        Run(m.EjectionSeat, r);
        Run(m.Site, r);
        Run(m.Stars, r);
        Run(m.Comet, r);
        Run(m.Hud, r);
        Run(m.Suit, r);
        Run(m.CollectorShip, r);
        Run(m.OutsideHyperspace, r);
        Run(m.InsideHyperspace, r);
        Run(m.Portal, r);
        Run(m.Freighter, r);
        Run(m.Explosion, r);
        RegisterLoadBar(r);
    } catch (...) {
        QNRESOURCES::LoadCallback = nullptr;
        QNRESOURCES::LoadCallbackArg = nullptr;
        throw;
    }

    QNRESOURCES::LoadCallback = nullptr;
    QNRESOURCES::LoadCallbackArg = nullptr;
    root->DeleteChildren();
}

// ---- a game --------------------------------------------------------------------------------

void SPACE::ClearGameState()
{
    ClearStoreOrders();
    MercenaryState.Clear();
}

void SPACE::SetDefaultBindings()
{
    QnWriteDefaultBindings();
}

void SPACE::Enter()
{
    QNAPP::SetCursorMode(true, 0);
    for (std::uint32_t i = 0; i < kViews; ++i) {
        if (QNPHYSWORLD* world = PhysicsWorldOf(GetView(i)))
            world->SetContactType(0, 0, 0);
    }
    for (int i = 0; i < 4; ++i)
        Ambient[i] = kAmbient[i];
    SetBackgroundColour(kBackground[0], kBackground[1], kBackground[2]);
    NearPlane = kNearPlane;
    FarPlane = kFarPlane;
    RollOff = kRollOff;
    ClearGameState();
    SetDefaultBindings();
    CreateCompanies();
    ChatterTimer.Init(RandomRange(kChatterMin, kChatterMax));
}

// The player draws a view and an identity from the four; the three computer companies take
// the remaining views in order, each with an identity drawn from those left, the last one
// taking the last.
void SPACE::CreateCompanies()
{
    InitPathPlanners();
    for (IDSET& turns : ViewTurns)
        turns.Create(kTurnCapacity);
    BuilderTurns.Create(kBuilderCapacity);

    std::uint32_t views[kViews] = {0, 1, 2, 3};
    std::uint32_t identities[kViews] = {0, 1, 2, 3};
    std::uint32_t left = kViews;
    auto take = [&left](std::uint32_t* list, std::uint32_t index) {
        const std::uint32_t value = list[index];
        for (std::uint32_t i = index + 1; i < left; ++i)
            list[i - 1] = list[i];
        return value;
    };

    COMPANY** table = Companies();
    const auto playerViewIndex = static_cast<std::uint32_t>(RoundToInt(RandomRange(0.0f, 3.0f)));
    const auto playerIdentityIndex = static_cast<std::uint32_t>(RoundToInt(RandomRange(0.0f, 3.0f)));
    const std::uint32_t playerView = take(views, playerViewIndex);
    const std::uint32_t playerIdentity = take(identities, playerIdentityIndex);
    --left;
    ViewMask = 1u << playerView;
    ActiveView = playerView;
    table[playerView] = new PLAYERCOMPANY(static_cast<std::int32_t>(playerView), playerIdentity, table, this);

    while (left > 0) {
        const float last = static_cast<float>(left - 1);
        const auto identityIndex = static_cast<std::uint32_t>(RoundToInt(RandomRange(0.0f, last)));
        const std::uint32_t view = take(views, 0);
        const std::uint32_t identity = take(identities, identityIndex);
        --left;
        table[view] = new AICOMPANY(static_cast<std::int32_t>(view), identity, table, this);
    }

    for (std::uint32_t v = 0; v < kViews; ++v)
        table[v]->NewWorkOrders();
    for (std::uint32_t type : kStartingItems)
        table[playerView]->AddItem(type, StructurePrice(type), -1.0f, -1.0f, PAIR_RED_GREEN);
}

void SPACE::Pause()
{
    for (;;) {
        if (!PlatformPumpMessages())
            return;
        QNKEYBOARD::Poll();
        if (QNKEYBOARD::KeyEvent() == kPauseKey)
            return;
        (PauseWait ? PauseWait : &QNSYSTEM::Sleep)(kPausePoll);
    }
}

void SPACE::Update()
{
    if (IsLoading())
        return;
    COMPANY** table = Companies();
    for (std::uint32_t v = 0; v < kViews; ++v) {
        if (table[v])
            table[v]->Update();
    }
    for (IDSET& turns : ViewTurns)
        turns.Advance();
    BuilderTurns.Advance();

    if (QNKEYBOARD::KeyEvent() == kPauseKey)
        Pause();
    if (QNINPUTMAP::Value(kEscapeAction) != 0.0f && SceneRoot().FindChild("MAINMENU"))
        RequestPush("MAINMENU");
    if (ChatterTimer.PeriodsElapsed() > 0) {
        const int index = RoundToInt(RandomRange(0.0f, static_cast<float>(kChatterSounds - 1)));
        Resources.FindSound("chatter", index)->Play(0);
        ChatterTimer.Init(RandomRange(kChatterMin, kChatterMax));
    }
}

void SPACE::DeleteCompanies()
{
    COMPANY** table = Companies();
    for (std::uint32_t v = 0; v < kViews; ++v) {
        delete table[v];
        table[v] = nullptr;
    }
    PlayerCompany = nullptr;
}

void SPACE::Leave()
{
    DeleteCompanies();
    FreePathPlanners();
    for (IDSET& turns : ViewTurns)
        turns.Destroy();
    BuilderTurns.Destroy();
    ClearGameState();
}
