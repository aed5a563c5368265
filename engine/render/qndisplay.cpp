// Device start-up, mode choice and the display.
//
// Mode choice. The request holds tri-state words: above 0 required, 0 wanted,
// below 0 refused. CheckCaps walks the features in a fixed order; a present
// feature that is wanted is granted and adds 1 to the score, a required one is
// granted, a refused one is not; an absent required feature rejects the mode
// (-1). The desktop gives the windowed mode; the full-screen mode is the first
// adapter mode of the requested size and bits at the desktop's refresh rate
// that passes CheckCaps.

#include "engine/render/qndisplay.h"

#include <cmath>
#include <cstring>

#include "engine/render/qnmaterial.h"
#include "engine/util/qnmath.h"
#include "platform/window.h"

GfxDriver* (*QNGRFDEV::DriverFactory)() = &GfxCreateDriver;
GfxDriver* QNGRFDEV::Driver = nullptr;
QNDISPLAYSETTINGS QNGRFDEV::Request;
QNDISPLAYMODE QNGRFDEV::FullScreenMode;
QNDISPLAYMODE QNGRFDEV::WindowedMode;
QNDISPLAYMODE* QNGRFDEV::CurrentMode = &QNGRFDEV::WindowedMode;

GfxDevice* QNDISPLAY::Device = nullptr;
PlatformWindow* QNDISPLAY::Window = nullptr;
std::uint32_t QNDISPLAY::Result = 0;
bool QNDISPLAY::FullScreen = false;
QNVEC3 QNDISPLAY::Box[2];
GfxViewport QNDISPLAY::Viewport;
QNMATRIX QNDISPLAY::Projection;
QNMATRIX QNDISPLAY::View;
QNMATRIX QNDISPLAY::ViewProjection;

namespace {

std::uint32_t AlphaFormatOf(std::uint32_t f) {
    if (f == D3DFMT_R8G8B8 || f == D3DFMT_X8R8G8B8) return D3DFMT_A8R8G8B8;
    if (f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5) return D3DFMT_A1R5G5B5;
    return f;
}

// One tri-state feature: false rejects the mode.
bool Decide(std::int32_t request, bool present, std::int32_t grantValue, std::int32_t& granted, std::int32_t& score) {
    if (present) {
        if (request >= 0) granted = grantValue;
        if (request == 0) ++score;
        return true;
    }
    return request <= 0;
}

// Set when the last device creation failed for what the context lacks, which no other
// back-buffer format makes up for.
bool gContextShortfall = false;

PlatformWindow* TargetWindow() { return QNDISPLAY::Window ? QNDISPLAY::Window : PlatformWindowHandle(); }

std::uint8_t Channel(float v) {
    int i = static_cast<int>(v * 255.0f);
    return static_cast<std::uint8_t>(i < 0 ? 0 : (i > 255 ? 255 : i));
}

D3DCOLOR OpaqueColour(float r, float g, float b) {
    return 0xFF000000u | std::uint32_t(Channel(r)) << 16 | std::uint32_t(Channel(g)) << 8 | Channel(b);
}

void ResetMode(QNDISPLAYMODE& m) { m = QNDISPLAYMODE{}; }

}  // namespace

void QNGRFDEV::Create(const QNDISPLAYSETTINGS& request) {
    Release();
    Request = request;
    ResetMode(WindowedMode);
    ResetMode(FullScreenMode);
    Driver = DriverFactory ? DriverFactory() : nullptr;
    if (!Driver) throw EXC(0, "This program requires version 8.1 of MicroSoft DirectX.");
    GetDesktopMode(request, WindowedMode);
    FindFullScreenMode(request, FullScreenMode);
    CurrentMode = &WindowedMode;
}

void QNGRFDEV::Release() {
    if (Driver) Driver->Release();
    Driver = nullptr;
}

std::uint32_t QNGRFDEV::FormatBits(std::uint32_t f) {
    switch (f) {
    case D3DFMT_R8G8B8: return 24;
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: return 32;
    case D3DFMT_R5G6B5: case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4: return 16;
    default: return 0;
    }
}

std::uint32_t QNGRFDEV::StencilBits(std::uint32_t f) {
    switch (f) {
    case D3DFMT_D15S1: return 1;
    case D3DFMT_D24S8: return 8;
    case D3DFMT_D24X4S4: return 4;
    default: return 0;
    }
}

