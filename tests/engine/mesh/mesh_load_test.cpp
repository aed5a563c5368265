#include "engine/mesh/qnmesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/mesh/qnparser.h"
#include "engine/resource/storage_writer.h"
#include "tests/engine/mesh/mesh_test_util.h"

namespace {

using meshtest::GBMVERTEX;
using meshtest::MakeGBM;

std::vector<GBMVERTEX> Triangle(std::size_t sets)
{
    std::vector<GBMVERTEX> v(3);
    const float p[3][3] = {{-1, 2, 0.5f}, {3, -2, 0.5f}, {0, 0, -1.5f}};
    for (int i = 0; i < 3; ++i) {
        std::memcpy(v[i].pos, p[i], 12);
        for (std::size_t s = 0; s < sets; ++s)
            v[i].sets.push_back({float(i) + 0.25f * float(s), 0.5f + float(s), 0, 0});
    }
    return v;
}

class MeshLoadTest : public meshtest::Scratch {
protected:
    // Packs name -> bytes into an archive and makes it the one media are read from.
    void Pack(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& files)
    {
        const std::string archive = dir + "media.qns";
        QNSTORAGEWRITER writer;
        writer.Open(archive.c_str(), QNSTORAGEWRITER::Mode::Create);
        for (const auto& [name, bytes] : files)
            writer.AddBytes(name.c_str(), bytes.data(), bytes.size(), true);
        writer.Close();
        QNSTORAGE::SetArchive(archive.c_str());
    }
    std::string FailureOf(const std::vector<std::uint8_t>& bytes, std::uint32_t sets = 1)
    {
        meshtest::WriteFile(dir + "bad.gbm", bytes);
        mesh.Buffers.Create(4, 6, 3, 1, 2, 0, 0, 4);  // a previous mesh: the failure must free it
        try {
            mesh.Load((dir + "bad").c_str(), 0, sets, 2, 0, 3, true, false);
        } catch (const QNEXCEPTION& e) {
            EXPECT_EQ(mesh.VertexCount(), 0u);
            EXPECT_EQ(mesh.Buffers.IndexRange, nullptr);
            return e.what();
        }
        return "";
    }
    void TearDown() override
    {
        mesh.Release();
        Scratch::TearDown();
    }
    QNMESH mesh;
};

TEST_F(MeshLoadTest, GbmFromArchiveSeries)
{
    auto second = Triangle(1);
    second[2].pos[2] = -5.5f;
    Pack({{"media\\tri.gbm", MakeGBM(Triangle(1), {0, 1, 2})}, {"media\\tri2.gbm", MakeGBM(second, {2, 1, 0})}});

    mesh.Load("media\\tri", 0, 1, 2, 0, 3, true);
    EXPECT_EQ(mesh.VertexCount(), 3u);
    EXPECT_EQ(mesh.IndexCount(), 3u);
    EXPECT_EQ(mesh.Buffers.PrimitiveCount(), 1u);
    EXPECT_EQ(mesh.Box.min, QNVEC3(-1, -2, -1.5f));
    EXPECT_EQ(mesh.Box.max, QNVEC3(3, 2, 0.5f));
    EXPECT_FLOAT_EQ(mesh.Radius, QNVEC3(2, 2, 1).Length());
    const QNVERTEXARRAY v = mesh.Buffers.Vertices();
    EXPECT_EQ(v.GetPosition(1), QNVEC3(3, -2, 0.5f));
    EXPECT_FLOAT_EQ(v.TexCoord(2, 0)[0], 2.0f);

    mesh.Load("media\\tri1.gbm", 1, 1, 2, 0, 3, true);  // member 1 of the series is tri2
    EXPECT_FLOAT_EQ(mesh.Box.min.z, -5.5f);
    EXPECT_EQ(mesh.Buffers.Indices()[0], 2u);
}

TEST_F(MeshLoadTest, MissingTextureSetsRepeatTheLastOne)
{
    meshtest::WriteFile(dir + "one.gbm", MakeGBM(Triangle(1), {0, 1, 2}));
    mesh.Load((dir + "one.gbm").c_str(), 0, 3, 2, 0, 3, true, false);
    QNVERTEXARRAY v = mesh.Buffers.Vertices();
    for (std::uint32_t s = 1; s < 3; ++s) {
        EXPECT_FLOAT_EQ(v.TexCoord(1, s)[0], 1.0f);
        EXPECT_FLOAT_EQ(v.TexCoord(1, s)[1], 0.5f);
    }
    meshtest::WriteFile(dir + "two.gbm", MakeGBM(Triangle(2), {0, 1, 2}));
    mesh.Load((dir + "two.gbm").c_str(), 0, 3, 2, 0, 3, true, false);
    v = mesh.Buffers.Vertices();
    EXPECT_FLOAT_EQ(v.TexCoord(1, 1)[0], 1.25f);
    EXPECT_FLOAT_EQ(v.TexCoord(1, 2)[0], 1.25f);
    EXPECT_FLOAT_EQ(v.TexCoord(1, 2)[1], 1.5f);
}

TEST_F(MeshLoadTest, LargerRecordsAreReadFromTheirFirstBytes)
{
    // 136-byte records: the standard record is at the start, the rest is skipped.
    meshtest::WriteFile(dir + "big.gbm", MakeGBM(Triangle(1), {0, 1, 2}, 136));
    mesh.Load((dir + "big").c_str(), 0, 1, 2, 0, 3, true, false);
    EXPECT_EQ(mesh.Box.max, QNVEC3(3, 2, 0.5f));
    // With 60 bytes of other data ahead, the positions come from those bytes all the same.
    meshtest::WriteFile(dir + "lead.gbm", MakeGBM(Triangle(1), {0, 1, 2}, 136, 60));
    mesh.Load((dir + "lead").c_str(), 0, 1, 2, 0, 3, true, false);
    EXPECT_EQ(mesh.Box.max, QNVEC3(0, 0, 0));
}

TEST_F(MeshLoadTest, MalformedGbmIsRejectedAndLeavesTheMeshReleased)
{
    EXPECT_NE(FailureOf(MakeGBM(Triangle(1), {0, 1, 2}, 0, 0, -1, "QNGX")).find("is not GBM format."),
              std::string::npos);
    EXPECT_NE(FailureOf(MakeGBM(Triangle(1), {0, 1, 2}, 204)).find("vertex record of 204"), std::string::npos);
    EXPECT_NE(FailureOf(MakeGBM(Triangle(0), {0, 1, 2}, 40)).find("vertex record of 40"), std::string::npos);
    EXPECT_NE(FailureOf(MakeGBM(Triangle(1), {0, 1, 3})).find("index out of range"), std::string::npos);
    auto truncated = MakeGBM(Triangle(1), {0, 1, 2});
    truncated.resize(truncated.size() - 3);
    EXPECT_NE(FailureOf(truncated).find("damaged"), std::string::npos);
    auto huge = MakeGBM(Triangle(1), {0, 1, 2});
    const std::uint32_t count = QNMESH::kMaxVertices + 1;
    std::memcpy(huge.data() + 9, &count, 4);
    EXPECT_NE(FailureOf(huge).find("too many vertices"), std::string::npos);
    auto header = MakeGBM(Triangle(1), {});
    header.resize(10);
    EXPECT_NE(FailureOf(header).find("damaged"), std::string::npos);

    // A texture-set count beyond the record, trailing bytes, partial triangles, too short strips
    // and positions that are not finite are refused with a message naming the fault.
    EXPECT_NE(FailureOf(MakeGBM(Triangle(1), {0, 1, 2}, 76, 0, 9), 2).find("9 texture sets in a record of 76"),
              std::string::npos);
    auto trailing = MakeGBM(Triangle(1), {0, 1, 2});
    trailing.push_back(0);
    EXPECT_NE(FailureOf(trailing).find("1 bytes after its data"), std::string::npos);
    EXPECT_NE(FailureOf(MakeGBM(Triangle(1), {0, 1, 2, 0})).find("partial triangle"), std::string::npos);
    auto pair = Triangle(1);
    pair.pop_back();
    EXPECT_NE(FailureOf(MakeGBM(pair, {})).find("too few elements (2) for its primitive type 4"), std::string::npos);
    auto strip = MakeGBM(pair, {});
    strip[4] = 5;
    EXPECT_NE(FailureOf(strip).find("too few elements (2) for its primitive type 5"), std::string::npos);
    auto kind = MakeGBM(Triangle(1), {0, 1, 2});
    kind[4] = 9;
    EXPECT_NE(FailureOf(kind).find("unknown primitive type 9"), std::string::npos);
    for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
        auto v = Triangle(1);
        v[1].pos[2] = bad;
        EXPECT_NE(FailureOf(MakeGBM(v, {0, 1, 2})).find("vertex 1 at a position that is not a finite number"),
                  std::string::npos);
    }

