// The draw queue against a recording device: grouping, order (opaque, alpha far to near with
// stable ties, sprite batches, overlays), culling, caches, multipass and light slots.

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/render/qnlight.h"
#include "engine/render/qntexture.h"
#include "engine/render/qnviewport.h"
#include "tests/engine/render/fake_env.h"

namespace {

std::vector<std::string> g_order;

bool Record(void* arg) {
    g_order.push_back(static_cast<const char*>(arg));
    return true;
}

bool Refuse(void*) { return false; }

class QueueTest : public FakeDisplayTest {
protected:
    void SetUp() override {
        FakeDisplayTest::SetUp();
        g_order.clear();
        QNDISPLAY::SetPerspective(1.0f, 0.2f, 1000.0f);
        view_.SetCamera(QNMATRIX::Identity);  // at the origin looking down +z
        for (QNMESHBUFFERS* m : {&quad_, &other_}) {
            m->Create(4, 6, 3, 0, 2, 0, 0, D3DPT_TRIANGLELIST);
            QNVERTEXARRAY v = m->Vertices();
            v.SetPosition(0, QNVEC3(-1, 1, 0));
            v.SetPosition(1, QNVEC3(1, 1, 0));
            v.SetPosition(2, QNVEC3(-1, -1, 0));
            v.SetPosition(3, QNVEC3(1, -1, 0));
            const std::uint16_t idx[6] = {0, 1, 2, 1, 3, 2};
            std::copy(idx, idx + 6, m->Indices());
            m->UploadVertices();
            m->UploadIndices();
        }
        blend_.SetAlphaBlend();
        device_->Clear();
    }
    void TearDown() override {
        view_.MainList.DeleteChildren();
        view_.SpriteList.DeleteChildren();
        view_.OverlayList.DeleteChildren();
        view_.ReleaseDevice();
        quad_.Release();
        other_.Release();
        QNLIGHTSLOT::DeleteAll();
        FakeDisplayTest::TearDown();
    }

    QNRENDERITEM* Add(const char* name, const QNMATERIAL* m, float z, std::uint32_t flags = 0,
                      QNMESHBUFFERS* mesh = nullptr) {
        QNMATRIX w;
        w.SetTranslation(0, 0, z);
        QNRENDERITEM* item = view_.AddItem(name, mesh ? mesh : &quad_, nullptr, nullptr, m, w, flags, &Record,
                                           const_cast<char*>(name));
        item->Radius = 1.5f;
        return item;
    }

    std::vector<std::string> Queue(const QNITEM& list) const {
        std::vector<std::string> names;
        for (QNITEM* it = list.FirstChild(); it; it = it->Next()) names.push_back(it->Name().Text());
        return names;
    }

    QNVIEWPORT view_;
    QNMESHBUFFERS quad_, other_;
    QNMATERIAL opaque_, blend_, third_;
};

}  // namespace

TEST_F(QueueTest, QueueingGroupsByMaterialTextureAndFormat) {
    Add("a", &opaque_, 10);
    Add("b", &third_, 10);
    Add("c", &opaque_, 10);  // before a: same material, same (no) texture
    Add("d", &blend_, 10);   // no material match: before the first of the same format
    Add("e", &opaque_, 10, QNRI_APPEND);
    EXPECT_EQ(Queue(view_.MainList), (std::vector<std::string>{"d", "b", "c", "a", "e"}));
    Add("s", &opaque_, 10, QNRI_SPRITE);
    Add("o", &opaque_, 10, QNRI_OVERLAY | QNRI_SPRITE);
    EXPECT_EQ(Queue(view_.SpriteList), (std::vector<std::string>{"s"}));
    EXPECT_EQ(Queue(view_.OverlayList), (std::vector<std::string>{"o"}));
}

TEST_F(QueueTest, OpaqueFirstThenAlphaFarToNearWithStableTies) {
    Add("o1", &opaque_, 10, QNRI_APPEND);
    Add("near", &blend_, 5, QNRI_APPEND);
    Add("tie1", &blend_, 20, QNRI_APPEND);
    Add("o2", &opaque_, 30, QNRI_APPEND);
    Add("tie2", &blend_, 20, QNRI_APPEND);
    Add("far", &blend_, 40, QNRI_APPEND);
    view_.Draw();
    EXPECT_EQ(g_order, (std::vector<std::string>{"o1", "o2", "far", "tie1", "tie2", "near"}));
    EXPECT_TRUE(view_.SortedList.FirstChild() == nullptr);
    // The blended items went back to the end of the main list, in drawing order.
    EXPECT_EQ(Queue(view_.MainList), (std::vector<std::string>{"o1", "o2", "far", "tie1", "tie2", "near"}));
    EXPECT_EQ(view_.Primitives, 12u);
    EXPECT_EQ(view_.Vertices, 24u);
    EXPECT_EQ(view_.Indices, 36u);
    EXPECT_EQ(device_->Count("begin"), 1);
    EXPECT_EQ(device_->Count("end"), 1);
}

