#pragma once
// Fixture shared by the game tests: the collision framework with the physics layer's hooks, a
// virtual clock, the project's generator seeded, and views built without a display.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "engine/util/qntimer.h"

class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QNTIMER::SetFrequency(1000000);
        QNTIMER::SetFrameCounter(0);
        QNPHYSWORLD::InitFramework(2500, 200);
        QNPHYSWORLD::InstallHooks();
        QNAPP::dt = 0.02f;
        QNAPP::Rate = 1.0f;
        SeedRandom(1234);
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
};

inline QNMATRIX Translation(float x, float y, float z)
{
    QNMATRIX m;
    m.SetTranslation(x, y, z);
    return m;
}
