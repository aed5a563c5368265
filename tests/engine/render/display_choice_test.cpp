// Mode, depth-format and capability choices against a scripted driver, and the display calls
// that follow from the granted mode.

#include <gtest/gtest.h>

#include "engine/render/qndisplay.h"
#include "engine/render/qnmaterial.h"
#include "tests/engine/render/fake_device.h"

namespace {

FakeDriver* g_driver = nullptr;
GfxDriver* MakeDriver() { return g_driver; }

class DisplayChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_driver = &driver_;
        QNGRFDEV::DriverFactory = &MakeDriver;
        QNDISPLAY::Window = nullptr;
    }
    void TearDown() override {
        QNDISPLAY::Close();
        QNGRFDEV::Release();
        QNGRFDEV::DriverFactory = &GfxCreateDriver;
    }
    FakeDriver driver_;
};

}  // namespace

TEST_F(DisplayChoiceTest, DefaultRequestScoresWantedFeaturesAndPicksAStencilDepth) {
    QNDISPLAYSETTINGS req;
    QNGRFDEV::Create(req);
    const QNDISPLAYMODE& w = QNGRFDEV::WindowedMode;
    EXPECT_EQ(w.Format, uint32_t(D3DFMT_X8R8G8B8));
    EXPECT_EQ(w.AlphaFormat, uint32_t(D3DFMT_A8R8G8B8));
    EXPECT_EQ(w.Bits, 32u);
    EXPECT_EQ(w.DepthFormat, uint32_t(D3DFMT_D24S8));
    EXPECT_EQ(w.Granted.Stencil, 8);
    // Wanted and present: hardware vertex processing, stencil, scan line, source alpha, DXT1.
    EXPECT_EQ(w.Score, 5);
    EXPECT_EQ(w.Granted.MinTextureWidth, 2048);
    EXPECT_EQ(w.Granted.MinSimultaneousTextures, 2);
    EXPECT_EQ(w.Granted.MinBlendStages, 1);
    const QNDISPLAYMODE& f = QNGRFDEV::FullScreenMode;
    EXPECT_EQ(f.Format, uint32_t(D3DFMT_R5G6B5));  // the first 640 x 480 x 16 mode
    EXPECT_EQ(f.DepthFormat, uint32_t(D3DFMT_D16));  // no D15S1: falls back to plain depth
    EXPECT_EQ(f.Granted.Stencil, 0);
    EXPECT_EQ(f.Score, 4);
}

TEST_F(DisplayChoiceTest, StencilRequestsChooseDepthFormats) {
    QNDISPLAYSETTINGS req;
    QNGRFDEV::Create(req);
    // A required stencil on 16 bits can only be D15S1.
    EXPECT_EQ(QNGRFDEV::ChooseDepthFormat(0, D3DFMT_R5G6B5, 1), 0u);
    driver_.depthFormats.insert(D3DFMT_D15S1);
    EXPECT_EQ(QNGRFDEV::ChooseDepthFormat(0, D3DFMT_R5G6B5, 1), uint32_t(D3DFMT_D15S1));
    // Refused stencil on 32 bits: D32 or D24X8, never a stencil format.
    EXPECT_EQ(QNGRFDEV::ChooseDepthFormat(0, D3DFMT_X8R8G8B8, -1), uint32_t(D3DFMT_D24X8));
    driver_.depthFormats.insert(D3DFMT_D32);
    EXPECT_EQ(QNGRFDEV::ChooseDepthFormat(0, D3DFMT_X8R8G8B8, -1), uint32_t(D3DFMT_D32));
    driver_.depthFormats.clear();
    EXPECT_EQ(QNGRFDEV::ChooseDepthFormat(0, D3DFMT_X8R8G8B8, 0), 0u);
}

