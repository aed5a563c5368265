#pragma once
/// The draw queue of a view.
///
/// Items are the render instances of nodes with a mesh. The queue draws opaque
/// items at once in queue order, sorts alpha-blended items far to near (equal
/// distances keep their arrival order), draws camera-facing sprites in batches
/// of screen-space quads, and draws screen overlays last with the screen
/// projection. Items are grouped when queued so that neighbours share material,
/// texture and vertex format; each draw's states go through the caches.

#include <cstdint>

#include "engine/render/qnmaterial.h"
#include "engine/render/qnvertex_buffer.h"
#include "engine/util/qn_item.h"
#include "engine/util/qnbox.h"

/// Item flags.
enum : std::uint32_t {
    QNRI_OVERLAY = 1,     ///< queued in the overlay list, drawn last with the screen projection
    QNRI_NOCULL = 2,      ///< never culled
    QNRI_NOSTATS = 4,     ///< not counted in the statistics when blended or an overlay
    QNRI_SPRITE = 8,      ///< queued in the sprite list, drawn by the batch drawer
    QNRI_BILLBOARD = 16,  ///< drawn with the billboard matrix at the item's position
    QNRI_APPEND = 32,     ///< appended without grouping
    QNRI_ALWAYS = 64,     ///< overlay drawn even when not visible, never culled
};

class QNRENDERITEM : public QNITEM {
public:
    /// Returns the item's world matrix computed on demand (flag 1: for culling, 0: for drawing).
    using TRANSFORM = const QNMATRIX* (*)(void* arg, int flag);
    /// Called before drawing; false skips the draw.
    using DRAWCALLBACK = bool (*)(void* arg);

    std::uint8_t Visible = 1;
    float Distance = 0.0f;  ///< squared distance to the camera, set while sorting
    TRANSFORM Transform = nullptr;
    QNMESHBUFFERS* Mesh = nullptr;
    QNMATRIX World;  ///< used when there is no transform callback
    DRAWCALLBACK DrawCallback = nullptr;
    void* Arg = nullptr;  ///< the owning node
    std::uint32_t Flags = 0;
    const QNCOLOUR* const* ColourRef = nullptr;
    const QNTEXTURESTAGES* Stages = nullptr;
    const QNMATERIAL* Material = nullptr;
    float Radius = 0.0f;  ///< the mesh's bounding radius

    explicit QNRENDERITEM(const char* name) : QNITEM(name) {}

    /// Draws with the caches; false when the draw callback refused or there is nothing to draw.
    bool Draw();
    /// The item's sphere (translation, radius) meets the sphere given.
    bool IsInSphere(const QNVEC3& centre, float radius) const;
    /// The item's screen box overlaps the virtual screen.
    bool IsOnScreen() const;
    /// The colour reference's diffuse as ARGB; opaque white without a colour.
    std::uint32_t Colour() const;
    /// The world matrix (the callback asked with flag, else the fixed matrix).
    const QNMATRIX& WorldMatrix(int flag) const;
};

/// Position, front and top of the sound listener.
struct QNLISTENERFRAME {
    QNVEC3 Position, Front, Top;
};
/// Translation row as position, third row as front, second row as top.
void CopyListenerFrame(QNLISTENERFRAME& listener, const QNMATRIX& m);

class QNVIEWPORT : public QNITEM {
public:
    std::uint8_t Culling = 1;
    std::uint32_t Vertices = 0;  ///< statistics of the last draw
    std::uint32_t Indices = 0;
    std::uint32_t Primitives = 0;
    QNITEM MainList{"main"};
    QNITEM SortedList{"sorted"};
    QNITEM OverlayList{"overlay"};
    QNITEM SpriteList{"sprites"};
    std::uint8_t SpriteBuffersMade = 0;
    QNVERTEXBUFFER SpriteVertices;
    QNINDEXBUFFER SpriteIndices;
    QNMATRIX Camera;

    QNVIEWPORT() : QNITEM("viewport") {}
    ~QNVIEWPORT() override;

    /// Makes an item and queues it in the list its flags choose, next to an item it can share
    /// states with (unless QNRI_APPEND).
    QNRENDERITEM* AddItem(const char* name, QNMESHBUFFERS* mesh, const QNCOLOUR* const* colourRef,
                          const QNTEXTURESTAGES* stages, const QNMATERIAL* material, const QNMATRIX& world,
                          std::uint32_t flags, QNRENDERITEM::DRAWCALLBACK drawCallback = nullptr,
                          void* arg = nullptr);
    /// Sets the display's view from the camera, the billboard matrix and the camera copy.
    void SetCamera(const QNMATRIX& camera);
    void Draw();
    /// Releases the sprite buffers before a device reset (made again by the next draw).
    void ReleaseDevice();
    /// Clip space to viewport pixels and depth.
    static QNVEC3 ToScreen(const QNVEC3& clip);

    /// The camera's world matrix turned 180 degrees about its own y axis.
    static QNMATRIX Billboard;
    /// Screen overlays: the projection bracket and the on-screen test. The defaults use the
    /// virtual screen, 1333 x 1000 units about the centre; picking may install its own.
    static void (*BeginScreen)();
    static void (*EndScreen)();
    static bool (*BoxOnScreen)(const QNBOX& box);

private:
    void DrawSprites();
    /// Adds the item's used vertices, indices and primitives, unless honourNoStats and flag 4.
    void Count(const QNRENDERITEM& item, bool honourNoStats);
};

/// Clears the draw caches (the last mesh, colour reference, stage block and material drawn).
void ClearDrawCaches();
