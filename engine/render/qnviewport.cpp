// The draw queue.
//
// Culling uses the frustum sphere: the clip-space points (0, 0, 0) and
// (0, 0, 1) taken back through (view x projection)^-1 give the near and far
// centres A and B; the sphere has centre (A + B) / 2 and radius |A - centre|.
// An item is kept when its bounding sphere meets it.
//
// Sorting. Alpha-blended items move from the main list into the sorted list
// before the first item of strictly smaller squared distance, so the list runs
// far to near and an item of equal distance lands after those already there.
// After drawing they return to the end of the main list.
//
// Sprites are pre-transformed quads: each sprite's first four mesh vertices go
// through world x view x projection, the perspective divide and the viewport
// mapping, and are written into one dynamic buffer; runs of sprites that share
// material and first-stage texture are one indexed draw each. A quad is kept
// only when its nearest depth lies in (0.88, 0.9999].

#include "engine/render/qnviewport.h"

#include "engine/util/qnvirtual_screen.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/render/qndisplay.h"
#include "engine/render/qntexture.h"

QNMATRIX QNVIEWPORT::Billboard;

namespace {

constexpr std::uint32_t kSpriteQuads = 1000;
constexpr std::uint32_t kSpriteVertices = 4 * kSpriteQuads;

// Pointers last applied; the flags tell "nothing applied yet" from an applied null.
struct DrawCaches {
    const QNMESHBUFFERS* mesh = nullptr;
    const QNCOLOUR* const* colourRef = nullptr;
    const QNTEXTURESTAGES* stages = nullptr;
    const QNMATERIAL* material = nullptr;
    bool colourSet = false;
    bool stagesSet = false;
};

DrawCaches& Last() {
    static DrawCaches c;
    return c;
}

const QNMATERIAL& DefaultMaterial() {
    static const QNMATERIAL m;
    return m;
}

QNMATRIX g_savedTransforms[3];

void DefaultBeginScreen() {
    QNDISPLAY::GetTransforms(g_savedTransforms);
    QNDISPLAY::SetOrtho(QNVIRTUALSCREEN::Width, QNVIRTUALSCREEN::Height, 0.0f, 1.0f);
    QNDISPLAY::SetCamera(QNMATRIX::Identity);
}

void DefaultEndScreen() { QNDISPLAY::SetTransforms(g_savedTransforms); }

bool DefaultBoxOnScreen(const QNBOX& box) {
    return box.Intersects(QNVIRTUALSCREEN::Box());
}

const QNTEXTURE* FirstTexture(const QNRENDERITEM& item) {
    return item.Stages ? item.Stages->Stages[0].Texture : nullptr;
}

std::uint32_t VertexFvf(const QNRENDERITEM& item) {
    return item.Mesh && item.Mesh->VertexPool ? item.Mesh->VertexPool->Buffer.Fvf : 0xFFFFFFFFu;
}

void ApplyItemStates(const QNRENDERITEM& item) {
    DrawCaches& last = Last();
    if (!last.colourSet || item.ColourRef != last.colourRef) {
        ApplyD3DMaterial(item.ColourRef);
        last.colourRef = item.ColourRef;
        last.colourSet = true;
    }
    if (!last.stagesSet || item.Stages != last.stages) {
        static const QNTEXTURESTAGES none;
        ApplyTextures(item.Stages ? *item.Stages : none);
        last.stages = item.Stages;
        last.stagesSet = true;
    }
    const QNMATERIAL* m = item.Material ? item.Material : &DefaultMaterial();
    if (m != last.material) {
        m->Apply();
        last.material = m;
    }
}

void SendState(D3DRENDERSTATETYPE s, std::uint32_t v) {
    std::uint32_t& cached = RenderStateCache(s);
    if (cached == v) return;
    cached = v;
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetRenderState(s, v);
}

void SendStageState(std::uint32_t stage, D3DTEXTURESTAGESTATETYPE t, std::uint32_t& cached, std::uint32_t v) {
    if (cached == v) return;
    cached = v;
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetTextureStageState(stage, t, v);
}

void SendTexture(std::uint32_t stage, QNTEXTURE* tex) {
    QNTEXTURE*& cached = TextureCache(stage);
    if (cached == tex) return;
    cached = tex;
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetTexture(stage, tex ? tex->Texture : nullptr);
}

// More texture sets than the card samples at once: draw again with the further stages
// blended over what is there.
void DrawMultipass(const QNRENDERITEM& item, std::uint32_t n, std::uint32_t t) {
    const QNMATERIAL& mat = item.Material ? *item.Material : DefaultMaterial();
    item.Mesh->Draw();
    std::uint32_t done = n;
    bool first = true;
    while (done < t) {
        const std::uint32_t c = std::min(t - done, n);
        for (std::uint32_t i = 0; i < c; ++i) {
            const std::uint32_t s = done + i;
            ApplyTextureStage(mat.Stages[s & 7], i, TextureStageCache(i), false);
            SendTexture(i, item.Stages ? item.Stages->Stages[s & 7].Texture : nullptr);
        }
        done += c;
        if (c < n) {
            SendStageState(c, D3DTSS_COLOROP, TextureStageCache(c).ColorOp, D3DTOP_DISABLE);
            SendTexture(c, nullptr);
        }
        if (first) {
            SendState(D3DRS_ALPHABLENDENABLE, 1);
            const std::uint32_t op = TextureStageCache(0).ColorOp;
            if (op == D3DTOP_MODULATE) {
                SendState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
                SendState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
            } else if (op == D3DTOP_ADD) {
                SendState(D3DRS_SRCBLEND, D3DBLEND_ONE);
                SendState(D3DRS_DESTBLEND, D3DBLEND_ONE);
            }
            first = false;
        }
        SendStageState(0, D3DTSS_COLOROP, TextureStageCache(0).ColorOp, D3DTOP_SELECTARG1);
        SendStageState(0, D3DTSS_COLORARG1, TextureStageCache(0).ColorArg1, D3DTA_TEXTURE);
        item.Mesh->Draw();
    }
    // The states changed here are in the caches; the pointer caches must not skip the next
    // apply of the same material or stage block.
    Last().material = nullptr;
    Last().stagesSet = false;
}

}  // namespace

