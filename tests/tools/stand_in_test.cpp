#include "engine/resource/qndisk.h"
#include "tests/tools/media_checks.h"
#include "tools/stand_in.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

float Cross3Dot(const float* a, const float* b, const float* c, const float* n) {
    float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    float x[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    return x[0] * n[0] + x[1] * n[1] + x[2] * n[2];
}

float Area(const float* a, const float* b, const float* c) {
    float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    float x[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    return 0.5f * std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
}

TEST(MediaManifest, NamesAreUniqueAndSeriesWellFormed) {
    std::set<std::string> names;
    for (const QNMEDIAENTRY& e : MediaManifest()) {
        std::string path = e.Path;
        EXPECT_EQ(path.rfind("media\\", 0), 0u) << path;
        EXPECT_EQ(path.find('/'), std::string::npos) << path;
        EXPECT_GE(e.Count, 1) << path;
        std::string ext = Lower(path.substr(path.size() - 4));
        const char* want = e.Kind == QNMEDIAKIND::MESH ? ".gbm" : e.Kind == QNMEDIAKIND::TEXTURE ? ".dds" : ".wav";
        EXPECT_EQ(ext, want) << path;
        for (int m = 0; m < e.Count; ++m) {
            std::string member = Lower(MediaMemberPath(path, m));
            EXPECT_TRUE(names.insert(member).second) << "two records named " << member;
            EXPECT_LE(member.size(), 259u);
            EXPECT_EQ(member.find_first_of("*?"), std::string::npos);
        }
    }
    EXPECT_EQ(names.size(), MediaRecordCount());
    EXPECT_EQ(MediaRecordCount(), MediaRecordCount(QNMEDIAKIND::MESH) + MediaRecordCount(QNMEDIAKIND::TEXTURE) +
                                      MediaRecordCount(QNMEDIAKIND::SOUND));
}

TEST(MediaManifest, EntriesDescribeUsableStandIns) {
    for (const QNMEDIAENTRY& e : MediaManifest()) {
        SCOPED_TRACE(e.Path);
        if (e.Kind == QNMEDIAKIND::MESH) {
            for (int k = 0; k < 3; ++k) EXPECT_LT(e.Min[k], e.Max[k]);
        }
        if (e.Kind == QNMEDIAKIND::TEXTURE) {
            EXPECT_TRUE(e.Width >= 4 && (e.Width & (e.Width - 1)) == 0);
            EXPECT_TRUE(e.Height >= 4 && (e.Height & (e.Height - 1)) == 0);
            EXPECT_GE(e.Columns, 1);
            EXPECT_GE(e.Rows, 1);
            EXPECT_TRUE(e.GridWidth > 0 && e.GridWidth <= 1 && e.GridHeight > 0 && e.GridHeight <= 1);
        }
        if (e.Kind == QNMEDIAKIND::SOUND) {
            EXPECT_GT(e.Seconds, 0.05f);
            if (e.Positional) {
                EXPECT_EQ(e.Channels, 1) << "a positional sound must be mono";
            }
        }
    }
}

TEST(MediaManifest, LookupsAndMemberNames) {
    EXPECT_EQ(MediaMemberPath("media\\effects\\meshes\\flame.gbm", 0), "media\\effects\\meshes\\flame.gbm");
    EXPECT_EQ(MediaMemberPath("media\\effects\\meshes\\flame.gbm", 1), "media\\effects\\meshes\\flame2.gbm");
    EXPECT_EQ(MediaMemberPath("media\\effects\\meshes\\flame.gbm", 11), "media\\effects\\meshes\\flame12.gbm");
    EXPECT_EQ(MediaMemberPath("media\\x\\debris1.gbm", 2), "media\\x\\debris3.gbm");
    EXPECT_EQ(MediaMemberPath("media\\x\\debris1.gbm", 0), "media\\x\\debris.gbm");
    EXPECT_EQ(MediaMemberPath("media\\x\\9lives.wav", 3), "media\\x\\9lives.wav");
    EXPECT_EQ(MediaMemberPath("media\\x\\a.wav", -1), "media\\x\\a.wav");

    // The loaders name series members with the engine's own rule; the archive must agree.
    for (const QNMEDIAENTRY& e : MediaManifest())
        for (int m = 0; m < e.Count; ++m)
            EXPECT_EQ(MediaMemberPath(e.Path, m), QNDISK::NumberedName(QNSTRING(e.Path), m).Text());

    const QNMEDIAENTRY* flame = FindMedia("MEDIA/effects/meshes/FLAME.GBM");
    ASSERT_NE(flame, nullptr);
    EXPECT_EQ(flame, &MediaManifest()[0]) << "the flame mesh is the oldest record";
    EXPECT_EQ(FindMedia("media\\effects\\meshes\\flame2.gbm"), nullptr);

    const QNMEDIAENTRY* font = FindMediaByName("consolefont", QNMEDIAKIND::TEXTURE);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::string(font->Path), "media\\general\\textures\\ruvuzev_font.dds");
    EXPECT_EQ(font->Columns, 16);
    EXPECT_EQ(font->Rows, 16);
    ASSERT_NE(FindMediaByName("chatter", QNMEDIAKIND::SOUND), nullptr);
    EXPECT_EQ(FindMediaByName("chatter", QNMEDIAKIND::SOUND)->Count, 10);
    EXPECT_EQ(FindMediaByName("chatter", QNMEDIAKIND::TEXTURE), nullptr);
    EXPECT_EQ(FindMediaByName("debris", QNMEDIAKIND::MESH)->Count, 12);
    EXPECT_EQ(FindMediaByName("debris", QNMEDIAKIND::TEXTURE)->Count, 1);
    EXPECT_EQ(FindMediaByName("hyperjump", QNMEDIAKIND::TEXTURE)->Count, 18);
    EXPECT_EQ(std::string(FindMediaByName("shipscene_ship", QNMEDIAKIND::MESH)->Path), "media\\vehicles\\exterior\\meshes\\mercship.gbm");
    EXPECT_EQ(std::string(FindMediaByName("shipscene_ship", QNMEDIAKIND::TEXTURE)->Path), "media\\vehicles\\exterior\\textures\\mercship.dds");
    EXPECT_EQ(FindMediaByName("nonexistent", QNMEDIAKIND::MESH), nullptr);
    EXPECT_EQ(FindMediaByName("", QNMEDIAKIND::MESH), nullptr);
    for (const QNMEDIAALIAS& a : MediaAliases()) {
        const QNMEDIAENTRY* e = FindMedia(a.Path);
        ASSERT_NE(e, nullptr) << a.Name;
        EXPECT_EQ(FindMediaByName(a.Name, e->Kind), e) << a.Name;
    }
}

// Every member of every entry is generated, read back by an independent parser and checked.
class StandIns : public ::testing::Test {
protected:
    static void ForEach(QNMEDIAKIND kind, const std::function<void(const QNMEDIAENTRY&, int, const Bytes&)>& f) {
        for (const QNMEDIAENTRY& e : MediaManifest())
            if (e.Kind == kind)
                for (int m = 0; m < e.Count; ++m) f(e, m, MakeStandIn(e, m));
    }
};

TEST_F(StandIns, MeshesAreClosedToTheirBoxWithOneWinding) {
    ForEach(QNMEDIAKIND::MESH, [](const QNMEDIAENTRY& e, int m, const Bytes& bytes) {
        SCOPED_TRACE(MediaMemberPath(e.Path, m));
        GbmInfo g;
        ASSERT_EQ(CheckGbm(bytes, &g), "");
        EXPECT_EQ(g.VertexSize, 76u);
        EXPECT_LE(g.IndexCount / 3, 3000u) << "triangle count not modest";
        float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        for (std::size_t v = 0; v < g.VertexCount; ++v)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], g.Positions[v * 3 + k]);
                hi[k] = std::max(hi[k], g.Positions[v * 3 + k]);
            }
        for (int k = 0; k < 3; ++k) {
            float tol = 1e-4f * std::max(1.0f, e.Max[k] - e.Min[k]);
            EXPECT_NEAR(lo[k], e.Min[k], tol);
            EXPECT_NEAR(hi[k], e.Max[k], tol);
        }
        for (std::size_t v = 0; v < g.VertexCount; ++v) {
            const float* n = &g.Normals[v * 3];
            EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-3f);
            EXPECT_TRUE(g.Uvs[v * 2] >= -1e-4f && g.Uvs[v * 2] <= 1.0001f && g.Uvs[v * 2 + 1] >= -1e-4f && g.Uvs[v * 2 + 1] <= 1.0001f);
        }
        int wrong = 0;
        for (std::size_t t = 0; t < g.Indices.size(); t += 3) {
            const float* a = &g.Positions[g.Indices[t] * 3u];
            const float* b = &g.Positions[g.Indices[t + 1] * 3u];
            const float* c = &g.Positions[g.Indices[t + 2] * 3u];
            EXPECT_GE(Area(a, b, c), 1e-6f);
            float n[3];
            for (int k = 0; k < 3; ++k)
                n[k] = g.Normals[g.Indices[t] * 3u + k] + g.Normals[g.Indices[t + 1] * 3u + k] + g.Normals[g.Indices[t + 2] * 3u + k];
            // Clockwise front in the left-handed frame: (b - a) x (c - a) along the normal.
            if (Cross3Dot(a, b, c, n) <= 0.0f) ++wrong;
        }
        EXPECT_EQ(wrong, 0) << "triangles whose winding disagrees with their normals";
    });
}

