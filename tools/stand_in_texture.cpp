// Stand-in textures. Each look paints into an ARGB image; grids are painted cell by cell with the
// cell layout the code indexes (cell n at column n % Columns, row n / Columns, the grid covering
// GridWidth x GridHeight of the image from its top-left corner). Member 1 of a hull or button
// series is the highlighted variant: brighter, tinted yellow and striped at the border.

#include "physics/dynamics/me_random.h"
#include "tools/media_formats.h"
#include "tools/stand_in.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr float kPi = 3.14159265358979f;

struct Rgba {
    float r, g, b, a;
};

Rgba FromArgb(std::uint32_t c) {
    return {static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
            static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>(c >> 24) / 255.0f};
}

std::uint32_t ToArgb(Rgba c) {
    auto q = [](float v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return q(c.a) << 24 | q(c.r) << 16 | q(c.g) << 8 | q(c.b);
}

Rgba Scale(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
Rgba Mix(Rgba a, Rgba b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
Rgba WithAlpha(Rgba c, float a) { return {c.r, c.g, c.b, a}; }

// Deterministic value noise on an integer lattice.
float Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343U ^ y * 0xd8163841U ^ seed * 0xcb1ab31fU;
    h ^= h >> 13;
    h *= 0x5bd1e995U;
    h ^= h >> 15;
    return static_cast<float>(h & 0xFFFF) / 65535.0f;
}

float Noise(float x, float y, std::uint32_t seed) {
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    float fx = x - static_cast<float>(ix), fy = y - static_cast<float>(iy);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto h = [&](int a, int b) { return Hash(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b), seed); };
    float top = h(ix, iy) + (h(ix + 1, iy) - h(ix, iy)) * fx;
    float bottom = h(ix, iy + 1) + (h(ix + 1, iy + 1) - h(ix, iy + 1)) * fx;
    return top + (bottom - top) * fy;
}

float Fbm(float x, float y, std::uint32_t seed) {
    float s = 0, amp = 0.5f;
    for (int o = 0; o < 4; ++o) {
        s += amp * Noise(x, y, seed + static_cast<std::uint32_t>(o) * 101u);
        x *= 2;
        y *= 2;
        amp *= 0.5f;
    }
    return s;
}

// A rectangle of the image, painted with coordinates u, v in [0, 1) inside it.
struct Cell {
    int x0, y0, w, h;
};

template <class F>
void Paint(Image& img, Cell c, F&& f) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(c.w);
            float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(c.h);
            img.At(c.x0 + x, c.y0 + y) = ToArgb(f(u, v));
        }
}

// The cells of the entry's grid, in cell order.
std::vector<Cell> Cells(const QNMEDIAENTRY& e, const Image& img) {
    std::vector<Cell> cells;
    int gw = static_cast<int>(std::lround(e.GridWidth * static_cast<float>(img.Width)));
    int gh = static_cast<int>(std::lround(e.GridHeight * static_cast<float>(img.Height)));
    int cols = std::max(1, static_cast<int>(e.Columns)), rows = std::max(1, static_cast<int>(e.Rows));
    for (int r = 0; r < rows; ++r)
        for (int k = 0; k < cols; ++k) {
            int x0 = gw * k / cols, x1 = gw * (k + 1) / cols;
            int y0 = gh * r / rows, y1 = gh * (r + 1) / rows;
            cells.push_back({x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0)});
        }
    return cells;
}

float Border(float u, float v) { return std::min(std::min(u, 1 - u), std::min(v, 1 - v)); }

// Dots in a row near the bottom of a cell, one per unit of `n` (up to 8), so each cell is told apart.
bool CountDot(float u, float v, int n) {
    if (v < 0.82f || v > 0.92f) return false;
    int count = std::min(n, 8);
    for (int i = 0; i < count; ++i) {
        float cx = 0.15f + 0.1f * static_cast<float>(i);
        if (std::fabs(u - cx) < 0.035f) return true;
    }
    return false;
}

