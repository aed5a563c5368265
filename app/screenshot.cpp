#include "app/screenshot.h"

#include "engine/render/qndisplay.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include <zlib.h>

Screenshot ReadFrame()
{
    Screenshot image;
    std::vector<std::uint32_t> argb;
    std::uint32_t w = 0, h = 0;
    if (!QNDISPLAY::ReadBack(argb, w, h) || argb.size() != static_cast<std::size_t>(w) * h)
        return image;
    image.width = static_cast<int>(w);
    image.height = static_cast<int>(h);
    image.rgb.reserve(argb.size() * 3);
    for (std::uint32_t p : argb) {
        image.rgb.push_back(static_cast<std::uint8_t>(p >> 16));
        image.rgb.push_back(static_cast<std::uint8_t>(p >> 8));
        image.rgb.push_back(static_cast<std::uint8_t>(p));
    }
    return image;
}

namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    Put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, &out[start], static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<std::uint32_t>(crc));
}

bool SavePng(const Screenshot& image, const std::string& path)
{
    // Every row gets filter type 0 (none) in front of its pixels.
    const std::size_t row = static_cast<std::size_t>(image.width) * 3;
    std::vector<std::uint8_t> raw;
    raw.reserve((row + 1) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        const std::uint8_t* p = &image.rgb[static_cast<std::size_t>(y) * row];
        raw.insert(raw.end(), p, p + row);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(image.width));
    Put32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

bool SavePpm(const Screenshot& image, const std::string& path)
{
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    file.write(reinterpret_cast<const char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    return static_cast<bool>(file);
}

}  // namespace

bool SaveScreenshot(const Screenshot& image, const std::string& path)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
        return false;
    const bool png = path.size() >= 4 && path.compare(path.size() - 4, 4, ".png") == 0;
    return png ? SavePng(image, path) : SavePpm(image, path);
}

bool LoadPpm(const std::string& path, Screenshot* image)
{
    std::ifstream file(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    if (!(file >> magic >> w >> h >> maxval) || magic != "P6" || maxval != 255 || w <= 0 || h <= 0 ||
        w > 16384 || h > 16384)
        return false;
    file.get();
    image->width = w;
    image->height = h;
    image->rgb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    file.read(reinterpret_cast<char*>(image->rgb.data()), static_cast<std::streamsize>(image->rgb.size()));
    return file.gcount() == static_cast<std::streamsize>(image->rgb.size());
}