    EXPECT_THROW(mesh.Load((dir + "x.3ds").c_str(), 0, 1, 2, 0, 3, true, false), QNMESH::EXC);
    try {
        mesh.Load("thing.3ds", 0, 1, 2, 0, 3, true, false);
    } catch (const QNMESH::EXC& e) {
        EXPECT_STREQ(e.what(), "Unknown mesh format 'thing.3ds'.");
    }
    EXPECT_THROW(mesh.Load((dir + "absent").c_str(), 0, 1, 2, 0, 3, true, false), QNFILE::EXC);
}

TEST_F(MeshLoadTest, ObjCornersAndOptionalIndices)
{
    const std::string text =
        "# comment\n"
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 9 -9 4\n"
        "vt 0.5 0.25\nvt 1 1 0 0\n"
        "vn 0 0 -1\nvn 0 1 0\n"
        "f 1/1/1 2/2/1 3/1/2 4/1/1\n"
        "f 3//2 2//2 1//1\n"
        "g ignored\n";
    for (const char* eol : {"\n", "\r\n"}) {
        std::string body;
        for (char c : text) {
            if (c == '\n')
                body += eol;
            else
                body += c;
        }
        meshtest::WriteFile(dir + "m.OBJ", body);
        mesh.Load((dir + "m.OBJ").c_str(), 0, 1, 2, 0, 3, true, false);
        ASSERT_EQ(mesh.VertexCount(), 9u) << eol;  // the four-corner face is a fan of two
        const QNVERTEXARRAY v = mesh.Buffers.Vertices();
        EXPECT_EQ(v.GetPosition(1), QNVEC3(1, 0, 0));
        EXPECT_FLOAT_EQ(v.TexCoord(0, 0)[0], 0.5f);
        EXPECT_FLOAT_EQ(v.TexCoord(1, 0)[1], 1.0f);
        EXPECT_FLOAT_EQ(v.TexCoord(6, 0)[0], 0.0f);  // a//c: no texture index
        EXPECT_EQ(v.GetPosition(4), QNVEC3(0, 1, 0));
        EXPECT_EQ(v.GetPosition(5), QNVEC3(9, -9, 4));
        EXPECT_EQ(v.GetPosition(6), QNVEC3(0, 1, 0));  // the second face
        EXPECT_EQ(mesh.Buffers.Indices()[8], 8u);
        // The unreferenced fourth position still extends the box.
        EXPECT_EQ(mesh.Box.min, QNVEC3(0, -9, 0));
        EXPECT_EQ(mesh.Box.max, QNVEC3(9, 1, 4));
    }
}

