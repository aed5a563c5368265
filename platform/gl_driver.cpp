// The OpenGL driver: an adapter that answers mode, capability and format
// questions from a fixed table consistent with what a GL 2.1 compatibility
// context on Mesa gives, and that makes devices on an SDL window.
//
// Full screen is a desktop full-screen window with an offscreen back buffer
// scaled on present, so any size can be granted. The full-screen mode list is
// therefore synthesised: common sizes plus the desktop size, each in 16 and 32
// bits, at the desktop refresh rate. Windowed back buffers must match the
// desktop format, as windowed swap chains did.

#include <algorithm>

#include "platform/gl_device_local.h"

namespace gfxgl {
namespace {

constexpr uint32_t kMaxTextureSize = 4096;
constexpr uint32_t kStages = 8;

D3DFORMAT FormatOfBits(int bits) {
    if (bits >= 24) return D3DFMT_X8R8G8B8;
    if (bits == 15) return D3DFMT_X1R5G5B5;
    return D3DFMT_R5G6B5;
}

bool IsDisplayFormat(D3DFORMAT f) {
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5;
}

bool IsDepthFormat(D3DFORMAT f) { return f == D3DFMT_D16 || f == D3DFMT_D24X8 || f == D3DFMT_D24S8; }

bool IsTextureFormat(D3DFORMAT f) {
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_R8G8B8: case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4: case D3DFMT_DXT1:
    case D3DFMT_DXT3: case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

// Back-buffer format allowed for a display format: the same or its alpha twin.
bool BackBufferMatches(D3DFORMAT display, D3DFORMAT back) {
    if (back == display) return true;
    return (display == D3DFMT_X8R8G8B8 && back == D3DFMT_A8R8G8B8) ||
           (display == D3DFMT_X1R5G5B5 && back == D3DFMT_A1R5G5B5);
}

class Driver final : public GfxDriver {
public:
    explicit Driver(bool ownsVideo) : ownsVideo_(ownsVideo) {
        SDL_DisplayMode m;
        if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
            desktop_.Width = uint32_t(m.w);
            desktop_.Height = uint32_t(m.h);
            desktop_.RefreshRate = m.refresh_rate > 0 ? uint32_t(m.refresh_rate) : 60;
            desktop_.Format = FormatOfBits(int(SDL_BITSPERPIXEL(m.format)));
        } else {
            desktop_ = {1024, 768, 60, D3DFMT_X8R8G8B8};
        }
        static const uint32_t sizes[][2] = {{640, 480},   {800, 600},   {1024, 768},  {1152, 864},
                                            {1280, 720},  {1280, 960},  {1280, 1024}, {1600, 900},
                                            {1600, 1200}, {1920, 1080}, {1920, 1200}};
        for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}) {
            bool desktopListed = false;
            for (auto& s : sizes) {
                modes_.push_back({s[0], s[1], desktop_.RefreshRate, f});
                desktopListed |= s[0] == desktop_.Width && s[1] == desktop_.Height;
            }
            if (!desktopListed) modes_.push_back({desktop_.Width, desktop_.Height, desktop_.RefreshRate, f});
        }
    }
    ~Driver() override {
        if (ownsVideo_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    uint32_t GetAdapterCount() override { return 1; }

    GfxResult GetAdapterDisplayMode(uint32_t adapter, GfxDisplayMode* mode) override {
        if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
        *mode = desktop_;
        return D3D_OK;
    }

    uint32_t GetAdapterModeCount(uint32_t adapter) override { return adapter == 0 ? uint32_t(modes_.size()) : 0; }

    GfxResult EnumAdapterModes(uint32_t adapter, uint32_t index, GfxDisplayMode* mode) override {
        if (adapter != 0 || index >= modes_.size() || !mode) return D3DERR_INVALIDCALL;
        *mode = modes_[index];
        return D3D_OK;
    }

    GfxResult GetDeviceCaps(uint32_t adapter, D3DDEVTYPE type, GfxCaps* caps) override {
        if (adapter != 0 || type != D3DDEVTYPE_HAL || !caps) return D3DERR_INVALIDCALL;
        FillCaps(caps);
        return D3D_OK;
    }

    GfxResult CheckDeviceType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT back,
                              bool windowed) override {
        if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
        if (!IsDisplayFormat(display) || !BackBufferMatches(display, back)) return D3DERR_NOTAVAILABLE;
        if (windowed && display != desktop_.Format) return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }

    GfxResult CheckDeviceFormat(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, uint32_t usage,
                                D3DRESOURCETYPE rtype, D3DFORMAT check) override {
        if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
        if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
        if (usage & D3DUSAGE_DEPTHSTENCIL) return IsDepthFormat(check) ? D3D_OK : D3DERR_NOTAVAILABLE;
        if (rtype == D3DRTYPE_TEXTURE) return IsTextureFormat(check) ? D3D_OK : D3DERR_NOTAVAILABLE;
        return D3DERR_NOTAVAILABLE;
    }

    GfxResult CheckDepthStencilMatch(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT rt,
                                     D3DFORMAT depth) override {
        if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
        if (!IsDisplayFormat(adapterFormat) || !BackBufferMatches(adapterFormat, rt)) return D3DERR_NOTAVAILABLE;
        return IsDepthFormat(depth) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

    GfxResult CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT, bool,
                                         D3DMULTISAMPLE_TYPE ms) override {
        if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
        return ms == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

    GfxResult CreateDevice(uint32_t adapter, D3DDEVTYPE type, SDL_Window* focus, uint32_t,
                           const GfxPresentParameters& pp, GfxDevice** out) override {
        if (!out) return D3DERR_INVALIDCALL;
        *out = nullptr;
        if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
        missing_.clear();
        auto* d = new Device(focus, desktop_.Format);
        GfxResult r = d->Init(pp);
        if (r != D3D_OK) {
            missing_ = d->Missing();
            delete d;
            return r;
        }
        *out = d;
        return D3D_OK;
    }

    const char* MissingFeatures() const override { return missing_.c_str(); }

private:
    bool ownsVideo_;
    std::string missing_;
    GfxDisplayMode desktop_;
    std::vector<GfxDisplayMode> modes_;
};

}  // namespace

void FillCaps(GfxCaps* caps) {
    *caps = GfxCaps{};
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->Caps = D3DCAPS_READ_SCANLINE;
    caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    caps->SrcBlendCaps = D3DPBLENDCAPS_SRCALPHA;
    caps->DestBlendCaps = D3DPBLENDCAPS_SRCALPHA;
    caps->TextureCaps = D3DPTEXTURECAPS_POW2;
    caps->MaxTextureWidth = kMaxTextureSize;
    caps->MaxTextureHeight = kMaxTextureSize;
    caps->MaxTextureBlendStages = kStages;
    caps->MaxSimultaneousTextures = kStages;
    caps->MaxActiveLights = 8;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = 2;  // the second one serves tweening only
    caps->MaxPointSize = 64.0f;
}

}  // namespace gfxgl

GfxDriver* GfxCreateDriver() {
    bool owns = false;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
        owns = true;
    }
    return new gfxgl::Driver(owns);
}

uint32_t GfxFormatBits(D3DFORMAT f) {
    switch (f) {
    case D3DFMT_R8G8B8: return 24;
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_D32: case D3DFMT_D24S8:
    case D3DFMT_D24X8: case D3DFMT_D24X4S4:
        return 32;
    case D3DFMT_R5G6B5: case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4:
    case D3DFMT_D16: case D3DFMT_D15S1: case D3DFMT_INDEX16:
        return 16;
    case D3DFMT_DXT1: return 4;
    case D3DFMT_DXT3: case D3DFMT_DXT5: return 8;
    default: return 0;
    }
}

uint32_t GfxFvfStride(uint32_t fvf) { return gfxgl::ParseFvf(fvf).stride; }