// True when a triangle of `g` lies in the plane coordinate[axis] = plane, covers the point
// (u, v) in the next two axes and faces `side` (+1 or -1) along the axis.
bool FaceCovers(const GbmInfo& g, int axis, float plane, float u, float v, float side) {
    int i = (axis + 1) % 3, j = (axis + 2) % 3;
    for (std::size_t t = 0; t < g.Indices.size(); t += 3) {
        const float* p[3] = {&g.Positions[g.Indices[t] * 3u], &g.Positions[g.Indices[t + 1] * 3u], &g.Positions[g.Indices[t + 2] * 3u]};
        bool onPlane = true;
        for (auto q : p) onPlane = onPlane && std::fabs(q[axis] - plane) < 1e-4f;
        if (!onPlane || g.Normals[g.Indices[t] * 3u + axis] * side < 0.9f) continue;
        float d = (p[1][j] - p[2][j]) * (p[0][i] - p[2][i]) + (p[2][i] - p[1][i]) * (p[0][j] - p[2][j]);
        if (d == 0.0f) continue;
        float l0 = ((p[1][j] - p[2][j]) * (u - p[2][i]) + (p[2][i] - p[1][i]) * (v - p[2][j])) / d;
        float l1 = ((p[2][j] - p[0][j]) * (u - p[2][i]) + (p[0][i] - p[2][i]) * (v - p[2][j])) / d;
        if (l0 >= 0 && l1 >= 0 && l0 + l1 <= 1) return true;
    }
    return false;
}

