// What the engine draws on a real OpenGL device, checked by pixel regions with a tolerance.

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/render/qnlight.h"
#include "engine/render/qntexture.h"
#include "engine/render/qnviewport.h"
#include "tests/engine/render/gl_fixture.h"

namespace {

// A DDS file of 32-bit ARGB texels.
std::string WriteDds(const char* name, std::uint32_t w, std::uint32_t h, const std::vector<std::uint32_t>& argb) {
    std::string path = std::string(::testing::TempDir()) + name;
    std::vector<std::uint8_t> b(128 + argb.size() * 4, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    };
    std::memcpy(b.data(), "DDS ", 4);
    put(4, 124);
    put(8, 0x100F);
    put(12, h);
    put(16, w);
    put(20, w * 4);
    put(76, 32);
    put(80, 0x41);  // RGB with alpha
    put(88, 32);
    put(92, 0xFF0000);
    put(96, 0xFF00);
    put(100, 0xFF);
    put(104, 0xFF000000u);
    put(108, 0x1000);
    for (std::size_t i = 0; i < argb.size(); ++i) put(128 + 4 * i, argb[i]);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    return path;
}

class ImageTest : public GlDisplayTest {
protected:
    void SetUp() override {
        GlDisplayTest::SetUp();
        QNGRFDEV::CurrentMode->Granted.MinBlendStages = 2;
        QNDISPLAY::SetPerspective(1.0f, 0.2f, 1000.0f);
        view_.SetCamera(QNMATRIX::Identity);
        QNDISPLAY::SetAmbient(0, 0, 0);
    }
    void TearDown() override {
        view_.MainList.DeleteChildren();
        view_.SpriteList.DeleteChildren();
        view_.ReleaseDevice();
        for (auto* m : meshes_) delete m;
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
        GlDisplayTest::TearDown();
    }

    // A quad facing the camera from x0..x1, y0..y1 at depth z; lit meshes carry normals,
    // unlit ones a diffuse colour and one set of texture coordinates u0..u1, v0..v1.
    QNMESHBUFFERS* Quad(float x0, float x1, float y0, float y1, float z, bool lit, std::uint32_t diffuse = 0xFFFFFFFFu,
                        float uv1 = 1.0f, std::uint32_t usage = 0) {
        auto* m = new QNMESHBUFFERS;
        meshes_.push_back(m);
        m->Create(4, 6, lit ? 3 : 2, lit ? 0 : 1, 2, usage, usage, D3DPT_TRIANGLELIST);
        QNVERTEXARRAY v = m->Vertices();
        const float xs[4] = {x0, x1, x0, x1}, ys[4] = {y1, y1, y0, y0};
        for (std::uint32_t i = 0; i < 4; ++i) {
            v.SetPosition(i, QNVEC3(xs[i], ys[i], z));
            v.SetNormal(i, QNVEC3(0, 0, -1));
            v.SetDiffuse(i, diffuse);
            const float uv[4] = {(i & 1) ? uv1 : 0.0f, (i & 2) ? uv1 : 0.0f, 0, 0};
            v.SetTexCoord(i, 0, uv);
        }
        const std::uint16_t idx[6] = {0, 1, 2, 1, 3, 2};  // clockwise on screen
        std::copy(idx, idx + 6, m->Indices());
        m->UploadVertices();
        m->UploadIndices();
        return m;
    }

    // A pre-transformed quad over screen pixels x0..x1, y0..y1 at depth 0.5 with reciprocal w
    // `rhw`, in one colour.
    QNMESHBUFFERS* ScreenQuad(float x0, float x1, float y0, float y1, float rhw, std::uint32_t diffuse) {
        auto* m = new QNMESHBUFFERS;
        meshes_.push_back(m);
        m->Create(4, 6, 0, 0, 2, 0, 0, D3DPT_TRIANGLELIST);
        QNVERTEXARRAY v = m->Vertices();
        const float xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
        for (std::uint32_t i = 0; i < 4; ++i) {
            v.SetPosition(i, QNVEC3(xs[i], ys[i], 0.5f));
            v.SetRhw(i, rhw);
            v.SetDiffuse(i, diffuse);
        }
        const std::uint16_t idx[6] = {0, 1, 2, 1, 3, 2};
        std::copy(idx, idx + 6, m->Indices());
        m->UploadVertices();
        m->UploadIndices();
        return m;
    }

