#pragma once
// A recording platform for the run loop: every device and scene entry logs its name, the
// clock is virtual and events are scripted.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/util/qnexception.h"
#include "engine/util/qntimer.h"
#include "platform/events.h"
#include "platform/system.h"
#include "platform/test_events.h"
#include "platform/window.h"

class AppTest : public ::testing::Test {
public:
    static std::int64_t now;          // the virtual counter, in nanoseconds
    static std::int64_t stepPerRead;  // added at every read

protected:
    static constexpr std::int64_t kSecond = 1000000000;

    std::vector<std::string> log;
    PlatformScriptedEvents script;

    // The fake world the hooks answer from.
    bool hasCurrent = true;
    bool fullScreen = false;
    bool foreground = true;
    bool minimised = false;
    bool lost = false;
    int unavailableChecks = 0;  // DisplayIsDeviceAvailable answers false this many times
    bool fontAvailable = true;
    bool altDown = false;
    std::uint32_t buttonEvent = 0;
    float background[4] = {0.1f, 0.2f, 0.3f, 1.0f};
    float gammaSet = 0.0f;
    int overlays = 0;


    void Log(const std::string& s) { log.push_back(s); }

    void SetUp() override;
    void TearDown() override;

    /// Log entries from `first` on, joined with spaces.
    std::string Joined(std::size_t first = 0) const;
    /// Position of the first entry equal to `name` at or after `from`, or -1.
    int Find(const std::string& name, std::size_t from = 0) const;
    int Count(const std::string& name) const;

    /// Advances the virtual clock.
    static void Advance(double seconds) { now += static_cast<std::int64_t>(seconds * kSecond); }
};