bool QNGRFDEV::CheckDepthFormat(std::uint32_t adapter, std::uint32_t display, std::uint32_t depth) {
    if (!Driver) return false;
    if (Driver->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, D3DFORMAT(display), D3DUSAGE_DEPTHSTENCIL,
                                  D3DRTYPE_SURFACE, D3DFORMAT(depth)) != D3D_OK)
        return false;
    return Driver->CheckDepthStencilMatch(adapter, D3DDEVTYPE_HAL, D3DFORMAT(display), D3DFORMAT(display),
                                          D3DFORMAT(depth)) == D3D_OK;
}

std::uint32_t QNGRFDEV::ChooseDepthFormat(std::uint32_t adapter, std::uint32_t display, std::int32_t stencil) {
    const std::uint32_t b = FormatBits(display);
    if (stencil >= 0) {
        if (b >= 32) {
            if (CheckDepthFormat(adapter, display, D3DFMT_D24S8)) return D3DFMT_D24S8;
            if (CheckDepthFormat(adapter, display, D3DFMT_D24X4S4)) return D3DFMT_D24X4S4;
        }
        if (b >= 16 && CheckDepthFormat(adapter, display, D3DFMT_D15S1)) return D3DFMT_D15S1;
        if (stencil > 0) return 0;
    }
    if (b >= 32) {
        if (CheckDepthFormat(adapter, display, D3DFMT_D32)) return D3DFMT_D32;
        if (CheckDepthFormat(adapter, display, D3DFMT_D24X8)) return D3DFMT_D24X8;
    }
    if (b >= 16 && CheckDepthFormat(adapter, display, D3DFMT_D16)) return D3DFMT_D16;
    return 0;
}

std::int32_t QNGRFDEV::CheckCaps(std::uint32_t display, bool windowed, const QNDISPLAYSETTINGS& req,
                                 QNDISPLAYSETTINGS& granted, std::uint32_t& depthFormat) {
    std::memset(static_cast<void*>(&granted), 0, sizeof granted);  // sixteen plain words
    depthFormat = 0;
    if (!Driver) return -1;
    const std::uint32_t adapter = std::uint32_t(req.Adapter);
    GfxCaps caps;
    if (Driver->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &caps) != D3D_OK) return -1;
    if (Driver->CheckDeviceType(adapter, D3DDEVTYPE_HAL, D3DFORMAT(display), D3DFORMAT(display), windowed) != D3D_OK)
        return -1;
    if (std::int64_t(caps.MaxTextureWidth) < req.MinTextureWidth ||
        std::int64_t(caps.MaxTextureHeight) < req.MinTextureHeight ||
        std::int64_t(caps.MaxSimultaneousTextures) < req.MinSimultaneousTextures ||
        std::int64_t(caps.MaxTextureBlendStages) < req.MinBlendStages)
        return -1;

    std::int32_t score = 0;
    if (!Decide(req.HardwareVertexProcessing, (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0, 1,
                granted.HardwareVertexProcessing, score))
        return -1;
    if (!Decide(req.NonSquareTextures, (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) == 0, 1,
                granted.NonSquareTextures, score))
        return -1;
    const std::uint32_t df = ChooseDepthFormat(adapter, display, req.Stencil);
    depthFormat = df;
    if (!Decide(req.DepthBuffer, df != 0, 1, granted.DepthBuffer, score)) return -1;
    const std::int32_t stencilBits = std::int32_t(StencilBits(df));
    if (!Decide(req.Stencil, stencilBits > 0, stencilBits, granted.Stencil, score)) return -1;
    if (!Decide(req.ScanLineReading, (caps.Caps & D3DCAPS_READ_SCANLINE) != 0, 1, granted.ScanLineReading, score))
        return -1;
    if (!Decide(req.SourceAlphaBlending, (caps.SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA) != 0, 1,
                granted.SourceAlphaBlending, score))
        return -1;
    const bool dxt1 = Driver->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, D3DFORMAT(display), 0, D3DRTYPE_TEXTURE,
                                                D3DFMT_DXT1) == D3D_OK;
    if (!Decide(req.Dxt1Textures, dxt1, 1, granted.Dxt1Textures, score)) return -1;
    granted.MultisampleType = 0;
    if (req.MultisampleType != 0 &&
        Driver->CheckDeviceMultiSampleType(adapter, D3DDEVTYPE_HAL, D3DFORMAT(display), windowed,
                                           D3DMULTISAMPLE_TYPE(req.MultisampleType)) == D3D_OK) {
        granted.MultisampleType = req.MultisampleType;
        ++score;
    }
    granted.Adapter = req.Adapter;
    granted.Width = req.Width;
    granted.Height = req.Height;
    granted.Bits = req.Bits;
    granted.MinBlendStages = req.MinBlendStages;
    granted.MinTextureWidth = std::int32_t(caps.MaxTextureWidth);
    granted.MinTextureHeight = std::int32_t(caps.MaxTextureHeight);
    granted.MinSimultaneousTextures = std::int32_t(caps.MaxSimultaneousTextures);
    return score;
}

