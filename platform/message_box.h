#pragma once
// Message boxes with an OK button. With a display they are SDL message boxes; headless (or
// when SDL cannot show one) the text goes to stderr as "CAPTION: text", so a headless run never
// blocks on a box nobody can close.

/// Kinds: 0 message (no icon), 1 warning, 2 error; any other kind uses the caption as given.
enum : int { PLATFORM_MB_MESSAGE = 0, PLATFORM_MB_WARNING = 1, PLATFORM_MB_ERROR = 2 };

/// The caption shown: the given one when not null, else "MESSAGE", "WARNING" or "ERROR" for the
/// kinds 0, 1 and 2, else the empty text.
const char* PlatformMessageBoxCaption(const char* caption, int kind);

/// Shows the text and waits for OK when there is a display; writes to stderr otherwise.
void PlatformMessageBox(const char* text, const char* caption, int kind);

/// Test seam: every box goes to this function instead (null restores the normal behaviour).
using PlatformMessageBoxSink = void (*)(const char* text, const char* caption, int kind, void* context);
void PlatformSetMessageBoxSink(PlatformMessageBoxSink sink, void* context);