TEST_F(StandIns, ConnectorsSitOnSolidFaces) {
    // A connector lies at the centre of a face of the part's box plus an offset; the stand-in
    // must have an outward face there. Faces: 0 +z, 1 +x, 2 -z, 3 -x, 4 +y, 5 -y.
    struct Connector {
        const char* part;
        int face;
        float offset[3];
    };
    const Connector connectors[] = {
        {"joint", 0, {0, 0, 0}}, {"joint", 1, {0, 0, 0}}, {"joint", 2, {0, 0, 0}}, {"joint", 3, {0, 0, 0}},
        {"joint", 4, {0, 0, 0}}, {"joint", 5, {0, 0, 0}}, {"beam", 1, {0, 0, 0}}, {"beam", 3, {0, 0, 0}},
        {"headq", 5, {0, 0, 0}}, {"generator", 5, {0, 0, 0}}, {"enhancer", 0, {0, 0, 0}},
        {"collshipdock", 0, {0, 1.49f, 0}}, {"processor", 2, {-0.505f, -3.986f, 0}},
        {"storage", 0, {0, -0.085f, 0}}, {"cargoport", 0, {0, -2.0f, 0}},
    };
    const int axisOf[6] = {2, 0, 2, 0, 1, 1};
    const float sideOf[6] = {1, 1, -1, -1, 1, -1};
    for (const Connector& c : connectors) {
        SCOPED_TRACE(std::string(c.part) + " face " + std::to_string(c.face));
        const QNMEDIAENTRY* e = FindMediaByName(c.part, QNMEDIAKIND::MESH);
        ASSERT_NE(e, nullptr);
        GbmInfo g;
        ASSERT_EQ(CheckGbm(MakeStandIn(*e, 0), &g), "");
        int axis = axisOf[c.face];
        float side = sideOf[c.face];
        float plane = side > 0 ? e->Max[axis] : e->Min[axis];
        EXPECT_TRUE(FaceCovers(g, axis, plane, c.offset[(axis + 1) % 3], c.offset[(axis + 2) % 3], side));
    }
}

