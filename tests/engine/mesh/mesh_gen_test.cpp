#include "engine/mesh/qnmesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "tests/engine/mesh/mesh_test_util.h"

namespace {

// The front side of a triangle: with clockwise front faces in this left-handed frame,
// cross(b - a, c - a) points towards the viewer that sees the front.
QNVEC3 FrontNormal(const QNMESH& m, std::uint32_t t)
{
    const QNVERTEXARRAY v = m.Buffers.Vertices();
    const std::uint16_t* i = m.Buffers.Indices();
    const QNVEC3 a = v.GetPosition(i[3 * t]), b = v.GetPosition(i[3 * t + 1]), c = v.GetPosition(i[3 * t + 2]);
    return QNVEC3::Cross(b - a, c - a);
}

class MeshGenTest : public meshtest::Scratch {
protected:
    void TearDown() override
    {
        mesh.Release();
        Scratch::TearDown();
    }
    QNMESH mesh;
};

TEST_F(MeshGenTest, GridLayoutWindingAndTextureCells)
{
    const float grid[6] = {16, 16, 0, 1.0f / 16, 1.0f / 16, 0};
    mesh.SetTextureGrid(grid);
    mesh.CreateGrid(20, 40, 5, 2, 2, 1, 1, 2, 0, 3, true, true);
    EXPECT_EQ(mesh.VertexCount(), 5u * 2 * 3 * 2);
    EXPECT_EQ(mesh.IndexCount(), 5u * 2 * 12);
    EXPECT_EQ(mesh.Grid.VerticesPerPatch, 6u);
    EXPECT_EQ(mesh.Box.min, QNVEC3(-50, -40, 0));
    EXPECT_EQ(mesh.Box.max, QNVEC3(50, 40, 0));
    const QNVERTEXARRAY v = mesh.Buffers.Vertices();
    // Patch (1, 0): top-left corner, the cell step and the row below.
    EXPECT_EQ(v.GetPosition(6), QNVEC3(-30, 40, 0));
    EXPECT_EQ(v.GetPosition(7), QNVEC3(-20, 40, 0));
    EXPECT_EQ(v.GetPosition(9), QNVEC3(-30, 0, 0));
    // Second patch row starts at patch 5.
    EXPECT_EQ(v.GetPosition(30), QNVEC3(-50, 0, 0));
    EXPECT_FLOAT_EQ(v.TexCoord(8, 0)[0], 1.0f / 16);
    for (std::uint32_t t = 0; t < mesh.IndexCount() / 3; ++t)
        EXPECT_LT(FrontNormal(mesh, t).z, 0.0f) << t;

    mesh.TileTextureCoords(1, 1, 'A', true);  // 65: column 1, row 4
    const QNVERTEXARRAY w = mesh.Buffers.Vertices();
    const std::uint32_t first = (1 * 5 + 1) * 6;
    EXPECT_FLOAT_EQ(w.TexCoord(first, 0)[0], 1.0f / 16);
    EXPECT_FLOAT_EQ(w.TexCoord(first, 0)[1], 4.0f / 16);
    EXPECT_FLOAT_EQ(w.TexCoord(first + 5, 0)[0], 1.0f / 16 + 1.0f / 16);
    EXPECT_FLOAT_EQ(w.TexCoord(first + 5, 0)[1], 5.0f / 16);
    EXPECT_FLOAT_EQ(w.TexCoord(first - 1, 0)[0], 1.0f / 16);  // the neighbour kept its cell

    mesh.CreateGrid(2, 2, 1, 1, 1, 1, 1, 2, 0, 3, false, true);
    EXPECT_EQ(mesh.Buffers.Vertices().GetPosition(0), QNVEC3(1, 1, 0));
    EXPECT_GT(FrontNormal(mesh, 0).z, 0.0f);
    EXPECT_THROW(mesh.CreateGrid(1, 1, 300, 300, 1, 1, 1, 2, 0, 3, true, true), QNMESH::EXC);
}

TEST_F(MeshGenTest, SphereRingsPolesAndWinding)
{
    for (float radius : {1.0f, 5.0e5f}) {
        mesh.CreateSphere(radius, 8, 6, 1, 2, 0, 3, true);
        ASSERT_EQ(mesh.VertexCount(), 7u * 9 - 2);
        ASSERT_EQ(mesh.IndexCount(), 5u * 8 * 6);
        const QNVERTEXARRAY v = mesh.Buffers.Vertices();
        for (std::uint32_t j = 0; j < 8; ++j) {
            EXPECT_EQ(v.GetPosition(j), QNVEC3(0, radius, 0));
            EXPECT_EQ(v.GetPosition(mesh.VertexCount() - 8 + j), QNVEC3(0, -radius, 0));
            EXPECT_FLOAT_EQ(v.TexCoord(j, 0)[0], 1.0f - float(j) / 7);
        }
        for (std::uint32_t i = 0; i < mesh.VertexCount(); ++i)
            EXPECT_NEAR(v.GetPosition(i).Length(), radius, radius * 1e-5f);
        const std::uint16_t* idx = mesh.Buffers.Indices();
        for (std::uint32_t k = 0; k < mesh.IndexCount(); ++k)
            ASSERT_LT(idx[k], mesh.VertexCount());
        // Every triangle shows one side outwards, the same for all.
        int outward = 0;
        for (std::uint32_t t = 0; t < mesh.IndexCount() / 3; ++t) {
            const QNVEC3 c = v.GetPosition(idx[3 * t]) + v.GetPosition(idx[3 * t + 1]) + v.GetPosition(idx[3 * t + 2]);
            outward += QNVEC3::Dot(FrontNormal(mesh, t), c) > 0 ? 1 : -1;
        }
        EXPECT_EQ(std::abs(outward), int(mesh.IndexCount() / 3)) << radius;
        EXPECT_FLOAT_EQ(mesh.Box.max.y, radius);
    }
    EXPECT_THROW(mesh.CreateSphere(1, 1, 6, 1, 2, 0, 3, true), QNMESH::EXC);
}

TEST_F(MeshGenTest, BoxSizeAndSimplifiedLevels)
{
    mesh.SetBoxSize(2, 4, 6);
    EXPECT_EQ(mesh.Box.min, QNVEC3(-1, -2, -3));
    EXPECT_EQ(mesh.Box.max, QNVEC3(1, 2, 3));
    EXPECT_FLOAT_EQ(mesh.Radius, QNVEC3(1, 2, 3).Length());

    mesh.CreateSphere(2, 24, 16, 1, 2, 0, 3, true);
    QNMESH half;
    mesh.Simplify(0.5f, half);
    ASSERT_TRUE(half.HasVertices());
    EXPECT_LT(half.VertexCount(), mesh.VertexCount() * 6 / 10);
    EXPECT_GT(half.VertexCount(), mesh.VertexCount() / 10);
    EXPECT_EQ(half.IndexCount() % 3, 0u);
    const std::uint16_t* idx = half.Buffers.Indices();
    for (std::uint32_t k = 0; k < half.IndexCount(); ++k)
        ASSERT_LT(idx[k], half.VertexCount());
    EXPECT_LE(half.Radius, mesh.Radius + 1e-4f);
    EXPECT_GT(half.Radius, mesh.Radius * 0.7f);

    QNMESH whole;
    mesh.Simplify(1.0f, whole);
    EXPECT_EQ(whole.VertexCount(), mesh.VertexCount());
}

// Meshes stored as one record per corner weld to far fewer vertices than they hold: the
// simplifier's target must still fit the index list (an octahedron of 24 records, a cube of 36).
TEST_F(MeshGenTest, SimplifyingUnindexedCornersStaysWithinTheIndexList)
{
    const QNVEC3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::vector<QNVEC3> corners;
    for (int sx : {0, 1})
        for (int sy : {2, 3})
            for (int sz : {4, 5})
                corners.insert(corners.end(), {axes[sx], axes[sy], axes[sz]});
    mesh.Buffers.Create(std::uint32_t(corners.size()), 0, 3, 1, 2, 0, 0, 4);
    QNVERTEXARRAY v = mesh.Buffers.Vertices();
    for (std::uint32_t k = 0; k < corners.size(); ++k) {
        v.Clear(k);
        v.SetPosition(k, corners[k]);
    }
    for (float fraction : {0.9f, 0.5f, 0.25f}) {
        QNMESH level;
        mesh.Simplify(fraction, level);
        ASSERT_TRUE(level.HasVertices()) << fraction;
        EXPECT_LE(level.VertexCount(), 6u);
        EXPECT_EQ(level.IndexCount() % 3, 0u);
        EXPECT_LE(level.IndexCount(), 24u);
    }
}

}  // namespace
