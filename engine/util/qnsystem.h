#pragma once
/// QNSYSTEM: the small system helpers that error reporting and start-up need.

#include <cstdint>

struct QNSYSTEM {
    /// Size of the text LastErrorText writes, terminator included.
    static constexpr int kErrorTextSize = 256;
    /// Size of the path ModulePath writes, terminator included.
    static constexpr int kPathSize = 256;

    /// Message box kinds; each gives a default caption and icon.
    enum Kind { kMessage = 0, kWarning = 1, kError = 2 };
    /// Icons of a message box.
    enum Icon { kNoIcon = 0, kExclamation = 1, kStop = 2 };

    /// Receives every message box in place of the platform's (a test seam): text, caption
    /// (never null) and icon.
    using MessageSink = void (*)(const char* text, const char* caption, Icon icon);

    /// The last error (the platform's last-error slot) as its number; `text` (kErrorTextSize
    /// bytes) receives the system's text for it on one line, empty when the number is 0.
    static std::uint32_t LastErrorText(char* text);

    /// Formats the message (cut at 511 characters) and shows it with an OK button only. A given
    /// caption is always used; a null caption takes the kind's default: 0 "MESSAGE" no icon,
    /// 1 "WARNING" exclamation, 2 "ERROR" stop; any other kind: no caption, no icon.
    static void MessageBox(const char* format, const char* caption, int kind, ...)
        __attribute__((format(printf, 1, 4)));

    /// Installs the message-box sink (null restores the platform's message box: a window with a
    /// display, stderr without) and returns the previous one.
    static MessageSink SetMessageSink(MessageSink sink);

    /// Writes the full path of the program's file into `path` (kPathSize bytes; "" if unknown).
    static void ModulePath(char* path);

    /// Start-up: reads the performance-counter frequency used by the timers.
    static void Init();

    /// Sleeps `seconds` * 1000 milliseconds, truncated.
    static void Sleep(float seconds);
};
