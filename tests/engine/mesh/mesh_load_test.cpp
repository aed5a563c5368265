#include "engine/mesh/qnmesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/mesh/qnparser.h"
#include "tests/engine/mesh/mesh_test_util.h"
#include "tests/engine/resource/archive_damage.h"

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
    void Pack(const archivetest::Files& files) { archivetest::Pack(dir + "media.qns", files); }
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
    // The parser's message for an OBJ text; the failed load must leave the mesh released.
    std::string ObjRefusal(const std::string& text)
    {
        meshtest::WriteFile(dir + "bad.obj", text);
        try {
            mesh.Load((dir + "bad.obj").c_str(), 0, 1, 2, 0, 3, true, false);
        } catch (const QNPARSER::EXC& e) {
            EXPECT_EQ(mesh.VertexCount(), 0u);
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
    for (const auto& [text, message] : refused)
        EXPECT_NE(ObjRefusal(text).find(message), std::string::npos) << text;
}

TEST_F(MeshLoadTest, ObjIndicesAreDecimalAndFacesEndAfterTheirCorners)
{
    std::string points;
    for (int i = 1; i <= 12; ++i)
        points += "v " + std::to_string(i) + " 0 0\n";
    // A leading zero is a decimal digit: 010 is the tenth position, 09 the ninth. Blanks and a
    // comment may follow the corners.
    meshtest::WriteFile(dir + "dec.obj", points + "f 010 011 012 \t\nf 09//1 1 2 # last\nvn 0 0 1\n");
    mesh.Load((dir + "dec.obj").c_str(), 0, 1, 2, 0, 3, true, false);
    ASSERT_EQ(mesh.VertexCount(), 6u);
    const QNVERTEXARRAY v = mesh.Buffers.Vertices();
    EXPECT_EQ(v.GetPosition(0), QNVEC3(10, 0, 0));
    EXPECT_EQ(v.GetPosition(2), QNVEC3(12, 0, 0));
    EXPECT_EQ(v.GetPosition(3), QNVEC3(9, 0, 0));

    // Indices beyond 32 bits are refused on their line, not wrapped onto the first position;
    // so is anything after the corners, and an index past its list names the face's line.
    const std::pair<std::string, std::string> refused[] = {
        {points + "f 4294967297 2 3\n", "Line #13 Index out of range."},
        {points + "f -4294967295 2 3\n", "Line #13 Index out of range."},
        {points + "f 1 2 99999999999999999999999\n", "Line #13 Index out of range."},
        {points + "f 1 2 3 junk\n", "Line #13 Unexpected text after the face's corners."},
        {points + "f 1 2 3\n\nf 1 2 13\n", "Line #15 Index out of range."},
    };
    for (const auto& [text, message] : refused)
        EXPECT_NE(ObjRefusal(text).find(message), std::string::npos) << text;
}

TEST_F(MeshLoadTest, ArchiveFailuresNameTheMediumAndTheArchivesReason)
{
    auto load = [&](const char* name) {
        return archivetest::FailureOf([&] { mesh.Load(name, 0, 1, 2, 0, 3, true); });
    };
    archivetest::ExpectArchiveFailuresNamed(dir + "media.qns", ".gbm", MakeGBM(Triangle(1), {0, 1, 2}),
                                            archivetest::Bytes("not a mesh at all"), load,
                                            {"File '%' could not be read from the archive. ",
                                             "File '%' is not in the archive.", "File '%' is not GBM format."});
    EXPECT_EQ(mesh.VertexCount(), 3u);
    // An OBJ medium's syntax errors name the medium too, not its temporary copy.
    Pack({{"media\\junk.obj", archivetest::Bytes("v 0 0 0\nv 1 x 0\n")}});
    EXPECT_EQ(load("media\\junk.obj"), "'media\\junk.obj' Line #2 Expecting number.");
    EXPECT_EQ(mesh.VertexCount(), 0u);
}

}  // namespace
