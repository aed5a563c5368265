#pragma once
// Internals of the OpenGL device: the device class and its resource objects.

#define GL_GLEXT_PROTOTYPES 1
#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl_device.h"
#include "platform/window.h"

namespace gfxgl {

class Device;

// State shared between a device and the resources it made, so a resource
// released after its device knows not to touch the context, and one released
// while bound is dropped from the device's bindings.
struct Shared {
    bool alive = true;
    int defaultPoolResources = 0;
    Device* device = nullptr;
};

class Buffer {
public:
    Buffer(std::shared_ptr<Shared> shared, GLenum target, uint32_t length, uint32_t usage, D3DPOOL pool);
    ~Buffer();
    GfxResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
    GfxResult Unlock();

    std::shared_ptr<Shared> shared;
    GLenum target;
    GLuint id = 0;
    uint32_t length;
    uint32_t usage;
    D3DPOOL pool;
    std::vector<uint8_t> shadow;  // the system copy that locks hand out and draws read back
    bool locked = false;
    uint32_t lockOffset = 0, lockSize = 0, lockFlags = 0;
    uint32_t version = 0;  // rises with every unlock
    uint64_t serial;       // never reused, unlike the object's address
};

class VertexBuffer final : public GfxVertexBuffer {
public:
    VertexBuffer(std::shared_ptr<Shared> s, uint32_t length, uint32_t usage, D3DPOOL pool)
        : buf(std::move(s), GL_ARRAY_BUFFER, length, usage, pool) {}
    ~VertexBuffer() override;
    GfxResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) override {
        return buf.Lock(offset, size, data, flags);
    }
    GfxResult Unlock() override { return buf.Unlock(); }
    uint32_t Length() const override { return buf.length; }
    uint32_t Usage() const override { return buf.usage; }
    D3DPOOL Pool() const override { return buf.pool; }
    Buffer buf;
};

class IndexBuffer final : public GfxIndexBuffer {
public:
    IndexBuffer(std::shared_ptr<Shared> s, uint32_t length, uint32_t usage, D3DPOOL pool)
        : buf(std::move(s), GL_ELEMENT_ARRAY_BUFFER, length, usage, pool) {}
    ~IndexBuffer() override;
    GfxResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) override {
        return buf.Lock(offset, size, data, flags);
    }
    GfxResult Unlock() override { return buf.Unlock(); }
    uint32_t Length() const override { return buf.length; }
    uint32_t Usage() const override { return buf.usage; }
    D3DPOOL Pool() const override { return buf.pool; }
    Buffer buf;
};

// Sampler state last applied to a GL texture object.
struct Sampler {
    GLint minFilter = -1, magFilter = -1, wrapS = -1, wrapT = -1;
    uint32_t border = 0xFFFFFFFFu;
};

class Texture final : public GfxTexture {
public:
    Texture(std::shared_ptr<Shared> s, uint32_t w, uint32_t h, uint32_t levels, uint32_t usage, D3DFORMAT f,
            D3DPOOL pool);
    ~Texture() override;
    uint32_t LevelCount() const override { return levels; }
    GfxResult GetLevelDesc(uint32_t level, GfxSurfaceDesc* desc) const override;
    GfxResult UploadLevel(uint32_t level, const uint32_t* argb) override;

    std::shared_ptr<Shared> shared;
    GLuint id = 0;
    uint32_t width, height, levels, usage;
    D3DFORMAT format;
    D3DPOOL pool;
    Sampler sampler;
};

// The parts of a flexible vertex format a draw needs.
struct Layout {
    bool rhw = false;
    bool normal = false;
    bool diffuse = false;
    uint32_t stride = 0;
    uint32_t normalOffset = 0;
    uint32_t diffuseOffset = 0;
    uint32_t texSets = 0;
    uint32_t texOffset[8] = {};
    uint32_t texSize[8] = {};
    uint32_t weights = 0;       // blend weights after the position (floats from offset 12)
    bool blendIndices = false;  // four matrix indices in one word after the weights
    uint32_t indicesOffset = 0;
};
Layout ParseFvf(uint32_t fvf);
void FillCaps(GfxCaps* caps);

struct LightRecord {
    GfxLight light;
    bool enabled = false;
};

/// What a context of this GL version, extension list and fixed-function texture units lacks
/// for the drawing: framebuffer objects (the back buffer is one, and present blits it) and at
/// least one texture unit. "" when it has everything; otherwise one sentence per shortfall.
std::string GlContextShortfall(const char* version, const char* extensions, int textureUnits);

/// True when the space-separated extension list names `name` exactly.
bool GlHasExtension(const char* extensions, const char* name);

class Device final : public GfxDevice {
public:
    Device(SDL_Window* focus, D3DFORMAT desktopFormat);
    ~Device() override;
    GfxResult Init(const GfxPresentParameters& pp);

