#include "engine/util/qnsystem.h"
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

struct Shown {
    std::string text, caption;
    QNSYSTEM::Icon icon = QNSYSTEM::kNoIcon;
    int count = 0;
} shown;

void Record(const char* text, const char* caption, QNSYSTEM::Icon icon)
{
    shown.text = text;
    shown.caption = caption;
    shown.icon = icon;
    ++shown.count;
}

} // namespace

TEST(QnSystem, MessageBoxCaptionsAndIcons)
{
    QNSYSTEM::MessageSink previous = QNSYSTEM::SetMessageSink(Record);
    QNSYSTEM::MessageBox("Lost %d ships.", nullptr, 2, 3);
    EXPECT_EQ(shown.text, "Lost 3 ships.");
    EXPECT_EQ(shown.caption, "ERROR");
    EXPECT_EQ(shown.icon, QNSYSTEM::kStop);

    QNSYSTEM::MessageBox("careful", "Station", 1);
    EXPECT_EQ(shown.caption, "Station");
    EXPECT_EQ(shown.icon, QNSYSTEM::kExclamation);

    QNSYSTEM::MessageBox("hello", nullptr, 0);
    EXPECT_EQ(shown.caption, "MESSAGE");
    EXPECT_EQ(shown.icon, QNSYSTEM::kNoIcon);

    QNSYSTEM::MessageBox("odd", nullptr, 7);
    EXPECT_EQ(shown.caption, "");
    QNSYSTEM::MessageBox("odd", "E R R O R", 7);
    EXPECT_EQ(shown.caption, "E R R O R");

    std::string huge(2000, 'h');
    QNSYSTEM::MessageBox("%s", nullptr, 0, huge.c_str());
    EXPECT_EQ(shown.text.size(), 511u);
    EXPECT_EQ(shown.count, 6);
    QNSYSTEM::SetMessageSink(previous);
}

TEST(QnSystem, LastErrorTextFollowsTheSlot)
{
    char text[QNSYSTEM::kErrorTextSize];
    PlatformSetLastError(0);
    std::strcpy(text, "stale");
    EXPECT_EQ(QNSYSTEM::LastErrorText(text), 0u);
    EXPECT_STREQ(text, "");

    PlatformSetLastError(ENOENT);
    EXPECT_EQ(QNSYSTEM::LastErrorText(text), static_cast<std::uint32_t>(ENOENT));
    EXPECT_STREQ(text, std::strerror(ENOENT));
    EXPECT_EQ(std::strchr(text, '\n'), nullptr);

    char tiny[4];
    PlatformErrorText(ENOENT, tiny, sizeof tiny);
    EXPECT_EQ(std::strlen(tiny), 3u);

    // A successful platform call clears the slot.
    EXPECT_FALSE(PlatformModulePath().empty());
    EXPECT_EQ(PlatformLastError(), 0);
}

TEST(QnSystem, ModulePathAndTempPath)
{
    char path[QNSYSTEM::kPathSize];
    QNSYSTEM::ModulePath(path);
    EXPECT_EQ(path[0], '/');
    EXPECT_EQ(access(path, X_OK), 0);
    EXPECT_NE(std::strstr(path, "test_engine_util"), nullptr);

    const std::string temp = PlatformTempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '/');
}

TEST(QnSystem, InjectedCounter)
{
    std::int64_t now = 5;
    PlatformSetCounter([](void* c) { return *static_cast<std::int64_t*>(c); }, &now);
    EXPECT_EQ(PlatformPerformanceCounter(), 5);
    now = 1000000000;
    EXPECT_EQ(PlatformPerformanceCounter(), 1000000000);
    EXPECT_EQ(PlatformPerformanceFrequency(), 1000000000);
    PlatformSetCounter(nullptr, nullptr);
    const std::int64_t a = PlatformPerformanceCounter();
    const std::int64_t b = PlatformPerformanceCounter();
    EXPECT_LE(a, b);
}