// One of eight icon shapes, centred in the cell.
bool Icon(float u, float v, int shape) {
    float x = u - 0.5f, y = v - 0.45f;
    float r = std::sqrt(x * x + y * y);
    switch (shape % 8) {
    case 0: return r < 0.28f && r > 0.18f;
    case 1: return std::fabs(x) < 0.25f && std::fabs(y) < 0.25f;
    case 2: return y > -0.28f && y < 0.25f && std::fabs(x) < (y + 0.28f) * 0.55f;
    case 3: return std::fabs(x) + std::fabs(y) < 0.3f;
    case 4: return (std::fabs(x) < 0.07f || std::fabs(y) < 0.07f) && r < 0.3f;
    case 5: return std::fabs(std::fabs(x) - std::fabs(y)) < 0.06f && r < 0.3f;
    case 6: return r < 0.12f || (r > 0.22f && r < 0.28f);
    default: return std::fabs(y) < 0.08f && x > -0.3f && x < 0.3f;
    }
}

const Rgba kOreColours[4] = {{0.9f, 0.15f, 0.1f, 1}, {0.15f, 0.85f, 0.2f, 1}, {0.2f, 0.35f, 0.95f, 1}, {0.95f, 0.85f, 0.15f, 1}};

void PaintHull(Image& img, Rgba base, bool highlight, std::uint32_t seed) {
    Cell all{0, 0, img.Width, img.Height};
    Rgba yellow{1.0f, 0.85f, 0.2f, 1};
    Paint(img, all, [&](float u, float v) {
        float n = Fbm(u * 8, v * 8, seed);
        Rgba c = Scale(base, 0.75f + 0.35f * n);
        float pu = u * 4 - std::floor(u * 4), pv = v * 4 - std::floor(v * 4);
        if (pu < 0.03f || pv < 0.03f) c = Scale(c, 0.55f);                   // panel seams
        if (std::fabs(pu - 0.1f) < 0.02f && std::fabs(pv - 0.1f) < 0.02f) c = Scale(c, 1.3f);  // rivets
        if (highlight) {
            c = Mix(c, yellow, 0.45f);
            if (Border(u, v) < 0.06f && static_cast<int>((u + v) * 20) % 2 == 0) c = {1, 1, 0.1f, 1};
        }
        return WithAlpha(c, 1.0f);
    });
}

// Words printed on the buttons that name an action, by file title; other buttons carry a striped bar.
const char* ButtonCaption(std::string_view path) {
    static constexpr std::pair<std::string_view, const char*> kCaptions[] = {
        {"mainmenu\\textures\\newgamebutton.dds", "NEW GAME"},
        {"mainmenu\\textures\\loadsavebutton.dds", "LOAD / SAVE"},
        {"mainmenu\\textures\\optionsbutton.dds", "OPTIONS"},
        {"mainmenu\\textures\\quitbutton.dds", "QUIT"},
        {"mercenarymanager\\textures\\dragtohire.dds", "HIRE"},
        {"mercenarymanager\\textures\\dismiss.dds", "DISMISS"},
        {"mercenarymanager\\textures\\exitbutton.dds", "EXIT"},
    };
    for (const auto& [title, caption] : kCaptions)
        if (path.size() >= title.size() && path.substr(path.size() - title.size()) == title) return caption;
    return nullptr;
}

