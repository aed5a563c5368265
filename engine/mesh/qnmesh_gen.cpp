// Mesh generators and simplification.
//
// Grid. A grid is patch columns x patch rows patches laid out in the x-y plane (z = 0) about
// the origin, left to right from x = -width/2 and top to bottom from y = +height/2. Every patch
// owns its (cells across + 1) x (cells down + 1) vertices, row by row from its top edge, so one
// patch's texture coordinates can change without touching its neighbours: that is how text
// meshes show one glyph per patch. With `facing` set a row runs left to right and the cell
// triangles (a, a+1, a+V), (a+1, a+V+1, a+V) are clockwise seen from -z, the side the camera
// looks from (front normal (0, 0, -1)); with it clear a row runs right to left, mirroring the
// patch so that it faces +z.
//
// Sphere. Ring i (0..rings) is the point (0, r, 0) turned about x by i*pi/rings, swept about y
// in `segments` steps; in this left-handed frame ring i, step j is
// (r sin(t) sin(p), r cos(t), r sin(t) cos(p)) with t = i*pi/rings, p = j*2*pi/segments. The
// inner rings carry segments + 1 vertices (the seam vertex twice, for u = 0 and u = 1); each pole
// carries one vertex per segment so that every cap triangle has its own u. The poles are the
// rings 0 and `rings` by index: a float test on z fails once r*sin(t) rounds away from 0.
//
// Simplification goes through meshoptimizer: vertices that are equal in every byte are welded
// first (loaders emit one vertex per corner), the index list is reduced towards the target,
// sloppily when the topology-preserving pass stalls, and the kept vertices are compacted.

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "engine/mesh/qnmesh.h"
#include "engine/mesh/qnmesh_local.h"

void QNMESH::CreateGrid(float patchWidth, float patchHeight, std::uint32_t patchColumns, std::uint32_t patchRows,
                        std::uint32_t cellsAcross, std::uint32_t cellsDown, std::uint32_t sets, std::uint32_t coords,
                        std::uint32_t vertexUsage, std::uint32_t kind, bool facing, bool upload)
{
    Release();
    const std::uint64_t across = cellsAcross + 1ull, down = cellsDown + 1ull;
    const std::uint64_t patches = std::uint64_t(patchColumns) * patchRows;
    const std::uint64_t total = patches * across * down;
    if (patches == 0 || cellsAcross == 0 || cellsDown == 0 || total > kMaxVertices)
        throw EXC(0, "Grid of %u x %u patches of %u x %u cells is outside the vertex pool.", patchColumns,
                  patchRows, cellsAcross, cellsDown);

    Grid.PatchColumns = float(patchColumns);
    Grid.PatchRows = float(patchRows);
    Grid.PatchWidth = patchWidth;
    Grid.PatchHeight = patchHeight;
    Grid.CellsAcross = float(cellsAcross);
    Grid.CellsDown = float(cellsDown);
    Grid.VertsAcross = float(across);
    Grid.VertsDown = float(down);
    Grid.VerticesPerPatch = std::uint32_t(across * down);
    Grid.IndicesPerPatch = 6 * cellsAcross * cellsDown;
    Grid.TotalVertices = std::uint32_t(total);
    Grid.TotalIndices = std::uint32_t(patches) * Grid.IndicesPerPatch;

    Buffers.Create(Grid.TotalVertices, Grid.TotalIndices, kind, sets, coords, vertexUsage, 0, D3DPT_TRIANGLELIST);
    QNVERTEXARRAY vertices = Buffers.Vertices();
    std::uint16_t* indices = Buffers.Indices();

    const float left = -float(patchColumns) * patchWidth / 2;
    const float top = float(patchRows) * patchHeight / 2;
    const float stepX = patchWidth / float(cellsAcross), stepY = patchHeight / float(cellsDown);
    const float stepU = TextureGrid[3] / float(cellsAcross), stepV = TextureGrid[4] / float(cellsDown);
    const QNVEC3 normal(0, 0, facing ? -1.0f : 1.0f);

    std::uint32_t v = 0, n = 0;
    for (std::uint32_t pr = 0; pr < patchRows; ++pr) {
        for (std::uint32_t pc = 0; pc < patchColumns; ++pc) {
            const std::uint32_t first = v;
            const float x0 = left + float(pc) * patchWidth;
            const float y0 = top - float(pr) * patchHeight;
            for (std::uint32_t r = 0; r < down; ++r) {
                for (std::uint32_t k = 0; k < across; ++k, ++v) {
                    QNVERTEXARRAY::VERTEX vx;
                    vx.Position[0] = facing ? x0 + float(k) * stepX : x0 + patchWidth - float(k) * stepX;
                    vx.Position[1] = y0 - float(r) * stepY;
                    vx.Normal[0] = normal.x;
                    vx.Normal[1] = normal.y;
                    vx.Normal[2] = normal.z;
                    vx.SetCount = 1;
                    vx.TexSets[0][0] = float(k) * stepU;
                    vx.TexSets[0][1] = float(r) * stepV;
                    vertices.SetVertex(v, vx);
                }
            }
            for (std::uint32_t i = 0; i < cellsDown; ++i) {
                for (std::uint32_t j = 0; j < cellsAcross; ++j) {
                    const auto a = std::uint16_t(first + i * across + j);
                    const auto V = std::uint16_t(across);
                    const std::uint16_t tri[6] = {a, std::uint16_t(a + 1), std::uint16_t(a + V),
                                                  std::uint16_t(a + 1), std::uint16_t(a + V + 1),
                                                  std::uint16_t(a + V)};
                    std::memcpy(indices + n, tri, sizeof tri);
                    n += 6;
                }
            }
        }
    }
    Box.min = QNVEC3(left, top - float(patchRows) * patchHeight, 0);
    Box.max = QNVEC3(left + float(patchColumns) * patchWidth, top, 0);
    Radius = (Box.max - Box.min).Length() * 0.5f;
    QnMeshMarkUsed(Buffers, upload);
}

