// Render-state caches: nothing sent twice, everything after an open, the group mask, the
// override and keep masks, Direct3D material and texture caches, texture grids and kinds.

#include "engine/render/qntexture.h"
#include "tests/engine/render/fake_env.h"

namespace {
class MaterialTest : public FakeDisplayTest {};
}  // namespace

TEST_F(MaterialTest, SendsEachStateOnceAndEverythingAfterAnOpen) {
    QNMATERIAL m;
    m.Apply();
    // Every group, the ones outside the mask included: 4+5+8+3+8+8+8+3 states and 2 stages of 13.
    EXPECT_EQ(device_->Count("rs "), 47);
    EXPECT_EQ(device_->Count("tss "), 26);
    EXPECT_EQ(device_->rs[D3DRS_FOGCOLOR], 0xFFB2B2B2u);
    device_->Clear();
    m.Apply();
    EXPECT_TRUE(device_->log.empty());
    MarkCachesSendAll();
    m.Apply();
    EXPECT_EQ(device_->Count("rs "), 47);
}

TEST_F(MaterialTest, GroupsOutsideTheMaskAreLeftAloneAfterTheFirstApply) {
    QNMATERIAL a;
    a.Apply();
    device_->Clear();
    QNMATERIAL b;
    b.Fog = 1;
    b.StencilRef = 3;
    b.PointSize = 2.0f;
    b.TweenFactor = 0.5f;
    b.CullMode = 1;
    b.Stages[0].ColorOp = 2;
    b.Apply();
    EXPECT_EQ(device_->log, (std::vector<std::string>{"rs 22 1", "tss 0 1 2"}));
    QNMATERIAL::GroupMask = 0x1FF;
    device_->Clear();
    b.Apply();
    EXPECT_EQ(device_->Count("rs 28 1"), 1);
    EXPECT_EQ(device_->Count("rs 57 3"), 1);
    EXPECT_EQ(device_->Count("rs 170 "), 1);
}

TEST_F(MaterialTest, OverrideSuppliesItsKeptGroupsUnlessTheMaterialKeepsThem) {
    QNMATERIAL plain;
    plain.Apply();
    QNMATERIAL tint;  // the wireframe view of the developer keys
    tint.FillMode = 2;
    tint.CullMode = 1;
    tint.Lighting = 0;
    tint.Stages[0].ColorOp = 1;
    tint.KeepMask = 0x103;
    QNMATERIAL::Override = &tint;
    device_->Clear();
    plain.Apply();
    EXPECT_EQ(device_->rs[D3DRS_FILLMODE], 2u);
    EXPECT_EQ(device_->rs[D3DRS_LIGHTING], 0u);
    EXPECT_EQ((device_->tss[{0u, uint32_t(D3DTSS_COLOROP)}]), 1u);
    QNMATERIAL own;
    own.KeepMask = QNMAT_RASTER;
    own.Apply();
    EXPECT_EQ(device_->rs[D3DRS_FILLMODE], 3u);
    EXPECT_EQ(device_->rs[D3DRS_LIGHTING], 0u);
    tint.KeepMask = 0;  // off again: the material's own values come back
    plain.Apply();
    EXPECT_EQ(device_->rs[D3DRS_LIGHTING], 1u);
    QNMATERIAL::Override = nullptr;
}

TEST_F(MaterialTest, OnlyGrantedBlendStagesAreSent) {
    QNGRFDEV::CurrentMode->Granted.MinBlendStages = 1;
    QNMATERIAL m;
    m.Apply();
    EXPECT_EQ(device_->Count("tss 0 "), 13);
    EXPECT_EQ(device_->Count("tss 1 "), 0);
}

TEST_F(MaterialTest, AlphaHelpers) {
    QNMATERIAL m;
    m.SetAlpha(0.5f);
    EXPECT_EQ(m.AlphaRef, 128u);
    EXPECT_EQ(m.AlphaFunc, uint32_t(D3DCMP_GREATER));
    EXPECT_EQ(m.AlphaTest, 1);
    m.SetAlpha(1.5f);
    EXPECT_EQ(m.AlphaRef, 255u);
    m.SetAlphaBlend();
    EXPECT_EQ(m.AlphaBlend, 1);
    EXPECT_EQ(m.SrcBlend, uint32_t(D3DBLEND_SRCALPHA));
}

TEST_F(MaterialTest, ColourAndTextureCachesCompareWhatWasSent) {
    QNCOLOUR red;
    red.SetColour(1, 0, 0, 0.5f);
    const QNCOLOUR* ref = &red;
    ApplyD3DMaterial(&ref);
    ApplyD3DMaterial(&ref);
    EXPECT_EQ(device_->Count("material"), 1);
    EXPECT_FLOAT_EQ(device_->material.Ambient.r, 0.5f);
    const QNCOLOUR* none = nullptr;
    ApplyD3DMaterial(&none);
    EXPECT_EQ(device_->material.Diffuse.r, 1.0f);  // the default colour
    EXPECT_EQ(device_->material.Diffuse.g, 1.0f);

    QNTEXTURE grid;
    grid.Texture = new FakeTexture(4, 4, 1, D3DFMT_A8R8G8B8);
    grid.TransformFlag = 1;
    QNTEXTURESTAGES block;
    block.Stages[0].Texture = &grid;
    device_->Clear();
    ApplyTextures(block);
    ApplyTextures(block);
    EXPECT_EQ(device_->Count("texture 0 1"), 1);
    EXPECT_EQ(device_->Count("texture 1 0"), 1);
    EXPECT_EQ(device_->Count("tss 0 24 2"), 1);
    EXPECT_EQ(device_->Count("transform 16 "), 2);  // the matrix goes out with every apply
    block.Stages[0].Texture = nullptr;
    ApplyTextures(block);
    EXPECT_EQ(device_->Count("tss 0 24 0"), 1);
    EXPECT_EQ(device_->Count("texture 0 0"), 1);
}

