#pragma once
// A program-wide collision framework, the physics layer's hooks and a virtual clock.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qntimer.h"
#include "physics/dynamics/me_random.h"

class PhysicsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QNTIMER::SetFrequency(1000000);
        QNTIMER::SetFrameCounter(0);
        QNPHYSWORLD::InitFramework(500, 100);
        QNPHYSWORLD::InstallHooks();
        QNAPP::dt = 0.02f;
        QNAPP::Rate = 1.0f;
        MeRandomSeed(1234);
    }
    void TearDown() override
    {
        QNHOOKS::Node = QNNODEHOOKS{};
        QNHOOKS::Scene = QNSCENEHOOKS{};
        QNHOOKS::Slots = QNSLOTHOOKS{};
        QNPHYSWORLD::TermFramework();
    }
    /// Moves the virtual clock on by `seconds` and reads the physics clock.
    static void Advance(double seconds)
    {
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(seconds * 1e6)));
        QNPHYSWORLD::ReadClock();
    }
    /// A value in [-1, 1] from the toolkit's generator.
    static float Random() { return float(MeRandom()) / 16383.5f - 1.0f; }
};

inline QNMATRIX Translation(float x, float y, float z)
{
    QNMATRIX m;
    m.SetTranslation(x, y, z);
    return m;
}
