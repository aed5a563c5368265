#include "tests/tools/media_checks.h"

#include <cstring>

namespace {

struct Reader {
    const Bytes& b;
    std::size_t at = 0;
    bool ok = true;

    bool Has(std::size_t n) const { return ok && at <= b.size() && b.size() - at >= n; }
    std::uint32_t U32() {
        if (!Has(4)) { ok = false; return 0; }
        std::uint32_t v = b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
        at += 4;
        return v;
    }
    std::uint16_t U16() {
        if (!Has(2)) { ok = false; return 0; }
        std::uint16_t v = static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
        at += 2;
        return v;
    }
    std::uint8_t U8() {
        if (!Has(1)) { ok = false; return 0; }
        return b[at++];
    }
    float F32() {
        std::uint32_t u = U32();
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    bool Tag(const char* t) {
        if (!Has(4) || std::memcmp(&b[at], t, 4) != 0) return false;
        at += 4;
        return true;
    }
};

}  // namespace

std::string CheckGbm(const Bytes& b, GbmInfo* info) {
    Reader r{b};
    if (!r.Tag("QNGM")) return "no QNGM magic";
    std::uint8_t prim = r.U8();
    std::uint32_t s = r.U32(), v = r.U32(), i = r.U32();
    if (!r.ok) return "short header";
    if (prim != 4) return "primitive type is not a triangle list";
    if (s < 76 || s > 200) return "vertex size out of range";
    if (v == 0 || v > 65536) return "vertex count out of range";
    if (i == 0 || i % 3 != 0) return "index count is not a positive multiple of 3";
    std::uint64_t need = 17ull + static_cast<std::uint64_t>(v) * s + static_cast<std::uint64_t>(i) * 2;
    if (need != b.size()) return "file size does not match the counts";
    GbmInfo local;
    GbmInfo& g = info ? *info : local;
    g.VertexSize = s;
    g.VertexCount = v;
    g.IndexCount = i;
    for (std::uint32_t k = 0; k < v; ++k) {
        std::size_t base = r.at;
        for (int c = 0; c < 3; ++c) g.Positions.push_back(r.F32());
        r.at = base + 32;
        for (int c = 0; c < 3; ++c) g.Normals.push_back(r.F32());
        r.at = base + 56;
        std::uint32_t sets = r.U32();
        if (sets < 1 || 60 + sets * 16 > s) return "texture set count does not fit the vertex size";
        g.Uvs.push_back(r.F32());
        g.Uvs.push_back(r.F32());
        r.at = base + s;
    }
    for (std::uint32_t k = 0; k < i; ++k) {
        std::uint16_t x = r.U16();
        if (x >= v) return "index beyond the vertex count";
        g.Indices.push_back(x);
    }
    return r.ok ? "" : "short file";
}

std::string CheckDds(const Bytes& b, DdsInfo* info) {
    Reader r{b};
    if (!r.Tag("DDS ")) return "no DDS magic";
    if (r.U32() != 124) return "header size is not 124";
    std::uint32_t flags = r.U32(), h = r.U32(), w = r.U32();
    r.U32();  // pitch or linear size
    r.U32();  // depth
    std::uint32_t mips = r.U32();
    r.at += 44;
    if (r.U32() != 32) return "pixel format size is not 32";
    std::uint32_t pf = r.U32(), fourcc = r.U32(), bits = r.U32();
    std::uint32_t rm = r.U32(), gm = r.U32(), bm = r.U32(), am = r.U32();
    std::uint32_t caps = r.U32();
    r.at = 128;
    if (!r.ok || b.size() < 128) return "short header";
    if ((flags & 0x7) != 0x7 || (flags & 0x1000) == 0) return "required header flags missing";
    if ((caps & 0x1000) == 0) return "not a texture";
    if (w == 0 || h == 0 || w > 4096 || h > 4096 || (w & (w - 1)) || (h & (h - 1))) return "size is not a power of two";
    if (mips > 1) return "more than one mip level";
    DdsInfo local;
    DdsInfo& d = info ? *info : local;
    d.Width = w;
    d.Height = h;
    if (pf & 0x4) {
        if (std::memcmp(&fourcc, "DXT1", 4) != 0) return "unknown compressed format";
        std::uint64_t need = 128ull + ((w + 3) / 4) * ((h + 3) / 4) * 8ull;
        if (need != b.size()) return "DXT1 data size does not match";
        d.Dxt1 = true;
        return "";
    }
    if (!(pf & 0x40) || bits != 32 || rm != 0xFF0000 || gm != 0xFF00 || bm != 0xFF || am != 0xFF000000u)
        return "not A8R8G8B8";
    if (128ull + 4ull * w * h != b.size()) return "pixel data size does not match";
    d.Pixels.resize(static_cast<std::size_t>(w) * h);
    for (auto& p : d.Pixels) p = r.U32();
    return "";
}

std::string CheckWav(const Bytes& b, WavInfo* info) {
    Reader r{b};
    if (!r.Tag("RIFF")) return "no RIFF";
    std::uint32_t riff = r.U32();
    if (!r.Tag("WAVE")) return "no WAVE";
    if (static_cast<std::uint64_t>(riff) + 8 != b.size()) return "RIFF size does not match the file";
    WavInfo local;
    WavInfo& w = info ? *info : local;
    bool fmt = false, data = false;
    while (r.Has(8)) {
        char id[4];
        std::memcpy(id, &b[r.at], 4);
        r.at += 4;
        std::uint32_t size = r.U32();
        if (!r.Has(size)) return "chunk runs past the end";
        std::size_t next = r.at + size + (size & 1);
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (size < 16) return "fmt chunk too short";
            std::uint16_t format = r.U16();
            w.Channels = r.U16();
            w.Rate = static_cast<int>(r.U32());
            std::uint32_t byteRate = r.U32();
            std::uint16_t align = r.U16();
            w.Bits = r.U16();
            if (format != 1) return "not PCM";
            if (w.Channels < 1 || w.Channels > 2 || w.Bits != 16) return "unsupported channels or bits";
            if (align != w.Channels * 2 || byteRate != static_cast<std::uint32_t>(w.Rate) * align) return "inconsistent rates";
            fmt = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!fmt) return "data before fmt";
            if (size % static_cast<std::uint32_t>(w.Channels * 2) != 0) return "partial sample frame";
            for (std::uint32_t k = 0; k < size / 2; ++k) w.Samples.push_back(static_cast<std::int16_t>(r.U16()));
            data = true;
        }
        r.at = next;
    }
    if (!fmt || !data) return "missing fmt or data chunk";
    if (w.Samples.empty()) return "no samples";
    return "";
}

std::string CheckMedium(const std::string& name, const Bytes& b) {
    auto ends = [&](const char* ext) {
        std::size_t n = std::strlen(ext);
        if (name.size() < n) return false;
        for (std::size_t k = 0; k < n; ++k)
            if (std::tolower(static_cast<unsigned char>(name[name.size() - n + k])) != ext[k]) return false;
        return true;
    };
    if (ends(".gbm")) return CheckGbm(b);
    if (ends(".dds")) return CheckDds(b);
    if (ends(".wav")) return CheckWav(b);
    return "unknown extension";
}
