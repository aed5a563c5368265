#pragma once
/// Application settings and the process-wide state of the run loop.
///
/// `QNAPP` is a namespace, reopened by the app layer (engine/app/qnapp.h) for the loop
/// functions. The records here are plain data that every layer may read: the game set-up fills
/// `QNAPP::Settings` before the run starts; the frame writes `QNAPP::dt` and `QNAPP::Rate`.

#include <cstdint>

#include "engine/util/qntimer.h"

class QNCONSOLEMETRICS;
#include "platform/platform_types.h"

/// Capability request of the graphics device: sixteen tri-state or count words. A feature word
/// above 0 is required, 0 wanted, below 0 refused.
struct QNDISPLAYSETTINGS {
    std::int32_t Adapter = 0;
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t Bits = 16;
    std::int32_t HardwareVertexProcessing = 0;
    std::int32_t DepthBuffer = 1;
    std::int32_t Stencil = 0;
    std::int32_t ScanLineReading = 0;
    std::int32_t SourceAlphaBlending = 0;
    std::int32_t NonSquareTextures = 1;
    std::int32_t Dxt1Textures = 0;
    std::int32_t MinTextureWidth = 256;
    std::int32_t MinTextureHeight = 256;
    std::int32_t MinSimultaneousTextures = 1;
    std::int32_t MinBlendStages = 1;
    std::int32_t MultisampleType = 0;
};

/// Device part of the settings.
struct QNDEVICESETTINGS {
    std::uint8_t FullScreen = 0;
    float FieldOfView = 1.0471976f;  ///< vertical, radians (60 degrees)
    float NearPlane = 0.2f;
    float FarPlane = 1000.0f;
    std::uint8_t MusicOptions = 0;   ///< 1 = a missing audio driver is an error
    std::uint32_t CollisionCapacity = 100;
    std::uint32_t CollisionCapacity2 = 50;
    std::uint32_t RenderOptions = 271;  ///< render-state group mask (0x10F)
    const char* ArchiveName = nullptr;  ///< "*" = the program's own file
    std::uint32_t BindingCount = 0;
    QNDISPLAYSETTINGS DisplayMode;      ///< also the client size of the created window
};

/// The application settings record, filled by the game set-up.
struct QNAPPSETTINGS {
    void* Instance = nullptr;
    PlatformWindow* Window = nullptr;       ///< a window to use instead of creating one
    PlatformWindow* InputWindow = nullptr;  ///< window the input devices bind to; null = main window
    std::uint8_t ExclusiveInput = 1;    ///< exclusive mouse/joystick; skip frames in the background
    std::uint8_t DeveloperKeys = 1;     ///< Shift+F5, Shift+F6, Shift+F9
    void* IconModule = nullptr;
    std::uint16_t IconId = 0;
    void* AcceleratorModule = nullptr;
    std::uint32_t AcceleratorCommand = 0;  ///< command id of Alt+Enter (full-screen toggle)
    std::uint16_t AcceleratorTable = 0;
    const char* CommandLine = nullptr;     ///< stored, never read
    const char* Title = "Untitled";
    QNDEVICESETTINGS Device;
};

/// Frame statistics and the frame-rate cap (one static instance). The display's present runs
/// Tick once per frame, before the device presents.
struct QNFRAMESTATS {
    static std::uint8_t SceneChanged;  ///< set when a scene request was applied this frame
    static std::uint32_t Fps;          ///< 1 / smoothed frame time, rounded
    static std::uint32_t AverageFps;   ///< frames per second, updated once a second
    static std::uint32_t MaxFps;
    static std::uint32_t MinFps;       ///< 0 = unset
    static std::uint32_t FrameCount;   ///< frames in the current second
    static float FrameTime;            ///< seconds; the dt of the next frame
    static float CapPeriod;            ///< 1 / QNAPP::FrameCap, 0 = no cap
    static float PendingTime;          ///< first of a pair of frame times being averaged
    static float SmoothedTime;         ///< mean of the last two frame times
    static QNTIMER FrameTimer;
    static QNTIMER SecondTimer;

    /// Reads the counter, smooths the frame time and waits out the frame cap (a busy wait on
    /// the counter). A frame longer than 0.25 s, or the first after a scene change, restarts
    /// the statistics and leaves FrameTime 0, so the next frame runs with dt = 0.
    static void Tick(bool scanLineGranted = false);

    /// All zero, both timers restarted at the frame counter.
    static void Reset();
};

namespace QNAPP {

/// The settings record (one static instance).
extern QNAPPSETTINGS Settings;

/// Frame time in seconds; 0 in the first frame after a scene change and after any frame
/// longer than 0.25 s.
extern float dt;
/// 0.02 / dt, or 0 when dt is 0.
extern float Rate;

extern std::uint8_t InPump;          ///< the window procedure may render (set around the pump)
extern std::uint8_t ShiftDown;       ///< Shift held, as the last key message said
extern std::uint8_t LeftButtonDown;  ///< left button pressed inside the client area
extern std::uint8_t QuitPosted;      ///< the window procedure posted a quit
extern std::uint8_t CursorReleased;  ///< the system cursor is shown in windowed mode
extern std::uint8_t InactivePause;   ///< copy of Settings.ExclusiveInput at start-up
extern std::uint8_t TintOn;          ///< the wireframe developer view is on
extern float SavedBackground[4];     ///< background colour saved by the wireframe view
extern float Gamma;                  ///< gamma offset, -0.8 .. 0.8
extern std::uint32_t FrameCap;       ///< frames per second, 0 = none
extern QNCONSOLEMETRICS* ConsoleMetrics;  ///< the overlay, when it exists
extern QNTIMER GameTimer;            ///< restarted at start-up; measures the run's game time
extern std::uint32_t GameTimeCounter;  ///< cleared at start-up

/// Sets dt and Rate from a frame time: t = 0 (or a stall above 0.25 s) gives 0 and 0, else
/// Rate = 0.02 / t and dt = t.
void StepTime(float t);

/// Resets every field above (the settings too) to its start value.
void ResetState();

}  // namespace QNAPP
