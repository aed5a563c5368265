#pragma once
/// The toolkit's four message channels: info, warning, fatal error and debug. Each channel
/// passes (level, format, arguments) to a replaceable handler. The default handlers prefix the
/// text with "MeInfo{level}: ", "MeWarning{level}: ", "MeFatalError{level}: " or
/// "MeDebug{level}: ", format it and hand it to the channel's output function. The default
/// fatal handler ends the process with status 1; an installed fatal handler may return, and
/// every caller then stops what it was doing cleanly.

#include <cstdarg>

using MeMessageHandler = void (*)(int level, const char* format, va_list args);
using MeMessageOutput = void (*)(int level, const char* text);

/// Installs a handler and returns the previous one. Null restores the channel's default.
MeMessageHandler MeSetInfoHandler(MeMessageHandler handler);
MeMessageHandler MeSetWarningHandler(MeMessageHandler handler);
MeMessageHandler MeSetFatalErrorHandler(MeMessageHandler handler);
MeMessageHandler MeSetDebugHandler(MeMessageHandler handler);

/// Replaces the output function the default handler of a channel writes to; returns the previous.
/// Defaults: info and warning to standard error, fatal to standard error, debug discarded.
MeMessageOutput MeSetInfoOutput(MeMessageOutput output);
MeMessageOutput MeSetWarningOutput(MeMessageOutput output);
MeMessageOutput MeSetFatalErrorOutput(MeMessageOutput output);
MeMessageOutput MeSetDebugOutput(MeMessageOutput output);

/// Verbosity thresholds of the default handlers: a message whose level exceeds the channel's
/// threshold is dropped. All 0 at start-up.
extern int MeInfoVerbosity;
extern int MeWarningVerbosity;
extern int MeDebugVerbosity;

void MeInfo(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void MeWarning(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void MeDebug(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
/// Writes "MeFatalError\n" to standard output, then calls the fatal handler.
void MeFatalError(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

/// A handler that does nothing; the engine installs it on all four channels.
void MeNullMessageHandler(int level, const char* format, va_list args);
