#pragma once
// Helpers of the resource and node-slot tests: a scratch media folder, GBM and WAV stand-ins
// written on the spot, a viewport for render instances and a table of node placements.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/render/qnlight.h"
#include "engine/render/qnvertex_buffer.h"
#include "engine/render/qnviewport.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "tests/engine/scene/scene_test_util.h"

namespace slottest {

inline void WriteBytes(const std::string& path, const void* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(data, 1, size, f), size);
    std::fclose(f);
}

/// A GBM quad of half-size h in the x-y plane at depth z (4 vertices, 2 triangles).
inline void WriteQuad(const std::string& path, float h, float z = 0.0f)
{
    std::vector<std::uint8_t> out = {'Q', 'N', 'G', 'M', 4};
    auto put = [&](const void* p, std::size_t n) {
        out.insert(out.end(), static_cast<const std::uint8_t*>(p), static_cast<const std::uint8_t*>(p) + n);
    };
    const std::uint32_t size = 76, v = 4, i = 6;
    put(&size, 4);
    put(&v, 4);
    put(&i, 4);
    const float corners[4][4] = {{-h, h, 0, 0}, {h, h, 1, 0}, {-h, -h, 0, 1}, {h, -h, 1, 1}};
    for (const auto& c : corners) {
        std::uint8_t rec[76] = {};
        const float pos[3] = {c[0], c[1], z}, normal[3] = {0, 0, -1}, uv[2] = {c[2], c[3]};
        const std::uint32_t diffuse = 0xFFFFFFFFu, sets = 1;
        std::memcpy(rec, pos, 12);
        std::memcpy(rec + 32, normal, 12);
        std::memcpy(rec + 48, &diffuse, 4);
        std::memcpy(rec + 56, &sets, 4);
        std::memcpy(rec + 60, uv, 8);
        put(rec, 76);
    }
    const std::uint16_t idx[6] = {0, 1, 2, 1, 3, 2};
    put(idx, 12);
    WriteBytes(path, out.data(), out.size());
}

/// A mono 16-bit WAV of `frames` samples.
inline void WriteWav(const std::string& path, std::uint32_t frames = 22050)
{
    std::vector<std::uint8_t> out;
    auto put = [&](const void* p, std::size_t n) {
        out.insert(out.end(), static_cast<const std::uint8_t*>(p), static_cast<const std::uint8_t*>(p) + n);
    };
    const std::uint32_t dataSize = frames * 2, riffSize = 36 + dataSize, fmtSize = 16, rate = 22050,
                        byteRate = rate * 2;
    const std::uint16_t pcm = 1, channels = 1, align = 2, bits = 16;
    put("RIFF", 4);
    put(&riffSize, 4);
    put("WAVEfmt ", 8);
    put(&fmtSize, 4);
    put(&pcm, 2);
    put(&channels, 2);
    put(&rate, 4);
    put(&byteRate, 4);
    put(&align, 2);
    put(&bits, 2);
    put("data", 4);
    put(&dataSize, 4);
    for (std::uint32_t k = 0; k < frames; ++k) {
        const auto s = std::int16_t((k % 50) * 400 - 10000);
        put(&s, 2);
    }
    WriteBytes(path, out.data(), out.size());
}

/// World matrices of nodes by address, served through the slot hooks.
inline std::map<const QNNODE*, QNMATRIX>& Placements()
{
    static std::map<const QNNODE*, QNMATRIX> table;
    return table;
}

/// A scene with a viewport on every node of view 0, media read from a scratch folder.
class SlotFixture : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        QNHOOKS::Slots = QNSLOTHOOKS();
        QNHOOKS::Slots.WorldMatrix = [](const QNNODE* n, QNMATRIX& out) {
            auto it = Placements().find(n);
            out = it == Placements().end() ? QNMATRIX() : it->second;
        };
        QNHOOKS::Slots.SetTransform = [](QNNODE* n, const QNMATRIX& m) { Placements()[n] = m; };
        QNSTORAGE::SetArchive("");
        std::string pattern = std::string(QNDISK::TempPath().Text()) + "qnslot-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
        scene = new QNSCENE(&QNSCENE::SceneRoot(), "TEST", 1);
        view = scene->GetView(0);
        view->Camera = &viewport;
        view->Root->Camera = &viewport;
        resources = &scene->Resources;
        resources->RegisterDefaults();
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::SoundParams = QNSOUNDPARAMS();
        QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
    }
    void TearDown() override
    {
        QNITEM::Destroy(scene);
        scene = nullptr;
        SceneFixture::TearDown();
        viewport.MainList.DeleteChildren();
        viewport.OverlayList.DeleteChildren();
        viewport.SpriteList.DeleteChildren();
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
        Placements().clear();
        QNHOOKS::Slots = QNSLOTHOOKS();
        QNRESOURCES::LoadCallback = nullptr;
        QNDISK::Delete(QNSTRING(dir.c_str()));
    }

    std::string dir;
    QNVIEWPORT viewport;
    QNSCENE* scene = nullptr;
    QNVIEW* view = nullptr;
    QNRESOURCES* resources = nullptr;
};

}  // namespace slottest