TEST_F(QueueTest, WithoutSourceAlphaEverythingDrawsInQueueOrder) {
    QNGRFDEV::CurrentMode->Granted.SourceAlphaBlending = 0;
    Add("near", &blend_, 5, QNRI_APPEND);
    Add("far", &blend_, 40, QNRI_APPEND);
    view_.Draw();
    EXPECT_EQ(g_order, (std::vector<std::string>{"near", "far"}));
}

TEST_F(QueueTest, CullingHiddenItemsAndStatistics) {
    Add("shown", &opaque_, 10, QNRI_APPEND);
    Add("behind", &opaque_, -50, QNRI_APPEND);
    Add("kept", &opaque_, -50, QNRI_NOCULL | QNRI_NOSTATS | QNRI_APPEND);
    Add("hidden", &opaque_, 10, QNRI_APPEND)->Visible = 0;
    view_.AddItem("refused", &quad_, nullptr, nullptr, &opaque_, QNMATRIX::Identity, 0, &Refuse, nullptr);
    view_.Draw();
    EXPECT_EQ(g_order, (std::vector<std::string>{"shown", "kept"}));
    // Opaque items count whatever their flag 4 ("kept"); "refused" lies outside the view.
    EXPECT_EQ(view_.Primitives, 4u);
    g_order.clear();
    view_.Culling = 0;
    view_.Draw();
    EXPECT_EQ(g_order.size(), 3u);
}

TEST_F(QueueTest, FlagFourLeavesOutOnlyBlendedAndOverlayItems) {
    Add("blended", &blend_, 10, QNRI_NOSTATS);
    Add("blended refused", &blend_, 12, QNRI_APPEND)->DrawCallback = &Refuse;
    Add("overlay", &opaque_, 0, QNRI_OVERLAY | QNRI_NOCULL | QNRI_NOSTATS);
    Add("overlay counted", &opaque_, 0, QNRI_OVERLAY | QNRI_NOCULL);
    Add("sprite", &opaque_, 100, QNRI_SPRITE | QNRI_NOSTATS | QNRI_APPEND);
    Add("sprite 2", &opaque_, 110, QNRI_SPRITE | QNRI_APPEND);
    view_.Draw();
    // Counted: the refused blend (2), the second overlay (2) and the sprite run of two quads (4).
    EXPECT_EQ(view_.Primitives, 8u);
    EXPECT_EQ(view_.Vertices, 4u + 4u + 8u);
    EXPECT_EQ(view_.Indices, 6u + 6u + 12u);
}

TEST_F(QueueTest, OverlaysDrawLastUnderTheScreenProjection) {
    Add("scene", &opaque_, 10);
    Add("hud", &opaque_, 0, QNRI_OVERLAY);
    Add("offscreen", &opaque_, 0, QNRI_OVERLAY)->World.SetTranslation(5000, 0, 0);
    QNRENDERITEM* always = Add("always", &opaque_, 0, QNRI_OVERLAY | QNRI_ALWAYS);
    always->Visible = 0;
    always->World.SetTranslation(5000, 0, 0);
    const QNMATRIX projection = QNDISPLAY::Projection;
    view_.Draw();
    EXPECT_EQ(g_order, (std::vector<std::string>{"scene", "always", "hud"}));
    EXPECT_EQ(QNDISPLAY::Projection, projection);  // restored after the overlays
}

TEST_F(QueueTest, NeighboursWithEqualStatesSendNothingBetweenDraws) {
    Add("a", &opaque_, 10);
    Add("b", &opaque_, 12);
    view_.Draw();
    // One shader, one stream, one index selection, one material for both draws.
    EXPECT_EQ(device_->Count("shader"), 1);
    EXPECT_EQ(device_->Count("stream"), 1);
    EXPECT_EQ(device_->Count("indices"), 1);
    EXPECT_EQ(device_->Count("material"), 1);
    EXPECT_EQ(device_->Count("drawindexed"), 2);
    device_->Clear();
    view_.Draw();
    EXPECT_EQ(device_->Count("rs "), 0);  // the material is in the state caches
}

