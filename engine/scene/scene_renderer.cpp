#include "engine/scene/scene_renderer.h"

#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qnmaterial.h"
#include "engine/render/qnviewport.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "engine/sound/qnsound.h"

namespace {

std::uint32_t Extent(std::int32_t low, std::int32_t high)
{
    return high > low ? static_cast<std::uint32_t>(high - low) : 0u;
}

std::uint32_t Origin(std::int32_t v)
{
    return v > 0 ? static_cast<std::uint32_t>(v) : 0u;
}

}  // namespace

void QNVIEWRENDERER::CreateCamera(QNVIEW& view)
{
    if (!view.Camera)
        view.Camera = new QNVIEWPORT;
}

void QNVIEWRENDERER::DestroyCamera(QNVIEW& view)
{
    delete view.Camera;
    view.Camera = nullptr;
}

void QNVIEWRENDERER::ResetCamera(QNVIEW& view)
{
    if (view.Camera)
        view.Camera->SetCamera(QNMATRIX::Identity);
}

void QNVIEWRENDERER::ClearCamera(QNVIEW& view)
{
    if (!view.Camera)
        return;
    view.Camera->MainList.DeleteChildren();
    view.Camera->SortedList.DeleteChildren();
    view.Camera->OverlayList.DeleteChildren();
    view.Camera->SpriteList.DeleteChildren();
}

void QNVIEWRENDERER::ReleaseCamera(QNVIEW& view)
{
    // The sprite buffers live in the default pool: a reset is refused while they exist.
    if (view.Camera)
        view.Camera->ReleaseDevice();
}

void QNVIEWRENDERER::DestroyScene(QNSCENE& scene)
{
    ForgetResources(scene);
}

void QNVIEWRENDERER::SetViewport(const QNRECT& r)
{
    QNDISPLAY::SetViewport(Origin(r.Left), Origin(r.Top), Extent(r.Left, r.Right), Extent(r.Top, r.Bottom));
}

void QNVIEWRENDERER::Clear(const float* rgba, float depth, std::int32_t stencil)
{
    QNDISPLAY::Clear(rgba[0], rgba[1], rgba[2], depth, static_cast<float>(stencil));
}

void QNVIEWRENDERER::SetProjection(float fieldOfView, float nearPlane, float farPlane)
{
    QNDISPLAY::SetPerspective(fieldOfView, nearPlane, farPlane);
}

void QNVIEWRENDERER::SetAmbient(const float* rgba)
{
    QNDISPLAY::SetAmbient(rgba[0], rgba[1], rgba[2]);
}

void QNVIEWRENDERER::SetViewMatrix(QNVIEW& view, QNNODE* node)
{
    if (view.Camera)
        view.Camera->SetCamera(node ? NodeWorldMatrix(node) : QNMATRIX::Identity);
}

void QNVIEWRENDERER::PlaceListener(QNVIEW&, QNNODE* node)
{
    QNLISTENERFRAME frame;
    CopyListenerFrame(frame, node ? NodeWorldMatrix(node) : QNMATRIX::Identity);
    QNLISTENER& l = QNAUDDEV::Listener;
    for (int i = 0; i < 3; ++i) {
        l.position[i] = frame.Position[i];
        l.front[i] = frame.Front[i];
        l.top[i] = frame.Top[i];
    }
    QNAUDDEV::SetListener();
}

void QNVIEWRENDERER::SetRenderMaterial(QNSCENE& scene)
{
    QNMATERIAL::Override = scene.RenderMaterial;
}

void QNVIEWRENDERER::SetSceneLights(QNSCENE& scene, bool on)
{
    // A light's slot remembers the view it belongs to.
    for (std::uint32_t i = 0; i < scene.ViewCount; ++i)
        if (QNVIEW* view = scene.GetView(i))
            QNLIGHTSLOT::EnableOwner(!on, view);
}

void QNVIEWRENDERER::DrawView(QNVIEW& view, std::uint8_t renderFlag, QNDRAWSTATS& stats)
{
    if (!view.Camera)
        return;
    view.Camera->Culling = renderFlag;
    view.Camera->Draw();
    stats.Vertices += view.Camera->Vertices;
    stats.Indices += view.Camera->Indices;
    stats.Primitives += view.Camera->Primitives;
}

void QNVIEWRENDERER::ForgetResources(QNSCENE& scene)
{
    if (QNMATERIAL::Override == scene.RenderMaterial)
        QNMATERIAL::Override = nullptr;
}

void QNVIEWRENDERER::Install()
{
    // Never destroyed: views may release their cameras during static teardown.
    static QNVIEWRENDERER& renderer = *new QNVIEWRENDERER;
    QNHOOKS::Scene.Renderer = &renderer;
}
