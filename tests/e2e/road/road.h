#pragma once
// The scripted play of app/game_road.h for tests: every failed requirement becomes a test failure
// naming its step.

#include <gtest/gtest.h>

#include "app/game_road.h"

namespace road {

/// Routes the road's failed requirements to the running test, and stops the road at a fatal
/// assertion in a step's own check.
inline void ReportToTest()
{
    OnFailure = [](const std::string& step, const std::string& what) {
        ADD_FAILURE() << "step \"" << step << "\": " << what;
    };
    StopWhen = [] { return ::testing::Test::HasFatalFailure(); };
}

}  // namespace road
