#pragma once
// Helpers of the mesh tests: a scratch folder, GBM bytes built field by field, and text files.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/render/qnvertex_buffer.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"

namespace meshtest {

struct GBMVERTEX {
    float pos[3];
    float normal[3] = {0, 0, -1};
    std::vector<std::array<float, 4>> sets;
};

/// GBM bytes: `lead` bytes of other data ahead of each standard record, each record padded to
/// `recordSize` (0: the record's own size). `setCount` overrides the stored T when >= 0.
inline std::vector<std::uint8_t> MakeGBM(const std::vector<GBMVERTEX>& vertices, const std::vector<std::uint16_t>& indices,
                                         std::uint32_t recordSize = 0, std::uint32_t lead = 0, int setCount = -1,
                                         const char* magic = "QNGM")
{
    std::vector<std::uint8_t> out(magic, magic + 4);
    auto put = [&](const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    };
    const std::uint32_t sets = vertices.empty() ? 0 : std::uint32_t(vertices[0].sets.size());
    if (recordSize == 0)
        recordSize = lead + 60 + sets * 16;
    const std::uint8_t type = 4;
    const auto v = std::uint32_t(vertices.size()), n = std::uint32_t(indices.size());
    put(&type, 1);
    put(&recordSize, 4);
    put(&v, 4);
    put(&n, 4);
    for (const GBMVERTEX& vx : vertices) {
        std::vector<std::uint8_t> rec(std::max<std::size_t>(recordSize, lead + 60 + vx.sets.size() * 16), 0);
        std::uint8_t* r = rec.data() + lead;
        std::memcpy(r, vx.pos, 12);
        std::memcpy(r + 32, vx.normal, 12);
        const std::uint32_t diffuse = 0xFFFFFFFFu;
        std::memcpy(r + 48, &diffuse, 4);
        const std::uint32_t t = setCount >= 0 ? std::uint32_t(setCount) : std::uint32_t(vx.sets.size());
        std::memcpy(r + 56, &t, 4);
        for (std::size_t k = 0; k < vx.sets.size() && lead + 60 + (k + 1) * 16 <= recordSize; ++k)
            std::memcpy(r + 60 + k * 16, vx.sets[k].data(), 16);
        put(rec.data(), recordSize);
    }
    put(indices.data(), indices.size() * 2);
    return out;
}

inline void WriteFile(const std::string& path, const void* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (size) {
        ASSERT_EQ(std::fwrite(data, 1, size, f), size);
    }
    std::fclose(f);
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    WriteFile(path, bytes.data(), bytes.size());
}

inline void WriteFile(const std::string& path, const std::string& text)
{
    WriteFile(path, text.data(), text.size());
}

/// A scratch folder; media are read from disk unless a test sets an archive.
class Scratch : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::string(QNDISK::TempPath().Text()) + "qnmesh-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
        QNSTORAGE::SetArchive("");
    }
    void TearDown() override
    {
        QNSTORAGE::SetArchive("");
        QNDISK::Delete(QNSTRING(dir.c_str()));
        QNDISK::RemoveTempFolder();  // made by loads from the archive
        DeleteAllPools();
    }
    std::string dir;
};

}  // namespace meshtest