// A FreeType face of the font file FontPath(archiveName) names, closed with its library.
class Font {
public:
    explicit Font(std::string_view archiveName) {
        if (FT_Init_FreeType(&lib_)) throw std::runtime_error("FreeType did not start");
        const std::string path = FontPath(archiveName);
        if (FT_New_Face(lib_, path.c_str(), 0, &face_)) {
            FT_Done_FreeType(lib_);
            throw std::runtime_error("cannot open font " + path);
        }
    }
    ~Font() {
        FT_Done_Face(face_);
        FT_Done_FreeType(lib_);
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    FT_Face operator->() const { return face_; }
    operator FT_Face() const { return face_; }

private:
    FT_Library lib_ = nullptr;
    FT_Face face_ = nullptr;
};

// The face of pictograms (FontPath knows it by this name).
constexpr std::string_view kSymbolFace = "<symbols>";

// Lays `text` over the middle of the cell in `colour`, as large as the shares `tall` of the
// cell's height and `wide` of its width allow.
void PaintCaption(Image& img, Cell c, const char* text, Rgba colour, float tall = 0.6f, float wide = 0.8f) {
    const Font face("");
    const std::string_view line(text);
    auto width = [&] {
        int w = 0;
        for (char ch : line)
            if (!FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_DEFAULT)) w += static_cast<int>(face->glyph->advance.x >> 6);
        return w;
    };
    int size = std::max(4, static_cast<int>(static_cast<float>(c.h) * tall));
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    for (int w = width(); static_cast<float>(w) > static_cast<float>(c.w) * wide && size > 4; w = width())
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(--size));
    int pen = c.x0 + (c.w - width()) / 2;
    const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    const int baseline = c.y0 + (c.h - static_cast<int>(face->size->metrics.height >> 6)) / 2 + ascender;
    for (char ch : line) {
        if (FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_RENDER)) continue;
        const FT_GlyphSlot g = face->glyph;
        for (unsigned y = 0; y < g->bitmap.rows; ++y)
            for (unsigned x = 0; x < g->bitmap.width; ++x) {
                const int px = pen + g->bitmap_left + static_cast<int>(x), py = baseline - g->bitmap_top + static_cast<int>(y);
                if (px < c.x0 || py < c.y0 || px >= c.x0 + c.w || py >= c.y0 + c.h) continue;
                const float cov = static_cast<float>(g->bitmap.buffer[y * static_cast<unsigned>(g->bitmap.pitch) + x]) / 255.0f;
                const Rgba under = FromArgb(img.At(px, py));
                img.At(px, py) = ToArgb(WithAlpha(Mix(under, colour, cov), under.a + (1 - under.a) * cov));
            }
        pen += static_cast<int>(g->advance.x >> 6);
    }
}

// One character of the symbol face, as large as the cell allows, centred in it in `colour`.
void PaintSymbol(Image& img, Cell c, char32_t symbol, Rgba colour) {
    const Font face(kSymbolFace);
    int size = std::max(4, c.h);
    auto fits = [&] {
        if (FT_Load_Char(face, symbol, FT_LOAD_DEFAULT)) return true;
        const FT_Glyph_Metrics& m = face->glyph->metrics;
        return (m.width >> 6) <= c.w && (m.height >> 6) <= c.h;
    };
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    while (!fits() && size > 4) FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(--size));
    // Thin pictograms (a lightning bolt, rays) are thickened to hold up at HUD size.
    if (FT_Load_Char(face, symbol, FT_LOAD_DEFAULT) || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return;
    FT_Outline_Embolden(&face->glyph->outline, static_cast<FT_Pos>(size) * 64 / 24);
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL)) return;
    const FT_GlyphSlot g = face->glyph;
    const int left = c.x0 + (c.w - static_cast<int>(g->bitmap.width)) / 2;
    const int top = c.y0 + (c.h - static_cast<int>(g->bitmap.rows)) / 2;
    for (unsigned y = 0; y < g->bitmap.rows; ++y)
        for (unsigned x = 0; x < g->bitmap.width; ++x) {
            const int px = left + static_cast<int>(x), py = top + static_cast<int>(y);
            if (px < c.x0 || py < c.y0 || px >= c.x0 + c.w || py >= c.y0 + c.h) continue;
            const float cov = static_cast<float>(g->bitmap.buffer[y * static_cast<unsigned>(g->bitmap.pitch) + x]) / 255.0f;
            const Rgba under = FromArgb(img.At(px, py));
            img.At(px, py) = ToArgb(WithAlpha(Mix(under, colour, cov), under.a + (1 - under.a) * cov));
        }
}

// An icon that says what it shows: a framed dark panel, its short name in white along the top,
// the thing's pictogram in the entry's colour below. The HUD numbers each place at the icon's
// lower left, so the pictogram keeps to the right of that corner.
void PaintLabelledCell(Image& img, Cell c, const QNMEDIACELL& label, Rgba base) {
    const Rgba tint = Mix(base, Rgba{1, 1, 1, 1}, 0.15f);
    Paint(img, c, [&](float u, float v) {
        if (Border(u, v) < 0.05f) return WithAlpha(tint, 0.95f);
        return Rgba{0.04f, 0.04f, 0.06f, 0.6f};
    });
    const int inset = std::max(1, c.w / 16);
    const int split = c.y0 + c.h * 40 / 100;
    PaintCaption(img, {c.x0 + inset, c.y0 + inset, c.w - 2 * inset, split - c.y0 - inset}, label.Caption,
                 Rgba{1, 1, 1, 1}, 0.95f, 0.97f);
    const int clear = c.w * 28 / 100;
    PaintSymbol(img, {c.x0 + clear, split, c.w - clear - inset, c.y0 + c.h - inset - split}, label.Symbol, tint);
}

