#include "engine/scene/scene.h"

#include "engine/render/qnmaterial.h"
#include "engine/scene/mercenary_state.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnapp_state.h"

namespace {

void FlushKeyboard()
{
    if (QNHOOKS::Scene.FlushKeyboard)
        QNHOOKS::Scene.FlushKeyboard();
}

void FlushInput()
{
    FlushKeyboard();
    if (QNHOOKS::Scene.DrainMouse)
        QNHOOKS::Scene.DrainMouse();
}

void SendRollOff(const QNSCENE& scene)
{
    if (QNHOOKS::Scene.SetRollOff)
        QNHOOKS::Scene.SetRollOff(scene.RollOff);
}

// Vote 3 of the root of `scene`'s active view: 2 hides the scene, 3 shows it again.
void SetActiveRootVote(QNSCENE* scene, std::int32_t state)
{
    if (QNVIEW* view = scene ? scene->ActiveViewPtr() : nullptr)
        view->Root->SetState(state, 3, false, false);
}

// Clears only the depth buffer.
void ClearDepth(QNSCENERENDERER& r, const QNSCENE& scene)
{
    const float depthOnly[4] = {-2.0f, 0.0f, 0.0f, 0.0f};
    r.Clear(depthOnly, scene.DepthClear, -1);
}

} // namespace

// ---- construction --------------------------------------------------------------------------

QNSCENE::QNSCENE(QNITEM* parent, const char* name, std::uint32_t viewCount)
    : QNITEM(name), ViewCount(viewCount), FieldOfView(DefaultFieldOfView),
      NearPlane(DefaultNearPlane), FarPlane(DefaultFarPlane)
{
    // The render material overrides nothing until a keep mask is set (the wireframe tint).
    RenderMaterial = new QNMATERIAL;
    views_.reserve(viewCount);
    for (std::uint32_t i = 0; i < viewCount; ++i)
        views_.push_back(std::make_unique<QNVIEW>(this));
    if (parent)
        parent->AddChild(this);
}

QNSCENE::QNSCENE(ROOTTAG)
    : Background{-1.0f, 0.0f, 0.0f, 1.0f}, Ambient{0.0f, 0.0f, 0.0f, 1.0f}, DepthClear(-1.0f),
      ViewMask(0)
{
}

QNSCENE::~QNSCENE()
{
    // A scene destroyed while on the stack or requested must not stay reachable from there.
    if (Request == this) {
        Request = nullptr;
        if (RequestKind != REQUEST_POP)
            RequestKind = REQUEST_NONE;
    }
    if (Current == this)
        Current = Beneath;
    for (QNSCENE* s = Current; s; s = s->Beneath) {
        if (s->Beneath == this)
            s->Beneath = Beneath;
    }
    Beneath = nullptr;
    DeleteChildren();
    Hotspot.DeleteChildren();
    views_.clear();
    QNHOOKS::Renderer().DestroyScene(*this);
    delete RenderMaterial;
    RenderMaterial = nullptr;
}

void QNSCENE::Register(QNRESOURCES&)
{
}

void QNSCENE::SetBackgroundColour(float r, float g, float b)
{
    Background[0] = r;
    Background[1] = g;
    Background[2] = b;
    Background[3] = 1.0f;
}

QNSCENE& QNSCENE::SceneRoot()
{
    static QNSCENE root{ROOTTAG{}};
    return root;
}

// ---- requests ------------------------------------------------------------------------------

namespace {

QNSCENE* FindScene(const char* name)
{
    QNITEM* item = QNSCENE::SceneRoot().FindChild(name, true);
    auto* scene = dynamic_cast<QNSCENE*>(item);
    if (!scene)
        throw QNNODE_EXC(0, "Node '%s' not found.", name ? name : "");
    return scene;
}

} // namespace

void QNSCENE::RequestSwitch(const char* name)
{
    Request = FindScene(name);
    RequestKind = REQUEST_SWITCH;
}

void QNSCENE::RequestPush(const char* name)
{
    Request = FindScene(name);
    RequestKind = REQUEST_PUSH;
}

void QNSCENE::RequestPop()
{
    RequestKind = REQUEST_POP;
}

void QNSCENE::RequestFirst()
{
    Request = dynamic_cast<QNSCENE*>(SceneRoot().FirstChild());
    RequestKind = REQUEST_SWITCH;
}

void QNSCENE::RequestQuit()
{
    Request = nullptr;
    RequestKind = REQUEST_SWITCH;
}

