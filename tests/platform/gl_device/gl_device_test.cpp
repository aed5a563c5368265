// The OpenGL device on its own: parameters it refuses, lock bounds, draws that would read
// outside their buffers, culling of clockwise faces, and the lost and reset states.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <SDL2/SDL_opengl.h>

#include "platform/gl_device.h"
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