void PaintButton(Image& img, const QNMEDIAENTRY& e, int member) {
    const char* caption = ButtonCaption(e.Path);
    Rgba base = FromArgb(e.Colour);
    std::vector<Cell> cells = Cells(e, img);
    // A series member is a value of the control (unchecked, checked, mixed; idle, highlighted):
    // member 1 and up are tinted and carry a mark. Cells are states: 1 highlighted, 2 pressed,
    // 3 disabled; a texture of one cell takes its state from the member.
    if (member > 0) base = Mix(base, Rgba{1, 0.9f, 0.3f, 1}, 0.45f);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        int state = cells.size() > 1 ? static_cast<int>(i) : member;
        Paint(img, cells[i], [&](float u, float v) {
            float b = Border(u, v);
            if (b < 0.02f) return Rgba{0, 0, 0, 0};
            Rgba fill = Scale(base, 0.55f + 0.25f * (1 - v));
            Rgba rim = Scale(base, 1.4f);
            if (state == 1) { fill = Mix(fill, Rgba{1, 1, 0.6f, 1}, 0.5f); rim = {1, 1, 1, 1}; }
            if (state == 2) fill = Scale(fill, 0.6f);
            if (state == 3) { fill = {0.35f, 0.35f, 0.35f, 1}; rim = {0.5f, 0.5f, 0.5f, 1}; }
            Rgba c = b < 0.08f ? rim : fill;
            if (!caption && v > 0.4f && v < 0.6f && u > 0.2f && u < 0.8f && static_cast<int>(u * 24) % 3 != 0)
                c = Scale(c, 1.5f);  // caption bar
            if (!caption && member > 0 && Icon(u, v, member + 3)) c = {1, 1, 1, 1};
            return WithAlpha(c, 1.0f);
        });
        if (caption) PaintCaption(img, cells[i], caption, member > 0 ? Rgba{0.1f, 0.1f, 0.25f, 1} : Rgba{1, 1, 1, 1});
    }
}