void (*QNVIEWPORT::BeginScreen)() = &DefaultBeginScreen;
void (*QNVIEWPORT::EndScreen)() = &DefaultEndScreen;
bool (*QNVIEWPORT::BoxOnScreen)(const QNBOX&) = &DefaultBoxOnScreen;

void ClearDrawCaches() { Last() = DrawCaches{}; }

void CopyListenerFrame(QNLISTENERFRAME& l, const QNMATRIX& m) {
    l.Position = m.Translation();
    l.Front = m.Row(2);
    l.Top = m.Row(1);
}

// ---- items ----

const QNMATRIX& QNRENDERITEM::WorldMatrix(int flag) const {
    if (Transform) {
        if (const QNMATRIX* m = Transform(Arg, flag)) return *m;
    }
    return World;
}

bool QNRENDERITEM::IsInSphere(const QNVEC3& centre, float radius) const {
    const QNVEC3 p = WorldMatrix(1).Translation();
    const float reach = Radius + radius;
    return reach * reach >= (p - centre).LengthSq();
}

bool QNRENDERITEM::IsOnScreen() const {
    const QNVEC3 p = WorldMatrix(1).Translation();
    QNBOX box(QNVEC3(p.x - Radius, p.y - Radius, p.z), QNVEC3(p.x + Radius, p.y + Radius, p.z));
    return QNVIEWPORT::BoxOnScreen(box);
}

std::uint32_t QNRENDERITEM::Colour() const {
    const QNCOLOUR* c = ColourRef ? *ColourRef : nullptr;
    if (!c) return 0xFFFFFFFFu;
    auto byte = [](float v) {
        int i = int(v * 255.0f);
        return std::uint32_t(i < 0 ? 0 : (i > 255 ? 255 : i));
    };
    return byte(c->Diffuse.a) << 24 | byte(c->Diffuse.r) << 16 | byte(c->Diffuse.g) << 8 | byte(c->Diffuse.b);
}

