// DDS textures: decodes the input, then loads it the way the texture loader does (colour key,
// resampling to powers of two, reduction to the asked format, mip halving) onto a device that
// keeps what is uploaded. The options come from the input's last byte. Checked: the level
// sizes halve from powers of two, each level is already at its format's precision, and the
// resampling keeps each channel's mean within half a step.

#include <cmath>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/dds.h"

namespace {

class CaptureTexture final : public GfxTexture {
public:
    CaptureTexture(std::uint32_t w, std::uint32_t h, std::uint32_t levels, D3DFORMAT format)
        : width(w), height(h), format(format), data(levels)
    {
    }
    std::uint32_t LevelCount() const override { return std::uint32_t(data.size()); }
    GfxResult GetLevelDesc(std::uint32_t level, GfxSurfaceDesc* desc) const override
    {
        desc->Format = format;
        desc->Width = Side(width, level);
        desc->Height = Side(height, level);
        return D3D_OK;
    }
    GfxResult UploadLevel(std::uint32_t level, const std::uint32_t* argb) override
    {
        fuzz::Require(level < data.size(), "uploads stay within the level count");
        data[level].assign(argb, argb + std::size_t(Side(width, level)) * Side(height, level));
        return D3D_OK;
    }
    static std::uint32_t Side(std::uint32_t n, std::uint32_t level) { return n >> level ? n >> level : 1; }

    std::uint32_t width, height;
    D3DFORMAT format;
    std::vector<std::vector<std::uint32_t>> data;
};

// Only texture creation matters to the loader; every other call is accepted and ignored.
class CaptureDevice final : public GfxDevice {
public:
    void Release() override {}
    GfxResult TestCooperativeLevel() override { return D3D_OK; }
    GfxResult Reset(const GfxPresentParameters&) override { return D3D_OK; }
    GfxResult Present() override { return D3D_OK; }
    GfxResult GetDeviceCaps(GfxCaps*) override { return D3D_OK; }
    GfxResult BeginScene() override { return D3D_OK; }
    GfxResult EndScene() override { return D3D_OK; }
    GfxResult Clear(std::uint32_t, D3DCOLOR, float, std::uint32_t) override { return D3D_OK; }
    GfxResult SetViewport(const GfxViewport&) override { return D3D_OK; }
    GfxResult GetViewport(GfxViewport*) override { return D3D_OK; }
    GfxResult SetTransform(std::uint32_t, const float*) override { return D3D_OK; }
    GfxResult SetRenderState(D3DRENDERSTATETYPE, std::uint32_t) override { return D3D_OK; }
    GfxResult SetTextureStageState(std::uint32_t, D3DTEXTURESTAGESTATETYPE, std::uint32_t) override { return D3D_OK; }
    GfxResult SetTexture(std::uint32_t, GfxTexture*) override { return D3D_OK; }
    GfxResult SetMaterial(const GfxMaterial&) override { return D3D_OK; }
    GfxResult SetLight(std::uint32_t, const GfxLight&) override { return D3D_OK; }
    GfxResult LightEnable(std::uint32_t, bool) override { return D3D_OK; }
    GfxResult SetGammaRamp(const GfxGammaRamp&) override { return D3D_OK; }
    GfxResult CreateVertexBuffer(std::uint32_t, std::uint32_t, std::uint32_t, D3DPOOL, GfxVertexBuffer**) override
    {
        return D3DERR_INVALIDCALL;
    }
    GfxResult CreateIndexBuffer(std::uint32_t, std::uint32_t, D3DFORMAT, D3DPOOL, GfxIndexBuffer**) override
    {
        return D3DERR_INVALIDCALL;
    }
    GfxResult CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t,
                            D3DFORMAT format, D3DPOOL, GfxTexture** out) override
    {
        *out = new CaptureTexture(width, height, levels, format);
        return D3D_OK;
    }
    GfxResult SetStreamSource(std::uint32_t, GfxVertexBuffer*, std::uint32_t) override { return D3D_OK; }
    GfxResult SetIndices(GfxIndexBuffer*, std::uint32_t) override { return D3D_OK; }
    GfxResult SetVertexShader(std::uint32_t) override { return D3D_OK; }
    GfxResult DrawPrimitive(D3DPRIMITIVETYPE, std::uint32_t, std::uint32_t) override { return D3D_OK; }
    GfxResult DrawIndexedPrimitive(D3DPRIMITIVETYPE, std::uint32_t, std::uint32_t, std::uint32_t,
                                   std::uint32_t) override
    {
        return D3D_OK;
    }
    void ForceLost(int) override {}
    GfxResult ReadBackBuffer(std::vector<std::uint32_t>*, std::uint32_t*, std::uint32_t*) override { return D3D_OK; }
};

