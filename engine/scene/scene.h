#pragma once
/// QNSCENE: one screen of the program, and the scene stack.
///
/// All scenes are made once by the game set-up as children of the static scene root and live
/// until exit. One scene is current; a pushed scene keeps the one it covers in `Beneath`.
/// Game code asks for a change with a request (switch, push, pop); there is one request slot,
/// a later request in a frame replaces an earlier one, and ApplyRequest carries it out at the
/// start of the next frame:
///
///   switch  leave the current scene and every scene beneath it (each one's Beneath cleared),
///           drop the shared buffer pools, then enter the requested scene; a switch to no
///           scene ends the run (the frame finds no current scene).
///   push    hide the current scene's active view root (vote 3 = 2), remember it beneath the
///           requested scene and enter that. Refused when the requested scene is already on
///           the stack (current or beneath).
///   pop     leave the current scene, reveal the one beneath (vote 3 = 3; not entered again).
///           Ignored when nothing is beneath.
///
/// After a switch to a scene, a push or a pop the frame is marked scene-changed: dt and Rate
/// become 0, the keyboard is flushed and the mouse drained.
///
/// The scene's own tree children that are scenes (child scenes) are entered, left, updated
/// and drawn together with it.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/scene/hotspot.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/scene/view.h"
#include "engine/util/qn_item.h"

struct QNMATERIAL;

class QNSCENE : public QNITEM {
public:
    using EXC = QNNODE_EXC;

    /// Request kinds.
    enum : std::uint32_t { REQUEST_NONE = 0, REQUEST_SWITCH = 1, REQUEST_PUSH = 2, REQUEST_POP = 3 };

    /// Names the scene, builds `viewCount` views (each with its root node), enables view 0
    /// only, copies the scene defaults (field of view, planes), and appends it to `parent`.
    QNSCENE(QNITEM* parent, const char* name, std::uint32_t viewCount);
    ~QNSCENE() override;

    // Virtual operations, in slot order after the destructor.
    /// Registers the scene's resources (after the engine's defaults).
    virtual void Register(QNRESOURCES& resources);
    /// Builds the scene's nodes when it is entered.
    virtual void Enter() {}
    /// Per-frame game update of the scene (before its views' lists).
    virtual void Update() {}
    /// Called when the scene is left, before its nodes are deleted.
    virtual void Leave() {}

    /// The view `i` (null outside the view count).
    QNVIEW* GetView(std::uint32_t i) const { return i < views_.size() ? views_[i].get() : nullptr; }
    /// The active view (null for a scene without views).
    QNVIEW* ActiveViewPtr() const { return GetView(ActiveView); }
    /// Background colour (r, g, b, 1).
    void SetBackgroundColour(float r, float g, float b);
    /// Whether the view `i` runs and draws (bit i of the enabled-view mask).
    bool IsViewEnabled(std::uint32_t i) const { return i < 32 && (ViewMask & (1u << i)); }

    // ---- the scene stack ----
    /// The static scene root: no name, no views, never rendered.
    static QNSCENE& SceneRoot();
    /// Request a switch to / a push of the scene `name` among the root's children (must
    /// exist: QNNODE_EXC "Node '%s' not found." at the request).
    static void RequestSwitch(const char* name);
    static void RequestPush(const char* name);
    static void RequestPop();
    /// A switch to the root's first child (start-up).
    static void RequestFirst();
    /// A switch to no scene: the run ends at the next frame.
    static void RequestQuit();
    /// Carries out the pending request (see the header comment).
    static void ApplyRequest();

    /// The per-frame walks of a scene (called on Current by the frame).
    static void UpdateScene(QNSCENE* scene);
    static void RenderScene(QNSCENE* scene);
    static void PostUpdateScene(QNSCENE* scene);

    static void EnterScene(QNSCENE* scene);
    static void LeaveScene(QNSCENE* scene);
    static void RegisterResources(QNSCENE* scene);
    /// Leaves the current scene and every scene beneath it, then every child of the root;
    /// clears the request and the current scene.
    static void PopAll();
    /// Around a display reopening: the cameras' device objects of every view and child scene.
    static void ReleaseDevice(QNSCENE* scene);
    static void RestoreDevice(QNSCENE* scene);

    /// The current cursor's carried node (none without a cursor node); implemented with
    /// SPRITENODE (engine/physics).
    static void SetKeyboardTarget(QNNODE* node);
    static QNNODE* GetKeyboardTarget();

    /// Whether `scene` is the current scene or beneath it.
    static bool IsOnStack(const QNSCENE* scene);

    static inline QNSCENE* Request = nullptr;
    static inline QNSCENE* Current = nullptr;
    static inline std::uint32_t RequestKind = REQUEST_NONE;
    /// Set while the display is being reset: entering and leaving keep the resources.
    static inline bool DeviceResetPending = false;

    /// The defaults every scene constructor copies (the application copies its device
    /// settings here).
    static inline float DefaultFieldOfView = 1.0471976f;
    static inline float DefaultNearPlane = 0.2f;
    static inline float DefaultFarPlane = 1000.0f;

    // Fields, in order.
    QNRESOURCES Resources;
    std::uint32_t ViewCount = 0;
    HOTSPOT Hotspot;                   ///< root of the extra camera views
    std::uint8_t Entered = 0;
    std::uint8_t RenderFlag = 0;       ///< passed to the active view's camera when drawing
    std::uint8_t NeedsRedraw = 0;
    QNRECT ViewRect;                   ///< empty: the display's whole viewport
    float Background[4] = {0.0f, 0.0f, 0.7f, 1.0f};
    float Ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    float DepthClear = 1.0f;
    float FieldOfView = 0.0f;
    float NearPlane = 0.0f;
    float FarPlane = 0.0f;
    float RollOff = 1.0f;
    std::uint32_t FramesRendered = 0;  ///< frames drawn since the scene was entered
    std::int32_t StencilClear = -1;    ///< -1: none
    std::uint32_t ActiveView = 0;
    std::uint32_t ViewMask = 1;
    QNSCENE* Beneath = nullptr;
    QNDRAWSTATS DrawStats;
    QNMATERIAL* RenderMaterial = nullptr; ///< owned; overrides the nodes' groups in its keep mask (wireframe tint)

private:
    struct ROOTTAG {};
    explicit QNSCENE(ROOTTAG);

    static void LeaveStack();
    static void MarkSceneChanged();

    std::vector<std::unique_ptr<QNVIEW>> views_;
};

/// Every child of `scene` that is a scene, in child order, walked with a cursor.
template <class F>
void ForEachChildScene(QNSCENE* scene, F&& f)
{
    for (QNCHILDWALK walk(scene); QNITEM* child = walk.Advance();) {
        if (auto* s = dynamic_cast<QNSCENE*>(child))
            f(s);
    }
}