    // Draws `mesh` untransformed with material `m`, no colour reference and no stages.
    QNRENDERITEM* Add(const char* name, QNMESHBUFFERS* mesh, const QNMATERIAL* m, std::uint32_t flags = QNRI_NOCULL) {
        return view_.AddItem(name, mesh, nullptr, nullptr, m, QNMATRIX::Identity, flags);
    }

    void Frame(float r, float g, float b) {
        QNDISPLAY::Clear(r, g, b, 1.0f, -1.0f);
        view_.Draw();
        Grab();
    }

    QNVIEWPORT view_;
    std::vector<QNMESHBUFFERS*> meshes_;
};

}  // namespace

TEST_F(ImageTest, LitMeshWithDirectionalAndRangeLimitedPointLight) {
    QNMATERIAL lit;
    Add("a", Quad(-4, -1, -2, 2, 10, true), &lit);
    Add("b", Quad(3.5f, 6.5f, -2, 2, 10, true), &lit);
    QNLIGHT sun, lamp;
    sun.SetDirectional(1, 0, 0);
    sun.Light.Direction = {0, 0, 1};
    sun.Attach(true, nullptr);
    lamp.SetPoint(4, 0, 1, 0);
    lamp.Light.Position = {-2.5f, 0, 8};
    lamp.Attach(true, nullptr);
    Frame(0, 0, 0);
    // a (centre near pixel 52, 60) has both lights; b (near 135, 60) is beyond the lamp's range.
    const std::uint32_t a = Pixel(52, 60), b = Pixel(135, 60);
    EXPECT_GE(Red(a), 250);
    EXPECT_GT(Green(a), 100);
    EXPECT_GE(Red(b), 250);
    EXPECT_LE(Green(b), 2);
    EXPECT_TRUE(RegionIs(0, 0, 160, 20, 0x000000));
    lamp.Enable(false);
    Frame(0, 0, 0);
    EXPECT_LE(Green(Pixel(52, 60)), 2);
    sun.Detach();
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(40, 50, 60, 70, 0x000000));
}

TEST_F(ImageTest, TexturedQuadModulatesBlendsAndTests) {
    // Left half opaque blue, right half blue with alpha 64.
    std::vector<std::uint32_t> texels(16);
    for (std::uint32_t i = 0; i < 16; ++i) texels[i] = (i % 4 < 2 ? 0xFF000000u : 0x40000000u) | 0x0000FF;
    QNTEXTURE tex;
    tex.LoadFile(WriteDds("half.dds", 4, 4, texels).c_str(), 1, 0);
    EXPECT_EQ(QNTEXTURE::LoadedCount, 1u);
    EXPECT_EQ(tex.Box.max.x, 4.0f);
    QNTEXTURESTAGES stages;
    stages.Stages[0].Texture = &tex;
    QNMATERIAL m;
    m.Lighting = 0;
    m.Stages[0].MinFilter = m.Stages[0].MagFilter = 1;
    m.Stages[0].MipFilter = 0;
    QNRENDERITEM* item =
        view_.AddItem("q", Quad(-6, 6, -4, 4, 10, false, 0xFFFFFF80u), nullptr, &stages, &m, QNMATRIX::Identity, QNRI_NOCULL);
    // The quad covers pixels of about 14..146 by 12..108; the texture halves meet at 80.
    Frame(1, 0, 0);
    EXPECT_TRUE(RegionIs(25, 30, 70, 90, 0x000080));
    EXPECT_TRUE(RegionIs(90, 30, 135, 90, 0x000080));
    EXPECT_TRUE(RegionIs(0, 0, 160, 5, 0xFF0000));

    QNMATERIAL blend = m;
    blend.SetAlphaBlend();
    item->Material = &blend;
    Frame(1, 0, 0);
    EXPECT_TRUE(RegionIs(25, 30, 70, 90, 0x000080));
    EXPECT_TRUE(RegionIs(90, 30, 135, 90, 0xBF0020, 4));

    QNMATERIAL test = m;
    test.SetAlpha(0.5f);
    item->Material = &test;
    Frame(1, 0, 0);
    EXPECT_TRUE(RegionIs(25, 30, 70, 90, 0x000080));
    EXPECT_TRUE(RegionIs(90, 30, 135, 90, 0xFF0000));
    tex.Release();
    EXPECT_EQ(QNTEXTURE::LoadedCount, 0u);
}

