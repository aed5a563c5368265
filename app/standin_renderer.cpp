#include "app/standin_renderer.h"

#include "engine/render/qndisplay.h"
#include "engine/scene/scene_hooks.h"

namespace {

class STANDINRENDERER : public QNSCENERENDERER {
public:
    void SetViewport(const QNRECT& r) override
    {
        const auto width = r.Right > r.Left ? static_cast<std::uint32_t>(r.Right - r.Left) : 0u;
        const auto height = r.Bottom > r.Top ? static_cast<std::uint32_t>(r.Bottom - r.Top) : 0u;
        QNDISPLAY::SetViewport(r.Left > 0 ? static_cast<std::uint32_t>(r.Left) : 0u,
                               r.Top > 0 ? static_cast<std::uint32_t>(r.Top) : 0u, width, height);
    }
    void Clear(const float* rgba, float depth, std::int32_t stencil) override
    {
        QNDISPLAY::Clear(rgba[0], rgba[1], rgba[2], depth, static_cast<float>(stencil));
    }
    void SetProjection(float fieldOfView, float nearPlane, float farPlane) override
    {
        QNDISPLAY::SetPerspective(fieldOfView, nearPlane, farPlane);
    }
    void SetAmbient(const float* rgba) override { QNDISPLAY::SetAmbient(rgba[0], rgba[1], rgba[2]); }
};

STANDINRENDERER g_renderer;

}  // namespace

bool InstallStandInRenderer()
{
    if (QNHOOKS::Scene.Renderer)
        return false;
    QNHOOKS::Scene.Renderer = &g_renderer;
    return true;
}
