// The OpenGL device on its own: parameters it refuses, lock bounds, draws that would read
// outside their buffers, culling of clockwise faces, and the lost and reset states.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <SDL2/SDL_opengl.h>

#include "platform/gl_device.h"
#include "platform/gl_device_local.h"
#include "platform/window.h"

namespace {

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PlatformVideoInit());
        ASSERT_TRUE(PlatformWindowCreate("device test", 64, 64));
        driver_ = GfxCreateDriver();
        ASSERT_NE(driver_, nullptr);
        driver_->GetAdapterDisplayMode(0, &desktop_);
        pp_.BackBufferWidth = 64;
        pp_.BackBufferHeight = 64;
        pp_.BackBufferFormat = desktop_.Format;
        pp_.Windowed = true;
        pp_.EnableAutoDepthStencil = true;
        pp_.AutoDepthStencilFormat = D3DFMT_D24S8;
        ASSERT_EQ(driver_->CreateDevice(0, D3DDEVTYPE_HAL, PlatformWindowHandle(), 0, pp_, &device_), D3D_OK);
    }
    void TearDown() override {
        if (device_) device_->Release();
        driver_->Release();
        PlatformWindowDestroy();
    }

    // A triangle of screen vertices (x, y, z, rhw, colour), winding as given.
    GfxVertexBuffer* Triangle(bool clockwise) {
        struct V {
            float x, y, z, rhw;
            std::uint32_t c;
        };
        V tri[3] = {{8, 8, 0.5f, 1, 0xFF00FF00u}, {56, 8, 0.5f, 1, 0xFF00FF00u}, {8, 56, 0.5f, 1, 0xFF00FF00u}};
        if (!clockwise) std::swap(tri[1], tri[2]);
        GfxVertexBuffer* vb = nullptr;
        EXPECT_EQ(device_->CreateVertexBuffer(sizeof tri, D3DUSAGE_WRITEONLY, 0x44, D3DPOOL_MANAGED, &vb), D3D_OK);
        std::uint8_t* p = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, tri, sizeof tri);
        vb->Unlock();
        return vb;
    }

    std::uint32_t PixelAt(std::uint32_t x, std::uint32_t y) {
        std::vector<std::uint32_t> px;
        std::uint32_t w = 0, h = 0;
        EXPECT_EQ(device_->ReadBackBuffer(&px, &w, &h), D3D_OK);
        return px[y * w + x] & 0xFFFFFF;
    }

    GfxDriver* driver_ = nullptr;
    GfxDevice* device_ = nullptr;
    GfxDisplayMode desktop_;
    GfxPresentParameters pp_;
};

}  // namespace

TEST(GlContextShortfall, NamesTheMissingFramebufferObjectsAndTextureUnits) {
    EXPECT_EQ(gfxgl::GlContextShortfall("2.1 Mesa", "GL_EXT_x GL_ARB_framebuffer_object", 8), "");
    EXPECT_EQ(gfxgl::GlContextShortfall("3.0", "", 1), "");
    // The EXT extension lacks what the back buffer needs, and a longer name is another one.
    const std::string fbo =
        "The OpenGL context (version 2.1 Mesa) lacks framebuffer objects (OpenGL 3.0 or GL_ARB_framebuffer_object).";
    EXPECT_EQ(gfxgl::GlContextShortfall("2.1 Mesa", "GL_EXT_framebuffer_object GL_ARB_framebuffer_object_sRGB", 8),
              fbo);
    EXPECT_EQ(gfxgl::GlContextShortfall("4.5", nullptr, 0), "The OpenGL context has no texture units.");
    EXPECT_EQ(gfxgl::GlContextShortfall("2.1 Mesa", nullptr, 0), fbo + " The OpenGL context has no texture units.");
}