TEST_F(ImageTest, TextureTransformMovesToAGridCell) {
    // 2 x 2 cells of 2 x 2 texels: red, green / blue, white.
    const std::uint32_t cells[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    std::vector<std::uint32_t> texels(16);
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 4; ++x) texels[y * 4 + x] = cells[(y / 2) * 2 + x / 2];
    QNTEXTURE tex;
    tex.LoadFile(WriteDds("grid.dds", 4, 4, texels).c_str(), 1, 0);
    tex.TransformFlag = 1;
    tex.Grid.SetGrid(2, 2, 1, 1);
    QNTEXTURESTAGES stages;
    stages.Stages[0].Texture = &tex;
    QNMATERIAL m;
    m.Lighting = 0;
    m.Stages[0].MinFilter = m.Stages[0].MagFilter = 1;
    m.Stages[0].AddressU = m.Stages[0].AddressV = D3DTADDRESS_CLAMP;
    view_.AddItem("q", Quad(-6, 6, -4, 4, 10, false, 0xFFFFFFFFu, 0.5f), nullptr, &stages, &m, QNMATRIX::Identity,
                  QNRI_NOCULL);
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(30, 30, 130, 90, 0xFF0000));
    QNTEXGRID::SelectCell(tex.Grid, 3, stages.Stages[0]);
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(30, 30, 130, 90, 0xFFFFFF));
    QNTEXGRID::SelectCell(tex.Grid, 1, stages.Stages[0]);
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(30, 30, 130, 90, 0x00FF00));
}

TEST_F(ImageTest, UntexturedStageShowsTheDiffuseColour) {
    QNMATERIAL m;
    m.Lighting = 0;
    Add("q", Quad(-6, 6, -4, 4, 10, false, 0xFF20C040u), &m);
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(30, 30, 130, 90, 0x20C040));
}

TEST_F(ImageTest, PreTransformedSpritesLandOnExactPixels) {
    QNMESHBUFFERS* m = ScreenQuad(10, 20, 10, 20, 1.0f, 0xFFFFFF00u);
    QNMATERIAL mat;
    Add("sprite", m, &mat);
    // A viewport elsewhere does not move pre-transformed vertices.
    QNDISPLAY::SetViewport(80, 60, 80, 60);
    QNDISPLAY::Clear(0, 0, 0, 1.0f, -1.0f);
    QNDISPLAY::SetViewport(0, 0, 0, 0);
    QNDISPLAY::Clear(0, 0, 0, 1.0f, -1.0f);
    QNDISPLAY::SetViewport(80, 60, 80, 60);
    view_.Draw();
    Grab();
    EXPECT_TRUE(RegionIs(10, 10, 20, 20, 0xFFFF00, 0));
    EXPECT_TRUE(RegionIs(9, 9, 21, 10, 0x000000, 0));
    EXPECT_TRUE(RegionIs(9, 20, 21, 21, 0x000000, 0));
    EXPECT_TRUE(RegionIs(9, 10, 10, 20, 0x000000, 0));
    EXPECT_TRUE(RegionIs(20, 10, 21, 20, 0x000000, 0));
}

TEST_F(ImageTest, QueuedSpriteDrawsAtItsProjectedPlace) {
    QNMATERIAL m;
    m.Lighting = 0;
    QNCOLOUR c;
    c.Diffuse = {0, 0, 1, 1};
    const QNCOLOUR* ref = &c;
    QNMATRIX at;
    at.SetTranslation(0, 0, 100);
    view_.AddItem("s", Quad(-10, 10, -10, 10, 0, false), &ref, nullptr, &m, at, QNRI_SPRITE);
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(70, 52, 90, 68, 0x0000FF));
    EXPECT_TRUE(RegionIs(0, 0, 160, 30, 0x000000));
    EXPECT_EQ(view_.Primitives, 2u);
}

