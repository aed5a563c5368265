#include "app/screenshot.h"

#include "engine/render/qndisplay.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

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

bool EncodePng(const Screenshot& image, std::vector<std::uint8_t>& out)
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

    out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(image.width));
    Put32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});
    return true;
}

void EncodePpm(const Screenshot& image, std::vector<std::uint8_t>& out)
{
    const std::string header =
        "P6\n" + std::to_string(image.width) + ' ' + std::to_string(image.height) + "\n255\n";
    out.assign(header.begin(), header.end());
    out.insert(out.end(), image.rgb.begin(), image.rgb.end());
}

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

// Writes every byte to `path` and flushes it to the disc; the errno of the first failure.
int WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return errno ? errno : EIO;
    int err = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        err = errno ? errno : EIO;
    if (!err && std::fflush(f) != 0)
        err = errno ? errno : EIO;
    if (!err && ::fsync(fileno(f)) != 0 && errno != EINVAL)
        err = errno;
    if (std::fclose(f) != 0 && !err)
        err = errno ? errno : EIO;
    return err;
}

}  // namespace

bool SaveScreenshot(const Screenshot& image, const std::string& path, std::string* error)
{
    namespace fs = std::filesystem;
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
        return Fail(error, "no frame to read back");
    std::vector<std::uint8_t> bytes;
    const bool png = path.size() >= 4 && path.compare(path.size() - 4, 4, ".png") == 0;
    if (png) {
        if (!EncodePng(image, bytes))
            return Fail(error, "the image could not be compressed");
    } else {
        EncodePpm(image, bytes);
    }

    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return Fail(error, "cannot create " + target.parent_path().string() + ": " + ec.message());
    }
    const std::string temporary = path + ".part" + std::to_string(::getpid());
    if (const int err = WriteAll(temporary, bytes)) {
        fs::remove(temporary, ec);
        return Fail(error, std::strerror(err));
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int err = errno;
        fs::remove(temporary, ec);
        return Fail(error, std::strerror(err));
    }
    return true;
}

namespace {

// Reads the header fields of a PPM one token at a time: blanks and '#' comments between them.
class PpmHeader {
public:
    explicit PpmHeader(std::istream& in) : in_(in) {}

    // The next token in `token`, its offset in `at`; false at the end of the file.
    bool Token(std::string& token, std::streamoff& at)
    {
        token.clear();
        int c = in_.get();
        for (;;) {
            if (c == '#') {
                while (c != EOF && c != '\n' && c != '\r')
                    c = in_.get();
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                c = in_.get();
            } else {
                break;
            }
        }
        if (c == EOF)
            return false;
        at = static_cast<std::streamoff>(in_.tellg()) - 1;
        while (c != EOF && !std::isspace(c) && c != '#' && token.size() < 16) {
            token.push_back(static_cast<char>(c));
            c = in_.get();
        }
        // One blank ends the header's last field; the pixels follow it.
        if (c == '#')
            in_.unget();
        return true;
    }

private:
    std::istream& in_;
};

}  // namespace

bool LoadPpm(const std::string& path, Screenshot* image, std::string* error)
{
    auto fail = [&](const std::string& what) {
        if (error)
            *error = "'" + path + "' " + what;
        return false;
    };
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return fail(std::string("cannot be opened: ") + std::strerror(errno));
    PpmHeader header(file);
    std::string token;
    std::streamoff at = 0;
    if (!header.Token(token, at))
        return fail("is empty");
    if (token != "P6")
        return fail("is not a binary PPM: it starts with '" + token + "', not 'P6'");
    const char* const fields[] = {"width", "height", "maxval"};
    long values[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        if (!header.Token(token, at))
            return fail(std::string("ends before its ") + fields[k]);
        char* end = nullptr;
        values[k] = std::strtol(token.c_str(), &end, 10);
        if (token.empty() || *end || token[0] == '-' || token[0] == '+')
            return fail(std::string("has '") + token + "' for its " + fields[k] + " at byte " + std::to_string(at));
    }
    const long w = values[0], h = values[1], maxval = values[2];
    if (w < 1 || w > 16384 || h < 1 || h > 16384)
        return fail("has a size of " + std::to_string(w) + " x " + std::to_string(h) +
                    ", outside 1..16384 on a side");
    if (maxval != 255)
        return fail("has maxval " + std::to_string(maxval) + " at byte " + std::to_string(at) +
                    "; only 255 is read");
    // The header's size is believed only once the file is seen to hold that many bytes.
    const std::streamoff start = file.tellg();
    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    const auto need = static_cast<std::streamoff>(w) * h * 3;
    if (start < 0 || end - start < need)
        return fail("holds " + std::to_string(start < 0 ? 0 : end - start) + " bytes of pixels from byte " +
                    std::to_string(start) + "; its " + std::to_string(w) + " x " + std::to_string(h) + " need " +
                    std::to_string(need));
    file.seekg(start);
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(h);
    image->rgb.resize(static_cast<std::size_t>(need));
    file.read(reinterpret_cast<char*>(image->rgb.data()), static_cast<std::streamsize>(need));
    if (file.gcount() != static_cast<std::streamsize>(need))
        return fail("could not be read to its end: " + std::string(std::strerror(errno)));
    return true;
}