// Glyph atlas: character code c drawn into cell (c % 16, c / 16), white with coverage as alpha,
// over a dark rim so that text reads over a bright scene (the text's colour tints the white and
// leaves the rim dark). The game draws a cell FontCellAspect wide for each unit of height,
// whatever the cell's shape in the picture, so each glyph is widened by the ratio of the two
// and then up to kFontWiden more, filling the cell without gaps between letters.
void PaintFont(Image& img, const QNMEDIAENTRY& e) {
    // Glyphs may be drawn this much wider than the face's own proportion.
    constexpr float kFontWiden = 1.3f;
    // The rim's opacity where it meets the glyph.
    constexpr float kRimAlpha = 0.8f;
    const Font face(e.Path);
    std::vector<Cell> cells = Cells(e, img);
    const int ch = cells[0].h, cw = cells[0].w;
    const int rim = std::max(1, ch / 14);
    const int roomH = ch - 2 * rim, roomW = cw - 2 * rim;
    // Capitals, digits and descenders fill the cell's height less the rim (accents above the
    // capitals may be cut).
    auto extent = [&](std::string_view above, std::string_view below) {
        int up = 0, down = 0;
        for (char c : above)
            if (!FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_DEFAULT))
                up = std::max(up, static_cast<int>(face->glyph->metrics.horiBearingY >> 6));
        for (char c : below)
            if (!FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_DEFAULT))
                down = std::max(down, static_cast<int>((face->glyph->metrics.height - face->glyph->metrics.horiBearingY) >> 6));
        return std::pair{up, down};
    };
    int size = roomH * 3 / 2;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    for (auto e2 = extent("H0$bd", "gpqy"); e2.first + e2.second > roomH && size > 4; e2 = extent("H0$bd", "gpqy"))
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(--size));
    const auto [up, down] = extent("H0$bd", "gpqy");
    // The widest of the common glyphs fits the cell at the chosen widening.
    int widest = 1;
    for (char c : std::string_view("MW@0m%"))
        if (!FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_DEFAULT))
            widest = std::max(widest, static_cast<int>(face->glyph->advance.x >> 6));
    const float natural = (static_cast<float>(cw) / static_cast<float>(ch)) / FontCellAspect(e.Path);
    const float widen = std::min(natural * kFontWiden, static_cast<float>(roomW) / static_cast<float>(widest));
    FT_Matrix stretch{static_cast<FT_Fixed>(std::lround(widen * 65536.0f)), 0, 0, 0x10000};
    FT_Set_Transform(face, &stretch, nullptr);
    const int top0 = rim + (roomH - up - down) / 2 + up;
    std::vector<float> cover(static_cast<std::size_t>(cw * ch));
    for (int code = 32; code < 256 && code < static_cast<int>(cells.size()); ++code) {
        // Codes 160-255 are Latin-1, the C runtime's text of the game; 127-159 are controls.
        if (code >= 127 && code < 160) continue;
        if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER)) continue;
        FT_GlyphSlot g = face->glyph;
        const Cell& c = cells[static_cast<std::size_t>(code)];
        std::fill(cover.begin(), cover.end(), 0.0f);
        const int advance = static_cast<int>(g->advance.x >> 6);
        const int left = (cw - advance) / 2 + g->bitmap_left;
        const int top = top0 - g->bitmap_top;
        for (unsigned y = 0; y < g->bitmap.rows; ++y)
            for (unsigned x = 0; x < g->bitmap.width; ++x) {
                const int px = left + static_cast<int>(x), py = top + static_cast<int>(y);
                if (px < 0 || py < 0 || px >= cw || py >= ch) continue;
                cover[static_cast<std::size_t>(py * cw + px)] =
                    static_cast<float>(g->bitmap.buffer[y * static_cast<unsigned>(g->bitmap.pitch) + x]) / 255.0f;
            }
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                // The rim: the strongest coverage within `rim` pixels, fading with distance.
                float near = 0.0f;
                for (int dy = -rim; dy <= rim; ++dy)
                    for (int dx = -rim; dx <= rim; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= cw || ny >= ch) continue;
                        const float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                        if (d > static_cast<float>(rim) + 0.5f) continue;
                        near = std::max(near, cover[static_cast<std::size_t>(ny * cw + nx)] *
                                                  (1.0f - 0.5f * d / (static_cast<float>(rim) + 0.5f)));
                    }
                const float glyph = cover[static_cast<std::size_t>(y * cw + x)];
                const float alpha = glyph + (1.0f - glyph) * kRimAlpha * near;
                if (alpha <= 0.0f) continue;
                // White glyph over the black rim, as straight colour with its alpha.
                const float white = glyph / alpha;
                img.At(c.x0 + x, c.y0 + y) = ToArgb(Rgba{white, white, white, alpha});
            }
    }
}