bool QNRENDERITEM::Draw() {
    if (IsDying() || (DrawCallback && !DrawCallback(Arg))) return false;
    // The owner computes the matrix on demand and may switch the item's mesh or delete the
    // item meanwhile (a distance level without vertices): ask first, then read the mesh.
    const QNMATRIX world = WorldMatrix(0);
    if (IsDying()) return false;
    QNMESHBUFFERS* mesh = Mesh;
    if (!mesh || !mesh->VertexPool || !mesh->VertexRange) return false;
    DrawCaches& last = Last();
    const QNVERTEXBUFFER& vb = mesh->VertexPool->Buffer;
    if (!last.mesh || !last.mesh->VertexPool || last.mesh->VertexPool->Buffer.Fvf != vb.Fvf) vb.SetShader();
    if (!last.mesh || last.mesh->VertexPool != mesh->VertexPool) vb.SetStream(0);
    if (mesh->IndexPool && (!last.mesh || last.mesh->IndexPool != mesh->IndexPool))
        mesh->IndexPool->Buffer.SetIndices();
    ApplyItemStates(*this);
    if (Flags & QNRI_BILLBOARD) {
        QNMATRIX m = QNVIEWPORT::Billboard;
        const QNVEC3 p = world.Translation();
        m[12] = p.x;
        m[13] = p.y;
        m[14] = p.z;
        QNDISPLAY::SetWorld(m, 0);
    } else {
        QNDISPLAY::SetWorld(world, 0);
    }
    const std::int32_t n = QNGRFDEV::CurrentMode->Granted.MinSimultaneousTextures;
    if (n > 0 && vb.Sets > std::uint32_t(n))
        DrawMultipass(*this, std::uint32_t(n), vb.Sets);
    else
        mesh->Draw();
    last.mesh = mesh;
    return true;
}

// ---- queue ----

QNVIEWPORT::~QNVIEWPORT() {
    // The lists are members: their items go before the members themselves.
    MainList.DeleteChildren();
    SortedList.DeleteChildren();
    OverlayList.DeleteChildren();
    SpriteList.DeleteChildren();
}

QNRENDERITEM* QNVIEWPORT::AddItem(const char* name, QNMESHBUFFERS* mesh, const QNCOLOUR* const* colourRef,
                                  const QNTEXTURESTAGES* stages, const QNMATERIAL* material, const QNMATRIX& world,
                                  std::uint32_t flags, QNRENDERITEM::DRAWCALLBACK drawCallback, void* arg) {
    auto* item = new QNRENDERITEM(name);
    item->Mesh = mesh;
    item->ColourRef = colourRef;
    item->Stages = stages;
    item->Material = material;
    item->World = world;
    item->Flags = flags;
    item->DrawCallback = drawCallback;
    item->Arg = arg;
    QNITEM& list = (flags & QNRI_OVERLAY) ? OverlayList : (flags & QNRI_SPRITE) ? SpriteList : MainList;
    if (!(flags & QNRI_APPEND)) {
        const QNTEXTURE* tex = FirstTexture(*item);
        for (QNITEM* it = list.FirstChild(); it; it = it->Next()) {
            auto* other = static_cast<QNRENDERITEM*>(it);
            if (other->Material == material && FirstTexture(*other) == tex) {
                other->InsertBefore(item);
                return item;
            }
        }
        const std::uint32_t fvf = VertexFvf(*item);
        for (QNITEM* it = list.FirstChild(); it; it = it->Next()) {
            auto* other = static_cast<QNRENDERITEM*>(it);
            if (VertexFvf(*other) == fvf) {
                other->InsertBefore(item);
                return item;
            }
        }
    }
    list.AddChild(item);
    return item;
}

void QNVIEWPORT::SetCamera(const QNMATRIX& camera) {
    QNDISPLAY::SetCamera(camera);
    QNMATRIX turn;
    turn.SetRotationY(3.14159265f);
    Billboard = turn * camera;
    Camera = camera;
}

