#pragma once
/// QNQUEUEDMESSAGE: a one-line text display that shows posted lines one after another.
///
/// Posts go into a ring of 10 lines. Update shows the next waiting line at once when nothing is
/// showing, else after half the display time (whole seconds, integer half); the last line is
/// blanked once it has shown for the full display time (0 = it stays until the next line).
/// While a line is showing, a post equal to the line posted before it (ignoring case) is dropped.
/// Ten posts before any is shown wrap the ring: the waiting lines are no longer seen.

#include <cstdarg>
#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"

class QNQUEUEDMESSAGE : public GAMENODE {
public:
    static constexpr std::uint32_t kLines = 10;
    static constexpr std::uint32_t kLineSize = 50;  ///< 49 characters and a terminator

    /// Material "sprite", colour "fullbright", `fontTexture` in stage 0, a text mesh of 50 x 1
    /// cells of charWidth x charHeight from the mesh parameter block, placed with its left edge,
    /// centre or right edge (by `align`) at (x, y).
    QNQUEUEDMESSAGE(QNNODE* parent, const char* fontTexture, float x, float y, std::uint32_t align,
                    std::uint32_t displayTime, float charWidth, float charHeight);

    /// Formats into the line at the write position (bounded; longer text is cut).
    void Post(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void PostV(const char* format, std::va_list args);
    void Update() override;

    /// The line on screen ("" when blank).
    const char* Shown() const { return shown_; }

    QNTIMER Timer;
    std::uint32_t Align = 0;
    std::uint32_t ReadPos = 0;
    std::uint32_t WritePos = 0;
    std::uint8_t Showing = 0;
    std::uint32_t DisplayTime = 0;
    char Lines[kLines][kLineSize] = {};

private:
    void Show(const char* text);
    char shown_[kLineSize] = {};
};
