#include "tools/media_formats.h"

#include <algorithm>
#include <cstring>

namespace {

void Put8(Bytes& b, std::uint8_t v) { b.push_back(v); }
void Put16(Bytes& b, std::uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); }
void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutF(Bytes& b, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    Put32(b, u);
}
void PutTag(Bytes& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(tag[i]));
}

// DDS header flags and pixel-format flags.
constexpr std::uint32_t kDdsdCaps = 0x1, kDdsdHeight = 0x2, kDdsdWidth = 0x4, kDdsdPitch = 0x8,
                        kDdsdPixelFormat = 0x1000, kDdsdLinearSize = 0x80000;
constexpr std::uint32_t kDdpfAlphaPixels = 0x1, kDdpfFourCC = 0x4, kDdpfRgb = 0x40;
constexpr std::uint32_t kDdsCapsTexture = 0x1000;

void PutDdsHeader(Bytes& b, int w, int h, bool dxt1) {
    PutTag(b, "DDS ");
    Put32(b, 124);
    std::uint32_t flags = kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPixelFormat | (dxt1 ? kDdsdLinearSize : kDdsdPitch);
    Put32(b, flags);
    Put32(b, static_cast<std::uint32_t>(h));
    Put32(b, static_cast<std::uint32_t>(w));
    std::uint32_t pitch = dxt1 ? static_cast<std::uint32_t>(std::max(1, (w + 3) / 4) * std::max(1, (h + 3) / 4) * 8)
                               : static_cast<std::uint32_t>(w * 4);
    Put32(b, pitch);
    Put32(b, 0);  // depth
    Put32(b, 0);  // mip levels: one
    for (int i = 0; i < 11; ++i) Put32(b, 0);
    // Pixel format.
    Put32(b, 32);
    if (dxt1) {
        Put32(b, kDdpfFourCC);
        PutTag(b, "DXT1");
        for (int i = 0; i < 5; ++i) Put32(b, 0);
    } else {
        Put32(b, kDdpfRgb | kDdpfAlphaPixels);
        Put32(b, 0);
        Put32(b, 32);
        Put32(b, 0x00FF0000);
        Put32(b, 0x0000FF00);
        Put32(b, 0x000000FF);
        Put32(b, 0xFF000000);
    }
    Put32(b, kDdsCapsTexture);
    for (int i = 0; i < 4; ++i) Put32(b, 0);
}

std::uint16_t To565(int r, int g, int b) {
    return static_cast<std::uint16_t>(((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 | ((b * 31 + 127) / 255));
}

void From565(std::uint16_t c, int rgb[3]) {
    int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    rgb[0] = (r << 3) | (r >> 2);
    rgb[1] = (g << 2) | (g >> 4);
    rgb[2] = (b << 3) | (b >> 2);
}

// One 4x4 block: endpoints are the darkest and brightest pixels by luminance, each pixel takes
// the nearest of the four palette colours.
void EncodeBlock(const Image& img, int bx, int by, Bytes& out) {
    int px[16][3];
    int lo = 0, hi = 0, loL = 1 << 30, hiL = -1;
    for (int i = 0; i < 16; ++i) {
        std::uint32_t c = img.At(bx + i % 4, by + i / 4);
        px[i][0] = (c >> 16) & 0xFF;
        px[i][1] = (c >> 8) & 0xFF;
        px[i][2] = c & 0xFF;
        int lum = px[i][0] * 2 + px[i][1] * 4 + px[i][2];
        if (lum < loL) { loL = lum; lo = i; }
        if (lum > hiL) { hiL = lum; hi = i; }
    }
    std::uint16_t c0 = To565(px[hi][0], px[hi][1], px[hi][2]);
    std::uint16_t c1 = To565(px[lo][0], px[lo][1], px[lo][2]);
    if (c0 < c1) std::swap(c0, c1);
    std::uint32_t bits = 0;
    if (c0 != c1) {
        int pal[4][3];
        From565(c0, pal[0]);
        From565(c1, pal[1]);
        for (int k = 0; k < 3; ++k) {
            pal[2][k] = (2 * pal[0][k] + pal[1][k]) / 3;
            pal[3][k] = (pal[0][k] + 2 * pal[1][k]) / 3;
        }
        for (int i = 0; i < 16; ++i) {
            int best = 0, bestD = 1 << 30;
            for (int p = 0; p < 4; ++p) {
                int d = 0;
                for (int k = 0; k < 3; ++k) d += (px[i][k] - pal[p][k]) * (px[i][k] - pal[p][k]);
                if (d < bestD) { bestD = d; best = p; }
            }
            bits |= static_cast<std::uint32_t>(best) << (2 * i);
        }
    }
    Put16(out, c0);
    Put16(out, c1);
    Put32(out, bits);
}

}  // namespace

Bytes WriteGbm(const std::vector<GbmVertex>& vertices, const std::vector<std::uint16_t>& indices) {
    Bytes b;
    b.reserve(17 + vertices.size() * kGbmVertexSize + indices.size() * 2);
    PutTag(b, "QNGM");
    Put8(b, 4);
    Put32(b, kGbmVertexSize);
    Put32(b, static_cast<std::uint32_t>(vertices.size()));
    Put32(b, static_cast<std::uint32_t>(indices.size()));
    for (const GbmVertex& v : vertices) {
        for (float f : v.Position) PutF(b, f);
        PutF(b, 1.0f);                              // reciprocal w
        for (int i = 0; i < 3; ++i) PutF(b, 0.0f);  // blend weights
        Put32(b, 0);                                // blend indices
        for (float f : v.Normal) PutF(b, f);
        PutF(b, 1.0f);                              // point size
        Put32(b, v.Diffuse);
        Put32(b, 0);                                // reserved
        Put32(b, 1);                                // texture sets
        PutF(b, v.U);
        PutF(b, v.V);
        PutF(b, 0.0f);
        PutF(b, 0.0f);
    }
    for (std::uint16_t i : indices) Put16(b, i);
    return b;
}

Bytes WriteDdsArgb(const Image& image) {
    Bytes b;
    b.reserve(128 + image.Pixels.size() * 4);
    PutDdsHeader(b, image.Width, image.Height, false);
    for (std::uint32_t p : image.Pixels) Put32(b, p);  // little-endian ARGB is B, G, R, A in memory
    return b;
}

Bytes WriteDdsDxt1(const Image& image) {
    Bytes b;
    PutDdsHeader(b, image.Width, image.Height, true);
    for (int y = 0; y + 4 <= image.Height; y += 4)
        for (int x = 0; x + 4 <= image.Width; x += 4) EncodeBlock(image, x, y, b);
    return b;
}

Bytes WriteWav(const std::vector<std::int16_t>& samples, int channels, int rate) {
    Bytes b;
    std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    PutTag(b, "RIFF");
    Put32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1);  // PCM
    Put16(b, static_cast<std::uint16_t>(channels));
    Put32(b, static_cast<std::uint32_t>(rate));
    Put32(b, static_cast<std::uint32_t>(rate * channels * 2));
    Put16(b, static_cast<std::uint16_t>(channels * 2));
    Put16(b, 16);
    PutTag(b, "data");
    Put32(b, dataBytes);
    for (std::int16_t s : samples) Put16(b, static_cast<std::uint16_t>(s));
    return b;
}