TEST_F(GlDeviceTest, AdapterOffersTheGameModeAndAFixedCapsTable) {
    bool found = false;
    for (std::uint32_t i = 0; i < driver_->GetAdapterModeCount(0); ++i) {
        GfxDisplayMode m;
        driver_->EnumAdapterModes(0, i, &m);
        found |= m.Width == 640 && m.Height == 480 && m.Format == D3DFMT_R5G6B5 && m.RefreshRate == desktop_.RefreshRate;
    }
    EXPECT_TRUE(found);
    GfxCaps caps;
    ASSERT_EQ(driver_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_EQ(caps.MaxSimultaneousTextures, 8u);
    for (D3DFORMAT f : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8})
        EXPECT_EQ(driver_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f),
                  D3D_OK);
    EXPECT_NE(driver_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                         D3DFMT_D32),
              D3D_OK);
    // Windowed swap chains take the desktop's format only.
    GfxPresentParameters other = pp_;
    other.BackBufferFormat = desktop_.Format == D3DFMT_R5G6B5 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
    EXPECT_EQ(device_->Reset(other), D3DERR_INVALIDCALL);
    other.Windowed = false;
    EXPECT_EQ(device_->Reset(other), D3D_OK);
}

TEST_F(GlDeviceTest, LocksStayInsideTheirBuffers) {
    GfxVertexBuffer* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0x42, D3DPOOL_MANAGED, &vb), D3D_OK);
    std::uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(60, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Lock(65, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(16, 0, &p, 0), D3D_OK);
    EXPECT_EQ(vb->Lock(0, 4, &p, 0), D3DERR_INVALIDCALL);  // already locked
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    vb->Release();
}

TEST_F(GlDeviceTest, DrawsThatWouldReadOutsideTheBuffersAreRefused) {
    GfxVertexBuffer* vb = Triangle(true);
    GfxIndexBuffer* ib = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    std::uint8_t* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    const std::uint16_t idx[3] = {0, 1, 7};  // 7 is past the three vertices
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();
    device_->SetVertexShader(0x44);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stream yet
    device_->SetStreamSource(0, vb, 20);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    device_->SetIndices(ib, 0);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 1, 1), D3DERR_INVALIDCALL);
    device_->SetStreamSource(0, vb, 12);  // a stride shorter than the format
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    ib->Release();
    vb->Release();
}

TEST_F(GlDeviceTest, CounterClockwiseFacesAreCulledByDefault) {
    device_->SetVertexShader(0x44);
    GfxVertexBuffer* cw = Triangle(true);
    GfxVertexBuffer* ccw = Triangle(false);
    device_->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
    device_->SetStreamSource(0, ccw, 20);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    EXPECT_EQ(PixelAt(16, 16), 0u);
    device_->SetStreamSource(0, cw, 20);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    EXPECT_EQ(PixelAt(16, 16), 0x00FF00u);
    device_->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    EXPECT_EQ(PixelAt(16, 16), 0u);
    cw->Release();
    ccw->Release();
}

TEST_F(GlDeviceTest, LostThenNotResetUntilAReset) {
    device_->ForceLost(2);
    EXPECT_EQ(device_->Present(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Reset(pp_), D3DERR_DEVICELOST);  // too early
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    GfxVertexBuffer* dyn = nullptr;
    device_->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &dyn);
    EXPECT_EQ(device_->Reset(pp_), D3DERR_INVALIDCALL);
    dyn->Release();
    EXPECT_EQ(device_->Reset(pp_), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device_->Present(), D3D_OK);
}

