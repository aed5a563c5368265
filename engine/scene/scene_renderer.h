#pragma once
/// The scene renderer over the render layer: each view's camera is a draw queue
/// (QNVIEWPORT) that the node slots fill with render instances, and the scene walk
/// calls this renderer to set the viewport, clear, project, light and draw.

#include "engine/scene/scene_hooks.h"

class QNVIEWRENDERER : public QNSCENERENDERER {
public:
    void CreateCamera(QNVIEW& view) override;
    void DestroyCamera(QNVIEW& view) override;
    void ResetCamera(QNVIEW& view) override;
    void ClearCamera(QNVIEW& view) override;
    void ReleaseCamera(QNVIEW& view) override;
    void DestroyScene(QNSCENE& scene) override;

    void SetViewport(const QNRECT& rect) override;
    void Clear(const float* rgba, float depth, std::int32_t stencil) override;
    void SetProjection(float fieldOfView, float nearPlane, float farPlane) override;
    void SetAmbient(const float* rgba) override;
    void SetViewMatrix(QNVIEW& view, QNNODE* node) override;
    void PlaceListener(QNVIEW& view, QNNODE* node) override;
    void SetRenderMaterial(QNSCENE& scene) override;
    void SetSceneLights(QNSCENE& scene, bool on) override;
    void DrawView(QNVIEW& view, std::uint8_t renderFlag, QNDRAWSTATS& stats) override;
    void ForgetResources(QNSCENE& scene) override;

    /// Installs the one program-wide instance as the scene walk's renderer.
    static void Install();
};
