#pragma once
/// Text printed as meshes, and the console-metrics overlay.
///
/// A text mesh is a generated grid with one patch per character cell (QNMESHNODE::BuildTextMesh);
/// printing a line gives every patch of that row the texture cell of its character code, so a
/// font texture whose cell n shows character n prints the text.

#include <cstdarg>
#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"

class QNMESH;

/// Alignment of a printed line.
enum : std::uint32_t { QNALIGN_LEFT = 0, QNALIGN_CENTRE = 1, QNALIGN_RIGHT = 2 };

/// Longest formatted text, terminator included.
inline constexpr std::uint32_t kPrintTextSize = 280;

/// Fills the mesh block for a text mesh: dynamic vertices of one set of two coordinates, the
/// flat grid kind, uploaded, no collision shape.
void SetTextMeshParams();
/// Writes `text` (not a format) into row `line` of a text mesh: start column 0 (left),
/// (Columns - n) / 2 (centre) or Columns - n (right); every other column shows a space. Text
/// longer than the line is cut at the right edge. Uploads the changed vertices.
void PrintTextLine(QNMESH* mesh, const char* text, std::uint32_t line, std::uint32_t align);
/// Formats (bounded, kPrintTextSize) and prints the result as text.
void PrintText(QNMESH* mesh, const char* format, std::uint32_t line, std::uint32_t align, ...)
    __attribute__((format(printf, 2, 5)));
void PrintTextV(QNMESH* mesh, const char* format, std::uint32_t line, std::uint32_t align, std::va_list args);

/// The developer overlay: two lines of frame, draw, texture and node statistics, refreshed
/// once a second.
class QNCONSOLEMETRICS : public GAMENODE {
public:
    QNCONSOLEMETRICS(QNNODE* parent, const char* fontTexture, float x, float y);
    ~QNCONSOLEMETRICS() override;

    void Update() override;
    void Refresh();

    QNTIMER Timer;
    /// Physics counts shown on line 1 (the physics layer sets them; null shows 0).
    static inline void (*PhysicsCounts)(const QNVIEW* view, std::uint32_t& first, std::uint32_t& second) = nullptr;
};
