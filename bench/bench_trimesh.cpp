// Triangle meshes: build time of the box tree (about 1k, 10k and 100k triangles of a rough
// terrain grid), line-segment queries per second against a 10k-triangle terrain, and
// mesh-mesh pairs per second for a small pair (two cubes, the common-normal path) and a
// large pair (two spheres of about 2k triangles each, the merging path).
//
// The build and the segment queries run beside Bullet's triangle-mesh shape on the same
// triangles: its quantized bounding-volume tree (a binary tree of boxes; ours is a box tree of
// its own kind, so the two trees differ and both build times are reported), and its ray test
// for the closest hit along the same segments. Each iteration times both sides, interleaved;
// the ratio is ours / Bullet in time from each side's fastest iteration (below 1 = ours
// faster), and the segment benchmark counts the segments whose hit or miss differ.

#include <benchmark/benchmark.h>

#include <BulletCollision/NarrowPhaseCollision/btRaycastCallback.h>
#include <btBulletCollisionCommon.h>

#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "bench/bench_timing.h"
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

// Bullet's view of a mesh: the index and vertex arrays it references, and its shape.
struct BulletMesh {
    std::vector<int> indices;
    std::vector<btScalar> vertices;
    std::unique_ptr<btTriangleIndexVertexArray> arrays;
    std::unique_ptr<btBvhTriangleMeshShape> shape;

    explicit BulletMesh(const Mesh& m)
    {
        for (const auto& t : m.triangles)
            indices.insert(indices.end(), t.begin(), t.end());
        for (const auto& v : m.vertices)
            vertices.insert(vertices.end(), v.begin(), v.end());
        arrays = std::make_unique<btTriangleIndexVertexArray>(
            static_cast<int>(m.triangles.size()), indices.data(), static_cast<int>(3 * sizeof(int)),
            static_cast<int>(m.vertices.size()), vertices.data(), static_cast<int>(3 * sizeof(btScalar)));
    }
    void Build() { shape = std::make_unique<btBvhTriangleMeshShape>(arrays.get(), true, true); }
};

// The closest hit of a ray test (Bullet reports hits as fractions along the segment).
struct ClosestHit : btTriangleRaycastCallback {
    ClosestHit(const btVector3& from, const btVector3& to) : btTriangleRaycastCallback(from, to) {}
    btScalar reportHit(const btVector3&, btScalar fraction, int, int) override
    {
        hit = true;
        return fraction;  // later hits must be closer
    }
    bool hit = false;
};

void Identity(MeMatrix4 t)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t[i][j] = i == j ? 1.0f : 0.0f;
}

void BM_MeshBuild(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    McdFrameworkID framework = McdInitEngineFramework(16, 0);
    const Mesh terrain = Terrain(static_cast<int>(state.range(0)));
    BulletMesh bullet(terrain);
    std::vector<double> ours, theirs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        MeRandomSeed(1);
        McdGeometryID g = terrain.Make(framework);
        benchmark::DoNotOptimize(McdTriangleMeshBuild(g));
        McdGeometryDestroy(g);
        const auto t1 = Clock::now();
        bullet.Build();
        benchmark::DoNotOptimize(bullet.shape.get());
        bullet.shape.reset();
        const auto t2 = Clock::now();
        ours.push_back(std::chrono::duration<double>(t1 - t0).count());
        theirs.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
    state.counters["triangles"] = static_cast<double>(terrain.triangles.size());
    state.counters["ours_ms"] = 1e3 * Fastest(ours);
    state.counters["bullet_ms"] = 1e3 * Fastest(theirs);
    state.counters["ratio_ours_over_bullet_time"] = Fastest(ours) / Fastest(theirs);
    McdTerm(framework);
}
// At least two seconds of builds: a 100k-triangle build takes a third of a second, and one
// or two iterations would time both sides with a cold allocator only.
BENCHMARK(BM_MeshBuild)->Arg(22)->Arg(71)->Arg(224)->MinTime(2.0)->Unit(benchmark::kMillisecond);

void BM_SegmentQuery(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    McdFrameworkID framework = McdInitEngineFramework(16, 0);
    const Mesh terrain = Terrain(71);
    McdGeometryID g = terrain.Make(framework);
    McdTriangleMeshBuild(g);
    BulletMesh bullet(terrain);
    bullet.Build();
    MeMatrix4 t;
    Identity(t);
    McdModelID model = McdModelCreate(g);
    McdModelSetTransformPtr(model, t);
    MeRandomSeed(7);
    std::vector<std::array<MeReal, 6>> segments(1024);
    for (auto& s : segments)
        s = {Uniform(-35, 35), Uniform(-35, 35), 5, Uniform(-35, 35), Uniform(-35, 35), -5};
    std::vector<char> ourHits(segments.size()), bulletHits(segments.size());
    std::vector<double> ours, theirs;
    size_t hits = 0, differ = 0, queries = 0;
    McdLineSegIntersectResult hit;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (size_t i = 0; i < segments.size(); ++i)
            ourHits[i] = static_cast<char>(McdTriangleMeshLineSegment(model, segments[i].data(), segments[i].data() + 3, &hit) != 0);
        const auto t1 = Clock::now();
        for (size_t i = 0; i < segments.size(); ++i) {
            const auto& s = segments[i];
            const btVector3 from(s[0], s[1], s[2]), to(s[3], s[4], s[5]);
            ClosestHit callback(from, to);
            bullet.shape->performRaycast(&callback, from, to);
            bulletHits[i] = static_cast<char>(callback.hit);
        }
        const auto t2 = Clock::now();
        ours.push_back(std::chrono::duration<double>(t1 - t0).count());
        theirs.push_back(std::chrono::duration<double>(t2 - t1).count());
        for (size_t i = 0; i < segments.size(); ++i) {
            hits += static_cast<size_t>(ourHits[i]);
            differ += ourHits[i] != bulletHits[i];
        }
        queries += segments.size();
    }
    const double n = static_cast<double>(segments.size());
    state.SetItemsProcessed(static_cast<int64_t>(queries));
    state.counters["hit_rate"] = queries ? static_cast<double>(hits) / static_cast<double>(queries) : 0;
    state.counters["hits_differ"] = queries ? static_cast<double>(differ) / static_cast<double>(queries) : 0;
    state.counters["ours_queries_per_s"] = n / Fastest(ours);
    state.counters["bullet_queries_per_s"] = n / Fastest(theirs);
    state.counters["ratio_ours_over_bullet_time"] = Fastest(ours) / Fastest(theirs);
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
