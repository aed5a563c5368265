#pragma once
// Puts a recording device in the display's place for a test, with a current mode whose
// grants the test may change.

#include <gtest/gtest.h>

#include "engine/render/qndisplay.h"
#include "engine/render/qnmaterial.h"
#include "engine/render/qnvertex_buffer.h"
#include "tests/engine/render/fake_device.h"

class FakeDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        device_ = new FakeDevice;
        QNDISPLAY::Device = device_;
        QNGRFDEV::WindowedMode = QNDISPLAYMODE{};
        QNGRFDEV::WindowedMode.Bits = 32;
        QNGRFDEV::WindowedMode.Granted.HardwareVertexProcessing = 1;
        QNGRFDEV::WindowedMode.Granted.DepthBuffer = 1;
        QNGRFDEV::WindowedMode.Granted.SourceAlphaBlending = 1;
        QNGRFDEV::WindowedMode.Granted.Dxt1Textures = 1;
        QNGRFDEV::WindowedMode.Granted.MinBlendStages = 2;
        QNGRFDEV::WindowedMode.Granted.MinSimultaneousTextures = 2;
        QNGRFDEV::CurrentMode = &QNGRFDEV::WindowedMode;
        QNDISPLAY::Box[0] = QNVEC3(0, 0, 0);
        QNDISPLAY::Box[1] = QNVEC3(640, 480, 1);
        QNDISPLAY::Viewport = GfxViewport{0, 0, 640, 480, 0, 1};
        QNMATERIAL::GroupMask = 0x10F;
        QNMATERIAL::Override = nullptr;
        MarkCachesSendAll();
    }
    void TearDown() override {
        DeleteAllPools();
        QNDISPLAY::Close();
    }
    FakeDevice* device_ = nullptr;
};
