#include "game/screens/store_elements.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/render/qndisplay.h"
#include "engine/render/qntexture.h"
#include "engine/scene/resources.h"
#include "engine/scene/view.h"
#include "engine/scene/text_mesh.h"
#include "engine/util/qnmath.h"
#include "engine/util/qnvirtual_screen.h"
#include "game/screens/store_catalogues.h"

namespace {

float Radians(float degrees)
{
    return 2.0f * 3.14159265358979f * degrees / 360.0f;
}

}  // namespace

void CreateViewWorld(QNVIEW* view, const QNWORLDPARAMS& params)
{
    if (!view)
        return;
    // A world made with the view (the engine's defaults) is replaced while nothing lives in it.
    if (view->World && QNHOOKS::Scene.ResetWorld)
        QNHOOKS::Scene.ResetWorld(view);
    if (view->World)
        return;
    const QNWORLDPARAMS saved = QNPHYSWORLD::ViewParams;
    QNPHYSWORLD::ViewParams = params;
    PhysicsWorldOf(view);
    QNPHYSWORLD::ViewParams = saved;
}

QNRECT ScreenRectToPixels(float x, float y, float width, float height)
{
    // The mapping of pointer picking: the screen frame's centre is the display's centre.
    const float W = QNDISPLAY::Box[1].x - QNDISPLAY::Box[0].x;
    const float H = QNDISPLAY::Box[1].y - QNDISPLAY::Box[0].y;
    const float left = W / 2 + x * (W / 2) / QNVIRTUALSCREEN::HalfWidth;
    const float top = H / 2 - y * (H / 2) / QNVIRTUALSCREEN::HalfHeight;
    const float right = left + width * W / QNVIRTUALSCREEN::Width;
    const float bottom = top + height * H / QNVIRTUALSCREEN::Height;
    QNRECT r;
    r.Left = std::int32_t(std::lround(left));
    r.Top = std::int32_t(std::lround(top));
    r.Right = std::int32_t(std::lround(right));
    r.Bottom = std::int32_t(std::lround(bottom));
    return r;
}

// ---- text field ----------------------------------------------------------------------------

TEXTFIELD::TEXTFIELD(QNNODE* parent, const char* name, const char* font, const char* colour, float x, float y,
                     float cellWidth, float cellHeight, std::uint32_t columns, std::uint32_t rows,
                     std::int32_t bodyMode)
    : SPRITENODE(parent, name, 0, 0, bodyMode, nullptr, 0)
{
    SetMaterial("alpha");
    SetColour(colour);
    SetTexture(font);
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Args[6] = 1;
    BuildTextMesh(cellWidth, cellHeight, columns, rows < kMaxRows ? rows : kMaxRows);
    SetTranslation(QNVEC3(x, y, 0.0f));
}

void TEXTFIELD::PrintV(std::uint32_t line, std::uint32_t align, const char* format, std::va_list args)
{
    if (line >= kMaxRows)
        return;
    char text[kPrintTextSize] = {};
    if (format)
        std::vsnprintf(text, sizeof text, format, args);
    lines_[line] = text;
    if (Mesh)
        PrintTextLine(Mesh, text, line, align);
}

void TEXTFIELD::Print(std::uint32_t line, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    PrintV(line, QNALIGN_CENTRE, format, args);
    va_end(args);
}

void TEXTFIELD::PrintAligned(std::uint32_t line, std::uint32_t align, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    PrintV(line, align, format, args);
    va_end(args);
}

// ---- preview cameras -----------------------------------------------------------------------

BOOMPIVOT::BOOMPIVOT(QNNODE* root, std::uint32_t slot, STORESCREEN* store) : Store(store), Slot(slot)
{
    auto* pivot = new GAMENODE(root, "BOOMPIVOT", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, nullptr, 0);
    auto* boom = new GAMENODE(pivot, "BOOM", 0, QNCF_LEVEL_GAME, 0, 1, nullptr, 0);
    Pivot = pivot;
    Node = boom;
}

bool BOOMPIVOT::Animate()
{
    ClearColour[3] = 1.0f;
    const float(*slots)[2] = Store->Design.Slots;
    Viewport = ScreenRectToPixels(slots[Slot][0], slots[Slot][1], kSlotWidth, kSlotHeight);
    Store->SetPassVisibility(STOREPASS::PREVIEW);
    return Active != 0;
}

void BOOMPIVOT::Aim(float height, const QNVEC3& pivotOffset, float boom)
{
    GAMENODE* pivot = Pivot.Get();
    if (!pivot)
        return;
    QNMATRIX turn, at;
    turn.SetRotationY(Radians(kPivotTurn));
    at.SetTranslationV(QNVEC3(0.0f, height, 0.0f) + pivotOffset);
    pivot->StopMotion(true, QNCF_LEVEL_GAME);
    pivot->SetTransform(turn * at);
    if (auto* b = static_cast<QNNODE*>(pivot->FindChild("BOOM"))) {
        QNMATRIX pitch, back;
        pitch.SetRotationX(Radians(kBoomPitch));
        back.SetTranslation(0.0f, kBoomHeight, -boom);
        b->SetTransform(pitch * back);
    }
}

void BOOMPIVOT::Spin(bool on)
{
    ClearColour[0] = ClearColour[1] = ClearColour[2] = 0.0f;
    ClearColour[3] = 1.0f;
    GAMENODE* pivot = Pivot.Get();
    if (!pivot)
        return;
    if (on) {
        if (QNBODY* body = PhysicsBodyOf(pivot)) {
            body->SetDisabled(false);
            body->SetAngularVelocity(QNVEC3(0.0f, 1.0f, 0.0f));
        }
    } else {
        pivot->StopMotion(true, QNCF_LEVEL_GAME);
    }
}

STOREOVERLAY::STOREOVERLAY(QNNODE* root, STORESCREEN* store) : Store(store)
{
    Node = new GAMENODE(root, "OVERLAY", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
}

bool STOREOVERLAY::Animate()
{
    ClearColour[0] = -2.0f;
    ClearColour[1] = 0.0f;
    ClearColour[2] = 0.0f;
    ClearColour[3] = 1.0f;
    Viewport = QNRECT{};
    Store->SetPassVisibility(STOREPASS::OVERLAY);
    return true;
}