TEST_F(MaterialTest, GridCellsMoveTheTextureTransform) {
    QNTEXGRID g;
    g.SetGrid(4, 4, 1, 1);
    EXPECT_EQ(g.CellSize.x, 0.25f);
    QNTEXTURESTAGES::STAGE st;
    QNTEXGRID::SelectCell(g, 6, st);
    EXPECT_EQ(st.Matrix[8], 0.5f);
    EXPECT_EQ(st.Matrix[9], 0.25f);
    QNTEXGRID empty;
    empty.SetGrid(0, 4, 1, 1);
    EXPECT_EQ(empty.CellSize.y, 0.0f);
    QNTEXTURESTAGES::STAGE untouched;
    QNTEXGRID::SelectCell(empty, 3, untouched);
    EXPECT_EQ(untouched.Matrix, QNMATRIX::Identity);
}

TEST_F(MaterialTest, TextureKindsFollowTheDisplayMode) {
    QNDISPLAYMODE& m = *QNGRFDEV::CurrentMode;
    m.Granted.Dxt1Textures = 0;
    m.Bits = 16;
    EXPECT_EQ(QNTEXTURE::TextureFormat(3), uint32_t(D3DFMT_A1R5G5B5));
    EXPECT_EQ(QNTEXTURE::TextureFormat(4), uint32_t(D3DFMT_A4R4G4B4));
    m.Bits = 32;
    EXPECT_EQ(QNTEXTURE::TextureFormat(3), uint32_t(D3DFMT_A8R8G8B8));
    m.Granted.Dxt1Textures = 1;
    EXPECT_EQ(QNTEXTURE::TextureFormat(3), uint32_t(D3DFMT_DXT1));
    EXPECT_EQ(QNTEXTURE::TextureFormat(0), uint32_t(D3DFMT_UNKNOWN));
}

TEST(QnColour, RecordHelpers) {
    QNCOLOUR c;
    EXPECT_EQ(c.Diffuse.g, 1.0f);
    EXPECT_EQ(c.Specular.r, 0.0f);
    EXPECT_EQ(c.Specular.a, 1.0f);
    c.SetShiny(0.2f, 0.6f, 0.4f, 10.0f, 0.5f);
    EXPECT_FLOAT_EQ(c.Specular.b, 0.9f);
    EXPECT_FLOAT_EQ(c.Ambient.g, 0.3f);
    c.SetEmissive(1, 1, 0);
    EXPECT_EQ(c.Diffuse.r, 0.0f);
    EXPECT_EQ(c.Emissive.g, 1.0f);
    c.SetAlpha(0.5f);
    EXPECT_EQ(c.Emissive.a, 0.5f);
}

// A record freed and a new one made at the same address must not be mistaken for the old.
TEST_F(MaterialTest, CachesNeverTrustAReusedAddress) {
    alignas(QNCOLOUR) unsigned char colourStore[sizeof(QNCOLOUR)];
    auto* red = new (colourStore) QNCOLOUR;
    red->SetColour(1, 0, 0, 1);
    const QNCOLOUR* ref = red;
    ApplyD3DMaterial(&ref);
    red->~QNCOLOUR();
    auto* green = new (colourStore) QNCOLOUR;
    green->SetColour(0, 1, 0, 1);
    ApplyD3DMaterial(&ref);
    EXPECT_EQ(device_->material.Diffuse.r, 0.0f);
    EXPECT_EQ(device_->material.Diffuse.g, 1.0f);
    green->Diffuse.b = 0.5f;  // changed in place
    ApplyD3DMaterial(&ref);
    EXPECT_EQ(device_->material.Diffuse.b, 0.5f);
    green->~QNCOLOUR();

    alignas(QNTEXTURE) unsigned char textureStore[sizeof(QNTEXTURE)];
    auto* first = new (textureStore) QNTEXTURE;
    first->Texture = new FakeTexture(4, 4, 1, D3DFMT_A8R8G8B8);
    QNTEXTURESTAGES block;
    block.Stages[0].Texture = first;
    ApplyTextures(block);
    first->~QNTEXTURE();
    auto* second = new (textureStore) QNTEXTURE;
    auto* replacement = new FakeTexture(8, 8, 1, D3DFMT_A8R8G8B8);
    second->Texture = replacement;
    ApplyTextures(block);
    EXPECT_EQ(device_->textures[0], replacement);
    second->~QNTEXTURE();
}