QNVEC3 QNVIEWPORT::ToScreen(const QNVEC3& c) {
    const GfxViewport& vp = QNDISPLAY::Viewport;
    return QNVEC3((c.x + 1.0f) * 0.5f * float(vp.Width) + float(vp.X),
                  (1.0f - c.y) * 0.5f * float(vp.Height) + float(vp.Y), vp.MinZ + c.z * (vp.MaxZ - vp.MinZ));
}

void QNVIEWPORT::Count(const QNRENDERITEM& item, bool honourNoStats) {
    if (honourNoStats && (item.Flags & QNRI_NOSTATS)) return;
    const QNMESHBUFFERS* m = item.Mesh;
    if (!m) return;
    if (m->VertexRange) Vertices += m->VertexRange->Used;
    if (m->IndexRange) Indices += m->IndexRange->Used;
    Primitives += m->PrimitiveCount();
}

void QNVIEWPORT::ReleaseDevice() {
    SpriteVertices.Release();
    SpriteIndices.Release();
    SpriteBuffersMade = 0;
}

void QNVIEWPORT::Draw() {
    // Items deleted while the lists are walked (by their owners' matrix or draw callbacks)
    // go when the walk is over.
    QNDESTROYLOCK walking;
    Vertices = Indices = Primitives = 0;
    ClearDrawCaches();
    QNDISPLAY::SetWorld(QNMATRIX::Identity, 0);
    const QNMATRIX inv = QNDISPLAY::ViewProjection.Inverse();
    const QNVEC3 a = QNVEC3::TransformCoord(QNVEC3(0, 0, 0), inv);
    const QNVEC3 b = QNVEC3::TransformCoord(QNVEC3(0, 0, 1), inv);
    const QNVEC3 centre = (a + b) * 0.5f;
    const float radius = (a - centre).Length();
    QNDISPLAY::BeginScene();

    const bool blending = QNGRFDEV::CurrentMode->Granted.SourceAlphaBlending != 0;
    const QNVEC3 eye = Camera.Translation();
    for (QNCHILDWALK w(&MainList); QNITEM* it = w.Advance();) {
        auto* item = static_cast<QNRENDERITEM*>(it);
        if (!item->Visible) continue;
        if (Culling && !(item->Flags & QNRI_NOCULL) && !item->IsInSphere(centre, radius)) continue;
        if (item->IsDying()) continue;
        const QNMATERIAL* m = item->Material ? item->Material : &DefaultMaterial();
        // Opaque items count even with flag 4; one whose callback refused (it may be leaving
        // the view) is not.
        if (!m->AlphaBlend || !blending) {
            if (item->Draw()) Count(*item, false);
            continue;
        }
        item->Distance = (item->WorldMatrix(0).Translation() - eye).LengthSq();
        QNITEM* before = nullptr;
        for (QNITEM* s = SortedList.FirstChild(); s; s = s->Next())
            if (static_cast<QNRENDERITEM*>(s)->Distance < item->Distance) {
                before = s;
                break;
            }
        if (before)
            before->InsertBefore(item);
        else
            SortedList.AddChild(item);
    }

    if (SpriteList.FirstChild()) DrawSprites();

    while (QNITEM* it = SortedList.FirstChild()) {
        auto* item = static_cast<QNRENDERITEM*>(it);
        MainList.AddChild(item);
        item->Draw();
        Count(*item, true);
    }

    const bool overlays = OverlayList.FirstChild() != nullptr;
    if (overlays) BeginScreen();
    for (QNCHILDWALK w(&OverlayList); QNITEM* it = w.Advance();) {
        auto* item = static_cast<QNRENDERITEM*>(it);
        if (item->Flags & QNRI_ALWAYS) {
            item->Draw();
            continue;
        }
        if (!item->Visible) continue;
        if (Culling && !(item->Flags & QNRI_NOCULL) && !item->IsOnScreen()) continue;
        item->Draw();
        Count(*item, true);
    }
    if (overlays) EndScreen();
    QNDISPLAY::EndScene();
}