void QNGRFDEV::GetDesktopMode(const QNDISPLAYSETTINGS& req, QNDISPLAYMODE& mode) {
    GfxDisplayMode dm;
    if (!Driver || Driver->GetAdapterDisplayMode(std::uint32_t(req.Adapter), &dm) != D3D_OK) {
        mode.Score = -1;
        return;
    }
    mode.Format = dm.Format;
    mode.AlphaFormat = AlphaFormatOf(dm.Format);
    mode.Width = dm.Width;
    mode.Height = dm.Height;
    mode.Bits = FormatBits(dm.Format);
    mode.RefreshRate = dm.RefreshRate;
    mode.Score = CheckCaps(dm.Format, true, req, mode.Granted, mode.DepthFormat);
}

void QNGRFDEV::FindFullScreenMode(const QNDISPLAYSETTINGS& req, QNDISPLAYMODE& mode) {
    mode.Score = -1;
    if (!Driver) return;
    const std::uint32_t adapter = std::uint32_t(req.Adapter);
    const std::uint32_t n = Driver->GetAdapterModeCount(adapter);
    for (std::uint32_t i = 0; i < n; ++i) {
        GfxDisplayMode dm;
        if (Driver->EnumAdapterModes(adapter, i, &dm) != D3D_OK) continue;
        if (std::int64_t(dm.Width) != req.Width || std::int64_t(dm.Height) != req.Height) continue;
        if (std::int64_t(FormatBits(dm.Format)) != req.Bits) continue;
        if (dm.RefreshRate != WindowedMode.RefreshRate) continue;
        QNDISPLAYSETTINGS granted;
        std::uint32_t depth = 0;
        std::int32_t score = CheckCaps(dm.Format, false, req, granted, depth);
        if (score < 0) continue;
        mode.Format = dm.Format;
        mode.AlphaFormat = AlphaFormatOf(dm.Format);
        mode.DepthFormat = depth;
        mode.Width = dm.Width;
        mode.Height = dm.Height;
        mode.Bits = FormatBits(dm.Format);
        mode.RefreshRate = dm.RefreshRate;
        mode.Granted = granted;
        mode.Score = score;
        return;
    }
}

void QNDISPLAY::OpenFullScreen() {
    const QNDISPLAYMODE& m = QNGRFDEV::FullScreenMode;
    if (m.Score < 0) throw EXC(0, "This application requires features not found on the selected 3d hardware.");
    GfxPresentParameters pp;
    pp.BackBufferWidth = m.Width;
    pp.BackBufferHeight = m.Height;
    pp.BackBufferFormat = D3DFORMAT(m.Format);
    pp.BackBufferCount = 2;
    pp.MultiSampleType = D3DMULTISAMPLE_TYPE(m.Granted.MultisampleType);
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.DeviceWindow = TargetWindow();
    pp.Windowed = false;
    pp.EnableAutoDepthStencil = m.Granted.DepthBuffer != 0;
    pp.AutoDepthStencilFormat = pp.EnableAutoDepthStencil ? D3DFORMAT(m.DepthFormat) : D3DFMT_UNKNOWN;
    pp.PresentationInterval = m.Granted.ScanLineReading ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
    QNGRFDEV::CurrentMode = &QNGRFDEV::FullScreenMode;
    Open(pp);
    FullScreen = true;
}