double ChannelMean(const std::vector<std::uint32_t>& argb, int shift)
{
    double sum = 0;
    for (std::uint32_t c : argb)
        sum += double(c >> shift & 0xFF);
    return argb.empty() ? 0 : sum / double(argb.size());
}

bool IsPow2(std::uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DdsImage image;
    std::string error;
    if (!DdsDecode(data, size, &image, &error)) {
        fuzz::Require(!error.empty(), "a refusal gives its reason");
        return 0;
    }
    fuzz::Require(image.argb.size() == std::size_t(image.width) * image.height, "the image holds its texels");
    if (std::size_t(image.width) * image.height > (1u << 18))
        return 0;

    // The last byte picks the asked format, the mip levels, a colour key and a size to resample to.
    const std::uint8_t options = data[size - 1];
    static const D3DFORMAT formats[] = {D3DFMT_UNKNOWN,  D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,
                                        D3DFMT_DXT1,     D3DFMT_R5G6B5,   D3DFMT_X8R8G8B8, D3DFMT_DXT3};
    static const std::uint32_t mipLevels[] = {0, 1, 2, GFX_DEFAULT};
    const D3DFORMAT format = formats[options & 7];
    const std::uint32_t mips = mipLevels[options >> 3 & 3];
    const D3DCOLOR key = (options & 0x20) ? image.argb[0] : 0;
    const std::uint32_t side = (options & 0x40) ? 3 + (options & 0x80 ? 40 : 0) : GFX_DEFAULT;

    // Resampling is area-weighted: each channel keeps its mean within the rounding of a texel.
    const std::uint32_t w = DdsNextPow2(side == GFX_DEFAULT ? image.width : side);
    const std::uint32_t h = DdsNextPow2(side == GFX_DEFAULT ? image.height : side);
    if (w <= 4096 && h <= 4096) {
        const std::vector<std::uint32_t> resampled = DdsResample(image.argb, image.width, image.height, w, h);
        fuzz::Require(resampled.size() == std::size_t(w) * h, "the resampled image has its size");
        for (int shift = 0; shift < 32; shift += 8)
            fuzz::Require(std::fabs(ChannelMean(resampled, shift) - ChannelMean(image.argb, shift)) <= 0.5 + 1e-6,
                          "resampling keeps each channel's mean");
    }

    static CaptureDevice device;
    const std::string& path = fuzz::WriteScratch(data, size, ".dds");
    GfxTexture* texture = nullptr;
    const GfxResult r =
        GfxLoadTexture(&device, path.c_str(), side, side, mips, 0, format, D3DPOOL_MANAGED, key, &texture);
    fuzz::Require(r == D3D_OK && texture, "a decodable file loads");
    auto* t = static_cast<CaptureTexture*>(texture);
    fuzz::Require(IsPow2(t->width) && IsPow2(t->height) && t->width <= 4096 && t->height <= 4096,
                  "level 0 has power-of-two sides");
    const D3DFORMAT reduced = format == D3DFMT_UNKNOWN ? image.format : format;
    for (std::uint32_t level = 0; level < t->LevelCount(); ++level) {
        std::vector<std::uint32_t> texels = t->data[level];
        fuzz::Require(!texels.empty(), "every level is uploaded");
        DdsQuantize(texels, reduced);
        fuzz::Require(texels == t->data[level], "every level is at its format's precision");
    }
    const std::uint32_t last = t->LevelCount() - 1;
    fuzz::Require(mips == 1 || mips == 2 || (CaptureTexture::Side(t->width, last) == 1 &&
                                             CaptureTexture::Side(t->height, last) == 1),
                  "a full chain ends at one texel");
    texture->Release();
    return 0;
}
