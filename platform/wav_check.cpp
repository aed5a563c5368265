#include "platform/wav_check.h"

namespace {

std::uint32_t Read32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint32_t Read16(const std::uint8_t* p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }

bool Is(const std::uint8_t* p, const char* id)
{
    return p[0] == std::uint8_t(id[0]) && p[1] == std::uint8_t(id[1]) && p[2] == std::uint8_t(id[2]) &&
           p[3] == std::uint8_t(id[3]);
}

}  // namespace

bool WavCheck(const std::uint8_t* data, std::size_t size, std::string* error)
{
    auto fail = [&](const char* why) {
        if (error)
            *error = why;
        return false;
    };
    if (!data || size < 12 || !Is(data, "RIFF") || !Is(data + 8, "WAVE"))
        return fail("not a RIFF WAVE file");
    if (size > kWavMaxFileBytes)
        return fail("sound file too large");
    // The RIFF size may undercount trailing padding but never claims bytes the file lacks.
    const std::uint64_t riffEnd = std::uint64_t(Read32(data + 4)) + 8;
    if (riffEnd > size)
        return fail("RIFF size larger than the file");
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= riffEnd) {
        const std::uint8_t* chunk = data + at;
        const std::uint64_t length = Read32(chunk + 4);
        if (at + 8 + length > riffEnd)
            return fail("chunk runs past the end of the file");
        if (Is(chunk, "fmt ")) {
            if (length < 16)
                return fail("format chunk too short");
            const std::uint32_t tag = Read16(chunk + 8), channels = Read16(chunk + 10), rate = Read32(chunk + 12);
            const std::uint32_t align = Read16(chunk + 20), bits = Read16(chunk + 22);
            if (channels < 1 || channels > 8)
                return fail("unsupported channel count");
            if (rate < 1 || rate > 384000)
                return fail("unsupported sample rate");
            if (tag == 1 && (bits == 0 || bits > 32 || bits % 8 != 0 || align != channels * bits / 8))
                return fail("inconsistent PCM sample layout");
            haveFormat = true;
        } else if (Is(chunk, "data")) {
            if (!haveFormat)
                return fail("data chunk before the format chunk");
            if (length == 0)
                return fail("sound has no samples");
            return true;
        }
        at += 8 + std::size_t(length) + std::size_t(length & 1);
    }
    return fail(haveFormat ? "no data chunk" : "no format chunk");
}