TEST_F(QueueTest, SpritesBatchByMaterialAndDropQuadsOutsideTheDepthWindow) {
    Add("s1", &opaque_, 100, QNRI_SPRITE | QNRI_APPEND);
    Add("s2", &opaque_, 120, QNRI_SPRITE | QNRI_APPEND);
    Add("s3", &third_, 120, QNRI_SPRITE | QNRI_APPEND);
    Add("near", &opaque_, 0.5f, QNRI_SPRITE | QNRI_APPEND);  // too near: dropped
    Add("s4", &opaque_, 50, QNRI_SPRITE | QNRI_APPEND);
    view_.Draw();
    // Runs: s1 s2 | s3 | s4 (near drew nothing).
    EXPECT_EQ(device_->Count("drawindexed 4"), 3);
    EXPECT_EQ(view_.Primitives, 8u);
    EXPECT_EQ(view_.Vertices, 16u);
    ASSERT_TRUE(view_.SpriteBuffersMade);
    auto* vb = static_cast<FakeVertexBuffer*>(view_.SpriteVertices.Buffer);
    // s1's first corner, (-1, 1, 100), maps left of and above the centre with rhw 1/100.
    float x, y, rhw;
    std::memcpy(&x, vb->bytes.data(), 4);
    std::memcpy(&y, vb->bytes.data() + 4, 4);
    std::memcpy(&rhw, vb->bytes.data() + 12, 4);
    EXPECT_LT(x, 320.0f);
    EXPECT_LT(y, 240.0f);
    EXPECT_NEAR(rhw, 0.01f, 1e-6f);
    view_.ReleaseDevice();
    EXPECT_EQ(view_.SpriteVertices.Buffer, nullptr);
    EXPECT_FALSE(view_.SpriteBuffersMade);
}

TEST_F(QueueTest, ThreeTextureSetsOnTwoUnitsDrawTwiceBlendingTheThird) {
    QNMESHBUFFERS three;
    three.Create(3, 0, 3, 3, 2, 0, 0, D3DPT_TRIANGLELIST);
    three.UploadVertices();
    QNMATERIAL m;
    m.Stages[2].ColorOp = D3DTOP_MODULATE;
    QNMATRIX w;
    w.SetTranslation(0, 0, 10);
    QNRENDERITEM* item = view_.AddItem("multi", &three, nullptr, nullptr, &m, w, QNRI_NOCULL);
    view_.Draw();
    EXPECT_EQ(device_->Count("draw 4 "), 2);
    EXPECT_EQ(device_->rs[D3DRS_ALPHABLENDENABLE], 1u);
    EXPECT_EQ(device_->rs[D3DRS_SRCBLEND], uint32_t(D3DBLEND_ZERO));
    EXPECT_EQ(device_->rs[D3DRS_DESTBLEND], uint32_t(D3DBLEND_SRCCOLOR));
    EXPECT_EQ((device_->tss[{0u, uint32_t(D3DTSS_COLOROP)}]), uint32_t(D3DTOP_SELECTARG1));
    EXPECT_EQ((device_->tss[{1u, uint32_t(D3DTSS_COLOROP)}]), uint32_t(D3DTOP_DISABLE));
    // The next apply of the material restores what the extra pass changed.
    QNITEM::Destroy(item);
    Add("after", &m, 10);
    device_->Clear();
    view_.Draw();
    EXPECT_EQ(device_->rs[D3DRS_ALPHABLENDENABLE], 0u);
    EXPECT_EQ((device_->tss[{0u, uint32_t(D3DTSS_COLOROP)}]), uint32_t(D3DTOP_MODULATE));
}

TEST_F(QueueTest, BillboardsFaceTheCameraAtTheirPosition) {
    QNMATRIX cam;
    cam.SetTranslation(1, 2, 3);
    view_.SetCamera(cam);
    EXPECT_NEAR(QNVIEWPORT::Billboard[0], -1.0f, 1e-6f);
    EXPECT_NEAR(QNVIEWPORT::Billboard[10], -1.0f, 1e-6f);
    Add("bb", &opaque_, 20, QNRI_BILLBOARD | QNRI_NOCULL)->World.SetTranslation(7, 8, 9);
    view_.Draw();
    const std::vector<float>& w = device_->transforms[D3DTS_WORLD];
    EXPECT_EQ(w[12], 7.0f);
    EXPECT_EQ(w[14], 9.0f);
    EXPECT_NEAR(w[0], -1.0f, 1e-6f);
    QNLISTENERFRAME l;
    QNMATRIX turn;
    turn.SetRotationY(1.0f);
    CopyListenerFrame(l, turn * cam);
    EXPECT_EQ(l.Position, QNVEC3(1, 2, 3));
    EXPECT_NEAR(l.Front.x, std::sin(1.0f), 1e-6f);
    EXPECT_EQ(l.Top, QNVEC3(0, 1, 0));
    const QNVEC3 s = QNVIEWPORT::ToScreen(QNVEC3(-1, 1, 0.5f));
    EXPECT_EQ(s, QNVEC3(0, 0, 0.5f));
}