TEST_F(GlDeviceTest, ReleasedResourcesAreDroppedFromTheBindings) {
    struct V {
        float x, y, z, rhw;
        std::uint32_t c;
    };
    const V tri[3] = {{8, 8, 0.5f, 1, 0xFFFFFFFFu}, {56, 8, 0.5f, 1, 0xFFFFFFFFu}, {8, 56, 0.5f, 1, 0xFFFFFFFFu}};
    auto makeBuffer = [&] {
        GfxVertexBuffer* vb = nullptr;
        EXPECT_EQ(device_->CreateVertexBuffer(sizeof tri, 0, 0x44, D3DPOOL_MANAGED, &vb), D3D_OK);
        std::uint8_t* p = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, tri, sizeof tri);
        vb->Unlock();
        return vb;
    };
    auto makeTexture = [&](std::uint32_t argb) {
        GfxTexture* t = nullptr;
        EXPECT_EQ(device_->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
        t->UploadLevel(0, &argb);
        return t;
    };
    device_->SetVertexShader(0x44);
    GfxVertexBuffer* vb = makeBuffer();
    device_->SetStreamSource(0, vb, 20);
    vb->Release();
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);

    // A texture released while bound leaves its stage empty, even when a new texture takes
    // the released one's place in memory.
    vb = makeBuffer();
    device_->SetStreamSource(0, vb, 20);
    GfxTexture* red = makeTexture(0xFFFF0000u);
    device_->SetTexture(0, red);
    red->Release();
    GfxTexture* green = makeTexture(0xFF00FF00u);
    device_->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(PixelAt(16, 16), 0xFFFFFFu);
    green->Release();
    vb->Release();
}

TEST_F(GlDeviceTest, AGlErrorOfTheFrameFailsItsPresent) {
    ASSERT_TRUE(GfxErrorChecks());  // on in every test program
    EXPECT_EQ(device_->Present(), D3D_OK);
    glEnable(0x7FFF);  // an enum GL does not know: GL_INVALID_ENUM
    EXPECT_EQ(device_->Present(), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(device_->Present(), D3D_OK);  // read and cleared
}

namespace {

// A vertex with three blend weights, four matrix indices and a normal.
struct BlendVertex {
    float x, y, z;
    float w[3];
    std::uint8_t idx[4];
    float nx, ny, nz;
};
static_assert(sizeof(BlendVertex) == 40);
constexpr std::uint32_t kBlendFvf = D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL;

// A bar along x from -0.8 to 0.8, 0.2 high, as a triangle strip of 18 vertices facing the
// camera. The first weight falls from 1 at the left end to 0 at the right end, so the left
// end follows the first matrix and the right end the second.
GfxVertexBuffer* MakeBar(GfxDevice* device, float z, float lift, std::uint8_t first, std::uint8_t second) {
    std::vector<BlendVertex> v;
    for (int i = 0; i <= 8; ++i) {
        const float t = float(i) / 8.0f, x = -0.8f + 1.6f * t;
        for (float y : {-0.1f, 0.1f})
            v.push_back({x, y + lift, z, {1.0f - t, 0.0f, 0.0f}, {first, second, 0, 0}, 0.0f, 0.0f, -1.0f});
    }
    GfxVertexBuffer* vb = nullptr;
    const auto bytes = std::uint32_t(v.size() * sizeof(BlendVertex));
    EXPECT_EQ(device->CreateVertexBuffer(bytes, 0, kBlendFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    std::uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, v.data(), bytes);
    vb->Unlock();
    return vb;
}

std::uint32_t FloatWord(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// Row-vector matrices: rotation about x by 180 degrees when flip is set, then a move.
void SetWorld(GfxDevice* device, std::uint32_t index, float dy, float dz, bool flip = false) {
    const float s = flip ? -1.0f : 1.0f;
    const float m[16] = {1, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, dy, dz, 1};
    device->SetTransform(D3DTS_WORLDMATRIX(index), m);
}

}  // namespace

// Pixel (px, py) of the 64 x 64 target shows clip point ((px + 0.5) / 32 - 1, 1 - (py + 0.5) / 32).
TEST_F(GlDeviceTest, VertexBlendingBendsGeometryBetweenWorldMatrices) {
    device_->SetVertexShader(kBlendFvf);
    device_->SetRenderState(D3DRS_ZENABLE, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    GfxVertexBuffer* bar = MakeBar(device_, 0.5f, 0.0f, 0, 0);
    device_->SetStreamSource(0, bar, sizeof(BlendVertex));

    // World 1 lifts by 0.6: the left end stays, the middle rises by 0.3, the right end by 0.56.
    SetWorld(device_, 0, 0.0f, 0.0f);
    SetWorld(device_, 1, 0.6f, 0.0f);
    device_->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 16), D3D_OK);
    EXPECT_EQ(PixelAt(10, 32), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(32, 22), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(32, 32), 0u);
    EXPECT_EQ(PixelAt(54, 14), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(54, 32), 0u);

    // With blending off only world matrix 0 counts: the bar lies straight.
    device_->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    device_->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 16), D3D_OK);
    EXPECT_EQ(PixelAt(54, 32), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(54, 14), 0u);

    // Normals blend through the same matrices: world 1 turns the bar over, so its right end
    // faces away from a light that shines into the screen and stays dark, while the left end
    // is lit. Unblended normals would light both ends.
    GfxVertexBuffer* flat = MakeBar(device_, 0.0f, 0.0f, 0, 0);
    device_->SetStreamSource(0, flat, sizeof(BlendVertex));
    bar->Release();
    device_->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    device_->SetRenderState(D3DRS_LIGHTING, 1);
    device_->SetRenderState(D3DRS_AMBIENT, 0);
    GfxMaterial mat;
    mat.Diffuse = {1, 1, 1, 1};
    device_->SetMaterial(mat);
    GfxLight sun;
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1, 1, 1, 1};
    sun.Direction = {0, 0, 1};
    device_->SetLight(0, sun);
    device_->LightEnable(0, true);
    SetWorld(device_, 0, 0.0f, 0.5f);
    SetWorld(device_, 1, 0.6f, 0.5f, true);
    device_->Clear(D3DCLEAR_TARGET, 0xFF0000FFu, 1, 0);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 16), D3D_OK);
    EXPECT_GT(PixelAt(10, 32) >> 8 & 0xFF, 0xC0u);  // normal 0.875 toward the light
    EXPECT_EQ(PixelAt(54, 14), 0u);                 // bar there, unlit
    EXPECT_EQ(PixelAt(54, 32), 0x0000FFu);          // background
    EXPECT_EQ(device_->Present(), D3D_OK);
    flat->Release();
}