TEST_F(StandIns, TexturesMatchTheirEntries) {
    ForEach(QNMEDIAKIND::TEXTURE, [](const QNMEDIAENTRY& e, int m, const Bytes& bytes) {
        SCOPED_TRACE(MediaMemberPath(e.Path, m));
        DdsInfo d;
        ASSERT_EQ(CheckDds(bytes, &d), "");
        EXPECT_EQ(d.Width, e.Width);
        EXPECT_EQ(d.Height, e.Height);
        EXPECT_EQ(d.Dxt1, e.Format == QNTEXFORMAT::DXT1);
        if (!d.Dxt1) {
            std::set<std::uint32_t> colours(d.Pixels.begin(), d.Pixels.end());
            EXPECT_GT(colours.size(), 1u) << "a blank texture shows nothing";
        }
    });
}

TEST_F(StandIns, HighlightedVariantsDifferVisibly) {
    int pairs = 0;
    for (const QNMEDIAENTRY& e : MediaManifest()) {
        if (e.Kind != QNMEDIAKIND::TEXTURE || e.Count < 2 || e.Format != QNTEXFORMAT::A8R8G8B8) continue;
        if (e.Look != static_cast<std::uint8_t>(QNTEXLOOK::HULL) && e.Look != static_cast<std::uint8_t>(QNTEXLOOK::BUTTON)) continue;
        DdsInfo a, b;
        ASSERT_EQ(CheckDds(MakeStandIn(e, 0), &a), "");
        ASSERT_EQ(CheckDds(MakeStandIn(e, 1), &b), "");
        double diff = 0;
        for (std::size_t i = 0; i < a.Pixels.size(); ++i)
            for (int s = 0; s < 24; s += 8)
                diff += std::abs(static_cast<int>((a.Pixels[i] >> s) & 0xFF) - static_cast<int>((b.Pixels[i] >> s) & 0xFF));
        EXPECT_GT(diff / (a.Pixels.size() * 3.0), 25.0) << e.Path;
        ++pairs;
    }
    EXPECT_GT(pairs, 20);
}

TEST_F(StandIns, FontAtlasesHoldGlyphsInTheirGrid) {
    for (const char* name : {"consolefont", "virozeveviz_font", "storefont"}) {
        const QNMEDIAENTRY* e = FindMediaByName(name, QNMEDIAKIND::TEXTURE);
        ASSERT_NE(e, nullptr) << name;
        DdsInfo d;
        ASSERT_EQ(CheckDds(MakeStandIn(*e, 0), &d), "");
        int gw = static_cast<int>(std::lround(e->GridWidth * d.Width)), gh = static_cast<int>(std::lround(e->GridHeight * d.Height));
        auto coverage = [&](int code) {
            int x0 = gw * (code % 16) / 16, x1 = gw * (code % 16 + 1) / 16;
            int y0 = gh * (code / 16) / 16, y1 = gh * (code / 16 + 1) / 16;
            long sum = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) sum += d.Pixels[static_cast<std::size_t>(y) * d.Width + x] >> 24;
            return sum;
        };
        EXPECT_EQ(coverage(' '), 0) << name;
        for (int c : {'A', 'Z', '0', '9', '$', 'M', 'a'}) EXPECT_GT(coverage(c), 1000) << name << " " << static_cast<char>(c);
        EXPECT_NE(coverage('O'), coverage('I')) << "glyphs differ";
        // Nothing outside the grid.
        long outside = 0;
        for (std::uint32_t y = 0; y < d.Height; ++y)
            for (std::uint32_t x = 0; x < d.Width; ++x)
                if (static_cast<int>(x) >= gw || static_cast<int>(y) >= gh) outside += d.Pixels[y * d.Width + x] >> 24;
        EXPECT_EQ(outside, 0) << name;
    }
}

