#pragma once
// A recording device and driver: every state call is logged as a line of text and kept as
// state, buffers keep their bytes, and the driver answers from tables a test sets.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/gl_device.h"

class FakeDevice;

class FakeVertexBuffer : public GfxVertexBuffer {
public:
    FakeVertexBuffer(FakeDevice* d, uint32_t length, uint32_t usage, D3DPOOL pool);
    ~FakeVertexBuffer() override;
    GfxResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) override;
    GfxResult Unlock() override;
    uint32_t Length() const override { return uint32_t(bytes.size()); }
    uint32_t Usage() const override { return usage; }
    D3DPOOL Pool() const override { return pool; }
    FakeDevice* device;
    std::vector<uint8_t> bytes;
    uint32_t usage;
    D3DPOOL pool;
    std::vector<uint32_t> lockFlags;  // flags of every lock
};

class FakeIndexBuffer : public GfxIndexBuffer {
public:
    FakeIndexBuffer(FakeDevice* d, uint32_t length, uint32_t usage, D3DPOOL pool);
    ~FakeIndexBuffer() override;
    GfxResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) override;
    GfxResult Unlock() override;
    uint32_t Length() const override { return uint32_t(bytes.size()); }
    uint32_t Usage() const override { return usage; }
    D3DPOOL Pool() const override { return pool; }
    uint16_t Index(uint32_t i) const { return uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8); }
    FakeDevice* device;
    std::vector<uint8_t> bytes;
    uint32_t usage;
    D3DPOOL pool;
    std::vector<uint32_t> lockFlags;
};

class FakeTexture : public GfxTexture {
public:
    FakeTexture(uint32_t w, uint32_t h, uint32_t levels, D3DFORMAT f) : w(w), h(h), levels(levels), format(f) {}
    uint32_t LevelCount() const override { return levels; }
    GfxResult GetLevelDesc(uint32_t level, GfxSurfaceDesc* desc) const override;
    GfxResult UploadLevel(uint32_t level, const uint32_t* argb) override;
    uint32_t w, h, levels;
    D3DFORMAT format;
    std::vector<std::vector<uint32_t>> data;
};

class FakeDevice : public GfxDevice {
public:
    std::vector<std::string> log;
    std::map<uint32_t, uint32_t> rs;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> tss;
    GfxTexture* textures[8] = {};
    GfxMaterial material;
    std::map<uint32_t, GfxLight> lights;
    std::map<uint32_t, bool> lightOn;
    std::map<uint32_t, std::vector<float>> transforms;
    GfxViewport viewport{0, 0, 640, 480, 0, 1};
    GfxPresentParameters pp;
    int defaultPool = 0;
    bool failLocks = false;
    int lostTests = -1;  // < 0: not lost
    bool notReset = false;
    GfxVertexBuffer* stream = nullptr;
    GfxIndexBuffer* indices = nullptr;
    uint32_t fvf = 0;
    int draws = 0;
    uint32_t units = 2;  // texture units the device reports

    /// Lines of the log that start with prefix.
    int Count(const std::string& prefix) const;
    void Clear() { log.clear(); }

    GfxResult TestCooperativeLevel() override;
    GfxResult Reset(const GfxPresentParameters& p) override;
    GfxResult Present() override;
    GfxResult GetDeviceCaps(GfxCaps* caps) override;
    GfxResult BeginScene() override { log.push_back("begin"); return D3D_OK; }
    GfxResult EndScene() override { log.push_back("end"); return D3D_OK; }
    GfxResult Clear(uint32_t flags, D3DCOLOR colour, float z, uint32_t stencil) override;
    GfxResult SetViewport(const GfxViewport& vp) override { viewport = vp; log.push_back("viewport"); return D3D_OK; }
    GfxResult GetViewport(GfxViewport* vp) override { *vp = viewport; return D3D_OK; }
    GfxResult SetTransform(uint32_t state, const float* m) override;
    GfxResult SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
    GfxResult SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) override;
    GfxResult SetTexture(uint32_t stage, GfxTexture* texture) override;
    GfxResult SetMaterial(const GfxMaterial& m) override { material = m; log.push_back("material"); return D3D_OK; }
    GfxResult SetLight(uint32_t index, const GfxLight& light) override;
    GfxResult LightEnable(uint32_t index, bool enable) override;
    GfxResult SetGammaRamp(const GfxGammaRamp&) override { log.push_back("gamma"); return D3D_OK; }
    GfxResult CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                 GfxVertexBuffer** out) override;
    GfxResult CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                GfxIndexBuffer** out) override;
    GfxResult CreateTexture(uint32_t w, uint32_t h, uint32_t levels, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                            GfxTexture** out) override;
    GfxResult SetStreamSource(uint32_t, GfxVertexBuffer* vb, uint32_t stride) override;
    GfxResult SetIndices(GfxIndexBuffer* ib, uint32_t) override;
    GfxResult SetVertexShader(uint32_t f) override;
    GfxResult DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t start, uint32_t prims) override;
    GfxResult DrawIndexedPrimitive(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t num, uint32_t startIndex,
                                   uint32_t prims) override;
    void ForceLost(int tests) override { lostTests = tests; notReset = tests == 0; }
    GfxResult ReadBackBuffer(std::vector<uint32_t>*, uint32_t*, uint32_t*) override { return D3DERR_INVALIDCALL; }
};

class FakeDriver : public GfxDriver {
public:
    GfxDisplayMode desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<GfxDisplayMode> modes;
    GfxCaps caps;
    std::set<uint32_t> depthFormats{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8};
    bool dxt1 = true;
    bool multisample = false;
    std::set<uint32_t> refusedBackBuffers;  // CreateDevice fails with these formats
    FakeDevice* lastDevice = nullptr;
    GfxPresentParameters lastParams;
    uint32_t lastBehaviour = 0;
    std::vector<uint32_t> triedFormats;
    uint32_t deviceUnits = 2;  // texture units of the devices it makes
    std::string missing;       // when set, CreateDevice fails for it

    FakeDriver();
    void Release() override {}  // owned by the test
    uint32_t GetAdapterCount() override { return 1; }
    GfxResult GetAdapterDisplayMode(uint32_t, GfxDisplayMode* m) override { *m = desktop; return D3D_OK; }
    uint32_t GetAdapterModeCount(uint32_t) override { return uint32_t(modes.size()); }
    GfxResult EnumAdapterModes(uint32_t, uint32_t i, GfxDisplayMode* m) override;
    GfxResult GetDeviceCaps(uint32_t, D3DDEVTYPE, GfxCaps* c) override { *c = caps; return D3D_OK; }
    GfxResult CheckDeviceType(uint32_t, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, bool) override { return D3D_OK; }
    GfxResult CheckDeviceFormat(uint32_t, D3DDEVTYPE, D3DFORMAT, uint32_t usage, D3DRESOURCETYPE,
                                D3DFORMAT check) override;
    GfxResult CheckDepthStencilMatch(uint32_t, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override { return D3D_OK; }
    GfxResult CheckDeviceMultiSampleType(uint32_t, D3DDEVTYPE, D3DFORMAT, bool, D3DMULTISAMPLE_TYPE) override {
        return multisample ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    GfxResult CreateDevice(uint32_t, D3DDEVTYPE, SDL_Window*, uint32_t behaviour, const GfxPresentParameters& pp,
                           GfxDevice** out) override;
    const char* MissingFeatures() const override { return missing.c_str(); }
};