bool QNSCENE::IsOnStack(const QNSCENE* scene)
{
    for (QNSCENE* s = Current; s && scene; s = s->Beneath) {
        if (s == scene)
            return true;
    }
    return false;
}

void QNSCENE::LeaveStack()
{
    while (QNSCENE* s = Current) {
        Current = s->Beneath;
        s->Beneath = nullptr;
        LeaveScene(s);
    }
}

void QNSCENE::MarkSceneChanged()
{
    QNFRAMESTATS::SceneChanged = 1;
    QNAPP::dt = 0.0f;
    QNAPP::Rate = 0.0f;
    FlushInput();
}

void QNSCENE::ApplyRequest()
{
    const std::uint32_t kind = RequestKind;
    RequestKind = REQUEST_NONE;
    QNSCENE* const requested = Request;

    switch (kind) {
    case REQUEST_SWITCH:
        LeaveStack();
        if (!DeviceResetPending && QNHOOKS::Scene.DeleteSharedPools)
            QNHOOKS::Scene.DeleteSharedPools();
        Current = requested;
        if (!Current) {
            FlushInput();
            return;
        }
        EnterScene(Current);
        break;

    case REQUEST_PUSH:
        // A scene already on the stack would end up beneath itself.
        if (!requested || IsOnStack(requested))
            return;
        SetActiveRootVote(Current, 2);
        requested->Beneath = Current;
        Current = requested;
        EnterScene(requested);
        break;

    case REQUEST_POP: {
        QNSCENE* const top = Current;
        if (!top || !top->Beneath)
            return;
        QNSCENE* const below = top->Beneath;
        top->Beneath = nullptr;
        LeaveScene(top);
        Current = below;
        SetActiveRootVote(below, 3);
        break;
    }

    default:
        return;
    }
    MarkSceneChanged();
}

// ---- entering and leaving ------------------------------------------------------------------

void QNSCENE::RegisterResources(QNSCENE* scene)
{
    if (!scene)
        return;
    if (QNHOOKS::Scene.RegisterDefaults)
        QNHOOKS::Scene.RegisterDefaults(scene);
    scene->Register(scene->Resources);
}

void QNSCENE::EnterScene(QNSCENE* scene)
{
    if (!scene)
        return;
    FlushKeyboard();
    for (std::uint32_t i = 0; i < scene->ViewCount; ++i) {
        QNVIEW* view = scene->GetView(i);
        QNHOOKS::Renderer().ResetCamera(*view);
        view->Root->SetState(3, 3, false, false);
    }
    scene->Entered = 1;
    scene->FramesRendered = 0;
    if (!DeviceResetPending)
        RegisterResources(scene);
    scene->Enter();
    scene->NeedsRedraw = 1;
    ForEachChildScene(scene, [](QNSCENE* child) { EnterScene(child); });
    DeviceResetPending = false;
}

void QNSCENE::LeaveScene(QNSCENE* scene)
{
    if (!scene)
        return;
    ForEachChildScene(scene, [](QNSCENE* child) { LeaveScene(child); });
    if (!scene->Entered)
        return;
    scene->NeedsRedraw = 0;
    scene->Entered = 0;
    scene->Leave();
    scene->Hotspot.DeleteChildren();
    for (std::uint32_t i = 0; i < scene->ViewCount; ++i) {
        QNVIEW* view = scene->GetView(i);
        view->Root->DeleteChildren();
        if (QNHOOKS::Scene.ResetWorld)
            QNHOOKS::Scene.ResetWorld(view);
        QNHOOKS::Renderer().ClearCamera(*view);
    }
    if (!DeviceResetPending)
        scene->Resources.FreeMedia();
    QNHOOKS::Renderer().ForgetResources(*scene);
}

void QNSCENE::PopAll()
{
    LeaveStack();
    ForEachChildScene(&SceneRoot(), [](QNSCENE* scene) { LeaveScene(scene); });
    Request = nullptr;
    Current = nullptr;
    RequestKind = REQUEST_NONE;
}

// ---- per-frame walks -----------------------------------------------------------------------

void QNSCENE::UpdateScene(QNSCENE* scene)
{
    if (!scene)
        return;
    ForEachChildScene(scene, [](QNSCENE* child) { UpdateScene(child); });
    scene->Update();
    for (std::uint32_t i = 0; i < scene->ViewCount; ++i) {
        if (scene->IsViewEnabled(i))
            scene->GetView(i)->RunLists();
    }
}