void PaintLook(Image& img, const QNMEDIAENTRY& e, int member, std::uint32_t seed) {
    Rgba base = FromArgb(e.Colour);
    std::vector<Cell> cells = Cells(e, img);
    const int n = static_cast<int>(cells.size());
    switch (static_cast<QNTEXLOOK>(e.Look)) {
    case QNTEXLOOK::HULL:
        PaintHull(img, base, member == 1, seed);
        break;
    case QNTEXLOOK::ROCK:
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            float f = Fbm(u * 6, v * 6, seed);
            float crater = Noise(u * 12, v * 12, seed + 7) > 0.8f ? 0.7f : 1.0f;
            return WithAlpha(Scale(base, (0.5f + 0.8f * f) * crater), 1.0f);
        });
        break;
    case QNTEXLOOK::ORE:
        for (int i = 0; i < n; ++i) {
            // Alone: the member is the colour. In a grid: cell = kind + colour x 4.
            int colour = n > 1 ? (i / std::max(1, static_cast<int>(e.Columns))) % 4 : member % 4;
            int kind = n > 1 ? i % std::max(1, static_cast<int>(e.Columns)) : 0;
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                float f = Fbm(u * 5 + static_cast<float>(kind), v * 5, seed);
                float facet = std::fabs(std::sin((u * 3 + v * 2 + static_cast<float>(kind)) * kPi));
                Rgba c = Scale(kOreColours[colour], 0.5f + 0.6f * f + 0.3f * facet);
                if (n > 1 && !Icon(u, v, kind + 1)) c = WithAlpha(Scale(c, 0.3f), 0.3f);
                return c;
            });
        }
        break;
    case QNTEXLOOK::GLOW:
    case QNTEXLOOK::SPARK: {
        float sharp = static_cast<QNTEXLOOK>(e.Look) == QNTEXLOOK::SPARK ? 4.0f : 1.6f;
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
            float r = std::sqrt(x * x + y * y);
            float a = std::pow(std::max(0.0f, 1 - r), sharp);
            return WithAlpha(Mix(base, Rgba{1, 1, 1, 1}, a * 0.6f), a);
        });
        break;
    }
    case QNTEXLOOK::FLASH:
        for (int i = 0; i < n; ++i) {
            float turn = static_cast<float>(i + member) * 0.7f;
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
                float r = std::sqrt(x * x + y * y), t = std::atan2(y, x) + turn;
                float spikes = std::pow(std::fabs(std::cos(t * 3)), 8.0f);
                float a = std::clamp((1 - r) * (0.4f + 1.2f * spikes), 0.0f, 1.0f);
                return WithAlpha(Mix(base, Rgba{1, 1, 1, 1}, a), a);
            });
        }
        break;
    case QNTEXLOOK::FRAMES:
        for (int i = 0; i < n; ++i) {
            float t = n > 1 ? static_cast<float>(i) / static_cast<float>(n - 1) : 0.5f;
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
                float r = std::sqrt(x * x + y * y) / (0.25f + 0.75f * t);
                float turb = Fbm(u * 6 + static_cast<float>(member), v * 6, seed);
                float a = std::clamp((1.1f - r - 0.3f * turb) * 2.0f, 0.0f, 1.0f) * (1 - 0.8f * t);
                Rgba hot = Mix(Rgba{1, 1, 0.85f, 1}, base, std::min(1.0f, r + t));
                return WithAlpha(Mix(hot, Scale(base, 0.4f), t * 0.6f), a);
            });
        }
        break;
    case QNTEXLOOK::TUNNEL: {
        float phase = static_cast<float>(member) / static_cast<float>(std::max(1, static_cast<int>(e.Count)));
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
            float r = std::sqrt(x * x + y * y) + 1e-3f;
            float rings = 0.5f + 0.5f * std::sin((1.0f / r + phase) * 2 * kPi * 2);
            float streak = 0.5f + 0.5f * std::sin(std::atan2(y, x) * 12 + phase * 2 * kPi);
            float a = std::clamp(rings * (0.5f + 0.5f * streak) * std::min(1.0f, r * 1.5f), 0.0f, 1.0f);
            return WithAlpha(Mix(base, Rgba{1, 1, 1, 1}, rings * 0.5f), a);
        });
        break;
    }
    case QNTEXLOOK::CELLS:
        for (int i = 0; i < n; ++i) {
            if (const QNMEDIACELL* label = MediaCellLabel(e.Path, i)) {
                PaintLabelledCell(img, cells[static_cast<std::size_t>(i)], *label, base);
                continue;
            }
            int shape = static_cast<int>(seed % 8) + i;
            Rgba tint = Mix(base, Rgba{1, 1, 1, 1}, static_cast<float>(i % 4) * 0.12f);
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                float b = Border(u, v);
                if (b < 0.05f) return WithAlpha(tint, 0.9f);
                if (Icon(u, v, shape)) return WithAlpha(tint, 1.0f);
                if (n > 1 && CountDot(u, v, i + 1)) return Rgba{1, 1, 1, 1};
                return WithAlpha(Scale(tint, 0.25f), 0.35f);
            });
        }
        break;
    case QNTEXLOOK::FONT:
        PaintFont(img, e);
        break;
    case QNTEXLOOK::BUTTON:
        PaintButton(img, e, member);
        break;
    case QNTEXLOOK::BACKDROP:
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            Rgba c = Mix(Scale(base, 1.3f), Rgba{0.02f, 0.02f, 0.05f, 1}, v);
            float gu = u * 16 - std::floor(u * 16), gv = v * 12 - std::floor(v * 12);
            if (gu < 0.04f || gv < 0.05f) c = Mix(c, Rgba{1, 1, 1, 1}, 0.12f);
            if (Border(u, v) < 0.01f) c = Scale(base, 2.0f);
            c = Mix(c, Rgba{0, 0, 0, 1}, 0.25f * Fbm(u * 4, v * 3, seed));
            return WithAlpha(c, 1.0f);
        });
        break;
    case QNTEXLOOK::STARS: {
        Image& out = img;
        for (auto& p : out.Pixels) p = 0xFF000000;
        MeRandomGenerator g;
        g.state = seed;
        int stars = out.Width * out.Height / 90;
        for (int s = 0; s < stars; ++s) {
            int x = g.Next() % out.Width, y = g.Next() % out.Height;
            int bright = 90 + g.Next() % 166;
            int hue = g.Next() % 3;
            int r = bright, gg = bright, b = bright;
            if (hue == 1) b = std::min(255, b + 40); else if (hue == 2) r = std::min(255, r + 30);
            out.At(x, y) = 0xFF000000u | static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(gg) << 8 | static_cast<std::uint32_t>(b);
        }
        break;
    }
    case QNTEXLOOK::BEAM:
        for (int i = 0; i < n; ++i) {
            bool end = n >= 8 && i >= n / 2;
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                float core = std::exp(-std::pow((v - 0.5f) * 6.0f, 2.0f));
                float flicker = 0.7f + 0.3f * Noise(u * 10 + static_cast<float>(i) * 3.0f, 0.5f, seed);
                float a = core * flicker * (end ? std::max(0.0f, 1 - u) : 1.0f);
                return WithAlpha(Mix(base, Rgba{1, 1, 1, 1}, core * 0.7f), std::clamp(a, 0.0f, 1.0f));
            });
        }
        break;
    case QNTEXLOOK::RING:
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
            float r = std::sqrt(x * x + y * y);
            float a = std::exp(-std::pow((r - 0.8f) * 12.0f, 2.0f)) + 0.15f * std::max(0.0f, 0.8f - r);
            return WithAlpha(Mix(base, Rgba{1, 1, 1, 1}, a * 0.5f), std::clamp(a, 0.0f, 1.0f));
        });
        break;
    case QNTEXLOOK::PANEL:
        for (int i = 0; i < n; ++i)
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                float b = Border(u, v);
                if (b < 0.03f) return WithAlpha(base, 1.0f);
                bool tick = (u < 0.15f || u > 0.85f) && (v < 0.15f || v > 0.85f) && b < 0.06f;
                if (tick) return Rgba{1, 1, 1, 1};
                float scan = 0.5f + 0.5f * std::sin(v * static_cast<float>(img.Height) * 0.5f);
                Rgba fill = Scale(base, 0.3f + 0.1f * scan + 0.15f * static_cast<float>(member));
                return WithAlpha(fill, 0.35f);
            });
        break;
    case QNTEXLOOK::METER:
        for (int i = 0; i < n; ++i) {
            float level = n > 1 ? static_cast<float>(i) / static_cast<float>(n - 1) : 1.0f;
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                if (Border(u, v) < 0.05f) return WithAlpha(base, 1.0f);
                bool filled = u > 0.15f && u < 0.85f && (1 - v) < 0.1f + 0.8f * level && v < 0.9f;
                Rgba c = filled ? Mix(base, Rgba{1, 0.2f, 0.1f, 1}, level * 0.5f) : Scale(base, 0.2f);
                return WithAlpha(c, filled ? 1.0f : 0.4f);
            });
        }
        break;
    case QNTEXLOOK::LOGO:
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            float x = (u - 0.5f) * 2, y = (v - 0.5f) * 2;
            float r = std::sqrt(x * x + y * y);
            bool ring = r > 0.55f && r < 0.65f;
            bool q = r < 0.42f && r > 0.28f;
            bool tail = x > 0.1f && x < 0.45f && std::fabs(y - x) < 0.07f;
            float shade = 0.6f + 0.4f * (1 - v);
            if (ring || q || tail) return WithAlpha(Scale(base, shade), 1.0f);
            return Rgba{0.02f, 0.02f, 0.03f, 1};
        });
        break;
    case QNTEXLOOK::BARRIER:
        for (int i = 0; i < n; ++i)
            Paint(img, cells[static_cast<std::size_t>(i)], [&](float u, float v) {
                float phase = static_cast<float>(i) * 0.25f;
                float w = 0.5f + 0.5f * std::sin((u * 3 + v * 2 + phase) * 2 * kPi) * std::sin((v * 4 - phase) * 2 * kPi);
                return WithAlpha(Mix(base, Rgba{1, 1, 1, 1}, w * 0.5f), 0.25f + 0.5f * w);
            });
        break;
    case QNTEXLOOK::COMET:
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            float y = (v - 0.5f) * 2;
            float width = 0.1f + 0.9f * (1 - u);
            float tail = std::exp(-std::pow(y / width, 2.0f) * 3) * std::pow(u, 1.5f);
            float head = std::exp(-((u - 0.92f) * (u - 0.92f) * 400 + y * y * 30));
            float a = std::clamp(tail + head, 0.0f, 1.0f);
            return WithAlpha(Mix(base, Rgba{1, 1, 1, 1}, head), a);
        });
        break;
    case QNTEXLOOK::POINTER: {
        // Arrow: left edge straight down from the tip, the right edge at 45 degrees, a short tail.
        const float px = 1.0f / static_cast<float>(img.Width);
        auto inside = [](float x, float y, float grow) {
            const bool head = x >= -grow && y >= x - grow * 1.42f && y <= 0.72f - 0.45f * x + grow;
            const float along = (x + y) * 0.7071f, across = (y - x) * 0.7071f;
            const bool tail = along > 0.3f && along < 0.72f + grow && std::fabs(across - 0.18f) < 0.06f + grow;
            return head || tail;
        };
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            const float x = u - 1.5f * px, y = v - 1.5f * px;  // tip at pixel (1, 1)
            if (inside(x, y, 0)) return WithAlpha(base, 1.0f);
            if (inside(x, y, 1.5f * px)) return Rgba{0, 0, 0, 1};
            return Rgba{0, 0, 0, 0};
        });
        break;
    }
    case QNTEXLOOK::VISORTOP:
    case QNTEXLOOK::VISORBOTTOM: {
        // The rim's depth in pixels from the outer edge: 40 in the middle, 128 in the corners,
        // so both strips show the same rim whatever their height.
        const bool top = static_cast<QNTEXLOOK>(e.Look) == QNTEXLOOK::VISORTOP;
        const float height = static_cast<float>(img.Height);
        Paint(img, {0, 0, img.Width, img.Height}, [&](float u, float v) {
            const float fromEdge = (top ? v : 1 - v) * height;
            const float side = std::pow(std::fabs(u - 0.5f) * 2, 4.0f);
            const float rim = 40.0f + 88.0f * side;
            if (fromEdge > rim + 2.0f) return Rgba{0, 0, 0, 0};
            if (fromEdge > rim - 2.0f) return WithAlpha(base, 0.9f);
            const float shade = 0.08f + 0.06f * (fromEdge / rim);
            return Rgba{shade, shade * 1.1f, shade * 1.3f, 0.92f};
        });
        break;
    }
    }
}

}  // namespace