TEST_F(DisplayChoiceTest, RequiredAbsentFeatureOrShortCapsRejectTheMode) {
    QNDISPLAYSETTINGS req;
    req.Stencil = 1;  // 16-bit full screen cannot have it here
    QNGRFDEV::Create(req);
    EXPECT_EQ(QNGRFDEV::FullScreenMode.Score, -1);
    EXPECT_GE(QNGRFDEV::WindowedMode.Score, 0);
    req = QNDISPLAYSETTINGS{};
    req.MinTextureWidth = 4096;
    QNGRFDEV::Create(req);
    EXPECT_EQ(QNGRFDEV::WindowedMode.Score, -1);
    req = QNDISPLAYSETTINGS{};
    req.Dxt1Textures = -1;  // refused: present but not granted, no score
    QNGRFDEV::Create(req);
    EXPECT_EQ(QNGRFDEV::WindowedMode.Granted.Dxt1Textures, 0);
    EXPECT_EQ(QNGRFDEV::WindowedMode.Score, 4);
}

TEST_F(DisplayChoiceTest, FullScreenNeedsTheDesktopRefreshRate) {
    for (auto& m : driver_.modes) m.RefreshRate = 75;
    QNGRFDEV::Create(QNDISPLAYSETTINGS{});
    EXPECT_EQ(QNGRFDEV::FullScreenMode.Score, -1);
    EXPECT_THROW(QNDISPLAY::OpenFullScreen(), QNDISPLAY::EXC);
    EXPECT_STREQ(QNEXCEPTION::Message(), "This application requires features not found on the selected 3d hardware.");
    EXPECT_NO_THROW(QNDISPLAY::OpenWindowed());
}