void QNSCENE::PostUpdateScene(QNSCENE* scene)
{
    if (!scene)
        return;
    const float dt = QNAPP::dt;
    for (std::uint32_t i = 0; i < scene->ViewCount; ++i) {
        if (scene->IsViewEnabled(i) && QNHOOKS::Scene.StepWorld && dt > 0.0f && dt <= 0.25f)
            QNHOOKS::Scene.StepWorld(scene->GetView(i), dt);
    }
    ForEachChildScene(scene, [](QNSCENE* child) { PostUpdateScene(child); });
}

void QNSCENE::RenderScene(QNSCENE* scene)
{
    if (!scene)
        return;
    QNSCENERENDERER& r = QNHOOKS::Renderer();

    r.SetViewport(scene->ViewRect);
    // A red between -1 and 0 clears the colour buffer (to red 0) only during the first 8
    // frames after the scene was entered; a negative red keeps the colour buffer.
    float clear[4] = {scene->Background[0], scene->Background[1], scene->Background[2],
                      scene->Background[3]};
    if (clear[0] < -1.0f)
        clear[0] = -1.0f;
    else if (clear[0] < 0.0f)
        clear[0] = scene->FramesRendered > 8 ? -1.0f : 0.0f;
    r.Clear(clear, scene->DepthClear, scene->StencilClear);
    scene->DrawStats.Clear();

    bool hadChildren = false;
    ForEachChildScene(scene, [&](QNSCENE* child) {
        hadChildren = true;
        r.SetRenderMaterial(*scene);
        SendRollOff(*scene);
        r.SetSceneLights(*scene, false);
        r.SetSceneLights(*child, true);
        RenderScene(child);
        r.SetSceneLights(*child, false);
        ClearDepth(r, *scene);
        scene->DrawStats.Add(child->DrawStats);
    });
    if (hadChildren) {
        r.SetSceneLights(*scene, true);
        r.SetViewport(scene->ViewRect);
    }

    r.SetProjection(scene->FieldOfView, scene->NearPlane, scene->FarPlane);
    r.SetAmbient(scene->Ambient);
    QNVIEW* view = scene->ActiveViewPtr();
    QNDRAWSTATS viewStats;
    if (view) {
        r.SetViewMatrix(*view, view->CurrentNode.Get());
        r.PlaceListener(*view, view->CurrentNode.Get());
        r.SetRenderMaterial(*scene);
        SendRollOff(*scene);
        r.DrawView(*view, scene->RenderFlag, viewStats);

        if (scene->Hotspot.FirstChild()) {
            for (QNCHILDWALK walk(&scene->Hotspot); QNITEM* x = walk.Advance();) {
                auto* spot = dynamic_cast<HOTSPOT*>(x);
                if (spot && spot->Animate()) {
                    r.SetViewport(spot->Viewport);
                    r.SetProjection(spot->FieldOfView, scene->NearPlane, scene->FarPlane);
                    r.Clear(spot->ClearColour, spot->ClearDepth, spot->ClearStencil);
                    r.SetViewMatrix(*view, spot->Node.Get());
                    QNDRAWSTATS spotStats;
                    r.DrawView(*view, scene->RenderFlag, spotStats);
                }
                ClearDepth(r, *scene);
            }
            r.SetViewport(scene->ViewRect);
        }
    }
    scene->DrawStats.Add(viewStats);
    ++scene->FramesRendered;
}

void QNSCENE::ReleaseDevice(QNSCENE* scene)
{
    if (!scene)
        return;
    for (std::uint32_t i = 0; i < scene->ViewCount; ++i)
        QNHOOKS::Renderer().ReleaseCamera(*scene->GetView(i));
    ForEachChildScene(scene, [](QNSCENE* child) { ReleaseDevice(child); });
}

void QNSCENE::RestoreDevice(QNSCENE* scene)
{
    if (!scene)
        return;
    ForEachChildScene(scene, [](QNSCENE* child) { RestoreDevice(child); });
}

// ---- hooks and shared state ----------------------------------------------------------------

namespace QNHOOKS {

QNNODEHOOKS Node;
QNSCENEHOOKS Scene;

QNSCENERENDERER& Renderer()
{
    // Never destroyed: the static scene root may still draw on it while statics are torn down.
    static QNSCENERENDERER& idle = *new QNSCENERENDERER;
    return Scene.Renderer ? *Scene.Renderer : idle;
}

} // namespace QNHOOKS

MERCENARYSTATE MercenaryState;
