#include "engine/app/qnapp_hooks.h"

#include "engine/app/qnapp.h"
#include "engine/app/qnwindow.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "engine/physics/qnphysworld.h"
#include "engine/physics/qnpick.h"
#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qnmaterial.h"
#include "engine/render/qntexture.h"
#include "engine/render/qnvertex_buffer.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene.h"
#include "engine/scene/scene_renderer.h"
#include "engine/scene/text_mesh.h"
#include "engine/sound/qnsound.h"
#include "engine/util/qnmath.h"
#include "engine/util/qnsystem.h"
#include "engine/util/qntimer.h"
#include "platform/window.h"

namespace QNAPP {

QNAPPDEVICES Devices;
QNAPPSCENES Scenes;

namespace {

// Every scene of the scene root, walked with a cursor.
template <class F>
void ForEachScene(F&& f)
{
    ForEachChildScene(&QNSCENE::SceneRoot(), f);
}

// The wireframe view: the current scene's render material overrides the nodes' raster,
// lighting and stage groups with fill mode wireframe, no culling, no lighting and stage 0
// disabled; off, the material keeps nothing (its other values stay).
void SetSceneTint(bool on)
{
    QNSCENE* scene = QNSCENE::Current;
    if (!scene || !scene->RenderMaterial)
        return;
    QNMATERIAL& m = *scene->RenderMaterial;
    if (on) {
        m.FillMode = 2;
        m.CullMode = 1;
        m.Lighting = 0;
        m.Stages[0].ColorOp = 1;
        m.KeepMask = QNMAT_RASTER | QNMAT_LIGHTING | QNMAT_STAGES;
    } else {
        m.KeepMask = 0;
    }
}

void InstallDevices()
{
    QNAPPDEVICES& d = Devices;
    d.TempFolderCreate = [] { QNDISK::MakeTempFolder(); };
    d.SystemInit = [] { QNSYSTEM::Init(); };
    d.GraphicsCreate = [](const QNDISPLAYSETTINGS& request) { QNGRFDEV::Create(request); };
    d.MusicOpen = [](std::uint8_t options) { QNAUDDEV::Open(options == 1); };
    d.InputOpen = [](PlatformWindow* window) { QNINPDEV::Open(window); };
    d.PhysicsOpen = [](std::uint32_t capacity, std::uint32_t capacity2) {
        QNPHYSWORLD::InitFramework(capacity, capacity2);
    };
    d.TexturesReset = [] {
        QNTEXTURE::LoadedCount = 0;
        QNTEXTURE::LoadedBytes = 0;
    };
    d.KeyboardOpen = [](bool exclusive) { QNKEYBOARD::Open(exclusive); };
    d.JoystickOpen = [](bool exclusive) { QNJOYSTICK::Open(exclusive); };
    d.MouseOpen = [](bool exclusive) { QNMOUSE::Open(exclusive); };
    d.BindingsCreate = [](std::uint32_t count) { QNINPUTMAP::Create(count); };
    d.ArchiveOpen = [](const char* name) {
        QNSTORAGE::SetArchive(name);
        QNWINDOW::SetIcon(QNWINDOW::kIcon);  // a program without its media keeps the default icon
    };
    d.GameTimerRestart = [] {
        GameTimeCounter = 0;
        QNTIMER::ReadCounter();
        GameTimer.Restart();
    };
    d.DisplayOpenFullScreen = [] { QNDISPLAY::OpenFullScreen(); };
    d.DisplayOpenWindowed = [] { QNDISPLAY::OpenWindowed(); };
    d.SetPerspective = [](float fov, float n, float f) { QNDISPLAY::SetPerspective(fov, n, f); };
    d.RenderCachesSendAll = [] { MarkCachesSendAll(); };
    d.CursorToViewport = [] {
        const float w = static_cast<float>(QNDISPLAY::Viewport.Width);
        const float h = static_cast<float>(QNDISPLAY::Viewport.Height);
        const float lower[3] = {0.0f, 0.0f, -1000.0f};
        const float upper[3] = {w, h, 1000.0f};
        const float centre[3] = {w / 2, h / 2, 0.0f};
        for (int i = 0; i < 3; ++i) {
            QNMOUSE::LowerBound[i] = lower[i];
            QNMOUSE::UpperBound[i] = upper[i];
            QNMOUSE::Position[i] = centre[i];
        }
        QNPICK::Centre = QNVEC3(centre[0], centre[1], centre[2]);
        // The display opens with its whole viewport current: picking maps the pointer over it
        // until a scene sets a viewport of its own.
        QNPICK::ViewportBox = QNBOX(QNVEC3(0, 0, 0), QNVEC3(w, h, 0));
    };
    d.SeedRandom = [](std::uint32_t seed) { SeedRandom(seed); };

    d.JoystickPoll = [] { QNJOYSTICK::Poll(); };
    d.KeyboardPoll = [] { QNKEYBOARD::Poll(); };
    d.MousePoll = [] { QNMOUSE::Poll(); };
    d.BindingsEvaluate = [] { QNINPUTMAP::EvaluateAll(); };
    d.SoundCommit = [] { QNAUDDEV::Update(); };
    d.Present = [] { QNDISPLAY::Present(); };

    d.DisplayIsFullScreen = [] { return QNDISPLAY::FullScreen; };
    d.DisplayWasLost = [] { return QNDISPLAY::WasLost(); };
    d.DisplayIsDeviceAvailable = [] { return QNDISPLAY::IsDeviceAvailable(); };
    d.PoolsRelease = [] { ReleaseDynamicBuffers(); };
    d.PoolsRebuild = [] { RebuildDynamicBuffers(); };
    d.LightsApply = [] { QNLIGHTSLOT::ReapplyAll(); };
    d.SetGamma = [](float gamma) { QNDISPLAY::SetGamma(gamma); };

    d.MouseButtonEvent = [] { return QNMOUSE::ButtonEvent(); };
    d.KeyboardIsComboDown = [](std::uint32_t code) { return QNKEYBOARD::IsComboDown(code); };
    d.MouseDrain = [] { QNMOUSE::Drain(); };
    d.MouseSetArrow = [] {
        if (QNMOUSE::IsOpen())
            QNMOUSE::SetCursor(QNMOUSE::Cursor());
    };
    d.ShowCursor = [](bool show) { PlatformShowCursor(show); };
    d.CaptureCursor = [](bool capture) { PlatformCaptureCursor(capture); };
    d.WindowIsMinimised = [] { return PlatformWindowIsMinimised(); };
    d.WindowIsForeground = [] { return PlatformWindowIsForeground(); };
    d.Sleep = [](float seconds) { QNSYSTEM::Sleep(seconds); };

    d.SceneDefaults = [](float fov, float n, float f) {
        QNSCENE::DefaultFieldOfView = fov;
        QNSCENE::DefaultNearPlane = n;
        QNSCENE::DefaultFarPlane = f;
    };
    d.MaterialGroupMask = [](std::uint32_t mask) { QNMATERIAL::GroupMask = mask; };

    d.LightsAndPoolsDelete = [] {
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
    };
    d.BindingsFree = [] { QNINPUTMAP::Free(); };
    d.JoystickClose = [] { QNJOYSTICK::Close(); };
    d.MouseClose = [] { QNMOUSE::Close(); };
    d.KeyboardClose = [] { QNKEYBOARD::Close(); };
    d.DisplayClose = [] { QNDISPLAY::Close(); };
    d.PhysicsClose = [] { QNPHYSWORLD::TermFramework(); };
    d.InputClose = [] { QNINPDEV::Close(); };
    d.MusicClose = [] { QNAUDDEV::Close(); };
    d.GraphicsRelease = [] { QNGRFDEV::Release(); };
    d.ArchiveClose = [] { QNSTORAGE::SetArchive(nullptr); };
    d.TempFolderDelete = [] { QNDISK::RemoveTempFolder(); };
}

void InstallScenes()
{
    QNAPPSCENES& s = Scenes;
    s.Init = [] {
        QNSCENE::Request = nullptr;
        QNSCENE::Current = nullptr;
        QNSCENE::RequestKind = QNSCENE::REQUEST_NONE;
    };
    s.RequestFirst = [] { QNSCENE::RequestFirst(); };
    s.ApplyRequest = [] { QNSCENE::ApplyRequest(); };
    s.HasCurrent = [] { return QNSCENE::Current != nullptr; };
    s.NeedsRedraw = [] { return QNSCENE::Current && QNSCENE::Current->NeedsRedraw; };
    s.Update = [] { QNSCENE::UpdateScene(QNSCENE::Current); };
    s.Render = [] { QNSCENE::RenderScene(QNSCENE::Current); };
    s.PostUpdate = [] { QNSCENE::PostUpdateScene(QNSCENE::Current); };
    s.PopAll = [] { QNSCENE::PopAll(); };
    s.DeleteAll = [] { QNSCENE::SceneRoot().DeleteChildren(); };
    s.ReleaseDevice = [] { ForEachScene([](QNSCENE* scene) { QNSCENE::ReleaseDevice(scene); }); };
    s.RestoreDevice = [] { ForEachScene([](QNSCENE* scene) { QNSCENE::RestoreDevice(scene); }); };
    s.SetTint = [](bool on) { SetSceneTint(on); };
    s.GetBackground = [](float rgba[4]) {
        if (QNSCENE* scene = QNSCENE::Current)
            for (int i = 0; i < 4; ++i)
                rgba[i] = scene->Background[i];
    };
    s.SetBackgroundColour = [](float r, float g, float b) {
        if (QNSCENE* scene = QNSCENE::Current)
            scene->SetBackgroundColour(r, g, b);
    };

    s.OverlayFontAvailable = [] {
        QNSCENE* scene = QNSCENE::Current;
        return scene && scene->Resources.Textures.FindChild("consolefont") != nullptr;
    };
    s.OverlayCreate = [] {
        QNVIEW* view = QNSCENE::Current ? QNSCENE::Current->ActiveViewPtr() : nullptr;
        if (!view || !view->Root)
            return;
        auto* overlay = new QNCONSOLEMETRICS(view->Root, "consolefont", -650.0f, 490.0f);
        overlay->SetState(3, 0, false, true);
    };
    s.OverlayDelete = [] { QNITEM::Destroy(ConsoleMetrics); };
    s.OverlayUpdate = [] {
        if (ConsoleMetrics)
            ConsoleMetrics->Update();
    };

    // The engine's default materials and colours registered with every scene; the view
    // worlds, bodies, joints and collision models of the physics layer.
    QNRESOURCES::InstallHooks();
    QNPHYSWORLD::InstallHooks();
    if (!QNHOOKS::Scene.Renderer)
        QNVIEWRENDERER::Install();
    // The scene layer's entries that input and render provide, unless registered already.
    if (!QNHOOKS::Scene.FlushKeyboard)
        QNHOOKS::Scene.FlushKeyboard = [] { QNKEYBOARD::Drain(); };
    if (!QNHOOKS::Scene.DrainMouse)
        QNHOOKS::Scene.DrainMouse = [] { QNMOUSE::Drain(); };
    if (!QNHOOKS::Scene.DeleteSharedPools)
        QNHOOKS::Scene.DeleteSharedPools = [] { DeleteAllPools(); };
    if (!QNHOOKS::Scene.SetRollOff)
        QNHOOKS::Scene.SetRollOff = [](float factor) {
            if (QNAUDDEV::Listener.rolloffFactor != factor) {
                QNAUDDEV::Listener.rolloffFactor = factor;
                QNAUDDEV::SetListener();
            }
        };
}

}  // namespace

void InstallDefaultHooks()
{
    Devices = QNAPPDEVICES{};
    Scenes = QNAPPSCENES{};
    InstallDevices();
    InstallScenes();
}

}  // namespace QNAPP
