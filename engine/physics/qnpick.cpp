#include "engine/physics/qnpick.h"

#include <algorithm>

#include "engine/input/qninput.h"
#include "engine/render/qndisplay.h"
#include "engine/util/qnmath.h"
#include "engine/util/qnvirtual_screen.h"
#include "physics/dynamics/me_math.h"

const QNBOX QNPICK::ScreenBox = QNVIRTUALSCREEN::Box();
const QNBOX QNPICK::ClipBox(QNVEC3(-1, -1, 0), QNVEC3(1, 1, 1));
QNBOX QNPICK::ViewportBox(QNVEC3(1, 1, 1), QNVEC3(-1, -1, -1));
QNVEC3 QNPICK::Centre;
QNMATRIX QNPICK::saved_[3];

namespace {

bool Overlap(const QNBOX& a, const QNBOX& b)
{
    return a.min.x <= b.max.x && b.min.x <= a.max.x && a.min.y <= b.max.y && b.min.y <= a.max.y &&
           a.min.z <= b.max.z && b.min.z <= a.max.z;
}

}  // namespace

QNVEC3 QNPICK::ToScreen(const QNVEC3& world)
{
    const QNVEC3 p = QNVEC3::TransformCoord(world, QNDISPLAY::ViewProjection);
    return {p.x * QNVIRTUALSCREEN::HalfWidth, p.y * QNVIRTUALSCREEN::HalfHeight, p.z};
}

QNVEC3 QNPICK::ToVirtual(float x, float y)
{
    const QNBOX& v = ViewportBox;
    if (!v.IsOrdered())
        return {};
    return QNVIRTUALSCREEN::FromPixels(x, y, v.min.x, v.min.y, v.max.x, v.max.y);
}

QNVEC3 QNPICK::CursorPosition()
{
    float x = 0, y = 0;
    QNMOUSE::Pointer(&x, &y);
    return ToVirtual(x, y);
}

QNVEC3 QNPICK::ScreenCentre()
{
    return ToVirtual(Centre.x, Centre.y);
}

void QNPICK::SetViewport(float x, float y, float width, float height)
{
    const float W = QNDISPLAY::Box[1].x - QNDISPLAY::Box[0].x;
    const float H = QNDISPLAY::Box[1].y - QNDISPLAY::Box[0].y;
    if (width == 0.0f) {
        ViewportBox = QNBOX(QNDISPLAY::Box[0], QNDISPLAY::Box[1]);
        QNDISPLAY::SetViewport(0, 0, 0, 0);
        return;
    }
    const float left = W / 2 + x * (W / 2) / QNVIRTUALSCREEN::HalfWidth;
    const float top = H / 2 - y * (H / 2) / QNVIRTUALSCREEN::HalfHeight;
    const float right = left + width * W / QNVIRTUALSCREEN::Width;
    const float bottom = top + height * H / QNVIRTUALSCREEN::Height;
    ViewportBox = QNBOX(QNVEC3(left, top, 0), QNVEC3(right, bottom, 0));
    const int l = std::max(RoundToInt(left), 0), t = std::max(RoundToInt(top), 0);
    const int w = std::max(RoundToInt(right - left), 0), h = std::max(RoundToInt(bottom - top), 0);
    QNDISPLAY::SetViewport(std::uint32_t(l), std::uint32_t(t), std::uint32_t(w), std::uint32_t(h));
}

void QNPICK::BeginScreen()
{
    QNDISPLAY::GetTransforms(saved_);
    QNDISPLAY::SetOrtho(QNVIRTUALSCREEN::Width, QNVIRTUALSCREEN::Height, 0.0f, 1.0f);
}

void QNPICK::EndScreen()
{
    QNDISPLAY::SetTransforms(saved_);
}

bool QNPICK::IsOnScreen(const QNBOX& box)
{
    return Overlap(box, ScreenBox);
}

bool QNPICK::IsVisible(const QNBOX& box, bool centreOnly)
{
    const QNMATRIX& vp = QNDISPLAY::ViewProjection;
    if (centreOnly) {
        const QNVEC3 c = QNVEC3::TransformCoord((box.min + box.max) * 0.5f, vp);
        return c.z >= 0.0f && c.z < 1.0f && c.x >= -1.0f && c.x <= 1.0f && c.y >= -1.0f && c.y <= 1.0f;
    }
    const QNBOX clip = box.Transform(vp);
    return clip.max.z <= 1.0f && Overlap(clip, ClipBox);
}

bool QNBoxIntersectsSegment(const QNBOX& box, const QNVEC3& start, const QNVEC3& end)
{
    float hit[3];
    return MeSegmentBoxIntersect(&box.min.x, &box.max.x, &start.x, &end.x, hit) > 0;
}

float QNBoxDistanceTo(const QNBOX& box, const QNVEC3& p)
{
    float d = 0.0f;
    for (int i = 0; i < 3; ++i) {
        float a = box.min[i] - p[i];
        if (a < 0.0f)
            a = p[i] - box.max[i];
        d = std::max(d, a);
    }
    return d;
}