TEST_F(MeshLoadTest, ObjIndicesOutsideTheirListsFail)
{
    const char* bad[] = {"v 0 0 0\nf 1 2 1\n", "v 0 0 0\nf 0 1 1\n", "v 0 0 0\nf -1 1 1\n",
                         "v 0 0 0\nvt 0 0\nf 1/2 1/1 1/1\n", "v 0 0 0\nf 1//1 1 1\n", "v 0 0 0\nf 99999 1 1\n"};
    for (const char* text : bad) {
        meshtest::WriteFile(dir + "bad.obj", std::string(text));
        try {
            mesh.Load((dir + "bad.obj").c_str(), 0, 1, 2, 0, 3, true, false);
            ADD_FAILURE() << text;
        } catch (const QNPARSER::EXC& e) {
            EXPECT_NE(std::string(e.what()).find("Index out of range."), std::string::npos) << text;
        }
        EXPECT_EQ(mesh.VertexCount(), 0u);
    }
    meshtest::WriteFile(dir + "num.obj", "v 1 2\n");
    EXPECT_THROW(mesh.Load((dir + "num.obj").c_str(), 0, 1, 2, 0, 3, true, false), QNPARSER::EXC);
    const std::pair<const char*, const char*> refused[] = {
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1.9 2 3\n", "Expecting a whole number."},
        {"v 0 0 0\nv 1 0 0\nv 1e+39 1 0\nf 1 2 3\n", "Number out of range."},
        {"v 0 0 0\nv 1 0 0\nf 1 2\n", "Expecting number."},
    };
    for (const auto& [text, message] : refused) {
        meshtest::WriteFile(dir + "bad.obj", std::string(text));
        try {
            mesh.Load((dir + "bad.obj").c_str(), 0, 1, 2, 0, 3, true, false);
            ADD_FAILURE() << text;
        } catch (const QNPARSER::EXC& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        EXPECT_EQ(mesh.VertexCount(), 0u);
    }
}

}  // namespace
