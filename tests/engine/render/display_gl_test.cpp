// The display on a real OpenGL device: open, clear, viewport, present, lost device.

#include "tests/engine/render/gl_fixture.h"

TEST_F(GlDisplayTest, OpensWindowedWithTheRequestedBackBuffer) {
    EXPECT_FALSE(QNDISPLAY::FullScreen);
    EXPECT_EQ(QNGRFDEV::CurrentMode, &QNGRFDEV::WindowedMode);
    EXPECT_EQ(QNDISPLAY::Viewport.Width, 160u);
    EXPECT_EQ(QNDISPLAY::Viewport.Height, 120u);
    EXPECT_EQ(QNDISPLAY::Box[1].x, 160.0f);
    EXPECT_EQ(QNDISPLAY::Box[1].z, 1.0f);
    EXPECT_EQ(QNGRFDEV::WindowedMode.Granted.DepthBuffer, 1);
}

TEST_F(GlDisplayTest, ClearIsLimitedToTheViewport) {
    QNDISPLAY::Clear(1.0f, 0.0f, 0.0f, 1.0f, -1.0f);
    QNDISPLAY::SetViewport(40, 30, 80, 60);
    QNDISPLAY::Clear(0.0f, 1.0f, 0.0f, 1.0f, -1.0f);
    Grab();
    ASSERT_EQ(width_, 160u);
    EXPECT_TRUE(RegionIs(40, 30, 120, 90, 0x00FF00));
    EXPECT_TRUE(RegionIs(0, 0, 160, 30, 0xFF0000));
    EXPECT_TRUE(RegionIs(0, 90, 160, 120, 0xFF0000));
    EXPECT_TRUE(RegionIs(0, 30, 40, 90, 0xFF0000));
    EXPECT_TRUE(RegionIs(120, 30, 160, 90, 0xFF0000));
    // A negative red leaves the colour alone.
    QNDISPLAY::Clear(-1.0f, 0.0f, 1.0f, 1.0f, -1.0f);
    Grab();
    EXPECT_TRUE(RegionIs(40, 30, 120, 90, 0x00FF00));
}

TEST_F(GlDisplayTest, PresentAndLostDeviceRecovery) {
    QNDISPLAY::Clear(0.0f, 0.0f, 1.0f, 1.0f, -1.0f);
    EXPECT_NO_THROW(QNDISPLAY::Present());
    QNDISPLAY::ForceLost(2);
    EXPECT_THROW(QNDISPLAY::Present(), QNDISPLAY::EXC);
    EXPECT_TRUE(QNDISPLAY::WasLost());
    EXPECT_FALSE(QNDISPLAY::IsDeviceAvailable());
    EXPECT_FALSE(QNDISPLAY::IsDeviceAvailable());
    EXPECT_TRUE(QNDISPLAY::IsDeviceAvailable());  // now it needs a reset
    QNDISPLAY::OpenWindowed();
    EXPECT_FALSE(QNDISPLAY::WasLost());
    QNDISPLAY::Clear(0.0f, 1.0f, 1.0f, 1.0f, -1.0f);
    EXPECT_NO_THROW(QNDISPLAY::Present());
    Grab();
    EXPECT_TRUE(RegionIs(0, 0, 160, 120, 0x00FFFF));
}

TEST_F(GlDisplayTest, ResetRefusedWhileDefaultPoolResourcesExist) {
    GfxVertexBuffer* vb = nullptr;
    ASSERT_EQ(QNDISPLAY::Device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    EXPECT_THROW(QNDISPLAY::OpenWindowed(), QNDISPLAY::EXC);
    vb->Release();
    EXPECT_NO_THROW(QNDISPLAY::OpenWindowed());
}

TEST_F(GlDisplayTest, FullScreenNeedsAnOfferedSizeAndRefreshesTheBoxOnToggle) {
    // 160 x 120 is no adapter mode: full screen is refused with the hardware message.
    EXPECT_EQ(QNGRFDEV::FullScreenMode.Score, -1);
    EXPECT_THROW(QNDISPLAY::OpenFullScreen(), QNDISPLAY::EXC);
    EXPECT_STREQ(QNEXCEPTION::Message(), "This application requires features not found on the selected 3d hardware.");

    QNDISPLAY::Close();
    QNDISPLAYSETTINGS req;  // 640 x 480 x 16, which the synthesised mode list always offers
    QNGRFDEV::Create(req);
    ASSERT_GE(QNGRFDEV::FullScreenMode.Score, 0);
    EXPECT_EQ(QNGRFDEV::FullScreenMode.Bits, 16u);
    EXPECT_EQ(QNGRFDEV::FullScreenMode.Format, uint32_t(D3DFMT_R5G6B5));
    EXPECT_EQ(QNGRFDEV::FullScreenMode.AlphaFormat, uint32_t(D3DFMT_A1R5G5B5));
    QNDISPLAY::OpenWindowed();
    QNDISPLAY::SetViewport(10, 10, 20, 20);
    QNDISPLAY::OpenFullScreen();
    EXPECT_TRUE(QNDISPLAY::FullScreen);
    EXPECT_EQ(QNGRFDEV::CurrentMode, &QNGRFDEV::FullScreenMode);
    EXPECT_EQ(QNDISPLAY::Box[1].x, 640.0f);
    EXPECT_EQ(QNDISPLAY::Viewport.Width, 640u);
    QNDISPLAY::Clear(1.0f, 1.0f, 0.0f, 1.0f, -1.0f);
    EXPECT_NO_THROW(QNDISPLAY::Present());
    Grab();
    EXPECT_EQ(width_, 640u);
    EXPECT_TRUE(RegionIs(0, 0, 640, 480, 0xFFFF00));
}