TEST_F(ImageTest, SameSceneAfterASimulatedLostDevice) {
    QNMATERIAL lit;
    Add("a", Quad(-4, -1, -2, 2, 10, true, 0, 1, 2), &lit);
    view_.AddItem("s", Quad(-10, 10, -10, 10, 0, false, 0xFFFFFFFFu, 1, 2), nullptr, nullptr, &lit,
                  QNMATRIX().operator*=(QNMATRIX::Identity), QNRI_SPRITE)->World.SetTranslation(20, 0, 100);
    QNLIGHT sun;
    sun.SetDirectional(0, 1, 1);
    sun.Light.Direction = {0, 0, 1};
    sun.Attach(true, nullptr);
    Frame(0.2f, 0, 0);
    const std::vector<std::uint32_t> before = pixels_;
    EXPECT_GT(Green(Pixel(52, 60)), 200);

    QNDISPLAY::ForceLost(1);
    EXPECT_THROW(QNDISPLAY::Present(), QNDISPLAY::EXC);
    ASSERT_TRUE(QNDISPLAY::WasLost());
    EXPECT_FALSE(QNDISPLAY::IsDeviceAvailable());
    ASSERT_TRUE(QNDISPLAY::IsDeviceAvailable());
    // Reopen in the order of the loop: device objects, dynamic pools, display, projection,
    // lights, pools again.
    view_.ReleaseDevice();
    ReleaseDynamicBuffers();
    QNDISPLAY::OpenWindowed();
    QNDISPLAY::SetPerspective(1.0f, 0.2f, 1000.0f);
    view_.SetCamera(QNMATRIX::Identity);
    QNLIGHTSLOT::ReapplyAll();
    RebuildDynamicBuffers();
    Frame(0.2f, 0, 0);
    int differing = 0;
    for (std::size_t i = 0; i < before.size(); ++i) differing += !Near(before[i], pixels_[i], 1);
    EXPECT_EQ(differing, 0);
}

TEST_F(ImageTest, NearerSurfaceWinsWhateverTheDrawingOrder) {
    QNMATERIAL m;
    m.Lighting = 0;
    Add("near", Quad(-6, 0, -4, 4, 10, false, 0xFF00FF00u), &m, QNRI_NOCULL | QNRI_APPEND);
    Add("far", Quad(-6, 6, -4, 4, 20, false, 0xFFFF0000u), &m, QNRI_NOCULL | QNRI_APPEND);
    Frame(0, 0, 0);
    // Left of the centre the near quad hides the far one drawn after it; right of it only the
    // far one is there (about pixels 47..113 wide at depth 20).
    EXPECT_TRUE(RegionIs(30, 40, 75, 80, 0x00FF00));
    EXPECT_TRUE(RegionIs(85, 45, 108, 75, 0xFF0000));
}

TEST_F(ImageTest, ASurfaceDrawnWithoutDepthWritesHidesNothingDrawnAfterIt) {
    QNMATERIAL see;  // transparent effects draw this way
    see.Lighting = 0;
    see.ZWrite = 0;
    QNMATERIAL m;
    m.Lighting = 0;
    Add("glass", Quad(-6, 0, -4, 4, 10, false, 0xFF00FF00u), &see, QNRI_NOCULL | QNRI_APPEND);
    Add("far", Quad(-6, 6, -4, 4, 20, false, 0xFFFF0000u), &m, QNRI_NOCULL | QNRI_APPEND);
    Add("farther", Quad(-6, 6, -4, 4, 30, false, 0xFF0000FFu), &m, QNRI_NOCULL | QNRI_APPEND);
    Frame(0, 0, 0);
    // The far quad covers the glass drawn before it; its own depth still hides the farther one.
    EXPECT_TRUE(RegionIs(52, 45, 75, 75, 0xFF0000));
    EXPECT_TRUE(RegionIs(85, 45, 108, 75, 0xFF0000));
}