void QNDISPLAY::OpenWindowed() {
    const QNDISPLAYMODE& m = QNGRFDEV::WindowedMode;
    if (m.Score < 0) throw EXC(0, "This application requires features not found on the selected 3d graphics card.");
    GfxPresentParameters pp;
    // The back buffer has the window's client size (the request), not the desktop's.
    pp.BackBufferWidth = std::uint32_t(QNGRFDEV::Request.Width > 0 ? QNGRFDEV::Request.Width : 640);
    pp.BackBufferHeight = std::uint32_t(QNGRFDEV::Request.Height > 0 ? QNGRFDEV::Request.Height : 480);
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_TYPE(m.Granted.MultisampleType);
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.DeviceWindow = nullptr;
    pp.Windowed = true;
    pp.EnableAutoDepthStencil = m.Granted.DepthBuffer != 0;
    pp.AutoDepthStencilFormat = pp.EnableAutoDepthStencil ? D3DFORMAT(m.DepthFormat) : D3DFMT_UNKNOWN;
    QNGRFDEV::CurrentMode = &QNGRFDEV::WindowedMode;
    for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5}) {
        pp.BackBufferFormat = f;
        try {
            Open(pp);
            FullScreen = false;
            return;
        } catch (const EXC&) {
            if (gContextShortfall) throw;  // no other back buffer makes up for it
        }
    }
    throw EXC(D3DERR_DEVICELOST, "Application is not compatible with the current desktop display mode.");
}

void QNDISPLAY::Open(const GfxPresentParameters& pp) {
    if (Device) {
        Result = Device->Reset(pp);
        if (Result != D3D_OK) throw EXC(Result, "Unable to reopen display.");
    } else {
        const QNDISPLAYMODE& m = *QNGRFDEV::CurrentMode;
        const std::uint32_t behaviour =
            m.Granted.HardwareVertexProcessing ? D3DCREATE_MIXED_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        Result = QNGRFDEV::Driver ? QNGRFDEV::Driver->CreateDevice(std::uint32_t(m.Granted.Adapter), D3DDEVTYPE_HAL,
                                                                     TargetWindow(), behaviour, pp, &Device)
                                  : D3DERR_INVALIDCALL;
        gContextShortfall = false;
        if (Result != D3D_OK) {
            Device = nullptr;
            const char* missing = QNGRFDEV::Driver ? QNGRFDEV::Driver->MissingFeatures() : "";
            if (missing && *missing) {
                gContextShortfall = true;
                throw EXC(Result, "Unable to open display. %s", missing);
            }
            throw EXC(Result, "Unable to open display.");
        }
        // The driver answers capability questions before any context exists; the device knows
        // what its context really has.
        GfxCaps caps;
        const QNDISPLAYSETTINGS& req = QNGRFDEV::Request;
        if (Device->GetDeviceCaps(&caps) == D3D_OK &&
            (std::int64_t(caps.MaxSimultaneousTextures) < req.MinSimultaneousTextures ||
             std::int64_t(caps.MaxTextureBlendStages) < req.MinBlendStages)) {
            Close();
            gContextShortfall = true;
            Result = D3DERR_NOTAVAILABLE;
            throw EXC(Result, "Unable to open display. The OpenGL context has %u texture unit(s) and %u blend "
                      "stage(s); the drawing needs %d and %d.", caps.MaxSimultaneousTextures, caps.MaxTextureBlendStages,
                      req.MinSimultaneousTextures, req.MinBlendStages);
        }
    }
    // The box follows every open, so a toggle between windowed and full screen never
    // draws into the previous mode's rectangle.
    Box[0] = QNVEC3(0.0f, 0.0f, 0.0f);
    Box[1] = QNVEC3(float(pp.BackBufferWidth), float(pp.BackBufferHeight), 1.0f);
    Device->GetViewport(&Viewport);
    if (QNGRFDEV::CurrentMode->Granted.MultisampleType)
        Device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, 1);
    MarkCachesSendAll();
}

void QNDISPLAY::Close() {
    if (Device) Device->Release();
    Device = nullptr;
}

bool QNDISPLAY::IsDeviceAvailable() {
    if (!Device) return true;
    return Device->TestCooperativeLevel() != D3DERR_DEVICELOST;
}

bool QNDISPLAY::WasLost() { return Result == D3DERR_DEVICELOST || Result == D3DERR_DEVICENOTRESET; }

void QNDISPLAY::BeginScene() {
    if (Device) Result = Device->BeginScene();
}

void QNDISPLAY::EndScene() {
    if (Device) Result = Device->EndScene();
}

void QNDISPLAY::Present() {
    QNFRAMESTATS::Tick(QNGRFDEV::CurrentMode->Granted.ScanLineReading != 0);
    if (!Device) return;
    Result = Device->Present();
    if (Result != D3D_OK) throw EXC(Result, "Unable to display graphics.");
}