TEST_F(GlDeviceTest, IndexedBlendingAndTweeningPickTheirMatricesAndStreams) {
    GfxCaps caps;
    ASSERT_EQ(device_->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.MaxStreams, 2u);
    device_->SetVertexShader(kBlendFvf);
    device_->SetRenderState(D3DRS_ZENABLE, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_LIGHTING, 0);

    // Indexed: the second weight's matrix is number 7 (lowering), not number 1 (lifting).
    GfxVertexBuffer* bar = MakeBar(device_, 0.5f, 0.0f, 0, 7);
    device_->SetStreamSource(0, bar, sizeof(BlendVertex));
    SetWorld(device_, 0, 0.0f, 0.0f);
    SetWorld(device_, 1, 0.6f, 0.0f);
    SetWorld(device_, 7, -0.6f, 0.0f);
    device_->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    device_->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 1);
    device_->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 16), D3D_OK);
    EXPECT_EQ(PixelAt(10, 32), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(54, 50), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(54, 14), 0u);
    EXPECT_EQ(PixelAt(54, 32), 0u);

    // Tweening: halfway between stream 0 and a stream 1 lifted by 0.8, under world matrix 0.
    device_->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 0);
    device_->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING);
    device_->SetRenderState(D3DRS_TWEENFACTOR, FloatWord(0.5f));
    GfxVertexBuffer* lifted = MakeBar(device_, 0.5f, 0.8f, 0, 0);
    device_->SetStreamSource(1, lifted, sizeof(BlendVertex));
    device_->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 16), D3D_OK);
    EXPECT_EQ(PixelAt(10, 19), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(54, 19), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(32, 32), 0u);
    // A second stream shorter than the draw is refused, not read past its end.
    device_->SetStreamSource(1, lifted, 2 * sizeof(BlendVertex));
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Present(), D3D_OK);
    lifted->Release();
    bar->Release();
}
