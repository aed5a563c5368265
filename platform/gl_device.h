#pragma once
/// The graphics device interface and its driver (the adapter object that
/// enumerates modes, answers capability and format checks and creates the
/// device). GfxCreateDriver gives the OpenGL implementation; tests may supply
/// their own implementation of these interfaces.

#include <cstdint>
#include <vector>

#include "platform/gl_types.h"

class GfxResource {
public:
    virtual ~GfxResource() = default;
    /// Destroys the resource; the pointer is dead afterwards.
    virtual void Release() { delete this; }
};

class GfxVertexBuffer : public GfxResource {
public:
    /// Locks size bytes from offset (size 0 = to the end); *data points at them.
    virtual GfxResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) = 0;
    virtual GfxResult Unlock() = 0;
    virtual uint32_t Length() const = 0;
    virtual uint32_t Usage() const = 0;
    virtual D3DPOOL Pool() const = 0;
};

class GfxIndexBuffer : public GfxResource {
public:
    virtual GfxResult Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) = 0;
    virtual GfxResult Unlock() = 0;
    virtual uint32_t Length() const = 0;
    virtual uint32_t Usage() const = 0;
    virtual D3DPOOL Pool() const = 0;
};

class GfxTexture : public GfxResource {
public:
    virtual uint32_t LevelCount() const = 0;
    virtual GfxResult GetLevelDesc(uint32_t level, GfxSurfaceDesc* desc) const = 0;
    /// Replaces the texels of a level: width x height 32-bit ARGB words, rows top first.
    virtual GfxResult UploadLevel(uint32_t level, const uint32_t* argb) = 0;
};

class GfxDevice {
public:
    virtual ~GfxDevice() = default;
    /// Destroys the device, its context and its back buffer.
    virtual void Release() { delete this; }

    /// D3D_OK, D3DERR_DEVICELOST (nothing can be done yet) or D3DERR_DEVICENOTRESET (reset now).
    virtual GfxResult TestCooperativeLevel() = 0;
    /// Rebuilds the back buffer with new parameters. Refused (D3DERR_INVALIDCALL)
    /// while resources of the default pool exist.
    virtual GfxResult Reset(const GfxPresentParameters& pp) = 0;
    virtual GfxResult Present() = 0;
    virtual GfxResult GetDeviceCaps(GfxCaps* caps) = 0;
    virtual GfxResult BeginScene() = 0;
    virtual GfxResult EndScene() = 0;
    /// Clears the viewport rectangle of the chosen buffers.
    virtual GfxResult Clear(uint32_t flags, D3DCOLOR colour, float z, uint32_t stencil) = 0;
    virtual GfxResult SetViewport(const GfxViewport& vp) = 0;
    virtual GfxResult GetViewport(GfxViewport* vp) = 0;
    virtual GfxResult SetTransform(uint32_t state, const float* m16) = 0;
    virtual GfxResult SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) = 0;
    virtual GfxResult SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) = 0;
    virtual GfxResult SetTexture(uint32_t stage, GfxTexture* texture) = 0;
    virtual GfxResult SetMaterial(const GfxMaterial& material) = 0;
    virtual GfxResult SetLight(uint32_t index, const GfxLight& light) = 0;
    virtual GfxResult LightEnable(uint32_t index, bool enable) = 0;
    virtual GfxResult SetGammaRamp(const GfxGammaRamp& ramp) = 0;

    virtual GfxResult CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                         GfxVertexBuffer** out) = 0;
    virtual GfxResult CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                        GfxIndexBuffer** out) = 0;
    virtual GfxResult CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                    D3DFORMAT format, D3DPOOL pool, GfxTexture** out) = 0;

    virtual GfxResult SetStreamSource(uint32_t stream, GfxVertexBuffer* vb, uint32_t stride) = 0;
    virtual GfxResult SetIndices(GfxIndexBuffer* ib, uint32_t baseVertex) = 0;
    /// Selects the vertex layout by its flexible vertex format.
    virtual GfxResult SetVertexShader(uint32_t fvf) = 0;
    virtual GfxResult DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex, uint32_t primitiveCount) = 0;
    virtual GfxResult DrawIndexedPrimitive(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t numVertices,
                                           uint32_t startIndex, uint32_t primitiveCount) = 0;

    /// Test hook: the device reports lost for the next lostTests cooperative-level
    /// tests (and fails presents meanwhile), then not-reset until a successful Reset.
    virtual void ForceLost(int lostTests) = 0;
    /// Reads the back buffer: width x height ARGB words, rows top first.
    virtual GfxResult ReadBackBuffer(std::vector<uint32_t>* argb, uint32_t* width, uint32_t* height) = 0;
};

class GfxDriver {
public:
    virtual ~GfxDriver() = default;
    virtual void Release() { delete this; }

    virtual uint32_t GetAdapterCount() = 0;
    virtual GfxResult GetAdapterDisplayMode(uint32_t adapter, GfxDisplayMode* mode) = 0;
    virtual uint32_t GetAdapterModeCount(uint32_t adapter) = 0;
    virtual GfxResult EnumAdapterModes(uint32_t adapter, uint32_t index, GfxDisplayMode* mode) = 0;
    virtual GfxResult GetDeviceCaps(uint32_t adapter, D3DDEVTYPE type, GfxCaps* caps) = 0;
    virtual GfxResult CheckDeviceType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                      D3DFORMAT backBufferFormat, bool windowed) = 0;
    virtual GfxResult CheckDeviceFormat(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                        uint32_t usage, D3DRESOURCETYPE rtype, D3DFORMAT checkFormat) = 0;
    virtual GfxResult CheckDepthStencilMatch(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                             D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat) = 0;
    virtual GfxResult CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT format,
                                                 bool windowed, D3DMULTISAMPLE_TYPE ms) = 0;
    virtual GfxResult CreateDevice(uint32_t adapter, D3DDEVTYPE type, SDL_Window* focusWindow,
                                   uint32_t behaviour, const GfxPresentParameters& pp, GfxDevice** out) = 0;
    /// What the context of the last failed CreateDevice lacks for the drawing (framebuffer
    /// objects, texture units), in sentences naming it; "" when that failure had another cause.
    /// Another back-buffer format cannot make up for it.
    virtual const char* MissingFeatures() const { return ""; }
};

/// The OpenGL driver. Starts SDL's video subsystem when it is not running.
/// Returns null when no video driver is available.
GfxDriver* GfxCreateDriver();

/// Error checks of test builds: with them on, Present reads GL's error flag after the frame
/// and fails with D3DERR_DRIVERINTERNALERROR when a call of the frame raised one, so a
/// failing draw shows in the tests. Off by default (the flag costs a pipeline sync).
void GfxSetErrorChecks(bool on);
bool GfxErrorChecks();