void QNDISPLAY::Clear(float r, float g, float b, float depth, float stencil) {
    if (!Device) return;
    const QNDISPLAYMODE& m = *QNGRFDEV::CurrentMode;
    std::uint32_t flags = 0;
    if (r >= 0.0f) flags |= D3DCLEAR_TARGET;
    if (depth >= 0.0f && m.Granted.DepthBuffer) flags |= D3DCLEAR_ZBUFFER;
    if (stencil >= 0.0f && m.Granted.Stencil) flags |= D3DCLEAR_STENCIL;
    if (!flags) return;
    Result = Device->Clear(flags, OpaqueColour(r, g, b), depth, stencil >= 0.0f ? std::uint32_t(stencil) : 0);
}

void QNDISPLAY::SetAmbient(float r, float g, float b) {
    if (Device) Result = Device->SetRenderState(D3DRS_AMBIENT, OpaqueColour(r, g, b));
}

void QNDISPLAY::SetViewport(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height) {
    const std::uint32_t bw = std::uint32_t(Box[1].x), bh = std::uint32_t(Box[1].y);
    if (width == 0) width = std::uint32_t(Box[1].x - Box[0].x);
    if (height == 0) height = std::uint32_t(Box[1].y - Box[0].y);
    // Kept inside the back buffer, which the device requires.
    if (x >= bw || y >= bh) return;
    if (width > bw - x) width = bw - x;
    if (height > bh - y) height = bh - y;
    if (width == 0 || height == 0 || !Device) return;
    GfxViewport vp{x, y, width, height, 0.0f, 1.0f};
    Result = Device->SetViewport(vp);
    Device->GetViewport(&Viewport);
}

void QNDISPLAY::SetPerspective(float fov, float zn, float zf) {
    const float w = Box[1].x - Box[0].x, h = Box[1].y - Box[0].y;
    Projection = QNMATRIX::PerspectiveFovLH(fov, h > 0.0f ? w / h : 1.0f, zn, zf);
    if (Device) Result = Device->SetTransform(D3DTS_PROJECTION, Projection.m);
    ViewProjection = View * Projection;
}

void QNDISPLAY::SetOrtho(float width, float height, float zn, float zf) {
    Projection = QNMATRIX::OrthoLH(width, height, zn, zf);
    if (Device) Result = Device->SetTransform(D3DTS_PROJECTION, Projection.m);
    ViewProjection = View * Projection;
}

void QNDISPLAY::SetCamera(const QNMATRIX& camera) {
    View = camera.Inverse();
    if (Device) Result = Device->SetTransform(D3DTS_VIEW, View.m);
    ViewProjection = View * Projection;
}

void QNDISPLAY::SetWorld(const QNMATRIX& m, std::uint32_t index) {
    if (Device) Result = Device->SetTransform(D3DTS_WORLDMATRIX(index), m.m);
}

void QNDISPLAY::GetTransforms(QNMATRIX out[3]) {
    out[0] = Projection;
    out[1] = View;
    out[2] = ViewProjection;
}

void QNDISPLAY::SetTransforms(const QNMATRIX in[3]) {
    Projection = in[0];
    View = in[1];
    ViewProjection = in[2];
    if (!Device) return;
    Device->SetTransform(D3DTS_PROJECTION, Projection.m);
    Result = Device->SetTransform(D3DTS_VIEW, View.m);
}

void QNDISPLAY::GammaRamp(float g, std::uint16_t out[256]) {
    for (int i = 0; i < 256; ++i) {
        float v = float(i * 257) + std::sin(float(i) * 3.14159f * 0.003921569f) * (g * 25000.0f);
        out[i] = static_cast<std::uint16_t>(static_cast<std::uint32_t>(RoundToInt(v)) & 0xFFFFu);
    }
}

void QNDISPLAY::SetGamma(float g) {
    GfxGammaRamp ramp;
    GammaRamp(g, ramp.red);
    std::memcpy(ramp.green, ramp.red, sizeof ramp.red);
    std::memcpy(ramp.blue, ramp.red, sizeof ramp.red);
    if (Device) Result = Device->SetGammaRamp(ramp);
}

void QNDISPLAY::ForceLost(int lostTests) {
    if (Device) Device->ForceLost(lostTests);
}

bool QNDISPLAY::ReadBack(std::vector<std::uint32_t>& argb, std::uint32_t& width, std::uint32_t& height) {
    if (!Device) return false;
    return Device->ReadBackBuffer(&argb, &width, &height) == D3D_OK;
}