TEST_F(QueueTest, LightKindsKeepWhereTheLightWasPlaced) {
    QNLIGHT fresh;  // white, directional, along +z from the origin
    EXPECT_EQ(fresh.Light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(fresh.Light.Direction.z, 1.0f);
    EXPECT_EQ(fresh.Light.Diffuse.g, 1.0f);
    EXPECT_EQ(fresh.Light.Ambient.a, 1.0f);

    QNMATRIX placed;
    placed.SetLookAt(QNVEC3(4, 5, 6), QNVEC3(4, 5, 5), QNVEC3(0, 1, 0));
    QNLIGHT sun, lamp;
    sun.SetFromMatrix(placed);
    lamp.SetFromMatrix(placed);
    lamp.SetDirectional(1, 1, 1);
    sun.SetPoint(20, 1, 1, 1);  // a point light made directional later keeps no range
    sun.SetDirectional(1, 0.5f, 0);
    lamp.SetPoint(8, 0, 1, 0);
    int owner = 0;
    sun.Attach(true, &owner);
    lamp.Attach(true, &owner);
    const GfxLight& s = device_->lights[sun.Slot->Index];
    EXPECT_EQ(s.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(s.Direction.z, placed.m[10]);
    EXPECT_EQ(s.Direction.z, -1.0f);
    EXPECT_EQ(s.Range, 0.0f);
    EXPECT_EQ(s.Attenuation0, 0.0f);
    EXPECT_EQ(s.Diffuse.g, 0.5f);
    EXPECT_EQ(s.Diffuse.a, 1.0f);
    const GfxLight& l = device_->lights[lamp.Slot->Index];
    EXPECT_EQ(l.Type, D3DLIGHT_POINT);
    EXPECT_EQ(l.Position.x, 4.0f);
    EXPECT_EQ(l.Position.z, 6.0f);
    EXPECT_EQ(l.Range, 8.0f);
    EXPECT_EQ(l.Attenuation0, 1.0f);
    sun.Detach();
    lamp.Detach();
}

TEST_F(QueueTest, LightSlotsAreReusedAndReappliedAfterAReset) {
    int owner1 = 0, owner2 = 0;
    QNLIGHT a, b, c;
    a.SetDirectional(1, 1, 1);
    b.SetPoint(10, 1, 0, 0);
    EXPECT_EQ(b.Light.Attenuation0, 1.0f);
    EXPECT_EQ(b.Light.Range, 10.0f);
    a.Attach(true, &owner1);
    b.Attach(false, &owner2);
    EXPECT_EQ(a.Slot->Index, 0u);
    EXPECT_EQ(b.Slot->Index, 1u);
    EXPECT_TRUE(device_->lightOn[0]);
    EXPECT_EQ(device_->Count("lighton 1"), 0);  // already off: nothing switched
    a.Detach();
    EXPECT_FALSE(device_->lightOn[0]);
    c.SetPoint(5, 0, 1, 0);
    c.Attach(true, &owner1);
    EXPECT_EQ(c.Slot->Index, 0u);  // the freed index comes back
    b.Enable(true);
    device_->Clear();
    device_->lightOn.clear();
    QNLIGHTSLOT::ReapplyAll();
    EXPECT_EQ(device_->Count("light "), 2);
    EXPECT_TRUE(device_->lightOn[0]);
    EXPECT_TRUE(device_->lightOn[1]);
    QNLIGHTSLOT::EnableOwner(true, &owner2);  // only owner 2's light goes off
    EXPECT_FALSE(device_->lightOn[1]);
    EXPECT_TRUE(device_->lightOn[0]);
    QNLIGHTSLOT::EnableOwner(false, nullptr);
    EXPECT_TRUE(device_->lightOn[1]);
    QNMATRIX m;
    m.SetLookAt(QNVEC3(1, 2, 3), QNVEC3(1, 2, 4), QNVEC3(0, 1, 0));
    c.SetFromMatrix(m);
    c.Update();
    EXPECT_EQ(device_->lights[0].Position.y, 2.0f);
    EXPECT_EQ(device_->lights[0].Direction.z, 1.0f);
}
