#pragma once
/// The elements of the store screens: text fields that remember what they show, the preview
/// cameras (one BOOMPIVOT per product slot and the OVERLAY over them) and the picture of a
/// hover-highlight button.
///
/// Preview cameras are extra camera views of the scene (children of its HOTSPOT root). Their
/// rectangles are given in the 1333 x 1000 screen frame (y up, a rectangle hangs down from its
/// top edge) and mapped to pixels the way pointer picking maps them, at every pass, so a store
/// follows the display's size.

#include <cstdint>
#include <string>

#include "engine/physics/sprite_node.h"
#include "engine/scene/hotspot.h"
#include "engine/scene/scene_hooks.h"
#include "game/vehicles/one_shot_sound.h"

class STORESCREEN;
class QNVIEW;
struct QNWORLDPARAMS;

/// Makes the view's physics world with the given capacities (replacing the one the view was
/// made with), as a scene does when it is entered.
void CreateViewWorld(QNVIEW* view, const QNWORLDPARAMS& params);

/// The pixel rectangle of the screen-frame rectangle whose upper-left corner is (x, y) and that
/// reaches `width` to the right and `height` down, for the display's current size.
QNRECT ScreenRectToPixels(float x, float y, float width, float height);


/// A text field: a sprite with a generated text mesh of `columns` x `rows` glyph cells in the
/// font `font`. It keeps a copy of each printed line. Body mode 1 places it relative to its
/// parent.
class TEXTFIELD : public SPRITENODE {
public:
    static constexpr std::uint32_t kMaxRows = 2;

    TEXTFIELD(QNNODE* parent, const char* name, const char* font, const char* colour, float x, float y,
              float cellWidth, float cellHeight, std::uint32_t columns, std::uint32_t rows,
              std::int32_t bodyMode = 0);

    /// Formats and prints row `line` (centred by default); a null format clears it.
    void Print(std::uint32_t line, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void PrintAligned(std::uint32_t line, std::uint32_t align, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    /// What row `line` shows ("" when cleared).
    const std::string& Line(std::uint32_t line) const { return lines_[line < kMaxRows ? line : 0]; }

private:
    void PrintV(std::uint32_t line, std::uint32_t align, const char* format, std::va_list args);
    std::string lines_[kMaxRows];
};

/// The preview camera of product slot `Slot`: it looks from "BOOM", which hangs under the
/// spinning "BOOMPIVOT" node, into the slot's rectangle.
class BOOMPIVOT : public HOTSPOT {
public:
    /// Width and height of a product slot in screen units.
    static constexpr float kSlotWidth = 295.0f;
    static constexpr float kSlotHeight = 220.0f;
    /// The camera stands this high over the pivot, pitched down and turned about the product.
    static constexpr float kBoomHeight = 8.0f;
    static constexpr float kBoomPitch = 30.0f;
    static constexpr float kPivotTurn = 45.0f;

    BOOMPIVOT(QNNODE* root, std::uint32_t slot, STORESCREEN* store);

    /// Keeps the clear colour, makes its alpha 1, sets the preview pass's visibility; draws only
    /// while a product is shown in the slot.
    bool Animate() override;

    /// Points the camera at a product standing at (0, height, 0).
    void Aim(float height, const QNVEC3& pivotOffset, float boom);
    /// Starts (one radian per second about the vertical) or stops the spin.
    void Spin(bool on);

    STORESCREEN* Store;
    std::uint32_t Slot;
    std::uint8_t Active = 0;
    QNWEAK<GAMENODE> Pivot;
};

/// The camera of the overlay pass: the whole screen, no colour clear, drawing the quantities and
/// the signs over the previews.
class STOREOVERLAY : public HOTSPOT {
public:
    STOREOVERLAY(QNNODE* root, STORESCREEN* store);
    bool Animate() override;

    STORESCREEN* Store;
};