TEST_F(ImageTest, SpecularShowsOnlyWhenEnabled) {
    QNCOLOUR shiny;
    shiny.SetShiny(0, 0, 0, 10, 0);  // specular 0.3, nothing else
    const QNCOLOUR* ref = &shiny;
    QNMATERIAL off, on;
    on.Specular = 1;
    QNRENDERITEM* item =
        view_.AddItem("q", Quad(-6, 6, -4, 4, 10, true), &ref, nullptr, &off, QNMATRIX::Identity, QNRI_NOCULL);
    QNLIGHT sun;
    sun.SetDirectional(1, 1, 1);
    sun.Light.Direction = {0, 0, 1};
    sun.Attach(true, nullptr);
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(60, 50, 100, 70, 0x000000));
    item->Material = &on;
    Frame(0, 0, 0);
    EXPECT_TRUE(RegionIs(60, 50, 100, 70, 0x4D4D4D, 4));
}

TEST_F(ImageTest, StageOperationsCombineTextureAndDiffuse) {
    QNTEXTURE tex;
    tex.LoadFile(WriteDds("blue.dds", 4, 4, std::vector<std::uint32_t>(16, 0xFF0000C8u)).c_str(), 1, 0);
    QNTEXTURESTAGES stages;
    stages.Stages[0].Texture = &tex;
    QNMATERIAL m;
    m.Lighting = 0;
    QNRENDERITEM* item = view_.AddItem("q", Quad(-6, 6, -4, 4, 10, false, 0x80643200u), nullptr, &stages, &m,
                                       QNMATRIX::Identity, QNRI_NOCULL);
    const struct {
        std::uint32_t op, rgb;
    } cases[] = {
        {D3DTOP_MODULATE, 0x000000},   {D3DTOP_ADD, 0x6432C8},       {D3DTOP_SELECTARG1, 0x0000C8},
        {D3DTOP_SELECTARG2, 0x643200}, {D3DTOP_SUBTRACT, 0x0000C8},  {D3DTOP_BLENDDIFFUSEALPHA, 0x321964},
    };
    for (const auto& c : cases) {
        QNMATERIAL variant = m;
        variant.Stages[0].ColorOp = c.op;
        item->Material = &variant;
        Frame(0, 0, 0);
        EXPECT_TRUE(RegionIs(40, 40, 120, 80, c.rgb, 3)) << "operation " << c.op << " gave " << std::hex << Pixel(80, 60);
    }
}

// Stage operations whose GL form differs from the plain combiner: ADDSMOOTH is a1 + a2 - a1 a2,
// the premultiplied blend texture + diffuse (1 - texture alpha), and a vertex without a specular
// colour gives the specular argument Direct3D's default of black.
TEST_F(ImageTest, SmoothAddPremultipliedBlendAndSpecularArgumentKeepTheirMeaning) {
    QNTEXTURE tex;
    tex.LoadFile(WriteDds("grey.dds", 4, 4, std::vector<std::uint32_t>(16, 0x40808080u)).c_str(), 1, 0);
    QNTEXTURESTAGES stages;
    stages.Stages[0].Texture = &tex;
    QNMATERIAL m;
    m.Lighting = 0;
    QNRENDERITEM* item = view_.AddItem("q", Quad(-6, 6, -4, 4, 10, false, 0xFF804020u), nullptr, &stages, &m,
                                       QNMATRIX::Identity, QNRI_NOCULL);
    const struct {
        std::uint32_t op, arg1, rgb;
    } cases[] = {
        {D3DTOP_ADDSMOOTH, D3DTA_TEXTURE, 0xC0A090},
        {D3DTOP_BLENDTEXTUREALPHAPM, D3DTA_TEXTURE, 0xE0B098},
        {D3DTOP_SELECTARG1, D3DTA_SPECULAR, 0x000000},
        {D3DTOP_ADD, D3DTA_SPECULAR, 0x804020},
    };
    for (const auto& c : cases) {
        QNMATERIAL variant = m;
        variant.Stages[0].ColorOp = c.op;
        variant.Stages[0].ColorArg1 = c.arg1;
        item->Material = &variant;
        Frame(0, 0, 0);
        EXPECT_TRUE(RegionIs(40, 40, 120, 80, c.rgb, 4)) << "operation " << c.op << " gave " << std::hex << Pixel(80, 60);
    }
}

