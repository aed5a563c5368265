#include "engine/util/qnexception.h"

#include <cstdio>
#include <cstring>

namespace {
char sharedText[QNEXCEPTION::kMessageSize];
std::uint32_t sharedResult = 0;
std::uint32_t lastDeviceResult = 0;
} // namespace

QNEXCEPTION::QNEXCEPTION()
{
    std::memcpy(text_, sharedText, sizeof text_);
}

QNEXCEPTION::QNEXCEPTION(std::uint32_t resultCode, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    Raise(resultCode, format, args);
    va_end(args);
}

void QNEXCEPTION::Raise(std::uint32_t resultCode, const char* format, std::va_list args)
{
    sharedResult = resultCode;
    // vsnprintf cuts an over-long message at the buffer's end and always terminates it.
    if (!format || std::vsnprintf(sharedText, sizeof sharedText, format, args) < 0)
        sharedText[0] = '\0';
    std::memcpy(text_, sharedText, sizeof text_);
}

const char* QNEXCEPTION::Message() { return sharedText; }
std::uint32_t QNEXCEPTION::ResultCode() { return sharedResult; }

void QNEXCEPTION::ClearShared()
{
    sharedText[0] = '\0';
    sharedResult = 0;
}

std::uint32_t QNEXCEPTION::LastDeviceResult() { return lastDeviceResult; }
void QNEXCEPTION::SetLastDeviceResult(std::uint32_t result) { lastDeviceResult = result; }

#define QN_EXCEPTION_CONSTRUCTOR(NAME)                                                       \
    NAME::NAME(std::uint32_t resultCode, const char* format, ...)                            \
    {                                                                                        \
        std::va_list args;                                                                   \
        va_start(args, format);                                                              \
        Raise(resultCode, format, args);                                                     \
        va_end(args);                                                                        \
    }

QN_EXCEPTION_CONSTRUCTOR(QNDEVICES_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNINPUT_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNAUDIO_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNGRAPHICS_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNKEYBOARD_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNMOUSE_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNJOYSTICK_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNINPDEV_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNSOUND_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNAUDDEV_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNTEXTURE_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNDISPLAY_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNMESH_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNGRFDEV_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNDISK_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNFILE_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNSTORAGE_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNFILEINFO_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNPARSER_EXC)
QN_EXCEPTION_CONSTRUCTOR(QNNODE_EXC)