// Letters fill the cell the game draws them in: wide and tall enough to read at 640 x 480 with no
// gap between them wider than a stroke, on a dark rim that keeps them apart from a bright scene.
TEST_F(StandIns, FontGlyphsFillTheirCellsOnADarkRim) {
    for (const char* name : {"consolefont", "virozeveviz_font", "storefont"}) {
        const QNMEDIAENTRY* e = FindMediaByName(name, QNMEDIAKIND::TEXTURE);
        ASSERT_NE(e, nullptr) << name;
        DdsInfo d;
        ASSERT_EQ(CheckDds(MakeStandIn(*e, 0), &d), "");
        const int gw = static_cast<int>(std::lround(e->GridWidth * d.Width));
        const int gh = static_cast<int>(std::lround(e->GridHeight * d.Height));
        // The figures of the HUD and the stores too; the menu's face is proportional.
        const bool figures = std::string(name) != "virozeveviz_font";
        for (int code : {'H', 'M', '0', '$'}) {
            if (!figures && (code == '0' || code == '$'))
                continue;
            const int x0 = gw * (code % 16) / 16, x1 = gw * (code % 16 + 1) / 16;
            const int y0 = gh * (code / 16) / 16, y1 = gh * (code / 16 + 1) / 16;
            int left = x1, right = x0 - 1, top = y1, bottom = y0 - 1, rim = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    const std::uint32_t p = d.Pixels[static_cast<std::size_t>(y) * d.Width + x];
                    const int a = static_cast<int>(p >> 24), bright = static_cast<int>((p >> 8) & 0xFF);
                    if (a > 160 && bright > 160) {
                        left = std::min(left, x), right = std::max(right, x);
                        top = std::min(top, y), bottom = std::max(bottom, y);
                    }
                    rim += a > 80 && bright < 64 ? 1 : 0;
                }
            SCOPED_TRACE(std::string(name) + " " + static_cast<char>(code));
            // On the screen a cell is about three quarters as wide as it is tall; the picture's cell
            // may have another shape, so widths are compared with the cell's width.
            EXPECT_GE(right - left + 1, (x1 - x0) * 6 / 10) << "narrow";
            EXPECT_GE(bottom - top + 1, (y1 - y0) * 6 / 10) << "short";
            EXPECT_GE(rim, (y1 - y0) * 2) << "no dark rim";
        }
    }
}

