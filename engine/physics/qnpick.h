#pragma once
/// QNPICK: the virtual screen and picking.
///
/// The virtual screen is resolution independent: x from -667 to 667, y from -500 to 500, origin
/// at the centre, y up; its mappings use 1333 by 1000 as its size. QNPICK maps world points
/// onto it, the cursor into it, places viewports by it, tests boxes against it and against the
/// view, and brackets the drawing of overlays with an orthographic projection of its size.
/// Picking in the world is QNPHYSWORLD::IntersectSegment (nearest first).

#include "engine/util/qnbox.h"

class QNPICK {
public:
    /// (-667, -500, 0) to (667, 500, 1).
    static const QNBOX ScreenBox;
    /// (-1, -1, 0) to (1, 1, 1).
    static const QNBOX ClipBox;
    /// The current viewport rectangle in pixels (minimum corner, maximum corner); set by
    /// SetViewport. Invalid (minimum above maximum) until then.
    static QNBOX ViewportBox;
    /// The screen centre in pixels, set when the display opens.
    static QNVEC3 Centre;

    /// The point through view x projection: (x x 667, y x 500, z).
    static QNVEC3 ToScreen(const QNVEC3& world);
    /// A point of the window's client area (pixels) in virtual units, rounded half away from
    /// zero; (0, 0, 0) while the viewport box is not valid.
    static QNVEC3 ToVirtual(float x, float y);
    /// The mouse cursor in virtual units.
    static QNVEC3 CursorPosition();
    /// The screen centre in virtual units.
    static QNVEC3 ScreenCentre();
    /// Viewport from virtual units ((x, y) the upper-left corner); width 0 = the display box.
    static void SetViewport(float x, float y, float width, float height);
    /// Saves projection, view and view x projection; orthographic 1333 x 1000, planes 0 and 1.
    static void BeginScreen();
    static void EndScreen();
    /// The box overlaps the virtual screen.
    static bool IsOnScreen(const QNBOX& box);
    /// Centre only: the centre in clip space with depth in [0, 1) inside the clip box.
    /// Otherwise the box in clip space has depth at most 1 and overlaps the clip box.
    static bool IsVisible(const QNBOX& box, bool centreOnly);

private:
    static QNMATRIX saved_[3];
};

/// The toolkit's segment-box test: true when the segment crosses the box.
bool QNBoxIntersectsSegment(const QNBOX& box, const QNVEC3& start, const QNVEC3& end);
/// The largest per-axis distance by which `p` lies outside the box; 0 inside.
float QNBoxDistanceTo(const QNBOX& box, const QNVEC3& p);
