#pragma once
/// The graphics device and the display.
///
/// QNGRFDEV owns the driver (the adapter object): it reads the desktop mode and
/// the full-screen modes, chooses a depth format and checks the device's
/// capabilities against the application's request (QNDISPLAYSETTINGS). QNDISPLAY
/// opens the one device full screen or windowed, reopens it after a lost device
/// or a full-screen toggle, and wraps the per-frame calls: scene brackets,
/// clear, viewport, view and projection, ambient light, gamma and present.
/// The current QNDISPLAYMODE is the capability block the other render code reads.

#include <cstdint>
#include <vector>

#include "engine/util/qnapp_state.h"
#include "engine/util/qnexception.h"
#include "engine/util/qnmatrix.h"
#include "platform/gl_device.h"

/// A display mode found for the request.
struct QNDISPLAYMODE {
    std::uint32_t Format = 0;       ///< display format
    std::uint32_t AlphaFormat = 0;  ///< the matching format with alpha
    std::uint32_t DepthFormat = 0;  ///< chosen depth-stencil format, 0 for none
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Bits = 0;
    std::uint32_t RefreshRate = 0;
    /// What was granted: hardware vertex processing, depth buffer, scan-line reading, source
    /// alpha, non-square textures and DXT1 as 1 or 0; Stencil holds the stencil bits; the
    /// texture minima hold the card's maxima; MultisampleType the granted type.
    QNDISPLAYSETTINGS Granted;
    /// Count of wanted features granted; -1 when the mode cannot serve the request.
    std::int32_t Score = 0;
};

class QNGRFDEV {
public:
    using EXC = QNGRFDEV_EXC;

    /// Creates the driver, then fills the windowed mode from the desktop and the full-screen
    /// mode from the adapter's modes. Throws EXC when no driver can be made.
    static void Create(const QNDISPLAYSETTINGS& request);
    /// Releases the driver (the display must be closed first).
    static void Release();

    static std::uint32_t FormatBits(std::uint32_t displayFormat);
    static std::uint32_t StencilBits(std::uint32_t depthFormat);
    static bool CheckDepthFormat(std::uint32_t adapter, std::uint32_t displayFormat, std::uint32_t depthFormat);
    /// A depth format for the display format, or 0. A stencil request of 0 or above tries the
    /// stencil formats first (and, when above 0, insists on one).
    static std::uint32_t ChooseDepthFormat(std::uint32_t adapter, std::uint32_t displayFormat, std::int32_t stencil);
    /// The score of a display format for the request, or -1; fills granted and the depth format.
    static std::int32_t CheckCaps(std::uint32_t displayFormat, bool windowed, const QNDISPLAYSETTINGS& request,
                                  QNDISPLAYSETTINGS& granted, std::uint32_t& depthFormat);
    static void GetDesktopMode(const QNDISPLAYSETTINGS& request, QNDISPLAYMODE& mode);
    static void FindFullScreenMode(const QNDISPLAYSETTINGS& request, QNDISPLAYMODE& mode);

    /// Makes the driver Create uses; the OpenGL driver by default. Tests put a fake here.
    static GfxDriver* (*DriverFactory)();
    static GfxDriver* Driver;
    static QNDISPLAYSETTINGS Request;
    static QNDISPLAYMODE FullScreenMode;
    static QNDISPLAYMODE WindowedMode;
    /// The mode opened last: the capability block of the render code.
    static QNDISPLAYMODE* CurrentMode;
};

class QNDISPLAY {
public:
    using EXC = QNDISPLAY_EXC;

    static void OpenFullScreen();
    static void OpenWindowed();
    /// Resets the device when there is one, else creates it; then reads the viewport back,
    /// refreshes the display box and marks the render caches to send everything.
    static void Open(const GfxPresentParameters& pp);
    /// Releases the device.
    static void Close();
    /// False only while the device reports lost; a device that needs a reset is available.
    static bool IsDeviceAvailable();
    /// The last device result was lost or not-reset.
    static bool WasLost();

    static void BeginScene();
    static void EndScene();
    /// Runs the frame clock, then presents; a failure throws "Unable to display graphics.".
    static void Present();
    /// Clears the viewport: colour when red >= 0, depth when depth >= 0 and the mode has a
    /// depth buffer, stencil when stencil >= 0 and the mode has stencil bits.
    static void Clear(float r, float g, float b, float depth, float stencil);
    static void SetAmbient(float r, float g, float b);
    /// A width or height of 0 extends to the display box.
    static void SetViewport(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height);
    static void SetPerspective(float fov, float zn, float zf);
    static void SetOrtho(float width, float height, float zn, float zf);
    /// View = inverse of the camera's world matrix.
    static void SetCamera(const QNMATRIX& camera);
    static void SetWorld(const QNMATRIX& m, std::uint32_t index);
    /// Projection, view and view x projection, in that order.
    static void GetTransforms(QNMATRIX out[3]);
    static void SetTransforms(const QNMATRIX in[3]);
    static void SetGamma(float gamma);
    /// The 256 ramp values of a gamma offset.
    static void GammaRamp(float gamma, std::uint16_t out[256]);

    /// Test hook: the device reports lost for the next lostTests availability checks, then
    /// needs a reset.
    static void ForceLost(int lostTests);
    /// The back buffer as ARGB words, rows top first. False without a device.
    static bool ReadBack(std::vector<std::uint32_t>& argb, std::uint32_t& width, std::uint32_t& height);

    static GfxDevice* Device;
    /// Window the device draws into; null takes the platform window.
    static PlatformWindow* Window;
    static std::uint32_t Result;  ///< result of the last device call
    static bool FullScreen;
    /// (0, 0, 0) and (back-buffer width, back-buffer height, 1).
    static QNVEC3 Box[2];
    static GfxViewport Viewport;
    static QNMATRIX Projection;
    static QNMATRIX View;
    static QNMATRIX ViewProjection;
};
