#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_profile.h"
#include "physics/dynamics/me_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string captured;
int capturedLevel = -1;
int outputs = 0;
void Capture(int level, const char* text)
{
    captured = text;
    capturedLevel = level;
    ++outputs;
}

int handled = 0;
void CountingHandler(int, const char*, va_list) { ++handled; }

struct Outputs {
    MeMessageOutput info = MeSetInfoOutput(Capture);
    MeMessageOutput warning = MeSetWarningOutput(Capture);
    MeMessageOutput debug = MeSetDebugOutput(Capture);
    Outputs() { outputs = 0; captured.clear(); }
    ~Outputs()
    {
        MeSetInfoOutput(info);
        MeSetWarningOutput(warning);
        MeSetDebugOutput(debug);
    }
};

}  // namespace

TEST(MeMessage, DefaultHandlersPrefixFormatAndFilterByLevel)
{
    Outputs out;
    MeWarning(0, "value %d of %s\n", 42, "x");
    EXPECT_EQ(captured, "MeWarning{0}: value 42 of x\n");
    MeInfo(0, "Autodetecting %s", "CPU");
    EXPECT_EQ(captured, "MeInfo{0}: Autodetecting CPU");
    MeDebug(0, "d%c", '!');
    EXPECT_EQ(captured, "MeDebug{0}: d!");
    EXPECT_EQ(outputs, 3);
    MeWarning(12, "dropped");
    MeInfo(1, "dropped");
    EXPECT_EQ(outputs, 3);

    // No fixed-size buffer: a long text arrives whole.
    std::string longText(20000, 'a');
    MeWarning(0, "%s|", longText.c_str());
    EXPECT_EQ(captured.size(), std::string("MeWarning{0}: ").size() + 20001);
    EXPECT_EQ(captured.back(), '|');
}

TEST(MeMessage, HandlersRouteAndNullHandlerSilences)
{
    Outputs out;
    handled = 0;
    MeMessageHandler previous = MeSetWarningHandler(CountingHandler);
    MeWarning(0, "to the handler");
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(outputs, 0);
    EXPECT_EQ(MeSetWarningHandler(MeNullMessageHandler), CountingHandler);
    MeWarning(0, "silenced");
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(outputs, 0);
    MeSetWarningHandler(previous);
    MeWarning(0, "back");
    EXPECT_EQ(outputs, 1);

    MeMessageHandler oldInfo = MeSetInfoHandler(MeNullMessageHandler);
    MeMessageHandler oldDebug = MeSetDebugHandler(MeNullMessageHandler);
    MeInfo(0, "x");
    MeDebug(0, "x");
    EXPECT_EQ(outputs, 1);
    MeSetInfoHandler(oldInfo);
    MeSetDebugHandler(oldDebug);
}

TEST(MeMessageDeathTest, DefaultFatalReportEndsTheProcess)
{
    EXPECT_EXIT(MeFatalError(3, "broken %d", 7), testing::ExitedWithCode(1), "MeFatalError\\{3\\}: broken 7");
}

TEST(MeMessage, FatalHandlerThatReturnsLetsInvalidOpenFail)
{
    handled = 0;
    MeMessageHandler previous = MeSetFatalErrorHandler(CountingHandler);
    testing::internal::CaptureStdout();
    EXPECT_EQ(MeOpen("/tmp/never-made", 7), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "MeFatalError\n");
    EXPECT_EQ(handled, 1);
    MeSetFatalErrorHandler(previous);
}

TEST(MeStream, OpenWriteAndReadLines)
{
    char path[] = "/tmp/me_stream_testXXXXXX";
    int tmp = mkstemp(path);
    ASSERT_GE(tmp, 0);
    close(tmp);
    int fd = MeOpen(path, 1);
    ASSERT_GE(fd, 0);
    const char text[] = "first line\nsecond\n";
    EXPECT_EQ(MeWrite(fd, text, sizeof text - 1), static_cast<long>(sizeof text - 1));
    MeClose(fd);

    MeStream* stream = MeStreamOpen(path, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_STREQ(stream->name, path);
    char line[6];
    ASSERT_NE(MeStreamReadLine(line, sizeof line, stream), nullptr);
    EXPECT_STREQ(line, "first");  // bounded by the buffer
    char rest[64];
    MeStreamReadLine(rest, sizeof rest, stream);
    EXPECT_STREQ(rest, " line\n");
    MeStreamReadLine(rest, sizeof rest, stream);
    EXPECT_STREQ(rest, "second\n");
    EXPECT_EQ(MeStreamReadLine(rest, sizeof rest, stream), nullptr);
    MeStreamClose(stream);
    MeStreamClose(nullptr);
    EXPECT_EQ(MeStreamOpen("/nonexistent/dir/file", 0), nullptr);
    unlink(path);
}

TEST(MeProfile, SectionsAccumulateOnlyWhenEnabledAndUnbalancedEndWarns)
{
    Outputs out;
    MeProfileStartSectionFn("Integrate", 0);
    EXPECT_EQ(MeProfileFindSection("Integrate"), nullptr);  // off: nothing recorded

    MeProfileSetEnabled(1);
    MeProfileStartSectionFn("Integrate", 2);
    MeProfileSection* s = MeProfileFindSection("Integrate");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->running, 1);
    EXPECT_EQ(s->flag, 2);
    MeProfileEndSectionFn("Integrate");
    EXPECT_EQ(s->running, 0);
    std::uint64_t cycles = s->cpuCycles;
    MeProfileStartSectionFn("Integrate", 0);
    MeProfileEndSectionFn("Integrate");
    EXPECT_EQ(s->startCount, 2);
    EXPECT_GE(s->cpuCycles, cycles);

    MeWarningVerbosity = 3;
    MeProfileEndSectionFn("Integrate");
    EXPECT_EQ(captured,
              "MeWarning{3}: MeProfileEndSectionFn: You tried to stop Integrate which you hadn't started, which is a bit silly.\n");
    EXPECT_EQ(s->startCount, 2);
    MeWarningVerbosity = 0;
    MeProfileSetEnabled(0);
    MeProfileClear();
}
