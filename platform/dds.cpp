// DDS decoding and the texture loader.
//
// File layout: "DDS ", a 124-byte header (size, flags, height, width, pitch,
// depth, mip count, 11 reserved words, a 32-byte pixel format of size, flags,
// four-character code, bit count and four channel masks, then four caps words
// and one reserved word), then the top level's texels. Rows are tight: a row of
// an uncompressed level is ceil(width x bits / 8) bytes; a compressed level is
// ceil(w/4) x ceil(h/4) blocks of 8 (DXT1) or 16 (DXT3, DXT5) bytes.
//
// DXT colour blocks hold two 5:6:5 end colours and 2-bit indices, row by row
// from the least significant bits; DXT1 with c0 <= c1 uses its fourth entry as
// transparent black. DXT3 adds 4-bit explicit alpha; DXT5 two end alphas with
// 3-bit indices (8 interpolated values when a0 > a1, else 6 plus 0 and 255).

#include "platform/dds.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr std::uint32_t kMaxSide = 16384;
constexpr std::uint32_t kMaxTextureSide = 4096;

std::uint32_t Read32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint32_t Expand(std::uint32_t v, int bits) {
    if (bits <= 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    // Bit replication: the top bits repeat into the low ones, so full scale maps to 255.
    std::uint32_t r = v << (8 - bits);
    for (int shift = bits; shift < 8; shift += bits) r |= r >> bits;
    return r & 0xFF;
}

int MaskShift(std::uint32_t m) {
    if (!m) return 0;
    int s = 0;
    while (!(m & 1u)) {
        m >>= 1;
        ++s;
    }
    return s;
}

int MaskBits(std::uint32_t m) {
    int n = 0;
    for (; m; m &= m - 1) ++n;
    return n;
}

std::uint32_t Channel(std::uint32_t texel, std::uint32_t mask) {
    if (!mask) return 0;
    return Expand((texel & mask) >> MaskShift(mask), MaskBits(mask));
}

std::uint32_t Colour565(std::uint16_t c) {
    return 0xFF000000u | Expand((c >> 11) & 31, 5) << 16 | Expand((c >> 5) & 63, 6) << 8 | Expand(c & 31, 5);
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, int wa, int wb, int div) {
    std::uint32_t r = 0;
    for (int s = 0; s < 24; s += 8) {
        std::uint32_t v = ((a >> s & 0xFF) * std::uint32_t(wa) + (b >> s & 0xFF) * std::uint32_t(wb)) / std::uint32_t(div);
        r |= v << s;
    }
    return r | 0xFF000000u;
}

void DecodeColourBlock(const std::uint8_t* b, bool dxt1, std::uint32_t out[16]) {
    std::uint16_t c0 = std::uint16_t(b[0] | b[1] << 8), c1 = std::uint16_t(b[2] | b[3] << 8);
    std::uint32_t pal[4];
    pal[0] = Colour565(c0);
    pal[1] = Colour565(c1);
    if (!dxt1 || c0 > c1) {
        pal[2] = Mix(pal[0], pal[1], 2, 1, 3);
        pal[3] = Mix(pal[0], pal[1], 1, 2, 3);
    } else {
        pal[2] = Mix(pal[0], pal[1], 1, 1, 2);
        pal[3] = 0;
    }
    std::uint32_t bits = Read32(b + 4);
    for (int i = 0; i < 16; ++i) out[i] = pal[(bits >> (2 * i)) & 3];
}

void DecodeBlock(const std::uint8_t* b, D3DFORMAT f, std::uint32_t out[16]) {
    if (f == D3DFMT_DXT1) {
        DecodeColourBlock(b, true, out);
        return;
    }
    DecodeColourBlock(b + 8, false, out);
    if (f == D3DFMT_DXT3) {
        for (int i = 0; i < 16; ++i) {
            std::uint32_t a = (b[i / 2] >> ((i & 1) * 4)) & 0xF;
            out[i] = (out[i] & 0x00FFFFFFu) | (a * 17) << 24;
        }
        return;
    }
    std::uint32_t a[8];
    a[0] = b[0];
    a[1] = b[1];
    if (a[0] > a[1]) {
        for (int i = 1; i < 7; ++i) a[i + 1] = ((7 - i) * a[0] + i * a[1]) / 7;
    } else {
        for (int i = 1; i < 5; ++i) a[i + 1] = ((5 - i) * a[0] + i * a[1]) / 5;
        a[6] = 0;
        a[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= std::uint64_t(b[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0x00FFFFFFu) | a[(bits >> (3 * i)) & 7] << 24;
}

D3DFORMAT NameRgbFormat(std::uint32_t bits, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    if (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return a == 0xFF000000u ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (bits == 24 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return D3DFMT_R8G8B8;
    if (bits == 16 && r == 0xF800 && g == 0x7E0 && b == 0x1F) return D3DFMT_R5G6B5;
    if (bits == 16 && r == 0x7C00 && g == 0x3E0 && b == 0x1F) return a == 0x8000 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    if (bits == 16 && r == 0xF00 && g == 0xF0 && b == 0xF && a == 0xF000) return D3DFMT_A4R4G4B4;
    return a ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

std::uint32_t Quant(std::uint32_t v, int bits) {
    std::uint32_t max = (1u << bits) - 1;
    return Expand((v * max + 127) / 255, bits);
}

}  // namespace

bool DdsDecode(const std::uint8_t* data, std::size_t size, DdsImage* out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        if (out) std::vector<std::uint32_t>().swap(out->argb);
        return false;
    };
    if (!data || !out) return fail("no data");
    if (size < 128 || std::memcmp(data, "DDS ", 4) != 0) return fail("not a DDS file");
    const std::uint8_t* h = data + 4;
    if (Read32(h) != 124 || Read32(h + 72) != 32) return fail("bad DDS header size");
    const std::uint32_t height = Read32(h + 8), width = Read32(h + 12);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return fail("bad DDS dimensions");
    const std::uint8_t* pf = h + 72;
    const std::uint32_t pfFlags = Read32(pf + 4), fourcc = Read32(pf + 8), bits = Read32(pf + 12);
    const std::uint32_t rm = Read32(pf + 16), gm = Read32(pf + 20), bm = Read32(pf + 24);
    const std::uint32_t am = (pfFlags & 0x1) ? Read32(pf + 28) : 0;
    const std::uint8_t* texels = data + 128;
    const std::size_t avail = size - 128;
    out->width = width;
    out->height = height;

    if (pfFlags & 0x4) {
        D3DFORMAT f;
        if (fourcc == D3DFMT_DXT1) f = D3DFMT_DXT1;
        else if (fourcc == D3DFMT_DXT3 || fourcc == GfxFourCC('D', 'X', 'T', '2')) f = D3DFMT_DXT3;
        else if (fourcc == D3DFMT_DXT5 || fourcc == GfxFourCC('D', 'X', 'T', '4')) f = D3DFMT_DXT5;
        else return fail("unsupported DDS compression");
        const std::size_t bw = (width + 3) / 4, bh = (height + 3) / 4, bs = f == D3DFMT_DXT1 ? 8 : 16;
        if (bw * bh * bs > avail) return fail("DDS file is truncated");
        out->argb.assign(std::size_t(width) * height, 0);
        std::uint32_t block[16];
        for (std::size_t by = 0; by < bh; ++by)
            for (std::size_t bx = 0; bx < bw; ++bx) {
                DecodeBlock(texels + (by * bw + bx) * bs, f, block);
                for (int i = 0; i < 16; ++i) {
                    std::size_t x = bx * 4 + std::size_t(i % 4), y = by * 4 + std::size_t(i / 4);
                    if (x < width && y < height) out->argb[y * width + x] = block[i];
                }
            }
        out->format = f;
        return true;
    }
    if (!(pfFlags & 0x40) || (bits != 16 && bits != 24 && bits != 32)) return fail("unsupported DDS pixel format");
    if ((rm | gm | bm) == 0) return fail("DDS pixel format has no colour channels");
    const std::size_t bytes = bits / 8, pitch = std::size_t(width) * bytes;
    if (pitch * height > avail) return fail("DDS file is truncated");
    out->argb.assign(std::size_t(width) * height, 0);
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* p = texels + y * pitch + x * bytes;
            std::uint32_t t = p[0] | (bytes > 1 ? std::uint32_t(p[1]) << 8 : 0) | (bytes > 2 ? std::uint32_t(p[2]) << 16 : 0) |
                              (bytes > 3 ? std::uint32_t(p[3]) << 24 : 0);
            std::uint32_t a = am ? Channel(t, am) : 255;
            out->argb[y * width + x] = a << 24 | Channel(t, rm) << 16 | Channel(t, gm) << 8 | Channel(t, bm);
        }
    out->format = NameRgbFormat(bits, rm, gm, bm, am);
    return true;
}

void DdsQuantize(std::vector<std::uint32_t>& argb, D3DFORMAT f) {
    int rb = 8, gb = 8, bb = 8, ab = 8;
    bool opaque = false;
    switch (f) {
    case D3DFMT_A8R8G8B8: return;
    case D3DFMT_X8R8G8B8: case D3DFMT_R8G8B8: opaque = true; break;
    case D3DFMT_R5G6B5: rb = 5; gb = 6; bb = 5; opaque = true; break;
    case D3DFMT_X1R5G5B5: rb = gb = bb = 5; opaque = true; break;
    case D3DFMT_A1R5G5B5: rb = gb = bb = 5; ab = 1; break;
    case D3DFMT_A4R4G4B4: rb = gb = bb = ab = 4; break;
    case D3DFMT_DXT1: rb = 5; gb = 6; bb = 5; ab = 1; break;
    case D3DFMT_DXT3: rb = 5; gb = 6; bb = 5; ab = 4; break;
    case D3DFMT_DXT5: rb = 5; gb = 6; bb = 5; break;
    default: return;
    }
    for (std::uint32_t& c : argb) {
        std::uint32_t a = c >> 24, r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
        a = opaque ? 255 : (ab == 1 ? (a >= 128 ? 255 : 0) : Quant(a, ab));
        if (f == D3DFMT_DXT1 && a == 0) {
            c = 0;  // the transparent entry of a DXT1 block is black
            continue;
        }
        c = a << 24 | Quant(r, rb) << 16 | Quant(g, gb) << 8 | Quant(b, bb);
    }
}

std::vector<std::uint32_t> DdsResample(const std::vector<std::uint32_t>& src, std::uint32_t sw, std::uint32_t sh,
                                       std::uint32_t dw, std::uint32_t dh) {
    if (sw == dw && sh == dh) return src;
    // Separable box filter: destination texel x covers the source span [x sw / dw, (x+1) sw / dw).
    auto pass = [](const std::vector<double>& in, std::uint32_t n, std::uint32_t m, std::uint32_t lines,
                   std::size_t inStep, std::size_t inLine, std::vector<double>& outv, std::size_t outStep,
                   std::size_t outLine) {
        const double scale = double(n) / double(m);
        for (std::uint32_t l = 0; l < lines; ++l)
            for (std::uint32_t x = 0; x < m; ++x) {
                double a = x * scale, b = (x + 1) * scale, acc[4] = {0, 0, 0, 0};
                for (std::uint32_t s = std::uint32_t(a); s < n && double(s) < b; ++s) {
                    double w = std::min(b, double(s + 1)) - std::max(a, double(s));
                    for (int k = 0; k < 4; ++k) acc[k] += w * in[(l * inLine + s * inStep) * 4 + std::size_t(k)];
                }
                for (int k = 0; k < 4; ++k) outv[(l * outLine + x * outStep) * 4 + std::size_t(k)] = acc[k] / scale;
            }
    };
    std::vector<double> a(std::size_t(sw) * sh * 4), b(std::size_t(dw) * sh * 4), c(std::size_t(dw) * dh * 4);
    for (std::size_t i = 0; i < src.size(); ++i)
        for (int k = 0; k < 4; ++k) a[i * 4 + std::size_t(k)] = double(src[i] >> (8 * k) & 0xFF);
    pass(a, sw, dw, sh, 1, sw, b, 1, dw);
    pass(b, sh, dh, dw, dw, 1, c, dw, 1);
    std::vector<std::uint32_t> out(std::size_t(dw) * dh);
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            double d = c[i * 4 + std::size_t(k)] + 0.5;
            v |= std::uint32_t(std::clamp(d, 0.0, 255.0)) << (8 * k);
        }
        out[i] = v;
    }
    return out;
}

std::vector<std::uint32_t> DdsHalve(const std::vector<std::uint32_t>& src, std::uint32_t w, std::uint32_t h) {
    std::uint32_t nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
    std::vector<std::uint32_t> out(std::size_t(nw) * nh);
    for (std::uint32_t y = 0; y < nh; ++y)
        for (std::uint32_t x = 0; x < nw; ++x) {
            std::uint32_t sx[2] = {std::min(2 * x, w - 1), std::min(2 * x + 1, w - 1)};
            std::uint32_t sy[2] = {std::min(2 * y, h - 1), std::min(2 * y + 1, h - 1)};
            std::uint32_t v = 0;
            for (int k = 0; k < 32; k += 8) {
                std::uint32_t sum = 0;
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i) sum += src[std::size_t(sy[j]) * w + sx[i]] >> k & 0xFF;
                v |= ((sum + 2) / 4) << k;
            }
            out[std::size_t(y) * nw + x] = v;
        }
    return out;
}

std::uint32_t DdsNextPow2(std::uint32_t n) {
    std::uint32_t p = 1;
    while (p < n && p < (1u << 31)) p <<= 1;
    return p;
}

GfxResult GfxLoadTexture(GfxDevice* device, const char* path, std::uint32_t width, std::uint32_t height,
                         std::uint32_t mipLevels, std::uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                         D3DCOLOR colourKey, GfxTexture** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!device || !path) return D3DERR_INVALIDCALL;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path, "rb"), &std::fclose);
    if (!f) return D3DERR_NOTFOUND;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > (std::size_t(1) << 30)) return D3DERR_INVALIDCALL;
    }
    DdsImage img;
    if (!DdsDecode(bytes.data(), bytes.size(), &img, nullptr)) return D3DERR_INVALIDCALL;
    if (format == D3DFMT_UNKNOWN) format = img.format;

    std::uint32_t w = (width == 0 || width == GFX_DEFAULT) ? img.width : width;
    std::uint32_t h = (height == 0 || height == GFX_DEFAULT) ? img.height : height;
    w = std::min(DdsNextPow2(w), kMaxTextureSide);
    h = std::min(DdsNextPow2(h), kMaxTextureSide);
    if (colourKey)
        for (std::uint32_t& c : img.argb)
            if (c == colourKey) c = 0;
    std::vector<std::uint32_t> level = DdsResample(img.argb, img.width, img.height, w, h);

    std::uint32_t full = 1;
    for (std::uint32_t a = w, b = h; a > 1 || b > 1; a = a > 1 ? a / 2 : 1, b = b > 1 ? b / 2 : 1) ++full;
    std::uint32_t levels = (mipLevels == 0 || mipLevels == GFX_DEFAULT) ? full : std::min(mipLevels, full);

    GfxTexture* tex = nullptr;
    GfxResult r = device->CreateTexture(w, h, levels, usage, format, pool, &tex);
    if (r != D3D_OK) return r;
    for (std::uint32_t l = 0; l < levels; ++l) {
        std::vector<std::uint32_t> q = level;
        DdsQuantize(q, format);
        r = tex->UploadLevel(l, q.data());
        if (r != D3D_OK) {
            tex->Release();
            return r;
        }
        if (l + 1 < levels) {
            level = DdsHalve(level, w, h);
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
    }
    *out = tex;
    return D3D_OK;
}