void QNMESH::TileTextureCoords(std::uint32_t column, std::uint32_t row, std::uint32_t cell, bool upload)
{
    const auto columns = std::uint32_t(TextureGrid[0]);
    if (columns < 1 || !HasVertices() || Grid.VerticesPerPatch == 0 || float(column) >= Grid.PatchColumns ||
        float(row) >= Grid.PatchRows)
        return;
    const std::uint32_t first = (row * std::uint32_t(Grid.PatchColumns) + column) * Grid.VerticesPerPatch;
    if (first + Grid.VerticesPerPatch > VertexCount())
        return;
    const float u0 = float(cell % columns) * TextureGrid[3];
    const float v0 = float(cell / columns) * TextureGrid[4];
    const float du = TextureGrid[3] / Grid.CellsAcross, dv = TextureGrid[4] / Grid.CellsDown;
    QNVERTEXARRAY vertices = Buffers.Vertices();
    const auto across = std::uint32_t(Grid.VertsAcross), down = std::uint32_t(Grid.VertsDown);
    for (std::uint32_t r = 0; r < down; ++r)
        for (std::uint32_t k = 0; k < across; ++k) {
            const float uv[4] = {u0 + float(k) * du, v0 + float(r) * dv, 0, 0};
            vertices.SetTexCoord(first + r * across + k, -1, uv);
        }
    if (upload)
        Buffers.UploadVertices(first, Grid.VerticesPerPatch);
}

void QNMESH::CreateSphere(float radius, std::uint32_t segments, std::uint32_t rings, std::uint32_t sets,
                          std::uint32_t coords, std::uint32_t vertexUsage, std::uint32_t kind, bool upload)
{
    Release();
    const std::uint64_t count = (rings + 1ull) * (segments + 1ull) - 2;
    if (segments < 2 || rings < 2 || count > kMaxVertices)
        throw EXC(0, "Sphere of %u segments and %u rings is outside the vertex pool.", segments, rings);
    const std::uint32_t indexCount = (rings - 1) * segments * 6;
    Buffers.Create(std::uint32_t(count), indexCount, kind, sets, coords, vertexUsage, 0, D3DPT_TRIANGLELIST);
    QNVERTEXARRAY vertices = Buffers.Vertices();
    std::uint16_t* indices = Buffers.Indices();

    const double pi = std::numbers::pi;
    std::uint32_t v = 0;
    auto put = [&](const QNVEC3& p, float u, float tv) {
        QNVERTEXARRAY::VERTEX vx;
        vx.Position[0] = p.x;
        vx.Position[1] = p.y;
        vx.Position[2] = p.z;
        const QNVEC3 n = p.Normalize();
        vx.Normal[0] = n.x;
        vx.Normal[1] = n.y;
        vx.Normal[2] = n.z;
        vx.SetCount = 1;
        vx.TexSets[0][0] = u;
        vx.TexSets[0][1] = tv;
        vertices.SetVertex(v++, vx);
    };
    auto ringPoint = [&](std::uint32_t i, std::uint32_t j) {
        const double t = double(i) * pi / double(rings), p = double(j) * 2 * pi / double(segments);
        return QNVEC3(float(radius * std::sin(t) * std::sin(p)), float(radius * std::cos(t)),
                      float(radius * std::sin(t) * std::cos(p)));
    };
    for (std::uint32_t j = 0; j < segments; ++j)
        put(QNVEC3(0, radius, 0), 1.0f - float(j) / float(segments - 1), 0.0f);
    for (std::uint32_t i = 1; i < rings; ++i)
        for (std::uint32_t j = 0; j <= segments; ++j)
            put(ringPoint(i, j), 1.0f - float(j) / float(segments), float(i) / float(rings));
    for (std::uint32_t j = 0; j < segments; ++j)
        put(QNVEC3(0, -radius, 0), 1.0f - float(j) / float(segments - 1), 1.0f);

    const std::uint32_t ringStart = segments, ringSize = segments + 1;
    const std::uint32_t lastRing = ringStart + (rings - 2) * ringSize, bottom = lastRing + ringSize;
    std::uint32_t n = 0;
    auto tri = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        indices[n++] = std::uint16_t(a);
        indices[n++] = std::uint16_t(b);
        indices[n++] = std::uint16_t(c);
    };
    for (std::uint32_t j = 0; j < segments; ++j)
        tri(j, ringStart + j, ringStart + j + 1);
    for (std::uint32_t r = 0; r + 2 < rings; ++r)
        for (std::uint32_t j = 0; j < segments; ++j) {
            const std::uint32_t a = ringStart + r * ringSize + j, b = a + ringSize;
            tri(a, b, b + 1);
            tri(a, b + 1, a + 1);
        }
    for (std::uint32_t j = 0; j < segments; ++j)
        tri(lastRing + j + 1, lastRing + j, bottom + j);

    Box.min = QNVEC3(-radius, -radius, -radius);
    Box.max = QNVEC3(radius, radius, radius);
    bool first = true;
    for (std::uint32_t i = 0; i < count; ++i)
        Box.Extend(vertices.GetPosition(i), first);
    Radius = (Box.max - Box.min).Length() * 0.5f;
    QnMeshMarkUsed(Buffers, upload);
}

