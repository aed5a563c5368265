// Triangle meshes: build time of the box tree (about 1k, 10k and 100k triangles of a rough
// terrain grid), line-segment queries per second against a 10k-triangle terrain, and
// mesh-mesh pairs per second for a small pair (two cubes, the common-normal path) and a
// large pair (two spheres of about 2k triangles each, the merging path).

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

#include "physics/collision/collision.h"
#include "physics/collision/triangle_mesh.h"
#include "physics/dynamics/me_random.h"

namespace {

float Uniform(float lo, float hi)
{
    return lo + (hi - lo) * static_cast<float>(MeRandom()) / static_cast<float>(MeRANDOM_MAX);
}

struct Mesh {
    std::vector<std::array<MeReal, 3>> vertices;
    std::vector<std::array<int, 3>> triangles;

    McdGeometryID Make(McdFrameworkID framework) const
    {
        McdGeometryID g = McdTriangleMeshCreate(framework, static_cast<int>(triangles.size()));
        for (const auto& t : triangles)
            McdTriangleMeshAddTriangle(g, vertices[static_cast<size_t>(t[0])].data(),
                                       vertices[static_cast<size_t>(t[1])].data(),
                                       vertices[static_cast<size_t>(t[2])].data());
        return g;
    }
};

// A k x k grid of cells over [-k/2, k/2]^2 with random heights: 2 k^2 triangles.
Mesh Terrain(int k)
{
    MeRandomSeed(42);
    Mesh m;
    for (int j = 0; j <= k; ++j)
        for (int i = 0; i <= k; ++i)
            m.vertices.push_back({static_cast<MeReal>(i) - 0.5f * k, static_cast<MeReal>(j) - 0.5f * k, Uniform(0, 0.5f)});
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i) {
            const int a = j * (k + 1) + i, b = a + 1, c = a + k + 1, d = c + 1;
            m.triangles.push_back({a, b, d});
            m.triangles.push_back({a, d, c});
        }
    return m;
}

Mesh Sphere(MeReal r, int slices, int stacks)
{
    Mesh m;
    for (int j = 0; j <= stacks; ++j) {
        const MeReal phi = 3.14159265f * static_cast<MeReal>(j) / static_cast<MeReal>(stacks);
        for (int i = 0; i < slices; ++i) {
            const MeReal theta = 6.2831853f * static_cast<MeReal>(i) / static_cast<MeReal>(slices);
            m.vertices.push_back({r * std::sin(phi) * std::cos(theta), r * std::sin(phi) * std::sin(theta), r * std::cos(phi)});
        }
    }
    for (int j = 0; j < stacks; ++j)
        for (int i = 0; i < slices; ++i) {
            const int a = j * slices + i, b = j * slices + (i + 1) % slices, c = a + slices, e = b + slices;
            if (j > 0)
                m.triangles.push_back({a, c, b});
            if (j + 1 < stacks)
                m.triangles.push_back({b, c, e});
        }
    return m;
}

Mesh Cube(MeReal h, MeReal z)
{
    Mesh m;
    for (int i = 0; i < 8; ++i)
        m.vertices.push_back({(i & 1) ? h : -h, (i & 2) ? h : -h, z + ((i & 4) ? h : -h)});
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        m.triangles.push_back({q[0], q[1], q[2]});
        m.triangles.push_back({q[0], q[2], q[3]});
    }
    return m;
}

void Identity(MeMatrix4 t)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t[i][j] = i == j ? 1.0f : 0.0f;
}

void BM_MeshBuild(benchmark::State& state)
{
    McdFrameworkID framework = McdInitEngineFramework(16, 0);
    const Mesh terrain = Terrain(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        MeRandomSeed(1);
        McdGeometryID g = terrain.Make(framework);
        benchmark::DoNotOptimize(McdTriangleMeshBuild(g));
        McdGeometryDestroy(g);
    }
    state.counters["triangles"] = static_cast<double>(terrain.triangles.size());
    McdTerm(framework);
}
BENCHMARK(BM_MeshBuild)->Arg(22)->Arg(71)->Arg(224)->Unit(benchmark::kMillisecond);

void BM_SegmentQuery(benchmark::State& state)
{
    McdFrameworkID framework = McdInitEngineFramework(16, 0);
    const Mesh terrain = Terrain(71);
    McdGeometryID g = terrain.Make(framework);
    McdTriangleMeshBuild(g);
    MeMatrix4 t;
    Identity(t);
    McdModelID model = McdModelCreate(g);
    McdModelSetTransformPtr(model, t);
    MeRandomSeed(7);
    std::vector<std::array<MeReal, 6>> segments(1024);
    for (auto& s : segments)
        s = {Uniform(-35, 35), Uniform(-35, 35), 5, Uniform(-35, 35), Uniform(-35, 35), -5};
    size_t i = 0, hits = 0;
    McdLineSegIntersectResult hit;
    for (auto _ : state) {
        const auto& s = segments[i++ & 1023];
        hits += static_cast<size_t>(McdTriangleMeshLineSegment(model, s.data(), s.data() + 3, &hit));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["hit_rate"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
    McdModelDestroy(model);
    McdGeometryDestroy(g);
    McdTerm(framework);
}
BENCHMARK(BM_SegmentQuery);

void PairBenchmark(benchmark::State& state, const Mesh& a, const Mesh& b, MeReal dx, int budget)
{
    McdFrameworkID framework = McdInitEngineFramework(16, 0);
    McdGeometryID ga = a.Make(framework), gb = b.Make(framework);
    McdTriangleMeshBuild(ga);
    McdTriangleMeshBuild(gb);
    MeMatrix4 ta, tb;
    Identity(ta);
    Identity(tb);
    tb[3][0] = dx;
    McdModelID ma = McdModelCreate(ga), mb = McdModelCreate(gb);
    McdModelSetTransformPtr(ma, ta);
    McdModelSetTransformPtr(mb, tb);
    McdModelPair pair;
    McdModelPairInit(&pair, ma, mb);
    McdIntersectRequest request;
    request.contactMaxCount = budget;
    pair.request = &request;
    McdContact contacts[64];
    McdIntersectResult result;
    result.pair = &pair;
    result.contacts = contacts;
    result.contactMaxCount = 64;
    int total = 0;
    for (auto _ : state) {
        McdTriangleMeshTriangleMeshIntersect(&pair, &result);
        total += result.contactCount;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["contacts"] = static_cast<double>(total) / static_cast<double>(state.iterations());
    state.counters["triangles"] = static_cast<double>(a.triangles.size() + b.triangles.size());
    McdModelDestroy(ma);
    McdModelDestroy(mb);
    McdGeometryDestroy(ga);
    McdGeometryDestroy(gb);
    McdTerm(framework);
}

void BM_MeshPairSmall(benchmark::State& state)
{
    PairBenchmark(state, Cube(0.4f, 0.8f), Cube(0.5f, 0), 0.05f, 4);
}
BENCHMARK(BM_MeshPairSmall);

void BM_MeshPairLarge(benchmark::State& state)
{
    PairBenchmark(state, Sphere(1, 48, 24), Sphere(1, 40, 26), 1.7f, 40);
}
BENCHMARK(BM_MeshPairLarge);

}  // namespace

BENCHMARK_MAIN();
