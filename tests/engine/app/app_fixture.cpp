#include "app_fixture.h"

#include <sstream>

std::int64_t AppTest::now = 0;
std::int64_t AppTest::stepPerRead = 0;

namespace {
std::int64_t ReadVirtualCounter(void*)
{
    const std::int64_t t = AppTest::now;
    AppTest::now += AppTest::stepPerRead;
    return t;
}
}  // namespace

#define REC(field) QNAPP::Devices.field = [this](auto&&...) { Log(#field); }
#define SREC(field) QNAPP::Scenes.field = [this](auto&&...) { Log(#field); }

void AppTest::SetUp()
{
    now = kSecond;
    stepPerRead = 0;
    PlatformSetCounter(&ReadVirtualCounter, nullptr);
    QNTIMER::ReadCounter();
    QNAPP::ResetState();
    QNFRAMESTATS::Reset();
    QNAPP::InstallDefaultHooks();
    script.Install();

    REC(TempFolderCreate);
    REC(SystemInit);
    REC(GraphicsCreate);
    REC(MusicOpen);
    REC(InputOpen);
    REC(PhysicsOpen);
    REC(TexturesReset);
    REC(KeyboardOpen);
    REC(JoystickOpen);
    REC(MouseOpen);
    REC(BindingsCreate);
    REC(ArchiveOpen);
    REC(GameTimerRestart);
    QNAPP::Devices.DisplayOpenFullScreen = [this] { Log("DisplayOpenFullScreen"); fullScreen = true; };
    QNAPP::Devices.DisplayOpenWindowed = [this] { Log("DisplayOpenWindowed"); fullScreen = false; };
    REC(SetPerspective);
    REC(RenderCachesSendAll);
    REC(CursorToViewport);
    REC(SeedRandom);
    REC(JoystickPoll);
    REC(KeyboardPoll);
    REC(MousePoll);
    REC(BindingsEvaluate);
    REC(SoundCommit);
    QNAPP::Devices.Present = [this] {
        Log("Present");
        QNFRAMESTATS::Tick(false);
    };
    QNAPP::Devices.DisplayIsFullScreen = [this] { return fullScreen; };
    QNAPP::Devices.DisplayWasLost = [this] { return lost; };
    QNAPP::Devices.DisplayIsDeviceAvailable = [this] {
        Log("IsDeviceAvailable");
        if (unavailableChecks > 0) {
            --unavailableChecks;
            return false;
        }
        return true;
    };
    REC(PoolsRelease);
    REC(PoolsRebuild);
    REC(LightsApply);
    QNAPP::Devices.SetGamma = [this](float g) { gammaSet = g; Log("SetGamma"); };
    QNAPP::Devices.MouseButtonEvent = [this] { return buttonEvent; };
    QNAPP::Devices.KeyboardIsComboDown = [this](std::uint32_t code) { return code == 0x400 && altDown; };
    REC(MouseDrain);
    REC(MouseSetArrow);
    QNAPP::Devices.ShowCursor = [this](bool show) { Log(show ? "ShowCursor" : "HideCursor"); };
    QNAPP::Devices.CaptureCursor = [this](bool c) { Log(c ? "Capture" : "Release"); };
    QNAPP::Devices.WindowIsMinimised = [this] { return minimised; };
    QNAPP::Devices.WindowIsForeground = [this] { return foreground; };
    QNAPP::Devices.Sleep = [this](float s) { Log("Sleep"); Advance(s); };
    REC(SceneDefaults);
    REC(MaterialGroupMask);
    REC(LightsAndPoolsDelete);
    REC(BindingsFree);
    REC(JoystickClose);
    REC(MouseClose);
    REC(KeyboardClose);
    REC(DisplayClose);
    REC(PhysicsClose);
    REC(InputClose);
    REC(MusicClose);
    REC(GraphicsRelease);
    REC(ArchiveClose);
    REC(SystemShutdown);
    REC(TempFolderDelete);

    SREC(Init);
    SREC(RequestFirst);
    SREC(ApplyRequest);
    QNAPP::Scenes.HasCurrent = [this] { return hasCurrent; };
    QNAPP::Scenes.NeedsRedraw = [] { return true; };
    SREC(Update);
    SREC(Render);
    SREC(PostUpdate);
    SREC(PopAll);
    SREC(DeleteAll);
    SREC(ReleaseDevice);
    SREC(RestoreDevice);
    QNAPP::Scenes.SetTint = [this](bool on) { Log(on ? "TintOn" : "TintOff"); };
    QNAPP::Scenes.GetBackground = [this](float rgba[4]) {
        for (int i = 0; i < 4; ++i)
            rgba[i] = background[i];
    };
    QNAPP::Scenes.SetBackgroundColour = [this](float r, float g, float b) {
        background[0] = r;
        background[1] = g;
        background[2] = b;
        background[3] = 1.0f;
    };
    QNAPP::Scenes.OverlayFontAvailable = [this] { return fontAvailable; };
    QNAPP::Scenes.OverlayCreate = [this] {
        ++overlays;
        QNAPP::ConsoleMetrics = reinterpret_cast<QNCONSOLEMETRICS*>(this);
        Log("OverlayCreate");
    };
    QNAPP::Scenes.OverlayDelete = [this] {
        --overlays;
        QNAPP::ConsoleMetrics = nullptr;
        Log("OverlayDelete");
    };
    SREC(OverlayUpdate);

    QNAPP::Init();
    log.clear();
}

void AppTest::TearDown()
{
    QNAPP::AbortRun();
    QNAPP::InstallDefaultHooks();
    script.Uninstall();
    PlatformClearQuit();
    PlatformSetCounter(nullptr, nullptr);
    QNAPP::ResetState();
}

std::string AppTest::Joined(std::size_t first) const
{
    std::ostringstream out;
    for (std::size_t i = first; i < log.size(); ++i)
        out << (i > first ? " " : "") << log[i];
    return out.str();
}

int AppTest::Find(const std::string& name, std::size_t from) const
{
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i] == name)
            return static_cast<int>(i);
    return -1;
}

int AppTest::Count(const std::string& name) const
{
    int n = 0;
    for (const std::string& s : log)
        n += s == name;
    return n;
}
