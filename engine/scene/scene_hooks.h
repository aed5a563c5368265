#pragma once
/// Operations the scene layer needs from the areas that sit above it or beside it (physics,
/// collision, meshes, lights, sound, rendering, input, the application loop). Each area
/// registers its own entries at start-up; an entry left null is skipped, so scenes and nodes
/// work (and are tested) without those areas.
///
/// Node features: the levels of the node chain whose records belong to a higher area (body,
/// joint, collider, bounds, instance) call their entries at construction, destruction,
/// per-frame update and state change; the level keeps the feature's record behind a typed
/// pointer that the area owning the feature fills and frees. The material, mesh, light and
/// sound levels do their own work in the scene layer.
///
/// Scene drawing goes through QNSCENERENDERER, whose operations do nothing by default.

#include <cstdint>

class QNNODE;
class QNBODYNODE;
class QNJOINTNODE;
class QNCOLLIDERNODE;
class QNBOUNDSNODE;
class QNINSTANCENODE;
class QNSCENE;
class QNVIEW;
class HOTSPOT;
struct QNMATRIX;

/// Feature entries of the node levels, in chain order.
struct QNNODEHOOKS {
    /// Body level: creates the body in the node's view's world (class flag 8: enabled, physics
    /// scale (100, 1)) and applies `transform` (may be null); releases it; moves it to the
    /// node's new view's world (the new body stays disabled).
    void (*CreateBody)(QNBODYNODE* node, const QNMATRIX* transform) = nullptr;
    void (*ReleaseBody)(QNBODYNODE* node) = nullptr;
    void (*RehomeBody)(QNBODYNODE* node) = nullptr;

    /// Joint level: the per-frame joint drive and the release of the joint.
    void (*DriveJoint)(QNJOINTNODE* node) = nullptr;
    void (*ReleaseJoint)(QNJOINTNODE* node) = nullptr;

    /// Collider level: drops the collision model; follows a state change (the model leaves the
    /// body in states 0 and 1 and is attached again in 2 and 3).
    void (*ReleaseCollision)(QNCOLLIDERNODE* node) = nullptr;
    void (*CollisionState)(QNCOLLIDERNODE* node, std::int32_t oldState, std::int32_t newState) =
        nullptr;
    /// The first node under `root` that `node` would overlap (overlap `mode`), or null.
    QNNODE* (*Overlaps)(QNNODE* node, QNNODE* root, std::uint32_t mode) = nullptr;

    /// Bounds level: releases the bounds record.
    void (*ReleaseBounds)(QNBOUNDSNODE* node) = nullptr;

    /// Instance level: the wire box of user flag 0x40 (made at construction, following the
    /// node's box and world matrix each frame, freed with the node).
    void (*CreateWireBox)(QNINSTANCENODE* node) = nullptr;
    void (*UpdateInstance)(QNINSTANCENODE* node) = nullptr;
    void (*ReleaseInstance)(QNINSTANCENODE* node) = nullptr;
};

/// Three draw counters (vertices, indices, primitives).
struct QNDRAWSTATS {
    std::uint32_t Vertices = 0;
    std::uint32_t Indices = 0;
    std::uint32_t Primitives = 0;

    void Clear() { Vertices = Indices = Primitives = 0; }
    void Add(const QNDRAWSTATS& o)
    {
        Vertices += o.Vertices;
        Indices += o.Indices;
        Primitives += o.Primitives;
    }
};

/// A rectangle in viewport pixels.
struct QNRECT {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

/// Drawing of scenes, implemented by the render layer. Every operation does nothing here.
class QNSCENERENDERER {
public:
    virtual ~QNSCENERENDERER() = default;

    /// The view's camera: made with the view, freed with it; reset to the identity matrix when
    /// the scene is entered; its node lists and arrays dropped when the scene is left; its
    /// device objects released before the display is reopened.
    virtual void CreateCamera(QNVIEW&) {}
    virtual void DestroyCamera(QNVIEW&) {}
    virtual void ResetCamera(QNVIEW&) {}
    virtual void ClearCamera(QNVIEW&) {}
    virtual void ReleaseCamera(QNVIEW&) {}
    /// Frees what the renderer keeps for a scene (its render material).
    virtual void DestroyScene(QNSCENE&) {}

    /// Sets the device viewport (an empty rectangle: the display's whole viewport).
    virtual void SetViewport(const QNRECT&) {}
    /// Clears with colour (red below 0: colour buffer kept; red -2: depth only), depth and
    /// stencil (-1: none).
    virtual void Clear(const float* /*rgba*/, float /*depth*/, std::int32_t /*stencil*/) {}
    virtual void SetProjection(float /*fieldOfView*/, float /*nearPlane*/, float /*farPlane*/) {}
    virtual void SetAmbient(const float* /*rgba*/) {}
    /// View matrix from `node`'s world matrix (identity when null); the camera sees it.
    virtual void SetViewMatrix(QNVIEW&, QNNODE* /*node*/) {}
    /// The sound listener takes the frame of the view's camera node (identity when null).
    virtual void PlaceListener(QNVIEW&, QNNODE* /*node*/) {}
    /// Makes the scene's render material current.
    virtual void SetRenderMaterial(QNSCENE&) {}
    /// Switches the hardware lights of the scene's views on or off.
    virtual void SetSceneLights(QNSCENE&, bool /*on*/) {}
    /// Draws the view's queue with the scene's render flag and adds its counters to `stats`.
    virtual void DrawView(QNVIEW&, std::uint8_t /*renderFlag*/, QNDRAWSTATS& /*stats*/) {}
    /// Whether the renderer's current resource set is `scene`'s; clears it.
    virtual void ForgetResources(QNSCENE&) {}
};

/// Entries of the scene stack and walks.
struct QNSCENEHOOKS {
    /// Keyboard flush and mouse drain (input).
    void (*FlushKeyboard)() = nullptr;
    void (*DrainMouse)() = nullptr;
    /// Deletes every buffer of the shared vertex and index pools (render).
    void (*DeleteSharedPools)() = nullptr;
    /// The engine's default materials and colours in a scene's dictionaries (resources).
    void (*RegisterDefaults)(QNSCENE* scene) = nullptr;
    /// The 3D listener's roll-off factor, re-sent when it differs (sound).
    void (*SetRollOff)(float factor) = nullptr;
    /// The view's physics world: made, reset on leave, stepped after the render, destroyed.
    void (*CreateWorld)(QNVIEW* view) = nullptr;
    void (*ResetWorld)(QNVIEW* view) = nullptr;
    void (*StepWorld)(QNVIEW* view, float dt) = nullptr;
    void (*DestroyWorld)(QNVIEW* view) = nullptr;
    /// The renderer; null = drawing does nothing.
    QNSCENERENDERER* Renderer = nullptr;
};

namespace QNHOOKS {
/// The registered node feature entries.
extern QNNODEHOOKS Node;
/// The registered scene entries.
extern QNSCENEHOOKS Scene;
/// Registered renderer, or one that does nothing.
QNSCENERENDERER& Renderer();
}  // namespace QNHOOKS