void QNVIEWPORT::DrawSprites() {
    if (!SpriteBuffersMade) {
        SpriteIndices.Create(6 * kSpriteQuads, false);
        std::vector<std::uint16_t> idx(6 * kSpriteQuads);
        for (std::uint32_t q = 0; q < kSpriteQuads; ++q) {
            const std::uint16_t v = std::uint16_t(4 * q);
            const std::uint16_t quad[6] = {v, std::uint16_t(v + 1), std::uint16_t(v + 2),
                                           std::uint16_t(v + 1), std::uint16_t(v + 3), std::uint16_t(v + 2)};
            std::copy(quad, quad + 6, idx.begin() + 6 * q);
        }
        SpriteIndices.Write(idx.data(), 0, 6 * kSpriteQuads, 0);
        SpriteVertices.Create(kSpriteVertices, 0, 1, 2, true);
        SpriteBuffersMade = 1;
    }
    SpriteVertices.SetShader();
    SpriteVertices.SetStream(0);
    SpriteIndices.SetIndices();
    ClearDrawCaches();

    // One quad: screen x, y, z, rhw, colour, u, v.
    struct SpriteVertex {
        float x, y, z, rhw;
        std::uint32_t colour;
        float u, v;
    };
    static_assert(sizeof(SpriteVertex) == 28, "kind 0 with one set of two coordinates");
    std::vector<SpriteVertex> run;
    run.reserve(kSpriteVertices);
    std::uint32_t next = 0;  // first free vertex of the buffer this frame
    const QNMATRIX& vp = QNDISPLAY::ViewProjection;

    auto flush = [&](const QNRENDERITEM* first) {
        const std::uint32_t quads = std::uint32_t(run.size() / 4);
        if (!quads) return;
        if (next + 4 * quads > kSpriteVertices) {
            next = 0;
            SpriteVertices.Used = 0;  // rewritten from the start: the lock may discard
        }
        if (SpriteVertices.Write(run.data(), next, 4 * quads)) {
            ApplyItemStates(*first);
            if (QNDISPLAY::Device)
                QNDISPLAY::Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, next, 4 * quads, (next / 4) * 6,
                                                        2 * quads);
            Vertices += 4 * quads;
            Indices += 6 * quads;
            Primitives += 2 * quads;
        }
        next += 4 * quads;
        run.clear();
    };

    const QNRENDERITEM* runFirst = nullptr;
    for (QNCHILDWALK w(&SpriteList); QNITEM* it = w.Advance();) {
        auto* item = static_cast<QNRENDERITEM*>(it);
        if (!item->Visible || !item->Mesh || !item->Mesh->VertexRange) continue;
        if (item->DrawCallback && !item->DrawCallback(item->Arg)) continue;
        const QNVERTEXARRAY src = item->Mesh->Vertices();
        if (src.Count < 4) continue;
        if (runFirst && (item->Material != runFirst->Material || FirstTexture(*item) != FirstTexture(*runFirst) ||
                         run.size() + 4 > kSpriteVertices)) {
            flush(runFirst);
            runFirst = nullptr;
        }
        QNMATRIX world = item->WorldMatrix(0);
        if (item->Flags & QNRI_BILLBOARD) {
            const QNVEC3 p = world.Translation();
            world = Billboard;
            world[12] = p.x;
            world[13] = p.y;
            world[14] = p.z;
        }
        const QNMATRIX m = world * vp;
        const std::uint32_t colour = item->Colour();
        SpriteVertex quad[4];
        float nearest = 1.0f;
        for (std::uint32_t k = 0; k < 4; ++k) {
            const QNVEC3 p = src.GetPosition(k);
            const float x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
            const float y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
            const float z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
            const float wv = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
            const float inv = wv != 0.0f ? 1.0f / wv : 0.0f;
            const QNVEC3 s = ToScreen(QNVEC3(x * inv, y * inv, z * inv));
            const float* uv = src.TexCoord(k, 0);
            quad[k] = SpriteVertex{s.x, s.y, s.z, inv, colour, uv ? uv[0] : 0.0f, uv && src.Coords > 1 ? uv[1] : 0.0f};
            nearest = std::min(nearest, s.z);
        }
        if (!(nearest > 0.88f && nearest <= 0.9999f)) continue;
        if (!runFirst) runFirst = item;
        run.insert(run.end(), quad, quad + 4);
    }
    if (runFirst) flush(runFirst);
    ClearDrawCaches();
}
