#pragma once
/// Engine exceptions.
///
/// Every engine failure throws. The message is formatted into one shared text (at most 511
/// characters, longer messages are cut) and the failing result code (errno or device result) is
/// stored in one shared word beside it; each exception also keeps its own copy of the text, so
/// what() stays valid after a later failure overwrites the shared one.
///
/// The thrown type names the failing engine class; the tree lets a handler catch a family:
///
///     QNEXCEPTION
///       QNDEVICES_EXC
///         QNINPUT_EXC    <- QNKEYBOARD_EXC, QNMOUSE_EXC, QNJOYSTICK_EXC, QNINPDEV_EXC
///         QNAUDIO_EXC    <- QNSOUND_EXC, QNAUDDEV_EXC
///         QNGRAPHICS_EXC <- QNTEXTURE_EXC, QNDISPLAY_EXC, QNMESH_EXC, QNGRFDEV_EXC
///       QNDISK_EXC       <- QNSTORAGE_EXC, QNFILEINFO_EXC, QNFILE_EXC <- QNPARSER_EXC
///       QNNODE_EXC
///
/// Each engine class that can fail exposes its type as a nested `EXC`:
///
///     class QNMESH { public: using EXC = QNMESH_EXC; ... };
///     throw QNMESH::EXC(0, "File '%s' is not GBM format.", name);
///
/// The family classes QNDEVICES, QNINPUT, QNAUDIO and QNGRAPHICS exist only to carry their `EXC`.
/// QNEXCEPTION also derives from std::exception, so a handler of std::exception sees engine
/// errors too.

#include <cstdarg>
#include <cstdint>
#include <exception>

/// The empty root of the exception classes (not the named tree item, which is QNITEM).
struct QN {};

class QNEXCEPTION : public QN, public std::exception {
public:
    /// Size of the shared message text, terminator included.
    static constexpr int kMessageSize = 512;

    /// Stores `resultCode` as the shared result code and formats the message into the shared
    /// text with printf rules (cut at 511 characters).
    QNEXCEPTION(std::uint32_t resultCode, const char* format, ...)
        __attribute__((format(printf, 3, 4)));

    /// Keeps the shared text and result code as they are (for classes that only re-raise).
    QNEXCEPTION();

    QNEXCEPTION(const QNEXCEPTION&) noexcept = default;
    QNEXCEPTION& operator=(const QNEXCEPTION&) noexcept = default;
    ~QNEXCEPTION() override = default;

    /// This exception's copy of its message.
    const char* what() const noexcept override { return text_; }

    /// The shared message text of the latest engine failure ("" before any).
    static const char* Message();
    /// The shared result code of the latest engine failure (0 where there is none).
    static std::uint32_t ResultCode();
    /// Clears the shared text and result code.
    static void ClearShared();

    /// The last device result: device calls store their result here before testing it.
    static std::uint32_t LastDeviceResult();
    static void SetLastDeviceResult(std::uint32_t result);

protected:
    /// Formats into the shared text from a va_list (used by the constructors).
    void Raise(std::uint32_t resultCode, const char* format, std::va_list args);

private:
    char text_[kMessageSize];
};

// Each class declares the constructors of its base (a printf-checked variadic one and the
// default one). Inheriting constructors would drop the format check.
#define QN_EXCEPTION_CLASS(NAME, BASE)                                                       \
    class NAME : public BASE {                                                               \
    public:                                                                                  \
        NAME() = default;                                                                    \
        NAME(std::uint32_t resultCode, const char* format, ...)                              \
            __attribute__((format(printf, 3, 4)));                                           \
    }

QN_EXCEPTION_CLASS(QNDEVICES_EXC, QNEXCEPTION);
QN_EXCEPTION_CLASS(QNINPUT_EXC, QNDEVICES_EXC);
QN_EXCEPTION_CLASS(QNAUDIO_EXC, QNDEVICES_EXC);
QN_EXCEPTION_CLASS(QNGRAPHICS_EXC, QNDEVICES_EXC);
QN_EXCEPTION_CLASS(QNKEYBOARD_EXC, QNINPUT_EXC);
QN_EXCEPTION_CLASS(QNMOUSE_EXC, QNINPUT_EXC);
QN_EXCEPTION_CLASS(QNJOYSTICK_EXC, QNINPUT_EXC);
QN_EXCEPTION_CLASS(QNINPDEV_EXC, QNINPUT_EXC);
QN_EXCEPTION_CLASS(QNSOUND_EXC, QNAUDIO_EXC);
QN_EXCEPTION_CLASS(QNAUDDEV_EXC, QNAUDIO_EXC);
QN_EXCEPTION_CLASS(QNTEXTURE_EXC, QNGRAPHICS_EXC);
QN_EXCEPTION_CLASS(QNDISPLAY_EXC, QNGRAPHICS_EXC);
QN_EXCEPTION_CLASS(QNMESH_EXC, QNGRAPHICS_EXC);
QN_EXCEPTION_CLASS(QNGRFDEV_EXC, QNGRAPHICS_EXC);
QN_EXCEPTION_CLASS(QNDISK_EXC, QNEXCEPTION);
QN_EXCEPTION_CLASS(QNFILE_EXC, QNDISK_EXC);
QN_EXCEPTION_CLASS(QNSTORAGE_EXC, QNDISK_EXC);
QN_EXCEPTION_CLASS(QNFILEINFO_EXC, QNDISK_EXC);
QN_EXCEPTION_CLASS(QNPARSER_EXC, QNFILE_EXC);
QN_EXCEPTION_CLASS(QNNODE_EXC, QNEXCEPTION);

#undef QN_EXCEPTION_CLASS

/// Family classes: they only carry the exception type of their family.
struct QNDEVICES { using EXC = QNDEVICES_EXC; };
struct QNINPUT { using EXC = QNINPUT_EXC; };
struct QNAUDIO { using EXC = QNAUDIO_EXC; };
struct QNGRAPHICS { using EXC = QNGRAPHICS_EXC; };
