#pragma once
// Mesh data for the triangle-mesh tests: the test owns the vertices the mesh points into.

#include <array>
#include <cmath>
#include <vector>

#include "collision_test_support.h"
#include "physics/collision/triangle_mesh.h"

namespace meshtest {

struct MeshData {
    std::vector<std::array<MeReal, 3>> vertices;
    std::vector<std::array<int, 3>> triangles;

    /// A mesh over these vertices (not built). The vertex array must not change afterwards.
    McdGeometryID Make(McdFrameworkID framework, int capacity) const
    {
        McdGeometryID g = McdTriangleMeshCreate(framework, capacity);
        for (const auto& t : triangles)
            McdTriangleMeshAddTriangle(g, vertices[static_cast<size_t>(t[0])].data(),
                                       vertices[static_cast<size_t>(t[1])].data(),
                                       vertices[static_cast<size_t>(t[2])].data());
        return g;
    }
};

inline void ToWorld(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
}

/// n random triangles in a cube of side `size` about the origin, each no larger than size/3.
inline MeshData RandomSoup(int n, MeReal size)
{
    MeshData d;
    for (int i = 0; i < n; ++i) {
        MeReal c[3];
        for (MeReal& x : c)
            x = colltest::Uniform(-0.5f * size, 0.5f * size);
        const int base = static_cast<int>(d.vertices.size());
        for (int v = 0; v < 3; ++v) {
            std::array<MeReal, 3> p;
            for (int k = 0; k < 3; ++k)
                p[static_cast<size_t>(k)] = c[k] + colltest::Uniform(-size / 6, size / 6);
            d.vertices.push_back(p);
        }
        d.triangles.push_back({base, base + 1, base + 2});
    }
    return d;
}

/// A cube of half side h centred at (x, y, z), faces wound outward.
inline MeshData Cube(MeReal h, MeReal x, MeReal y, MeReal z)
{
    MeshData d;
    for (int i = 0; i < 8; ++i)
        d.vertices.push_back({x + ((i & 1) ? h : -h), y + ((i & 2) ? h : -h), z + ((i & 4) ? h : -h)});
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        d.triangles.push_back({q[0], q[1], q[2]});
        d.triangles.push_back({q[0], q[2], q[3]});
    }
    return d;
}

/// A latitude-longitude sphere with outward winding.
inline MeshData Sphere(MeReal r, int slices, int stacks)
{
    MeshData d;
    for (int j = 0; j <= stacks; ++j) {
        const MeReal phi = 3.14159265f * static_cast<MeReal>(j) / static_cast<MeReal>(stacks);
        for (int i = 0; i < slices; ++i) {
            const MeReal theta = 6.2831853f * static_cast<MeReal>(i) / static_cast<MeReal>(slices);
            d.vertices.push_back({r * std::sin(phi) * std::cos(theta), r * std::sin(phi) * std::sin(theta), r * std::cos(phi)});
        }
    }
    for (int j = 0; j < stacks; ++j)
        for (int i = 0; i < slices; ++i) {
            const int a = j * slices + i, b = j * slices + (i + 1) % slices;
            const int c = a + slices, e = b + slices;
            if (j > 0)
                d.triangles.push_back({a, c, b});
            if (j + 1 < stacks)
                d.triangles.push_back({b, c, e});
        }
    return d;
}

/// n copies of one triangle.
inline MeshData Coincident(int n)
{
    MeshData d;
    d.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int i = 0; i < n; ++i)
        d.triangles.push_back({0, 1, 2});
    return d;
}

/// A long thin strip of n triangles along x.
inline MeshData Strip(int n)
{
    MeshData d;
    for (int i = 0; i <= n / 2 + 1; ++i) {
        d.vertices.push_back({static_cast<MeReal>(i), 0, 0});
        d.vertices.push_back({static_cast<MeReal>(i), 0.01f, 0.001f * static_cast<MeReal>(i % 3)});
    }
    for (int i = 0; i < n; ++i) {
        const int k = i / 2;
        if (i % 2 == 0)
            d.triangles.push_back({2 * k, 2 * k + 2, 2 * k + 1});
        else
            d.triangles.push_back({2 * k + 1, 2 * k + 2, 2 * k + 3});
    }
    return d;
}

}  // namespace meshtest