TEST_F(DisplayChoiceTest, WindowedOpenTriesTheThreeBackBufferFormats) {
    QNGRFDEV::Create(QNDISPLAYSETTINGS{});
    driver_.refusedBackBuffers = {D3DFMT_R5G6B5};
    QNDISPLAY::OpenWindowed();
    EXPECT_EQ(driver_.triedFormats, (std::vector<uint32_t>{D3DFMT_R5G6B5, D3DFMT_X8R8G8B8}));
    EXPECT_TRUE(driver_.lastParams.Windowed);
    EXPECT_TRUE(driver_.lastParams.EnableAutoDepthStencil);
    EXPECT_EQ(driver_.lastParams.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(driver_.lastBehaviour, D3DCREATE_MIXED_VERTEXPROCESSING);
    QNDISPLAY::Close();
    driver_.triedFormats.clear();
    driver_.refusedBackBuffers = {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5};
    try {
        QNDISPLAY::OpenWindowed();
        FAIL() << "expected a failure";
    } catch (const QNDISPLAY::EXC&) {
        EXPECT_STREQ(QNEXCEPTION::Message(), "Application is not compatible with the current desktop display mode.");
        EXPECT_EQ(QNEXCEPTION::ResultCode(), D3DERR_DEVICELOST);
    }
    EXPECT_EQ(driver_.triedFormats.size(), 3u);
}

TEST_F(DisplayChoiceTest, AContextLackingWhatTheDrawingNeedsIsRefusedNamingIt) {
    QNDISPLAYSETTINGS req;
    req.MinSimultaneousTextures = 2;
    req.MinBlendStages = 4;
    driver_.caps.MaxSimultaneousTextures = 8;  // the driver's table promises more than the context has
    driver_.deviceUnits = 1;
    QNGRFDEV::Create(req);
    ASSERT_GE(QNGRFDEV::WindowedMode.Score, 0);
    auto refusal = [] {
        try {
            QNDISPLAY::OpenWindowed();
        } catch (const QNDISPLAY::EXC&) {
            return std::string(QNEXCEPTION::Message());
        }
        return std::string("opened");
    };
    EXPECT_EQ(refusal(), "Unable to open display. The OpenGL context has 1 texture unit(s) and 8 blend stage(s); "
                         "the drawing needs 2 and 4.");
    EXPECT_EQ(QNDISPLAY::Device, nullptr);
    // No other back-buffer format is tried for what the context lacks.
    EXPECT_EQ(driver_.triedFormats.size(), 1u);

    driver_.deviceUnits = 2;
    driver_.missing = "The OpenGL context lacks framebuffer objects.";
    driver_.triedFormats.clear();
    EXPECT_EQ(refusal(), "Unable to open display. The OpenGL context lacks framebuffer objects.");
    EXPECT_EQ(driver_.triedFormats.size(), 1u);
    driver_.missing.clear();
    EXPECT_EQ(refusal(), "opened");
}

TEST_F(DisplayChoiceTest, FullScreenParametersFollowTheGrants) {
    QNDISPLAYSETTINGS req;
    req.ScanLineReading = -1;
    QNGRFDEV::Create(req);
    QNDISPLAY::OpenFullScreen();
    EXPECT_FALSE(driver_.lastParams.Windowed);
    EXPECT_EQ(driver_.lastParams.BackBufferCount, 2u);
    EXPECT_EQ(driver_.lastParams.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(driver_.lastParams.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_TRUE(QNDISPLAY::FullScreen);
}

TEST_F(DisplayChoiceTest, ClearFlagsFollowArgumentsAndTheMode) {
    QNGRFDEV::Create(QNDISPLAYSETTINGS{});
    QNDISPLAY::OpenWindowed();
    FakeDevice& d = *driver_.lastDevice;
    d.Clear();
    QNDISPLAY::Clear(1.0f, 0.5f, 0.0f, -1.0f, -1.0f);
    ASSERT_EQ(d.log.size(), 1u);
    EXPECT_EQ(d.log[0], "clear 1 " + std::to_string(0xFFFF7F00u));
    d.Clear();
    QNDISPLAY::Clear(-1.0f, 0, 0, 1.0f, 0.0f);  // depth and stencil, no colour
    EXPECT_EQ(d.log[0].substr(0, 8), "clear 6 ");
    d.Clear();
    QNGRFDEV::WindowedMode.Granted.DepthBuffer = 0;
    QNGRFDEV::WindowedMode.Granted.Stencil = 0;
    QNDISPLAY::Clear(-1.0f, 0, 0, 1.0f, 0.0f);  // nothing left to clear
    EXPECT_TRUE(d.log.empty());
}

TEST_F(DisplayChoiceTest, OpenResetsAndMarksTheCachesSendAll) {
    QNGRFDEV::Create(QNDISPLAYSETTINGS{});
    QNDISPLAY::OpenWindowed();
    FakeDevice& d = *driver_.lastDevice;
    QNMATERIAL m;
    m.Apply();
    d.Clear();
    m.Apply();
    EXPECT_EQ(d.Count("rs "), 0);
    QNDISPLAY::OpenWindowed();  // a reset of the same device
    EXPECT_EQ(d.Count("reset"), 1);
    d.Clear();
    m.Apply();
    EXPECT_GT(d.Count("rs "), 40);
}

TEST_F(DisplayChoiceTest, ViewportSizeZeroExtendsToTheBoxAndTransformsCompose) {
    QNGRFDEV::Create(QNDISPLAYSETTINGS{});
    QNDISPLAY::OpenWindowed();
    QNDISPLAY::SetViewport(100, 50, 0, 0);
    EXPECT_EQ(QNDISPLAY::Viewport.X, 100u);
    EXPECT_EQ(QNDISPLAY::Viewport.Width, 540u);
    EXPECT_EQ(QNDISPLAY::Viewport.Height, 430u);
    QNDISPLAY::SetPerspective(1.0f, 1.0f, 100.0f);
    QNMATRIX cam;
    cam.SetTranslation(0, 0, -10);
    QNDISPLAY::SetCamera(cam);
    EXPECT_EQ(QNDISPLAY::ViewProjection, QNDISPLAY::View * QNDISPLAY::Projection);
    EXPECT_FLOAT_EQ(QNDISPLAY::View[14], 10.0f);
    QNMATRIX saved[3];
    QNDISPLAY::GetTransforms(saved);
    QNDISPLAY::SetOrtho(2, 2, 0, 1);
    QNDISPLAY::SetTransforms(saved);
    EXPECT_EQ(QNDISPLAY::Projection, saved[0]);
    EXPECT_EQ(driver_.lastDevice->transforms[D3DTS_PROJECTION], std::vector<float>(saved[0].m, saved[0].m + 16));
}

TEST(DisplayGamma, ZeroIsTheIdentityRampAndOffsetsBendIt) {
    uint16_t ramp[256];
    QNDISPLAY::GammaRamp(0.0f, ramp);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(ramp[i], i * 257);
    QNDISPLAY::GammaRamp(0.8f, ramp);
    EXPECT_EQ(ramp[0], 0);
    EXPECT_EQ(ramp[255], 65535);
    EXPECT_GT(ramp[128], 128 * 257 + 19000);
}
