#pragma once
// Independent readers of the three media formats for the tests: each parses a file the way a
// loader must, checks every size, count and index against the bytes, and describes the first
// fault it finds (empty text = sound).

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct GbmInfo {
    std::uint32_t VertexSize = 0, VertexCount = 0, IndexCount = 0;
    std::vector<float> Positions;  // 3 per vertex
    std::vector<float> Normals;    // 3 per vertex
    std::vector<float> Uvs;        // 2 per vertex
    std::vector<std::uint16_t> Indices;
};

struct DdsInfo {
    std::uint32_t Width = 0, Height = 0;
    bool Dxt1 = false;
    std::vector<std::uint32_t> Pixels;  // ARGB, decoded for uncompressed files only
};

struct WavInfo {
    int Channels = 0, Rate = 0, Bits = 0;
    std::vector<std::int16_t> Samples;
};

std::string CheckGbm(const Bytes& b, GbmInfo* info = nullptr);
std::string CheckDds(const Bytes& b, DdsInfo* info = nullptr);
std::string CheckWav(const Bytes& b, WavInfo* info = nullptr);

/// Checks a file by the extension of its archive name.
std::string CheckMedium(const std::string& name, const Bytes& b);
