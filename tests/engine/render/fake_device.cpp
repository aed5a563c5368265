#include "tests/engine/render/fake_device.h"

#include <algorithm>
#include <cstring>

namespace {
std::string Line(const char* tag, uint32_t a, uint32_t b) {
    return std::string(tag) + " " + std::to_string(a) + " " + std::to_string(b);
}
}  // namespace

FakeVertexBuffer::FakeVertexBuffer(FakeDevice* d, uint32_t length, uint32_t u, D3DPOOL p)
    : device(d), bytes(length), usage(u), pool(p) {
    if (pool == D3DPOOL_DEFAULT) ++device->defaultPool;
}
FakeVertexBuffer::~FakeVertexBuffer() {
    if (pool == D3DPOOL_DEFAULT) --device->defaultPool;
}
GfxResult FakeVertexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) {
    lockFlags.push_back(flags);
    if (device->failLocks || offset + size > bytes.size()) return D3DERR_INVALIDCALL;
    *data = bytes.data() + offset;
    return D3D_OK;
}
GfxResult FakeVertexBuffer::Unlock() { return D3D_OK; }

FakeIndexBuffer::FakeIndexBuffer(FakeDevice* d, uint32_t length, uint32_t u, D3DPOOL p)
    : device(d), bytes(length), usage(u), pool(p) {
    if (pool == D3DPOOL_DEFAULT) ++device->defaultPool;
}
FakeIndexBuffer::~FakeIndexBuffer() {
    if (pool == D3DPOOL_DEFAULT) --device->defaultPool;
}
GfxResult FakeIndexBuffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) {
    lockFlags.push_back(flags);
    if (device->failLocks || offset + size > bytes.size()) return D3DERR_INVALIDCALL;
    *data = bytes.data() + offset;
    return D3D_OK;
}
GfxResult FakeIndexBuffer::Unlock() { return D3D_OK; }

GfxResult FakeTexture::GetLevelDesc(uint32_t level, GfxSurfaceDesc* desc) const {
    if (level >= levels) return D3DERR_INVALIDCALL;
    desc->Width = std::max(1u, w >> level);
    desc->Height = std::max(1u, h >> level);
    desc->Format = format;
    desc->Size = desc->Width * desc->Height * GfxFormatBits(format) / 8;
    return D3D_OK;
}
GfxResult FakeTexture::UploadLevel(uint32_t level, const uint32_t* argb) {
    if (level >= levels) return D3DERR_INVALIDCALL;
    if (data.size() < levels) data.resize(levels);
    uint32_t lw = std::max(1u, w >> level), lh = std::max(1u, h >> level);
    data[level].assign(argb, argb + size_t(lw) * lh);
    return D3D_OK;
}

int FakeDevice::Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& l : log)
        if (l.compare(0, prefix.size(), prefix) == 0) ++n;
    return n;
}

GfxResult FakeDevice::TestCooperativeLevel() {
    if (lostTests > 0) {
        --lostTests;
        if (lostTests == 0) notReset = true;
        return D3DERR_DEVICELOST;
    }
    return notReset ? D3DERR_DEVICENOTRESET : D3D_OK;
}

GfxResult FakeDevice::Reset(const GfxPresentParameters& p) {
    log.push_back("reset");
    if (lostTests > 0) return D3DERR_DEVICELOST;
    if (defaultPool > 0) return D3DERR_INVALIDCALL;
    pp = p;
    notReset = false;
    lostTests = -1;
    viewport = GfxViewport{0, 0, p.BackBufferWidth, p.BackBufferHeight, 0, 1};
    return D3D_OK;
}

GfxResult FakeDevice::Present() {
    log.push_back("present");
    return (lostTests > 0 || notReset) ? D3DERR_DEVICELOST : D3D_OK;
}

GfxResult FakeDevice::GetDeviceCaps(GfxCaps* caps) {
    *caps = GfxCaps{};
    caps->MaxSimultaneousTextures = units;
    caps->MaxTextureBlendStages = 8;
    return D3D_OK;
}

GfxResult FakeDevice::Clear(uint32_t flags, D3DCOLOR colour, float, uint32_t) {
    log.push_back(Line("clear", flags, colour));
    return D3D_OK;
}

GfxResult FakeDevice::SetTransform(uint32_t state, const float* m) {
    transforms[state].assign(m, m + 16);
    log.push_back(Line("transform", state, 0));
    return D3D_OK;
}

GfxResult FakeDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
    rs[state] = value;
    log.push_back(Line("rs", state, value));
    return D3D_OK;
}