// A labelled icon shows its pictogram in the upper part and its name in white letters in the lower
// part: the letters stand as tall as a line of text, side by side across most of the cell.
TEST_F(StandIns, LabelledIconsCarryTheirNames) {
    int labelled = 0;
    for (const QNMEDIACELL& label : MediaCells()) {
        const QNMEDIAENTRY* e = FindMedia(label.Path);
        ASSERT_NE(e, nullptr) << label.Path;
        ASSERT_LT(label.Cell, e->Columns * e->Rows) << label.Caption;
        DdsInfo d;
        ASSERT_EQ(CheckDds(MakeStandIn(*e, 0), &d), "");
        const int gw = static_cast<int>(std::lround(e->GridWidth * d.Width));
        const int gh = static_cast<int>(std::lround(e->GridHeight * d.Height));
        const int x0 = gw * (label.Cell % e->Columns) / e->Columns, x1 = gw * (label.Cell % e->Columns + 1) / e->Columns;
        const int y0 = gh * (label.Cell / e->Columns) / e->Rows, y1 = gh * (label.Cell / e->Columns + 1) / e->Rows;
        // The name along the top, the pictogram below it, and the lower left corner (where the
        // HUD writes the place's number over the icon) left dark.
        const int split = y0 + (y1 - y0) * 4 / 10;
        const int cornerRight = x0 + (x1 - x0) / 4, cornerTop = y0 + (y1 - y0) * 6 / 10;
        int top = y1, bottom = y0 - 1, pictogram = 0, corner = 0;
        std::vector<int> columns(static_cast<std::size_t>(x1 - x0));
        for (int y = y0 + 4; y < y1 - 4; ++y)
            for (int x = x0 + 4; x < x1 - 4; ++x) {
                const std::uint32_t p = d.Pixels[static_cast<std::size_t>(y) * d.Width + x];
                const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
                          b = static_cast<int>(p & 0xFF), a = static_cast<int>(p >> 24);
                const bool white = a > 200 && r > 220 && g > 220 && b > 220;
                const bool bright = a > 200 && r + g + b > 300;
                if (y >= split) {
                    pictogram += bright ? 1 : 0;
                    corner += bright && x < cornerRight && y >= cornerTop ? 1 : 0;
                } else if (white) {
                    top = std::min(top, y), bottom = std::max(bottom, y);
                    columns[static_cast<std::size_t>(x - x0)] = 1;
                }
            }
        SCOPED_TRACE(label.Caption);
        int across = 0;
        for (int c : columns) across += c;
        EXPECT_GE(bottom - top + 1, (y1 - y0) / 6) << "no line of letters";
        EXPECT_GE(across, (x1 - x0) * 3 / 10) << "the name is not written across the cell";
        EXPECT_GT(pictogram, (x1 - x0) * (y1 - y0) / 40) << "no pictogram";
        EXPECT_EQ(corner, 0) << "the pictogram reaches into the corner the place's number is written in";
        ++labelled;
    }
    EXPECT_GE(labelled, 17);
}

TEST_F(StandIns, SoundsMatchTheirEntriesAndLoopsJoin) {
    ForEach(QNMEDIAKIND::SOUND, [](const QNMEDIAENTRY& e, int m, const Bytes& bytes) {
        SCOPED_TRACE(MediaMemberPath(e.Path, m));
        WavInfo w;
        ASSERT_EQ(CheckWav(bytes, &w), "");
        EXPECT_EQ(w.Channels, e.Channels);
        EXPECT_EQ(w.Rate, 22050);
        std::size_t frames = w.Samples.size() / static_cast<std::size_t>(w.Channels);
        EXPECT_NEAR(static_cast<double>(frames) / w.Rate, e.Seconds, 0.01);
        int peak = 0;
        for (auto s : w.Samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 8000) << "audible";
        if (e.Loops) {
            // The jump from the last frame to the first is no bigger than the steps inside.
            for (int c = 0; c < w.Channels; ++c) {
                int maxStep = 0;
                for (std::size_t i = 1; i < frames; ++i)
                    maxStep = std::max(maxStep, std::abs(w.Samples[i * w.Channels + c] - w.Samples[(i - 1) * w.Channels + c]));
                int wrap = std::abs(w.Samples[c] - w.Samples[(frames - 1) * w.Channels + c]);
                EXPECT_LE(wrap, maxStep) << "click at the loop point";
            }
        }
    });
}

TEST_F(StandIns, SoundsLoadThroughSdl) {
    ForEach(QNMEDIAKIND::SOUND, [](const QNMEDIAENTRY& e, int m, const Bytes& bytes) {
        SCOPED_TRACE(MediaMemberPath(e.Path, m));
        SDL_AudioSpec spec;
        Uint8* buffer = nullptr;
        Uint32 length = 0;
        SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
        ASSERT_NE(SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length), nullptr) << SDL_GetError();
        EXPECT_EQ(spec.channels, e.Channels);
        EXPECT_EQ(spec.freq, 22050);
        EXPECT_EQ(spec.format, AUDIO_S16LSB);
        EXPECT_EQ(length, bytes.size() - 44);
        SDL_FreeWAV(buffer);
    });
}

TEST_F(StandIns, GenerationIsDeterministicAndMembersDiffer) {
    for (const QNMEDIAENTRY& e : MediaManifest()) {
        Bytes first = MakeStandIn(e, 0);
        EXPECT_EQ(first, MakeStandIn(e, 0)) << e.Path;
        if (e.Count > 1) {
            EXPECT_NE(first, MakeStandIn(e, 1)) << e.Path;
        }
    }
}

}  // namespace
