#include "engine/util/qnapp_state.h"

#include <cmath>

std::uint8_t QNFRAMESTATS::SceneChanged = 0;
std::uint32_t QNFRAMESTATS::Fps = 0;
std::uint32_t QNFRAMESTATS::AverageFps = 0;
std::uint32_t QNFRAMESTATS::MaxFps = 0;
std::uint32_t QNFRAMESTATS::MinFps = 0;
std::uint32_t QNFRAMESTATS::FrameCount = 0;
float QNFRAMESTATS::FrameTime = 0.0f;
float QNFRAMESTATS::CapPeriod = 0.0f;
float QNFRAMESTATS::PendingTime = 0.0f;
float QNFRAMESTATS::SmoothedTime = 0.0f;
QNTIMER QNFRAMESTATS::FrameTimer;
QNTIMER QNFRAMESTATS::SecondTimer;

static std::uint32_t RoundCount(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(std::lround(v));
}

void QNFRAMESTATS::Tick(bool /*scanLineGranted*/)
{
    QNTIMER::ReadCounter();
    const float raw = static_cast<float>(FrameTimer.Elapsed());
    if (PendingTime != 0.0f) {
        SmoothedTime = (raw + PendingTime) * 0.5f;
        PendingTime = 0.0f;
    } else {
        PendingTime = raw;
    }

    // The raw time is tested as well as the smoothed one: the smoothed time of a stall shows
    // only a frame later, and the frame right after a stall must run with dt = 0.
    if (SmoothedTime <= 0.25f && raw <= 0.25f && !SceneChanged) {
        if (FrameCount == 0) {
            MaxFps = 0;
            MinFps = 0;
        }
        ++FrameCount;
        Fps = SmoothedTime > 0.0f ? RoundCount(1.0 / SmoothedTime) : 0;
        if (Fps != 0) {
            if (Fps > MaxFps)
                MaxFps = Fps;
            if (MinFps == 0 || Fps < MinFps)
                MinFps = Fps;
        }
        float t = SmoothedTime;
        if (SmoothedTime < CapPeriod) {
            // Busy wait on the counter. A counter that runs backwards, or one that stands
            // still for a million reads (a frozen test clock), ends the wait.
            double last = FrameTimer.Elapsed();
            int still = 0;
            for (;;) {
                QNTIMER::ReadCounter();
                const double now = FrameTimer.Elapsed();
                t = static_cast<float>(now);
                if (now >= CapPeriod || now < last)
                    break;
                still = now == last ? still + 1 : 0;
                if (still >= (1 << 20))
                    break;
                last = now;
            }
        }
        FrameTime = t;
        const double second = SecondTimer.Elapsed();
        if (second > 1.0) {
            AverageFps = RoundCount(FrameCount / second);
            SecondTimer.Restart();
            FrameCount = 0;
            CapPeriod = QNAPP::FrameCap ? 1.0f / static_cast<float>(QNAPP::FrameCap) : 0.0f;
        }
        FrameTimer.Restart();
        return;
    }

    SecondTimer.Restart();
    Fps = AverageFps = MaxFps = MinFps = FrameCount = 0;
    CapPeriod = 0.0f;
    FrameTime = 0.0f;
    // A stall's time must not be averaged into the next pair.
    PendingTime = 0.0f;
    SceneChanged = 0;
    FrameTimer.Restart();
}

void QNFRAMESTATS::Reset()
{
    SceneChanged = 0;
    Fps = AverageFps = MaxFps = MinFps = FrameCount = 0;
    FrameTime = CapPeriod = PendingTime = SmoothedTime = 0.0f;
    FrameTimer.Init(0.0);
    SecondTimer.Init(0.0);
}

namespace QNAPP {

QNAPPSETTINGS Settings;
float dt = 0.0f;
float Rate = 0.0f;
std::uint8_t InPump = 0;
std::uint8_t ShiftDown = 0;
std::uint8_t LeftButtonDown = 0;
std::uint8_t QuitPosted = 0;
std::uint8_t CursorReleased = 0;
std::uint8_t InactivePause = 0;
std::uint8_t TintOn = 0;
float SavedBackground[4] = {0.0f, 0.0f, 0.0f, 0.0f};
float Gamma = 0.0f;
std::uint32_t FrameCap = 0;
QNCONSOLEMETRICS* ConsoleMetrics = nullptr;
QNTIMER GameTimer;
std::uint32_t GameTimeCounter = 0;

void StepTime(float t)
{
    if (!(t > 0.0f) || t > 0.25f) {
        dt = 0.0f;
        Rate = 0.0f;
        return;
    }
    Rate = 0.02f / t;
    dt = t;
}

void ResetState()
{
    Settings = QNAPPSETTINGS{};
    dt = 0.0f;
    Rate = 0.0f;
    InPump = ShiftDown = LeftButtonDown = QuitPosted = CursorReleased = InactivePause = TintOn = 0;
    for (float& c : SavedBackground)
        c = 0.0f;
    Gamma = 0.0f;
    FrameCap = 0;
    ConsoleMetrics = nullptr;
    GameTimer = QNTIMER{};
    GameTimeCounter = 0;
}

}  // namespace QNAPP