// Flat shading colours each triangle by its first vertex, as Direct3D does (GL's default is the
// last one).
TEST_F(ImageTest, FlatShadingTakesTheFirstVertexColour) {
    QNMESHBUFFERS* quad = Quad(-6, 6, -4, 4, 10, false);
    QNVERTEXARRAY v = quad->Vertices();
    const std::uint32_t colours[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    for (std::uint32_t i = 0; i < 4; ++i) v.SetDiffuse(i, colours[i]);
    quad->UploadVertices();
    QNMATERIAL m;
    m.Lighting = 0;
    m.ShadeMode = D3DSHADE_FLAT;
    Add("q", quad, &m);
    Frame(0, 0, 0);
    // Triangles (0, 1, 2), the upper left half, and (1, 3, 2), the lower right half.
    EXPECT_TRUE(RegionIs(44, 43, 60, 50, 0xFF0000)) << std::hex << Pixel(50, 46);
    EXPECT_TRUE(RegionIs(100, 70, 116, 77, 0x00FF00)) << std::hex << Pixel(108, 74);
}

// Table fog on pre-transformed vertices reads their depth: w = 1 / rhw under a projection whose
// w is the view depth. Vertex fog is the transform's work and leaves them alone.
TEST_F(ImageTest, PreTransformedVerticesTakeTableFogFromTheirDepth) {
    QNMESHBUFFERS* m = ScreenQuad(10, 50, 10, 50, 0.5f, 0xFFFF0000u);
    QNMATERIAL fogged;
    fogged.Lighting = 0;
    fogged.Fog = 1;
    fogged.FogColor = 0xFF0000FFu;
    fogged.FogTableMode = D3DFOG_LINEAR;
    fogged.FogStart = 0.0f;
    fogged.FogEnd = 4.0f;
    QNRENDERITEM* item = Add("sprite", m, &fogged);
    Frame(0, 0, 0);
    // Depth 2 of 0..4: half the fog colour.
    EXPECT_TRUE(RegionIs(15, 15, 45, 45, 0x800080, 4)) << std::hex << Pixel(30, 30);
    QNMATERIAL vertexFog = fogged;
    vertexFog.FogTableMode = D3DFOG_NONE;
    vertexFog.FogVertexMode = D3DFOG_LINEAR;
    item->Material = &vertexFog;
    const std::uint32_t groups = QNMATERIAL::GroupMask;
    QNMATERIAL::GroupMask |= QNMAT_FOG;  // materials send their fog
    Frame(0, 0, 0);
    QNMATERIAL::GroupMask = groups;
    EXPECT_TRUE(RegionIs(15, 15, 45, 45, 0xFF0000, 2)) << std::hex << Pixel(30, 30);
}

// A scaled point is H S sqrt(1 / (A + B d + C d^2)) pixels wide, H the viewport height: size 0.5
// at distance 10 with C = 1 on a 120-pixel viewport is 6 pixels.
TEST_F(ImageTest, ScaledPointsTakeTheirSizeFromTheViewportHeight) {
    auto* m = new QNMESHBUFFERS;
    meshes_.push_back(m);
    m->Create(1, 0, 2, 0, 2, 0, 0, D3DPT_POINTLIST);
    QNVERTEXARRAY v = m->Vertices();
    v.SetPosition(0, QNVEC3(0, 0, 10));
    v.SetDiffuse(0, 0xFFFFFFFFu);
    m->UploadVertices();
    QNMATERIAL mat;
    mat.Lighting = 0;
    mat.PointSize = 0.5f;
    mat.PointSizeMax = 64.0f;
    mat.PointScale = 1;
    mat.PointScaleA = 0.0f;
    mat.PointScaleB = 0.0f;
    mat.PointScaleC = 1.0f;
    Add("point", m, &mat);
    const std::uint32_t groups = QNMATERIAL::GroupMask;
    QNMATERIAL::GroupMask |= QNMAT_POINTS;
    Frame(0, 0, 0);
    QNMATERIAL::GroupMask = groups;
    EXPECT_TRUE(RegionIs(78, 58, 82, 62, 0xFFFFFF)) << std::hex << Pixel(80, 60);
    EXPECT_TRUE(RegionIs(70, 50, 75, 70, 0x000000));
    EXPECT_TRUE(RegionIs(85, 50, 90, 70, 0x000000));
}