void QNMESH::Simplify(float fraction, QNMESH& destination) const
{
    destination.Release();
    if (!HasVertices())
        return;
    const QNVERTEXARRAY src = Buffers.Vertices();
    const std::uint32_t vertexCount = VertexCount();
    const auto target = std::uint32_t(std::lround(double(vertexCount) * double(fraction)));

    std::vector<std::uint32_t> indices;
    if (IndexCount()) {
        const std::uint16_t* in = Buffers.Indices();
        indices.assign(in, in + IndexCount());
    } else {
        for (std::uint32_t i = 0; i < vertexCount; ++i)
            indices.push_back(i);
    }
    const std::size_t stride = src.Stride;
    std::vector<std::uint8_t> welded(std::size_t(vertexCount) * stride);
    std::uint32_t unique = vertexCount;
    std::vector<std::uint32_t> reduced;

    if (Buffers.PrimitiveType == D3DPT_TRIANGLELIST && indices.size() >= 3 && indices.size() % 3 == 0 &&
        target < vertexCount) {
        std::vector<std::uint32_t> remap(vertexCount);
        unique = std::uint32_t(
            meshopt_generateVertexRemap(remap.data(), indices.data(), indices.size(), src.Data, vertexCount, stride));
        meshopt_remapVertexBuffer(welded.data(), src.Data, vertexCount, stride, remap.data());
        meshopt_remapIndexBuffer(indices.data(), indices.data(), indices.size(), remap.data());

        // Keep the share of triangles that the share of vertices asks for.
        // Welding can leave fewer vertices than the target: the target never exceeds what is there.
        std::size_t targetIndices = std::size_t(double(indices.size()) * double(target) / double(unique)) / 3 * 3;
        targetIndices = std::min(targetIndices, indices.size());
        reduced.resize(indices.size());
        const auto* positions = reinterpret_cast<const float*>(welded.data());
        std::size_t got = meshopt_simplify(reduced.data(), indices.data(), indices.size(), positions, unique, stride,
                                           targetIndices, 1.0f);
        if (got > targetIndices && targetIndices >= 3) {
            std::vector<std::uint32_t> sloppy(got);
            got = meshopt_simplifySloppy(sloppy.data(), reduced.data(), got, positions, unique, stride,
                                         targetIndices, 1.0f);
            std::copy(sloppy.begin(), sloppy.begin() + std::ptrdiff_t(got), reduced.begin());
        }
        reduced.resize(got);
        std::vector<std::uint8_t> compact(welded.size());
        unique = std::uint32_t(
            meshopt_optimizeVertexFetch(compact.data(), reduced.data(), reduced.size(), welded.data(), unique, stride));
        welded.swap(compact);
    } else {
        std::memcpy(welded.data(), src.Data, welded.size());
        reduced = indices;
    }
    if (unique == 0 || reduced.empty())
        return;

    destination.Buffers.Create(unique, std::uint32_t(reduced.size()), src.Kind, src.Sets, src.Coords,
                               Buffers.VertexUsage, Buffers.IndexUsage, Buffers.PrimitiveType);
    std::memcpy(destination.Buffers.VertexRange->Data(), welded.data(), std::size_t(unique) * stride);
    std::uint16_t* out = destination.Buffers.Indices();
    for (std::size_t i = 0; i < reduced.size(); ++i)
        out[i] = std::uint16_t(reduced[i]);
    QNVERTEXARRAY dst = destination.Buffers.Vertices();
    bool first = true;
    for (std::uint32_t i = 0; i < unique; ++i)
        destination.Box.Extend(dst.GetPosition(i), first);
    destination.Radius = (destination.Box.max - destination.Box.min).Length() * 0.5f;
    destination.Buffers.UploadVertices();
    destination.Buffers.UploadIndices();
}