GfxResult FakeDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) {
    tss[{stage, type}] = value;
    log.push_back(Line("tss", stage, type) + " " + std::to_string(value));
    return D3D_OK;
}

GfxResult FakeDevice::SetTexture(uint32_t stage, GfxTexture* texture) {
    textures[stage] = texture;
    log.push_back(Line("texture", stage, texture ? 1 : 0));
    return D3D_OK;
}

GfxResult FakeDevice::SetLight(uint32_t index, const GfxLight& light) {
    lights[index] = light;
    log.push_back(Line("light", index, 0));
    return D3D_OK;
}

GfxResult FakeDevice::LightEnable(uint32_t index, bool enable) {
    lightOn[index] = enable;
    log.push_back(Line("lighton", index, enable));
    return D3D_OK;
}

GfxResult FakeDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf_, D3DPOOL pool,
                                         GfxVertexBuffer** out) {
    log.push_back(Line("createvb", length, fvf_));
    *out = new FakeVertexBuffer(this, length, usage, pool);
    return D3D_OK;
}

GfxResult FakeDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT, D3DPOOL pool,
                                        GfxIndexBuffer** out) {
    log.push_back(Line("createib", length, 0));
    *out = new FakeIndexBuffer(this, length, usage, pool);
    return D3D_OK;
}

GfxResult FakeDevice::CreateTexture(uint32_t w, uint32_t h, uint32_t levels, uint32_t, D3DFORMAT format, D3DPOOL,
                                    GfxTexture** out) {
    *out = new FakeTexture(w, h, levels == 0 ? 1 : levels, format);
    return D3D_OK;
}

GfxResult FakeDevice::SetStreamSource(uint32_t, GfxVertexBuffer* vb, uint32_t stride) {
    stream = vb;
    log.push_back(Line("stream", stride, 0));
    return D3D_OK;
}

GfxResult FakeDevice::SetIndices(GfxIndexBuffer* ib, uint32_t) {
    indices = ib;
    log.push_back("indices");
    return D3D_OK;
}

GfxResult FakeDevice::SetVertexShader(uint32_t f) {
    fvf = f;
    log.push_back(Line("shader", f, 0));
    return D3D_OK;
}

GfxResult FakeDevice::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t start, uint32_t prims) {
    ++draws;
    log.push_back(Line("draw", type, start) + " " + std::to_string(prims));
    return D3D_OK;
}

GfxResult FakeDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t num,
                                           uint32_t startIndex, uint32_t prims) {
    ++draws;
    log.push_back(Line("drawindexed", type, minIndex) + " " + std::to_string(num) + " " + std::to_string(startIndex) +
                  " " + std::to_string(prims));
    return D3D_OK;
}

FakeDriver::FakeDriver() {
    caps.Caps = D3DCAPS_READ_SCANLINE;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    caps.SrcBlendCaps = D3DPBLENDCAPS_SRCALPHA;
    caps.MaxTextureWidth = caps.MaxTextureHeight = 2048;
    caps.MaxSimultaneousTextures = 2;
    caps.MaxTextureBlendStages = 8;
    modes = {{640, 480, 60, D3DFMT_R5G6B5}, {640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_R5G6B5}};
}

GfxResult FakeDriver::EnumAdapterModes(uint32_t, uint32_t i, GfxDisplayMode* m) {
    if (i >= modes.size()) return D3DERR_INVALIDCALL;
    *m = modes[i];
    return D3D_OK;
}

GfxResult FakeDriver::CheckDeviceFormat(uint32_t, D3DDEVTYPE, D3DFORMAT, uint32_t usage, D3DRESOURCETYPE,
                                        D3DFORMAT check) {
    if (usage & D3DUSAGE_DEPTHSTENCIL) return depthFormats.count(check) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (check == D3DFMT_DXT1) return dxt1 ? D3D_OK : D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

GfxResult FakeDriver::CreateDevice(uint32_t, D3DDEVTYPE, SDL_Window*, uint32_t behaviour,
                                   const GfxPresentParameters& pp, GfxDevice** out) {
    triedFormats.push_back(pp.BackBufferFormat);
    if (refusedBackBuffers.count(pp.BackBufferFormat) || !missing.empty()) return D3DERR_NOTAVAILABLE;
    auto* d = new FakeDevice;
    d->units = deviceUnits;
    d->pp = pp;
    d->viewport = GfxViewport{0, 0, pp.BackBufferWidth, pp.BackBufferHeight, 0, 1};
    lastDevice = d;
    lastParams = pp;
    lastBehaviour = behaviour;
    *out = d;
    return D3D_OK;
}