std::string FontPath(std::string_view archiveName) {
    const std::string dir = "/usr/share/fonts/truetype/dejavu/";
    if (archiveName.find("virozeveviz") != std::string_view::npos) return dir + "DejaVuSerif-Bold.ttf";  // menu titles
    if (archiveName == kSymbolFace) return dir + "DejaVuSans-Bold.ttf";  // bold strokes that hold up small
    // Text laid out in fixed cells (HUD figures and messages, store figures) reads evenly in a
    // monospaced face; captions painted on pictures are set in the proportional one.
    const std::string_view atlas = "font.dds";
    if (archiveName.size() >= atlas.size() && archiveName.substr(archiveName.size() - atlas.size()) == atlas)
        return dir + "DejaVuSansMono-Bold.ttf";
    return dir + "DejaVuSans-Bold.ttf";
}

float FontCellAspect(std::string_view archiveName) {
    // The HUD lays its money and message lines in cells of 25 x 33.75 and 20 x 27 units.
    if (archiveName.find("ruvuzev") != std::string_view::npos) return 0.74f;
    // The stores' figures and the menu's message: cells of 24 x 40 and 18 x 30 units.
    return 0.6f;
}

Bytes MakeTexture(const QNMEDIAENTRY& entry, int member) {
    Image img(entry.Width, entry.Height, 0);
    PaintLook(img, entry, member, MemberSeed(entry, member));
    return entry.Format == QNTEXFORMAT::DXT1 ? WriteDdsDxt1(img) : WriteDdsArgb(img);
}
