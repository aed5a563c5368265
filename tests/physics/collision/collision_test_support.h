#pragma once
// Helpers of the collision tests: message capture, seeded random poses, framework fixture.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "physics/collision/collision.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_random.h"

namespace colltest {

/// printf-style formatting of a message channel's arguments.
inline std::string FormatV(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

/// Captures the warning and fatal channels and makes fatal reports return.
class MessageCapture {
public:
    MessageCapture()
    {
        Instance() = this;
        oldWarning_ = MeSetWarningHandler(&Warning);
        oldFatal_ = MeSetFatalErrorHandler(&Fatal);
        oldInfo_ = MeSetInfoHandler(&Info);
        oldExit_ = McdErrorSetFatalExit(&Exit);
    }
    ~MessageCapture()
    {
        MeSetWarningHandler(oldWarning_);
        MeSetFatalErrorHandler(oldFatal_);
        MeSetInfoHandler(oldInfo_);
        McdErrorSetFatalExit(oldExit_);
        Instance() = nullptr;
    }
    std::vector<std::string> warnings, fatals, infos;
    int exits = 0;

private:
    static MessageCapture*& Instance()
    {
        static MessageCapture* instance = nullptr;
        return instance;
    }
    static void Warning(int, const char* format, va_list args) { Instance()->warnings.push_back(FormatV(format, args)); }
    static void Fatal(int, const char* format, va_list args) { Instance()->fatals.push_back(FormatV(format, args)); }
    static void Info(int, const char* format, va_list args) { Instance()->infos.push_back(FormatV(format, args)); }
    static void Exit() { ++Instance()->exits; }

    MeMessageHandler oldWarning_, oldFatal_, oldInfo_;
    McdFatalExitFn oldExit_;
};

/// Uniform in [lo, hi] from the toolkit's generator.
inline float Uniform(float lo, float hi)
{
    return lo + (hi - lo) * static_cast<float>(MeRandom()) / static_cast<float>(MeRANDOM_MAX);
}

inline void Identity(MeMatrix4 m)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = i == j ? 1.0f : 0.0f;
}

/// A random rotation (from a random unit quaternion) at position p.
inline void RandomPose(MeMatrix4 m, float px, float py, float pz)
{
    float q[4], n = 0;
    do {
        n = 0;
        for (float& c : q) {
            c = Uniform(-1, 1);
            n += c * c;
        }
    } while (n < 0.01f || n > 1);
    n = std::sqrt(n);
    const float w = q[0] / n, x = q[1] / n, y = q[2] / n, z = q[3] / n;
    // Rows are the rotated local axes.
    const float r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)},
                           {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)},
                           {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            m[i][j] = r[i][j];
        m[i][3] = 0;
    }
    m[3][0] = px;
    m[3][1] = py;
    m[3][2] = pz;
    m[3][3] = 1;
}

/// A framework started the way the engine starts it.
class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MeRandomSeed(12345);
        McdErrorTableReset(McdErrorTable);
        framework = McdInitEngineFramework(64, 16);
        ASSERT_NE(framework, nullptr);
    }
    void TearDown() override { McdTerm(framework); }

    McdFrameworkID framework = nullptr;
};

}  // namespace colltest