    GfxResult TestCooperativeLevel() override;
    GfxResult Reset(const GfxPresentParameters& pp) override;
    GfxResult Present() override;
    GfxResult GetDeviceCaps(GfxCaps* caps) override;
    GfxResult BeginScene() override;
    GfxResult EndScene() override;
    GfxResult Clear(uint32_t flags, D3DCOLOR colour, float z, uint32_t stencil) override;
    GfxResult SetViewport(const GfxViewport& vp) override;
    GfxResult GetViewport(GfxViewport* vp) override;
    GfxResult SetTransform(uint32_t state, const float* m16) override;
    GfxResult SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
    GfxResult SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) override;
    GfxResult SetTexture(uint32_t stage, GfxTexture* texture) override;
    GfxResult SetMaterial(const GfxMaterial& material) override;
    GfxResult SetLight(uint32_t index, const GfxLight& light) override;
    GfxResult LightEnable(uint32_t index, bool enable) override;
    GfxResult SetGammaRamp(const GfxGammaRamp& ramp) override;
    GfxResult CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                 GfxVertexBuffer** out) override;
    GfxResult CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                GfxIndexBuffer** out) override;
    GfxResult CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                            D3DPOOL pool, GfxTexture** out) override;
    GfxResult SetStreamSource(uint32_t stream, GfxVertexBuffer* vb, uint32_t stride) override;
    GfxResult SetIndices(GfxIndexBuffer* ib, uint32_t baseVertex) override;
    GfxResult SetVertexShader(uint32_t fvf) override;
    GfxResult DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex, uint32_t primitiveCount) override;
    GfxResult DrawIndexedPrimitive(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t numVertices,
                                   uint32_t startIndex, uint32_t primitiveCount) override;
    void ForceLost(int lostTests) override;
    GfxResult ReadBackBuffer(std::vector<uint32_t>* argb, uint32_t* width, uint32_t* height) override;

    /// Drops a resource being released from every binding that names it.
    void Forget(const void* resource);

    /// What the context lacks for the drawing, after an Init that failed for it ("" otherwise).
    const std::string& Missing() const { return missing_; }

private:
    enum class Lost { None, Lost, NotReset };

    GfxResult CheckParameters(const GfxPresentParameters& pp) const;
    GfxResult MakeBackBuffer(const GfxPresentParameters& pp);
    void FreeBackBuffer();
    GfxResult ApplyWindowMode(const GfxPresentParameters& pp);
    /// Reads the window's real client size and hands the presentation to the pointer mapping;
    /// returns the picture's rectangle in client pixels.
    PlatformRect UpdatePresentation();
    void SetDefaultState();
    void ApplyRenderState(D3DRENDERSTATETYPE state);
    void ApplyStencil();
    /// Fog of the draw; pre-transformed vertices take table fog only, from their depth.
    void ApplyFog(bool rhw);
    void ApplyPointScale();
    /// World matrices under the view; a blended draw has its vertices in world space already.
    void ApplyTransforms(bool rhw);
    /// Vertex blending and tweening of vertices [lo, hi) into the blend scratch, in world space.
    /// False when the draw blends nothing; a second stream too short fails the draw.
    GfxResult BlendVertices(const Layout& layout, uint32_t lo, uint32_t hi, bool* blended);
    void ApplyLighting(const Layout& layout, bool rhw, uint32_t first, uint32_t count);
    void ApplyLights(uint32_t first, uint32_t count);
    void ApplyTextureStages(const Layout& layout, bool rhw);
    void ApplySampler(Texture* tex, uint32_t stage);
    GfxResult Draw(D3DPRIMITIVETYPE type, uint32_t primitiveCount, bool indexed, uint32_t first, uint32_t count,
                   uint32_t startIndex);
    bool BoundsOfRange(uint32_t first, uint32_t count, float centre[3], float* radius);

    std::shared_ptr<Shared> shared_;
    SDL_Window* focus_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    D3DFORMAT desktopFormat_;
    GfxPresentParameters pp_;
    GLuint fbo_ = 0, colourRb_ = 0, depthRb_ = 0;
    int clientW_ = 0, clientH_ = 0;  // the window's real client size at the last present
    GLuint white_ = 0;
    uint32_t units_ = 8;  // texture units of the context, at most 8
    std::string missing_;
    bool combine3_ = false;  // multiply-add combiner (exact ADDSMOOTH and premultiplied blends)
    Lost lost_ = Lost::None;
    int lostTests_ = 0;
    bool inScene_ = false;

    uint32_t rs_[D3DRS_COUNT] = {};
    uint32_t tss_[8][D3DTSS_COUNT] = {};
    Texture* textures_[8] = {};
    float worlds_[256][16];  // world matrices of vertex blending; 0 is the world matrix
    float (&world_)[16] = worlds_[0];
    float view_[16], proj_[16], texm_[8][16];
    GfxMaterial material_;
    std::map<uint32_t, LightRecord> lights_;
    GfxViewport viewport_;
    VertexBuffer* stream_ = nullptr;
    uint32_t streamStride_ = 0;
    VertexBuffer* tweenStream_ = nullptr;  // stream 1: the second positions of tweening, stream 0's layout
    uint32_t tweenStride_ = 0;
    IndexBuffer* indices_ = nullptr;
    uint32_t baseVertex_ = 0;
    uint32_t fvf_ = 0;

    bool transformsDirty_ = true;
    bool lastRhw_ = false;
    bool blended_ = false;  // the current draw's vertices are in the blend scratch
    bool lastBlended_ = false;
    bool lastStagesRhw_ = false;
    bool materialDirty_ = true;
    bool stagesDirty_ = true;
    bool lightsDirty_ = true;
    bool colourMaterialOn_ = false;
    std::vector<uint32_t> glLightSlots_;  // device light index in each GL light, UINT32_MAX when off
    std::vector<float> rhwScratch_;
    std::vector<float> rhwFog_;  // fog depth of each pre-transformed vertex
    std::vector<float> blendPos_;     // x, y, z, w of each blended vertex
    std::vector<float> blendNormal_;  // its normal
    float blendCentre_[3] = {};       // sphere of the blended vertices, for the light range tests
    float blendRadius_ = 0.0f;

    struct BoundsKey {
        uint64_t vb;  // the buffer's serial
        uint32_t first, count, version;
        bool operator<(const BoundsKey& o) const;
    };
    std::map<BoundsKey, std::array<float, 4>> boundsCache_;
};

}  // namespace gfxgl
