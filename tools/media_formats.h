#pragma once
// Writers of the three media file formats the engine loads.
//
// GBM: "QNGM", u8 primitive type (4 = triangle list), u32 vertex size (76), u32 vertex count,
// u32 index count, then the vertex records and the 16-bit indices, all little-endian.
// Vertex record: position, reciprocal w, three blend weights, four blend indices, normal,
// point size, diffuse ARGB, a reserved word, the number of texture sets (1) and one set of four
// floats (u, v, 0, 0).
//
// DDS: "DDS " and the 124-byte surface header; uncompressed A8R8G8B8 (stored B, G, R, A) or DXT1
// blocks, one mip level.
//
// WAV: RIFF/WAVE with a PCM "fmt " chunk (16-bit samples) and one "data" chunk.

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kGbmVertexSize = 76;

struct GbmVertex {
    float Position[3];
    float Normal[3];
    float U, V;
    std::uint32_t Diffuse;
};

Bytes WriteGbm(const std::vector<GbmVertex>& vertices, const std::vector<std::uint16_t>& indices);

/// Image of 0xAARRGGBB pixels, rows top to bottom.
struct Image {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;

    Image(int w, int h, std::uint32_t fill = 0) : Width(w), Height(h), Pixels(static_cast<std::size_t>(w) * h, fill) {}
    std::uint32_t& At(int x, int y) { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

Bytes WriteDdsArgb(const Image& image);

/// DXT1 in four-colour mode (alpha is dropped); width and height must be multiples of 4.
Bytes WriteDdsDxt1(const Image& image);

/// Interleaved 16-bit samples.
Bytes WriteWav(const std::vector<std::int16_t>& samples, int channels, int rate);
