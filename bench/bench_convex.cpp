// Convex separation queries against Bullet's GJK: pairs of random hulls (12-40 points each)
// in random poses, half of them overlapping, both sides given the same hull vertices, poses
// and fatness (Bullet's collision margin). Bullet runs its GJK pair detector with the
// Voronoi simplex solver and its GJK-EPA depth solver for overlaps. Both sides may stop as
// soon as the pair is proven apart beyond the fatness sum (ours always does; Bullet is given
// that bound as its maximum distance). Each benchmark iteration moves every pair a little and
// runs each side over all pairs, interleaved; "Warm" keeps each pair's state from the previous
// query (as a resting or sliding pair does from frame to frame: our simplex, Bullet's cached
// separating axis), "Cold" starts both from scratch. The counters give both rates and the
// ratio ours / Bullet in time (below 1 = ours faster, from each side's fastest iteration). A
// case where the two sides decide any pair differently (apart or touching) is invalid: it
// fails with the number of such decisions instead of giving a ratio.

#include <benchmark/benchmark.h>

#include <BulletCollision/CollisionShapes/btConvexHullShape.h>
#include <BulletCollision/NarrowPhaseCollision/btGjkEpaPenetrationDepthSolver.h>
#include <BulletCollision/NarrowPhaseCollision/btGjkPairDetector.h>
#include <BulletCollision/NarrowPhaseCollision/btPointCollector.h>
#include <BulletCollision/NarrowPhaseCollision/btVoronoiSimplexSolver.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "physics/collision/convex_hull.h"
#include "physics/collision/gjk.h"
#include "physics/dynamics/me_random.h"

namespace {

constexpr float kFatness = 0.05f;

float Uniform(float lo, float hi)
{
    return lo + (hi - lo) * static_cast<float>(MeRandom()) / static_cast<float>(MeRANDOM_MAX);
}

void RandomPose(MeMatrix4 m, float px, float py, float pz)
{
    float q[4], n;
    do {
        n = 0;
        for (float& c : q) {
            c = Uniform(-1, 1);
            n += c * c;
        }
    } while (n < 0.01f || n > 1);
    n = std::sqrt(n);
    const float w = q[0] / n, x = q[1] / n, y = q[2] / n, z = q[3] / n;
    const float r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)},
                           {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)},
                           {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            m[i][j] = r[i][j];
        m[i][3] = 0;
    }
    m[3][0] = px;
    m[3][1] = py;
    m[3][2] = pz;
    m[3][3] = 1;
}

// Our matrices are row vectors (rows 0-2 the axes, row 3 the origin).
btTransform ToBullet(const MeMatrix4 m)
{
    const btMatrix3x3 basis(m[0][0], m[1][0], m[2][0], m[0][1], m[1][1], m[2][1], m[0][2], m[1][2], m[2][2]);
    return btTransform(basis, btVector3(m[3][0], m[3][1], m[3][2]));
}

struct Pair {
    CxConvexHull* a;
    CxConvexHull* b;
    std::unique_ptr<btConvexHullShape> shapeA, shapeB;
    MeMatrix4 ta, tb;
    McdGjkSimplex simplex;
    btVector3 cachedAxis{0, 1, 0};  ///< Bullet's warm start
    float drift[3];
};

class Scene {
public:
    explicit Scene(int count)
    {
        MeRandomSeed(99);
        for (int i = 0; i < count; ++i) {
            Pair p;
            p.a = Hull(12 + i % 29);
            p.b = Hull(12 + (i * 7) % 29);
            p.shapeA = Shape(p.a);
            p.shapeB = Shape(p.b);
            RandomPose(p.ta, 0, 0, 0);
            RandomPose(p.tb, Uniform(-2.2f, 2.2f), Uniform(-2.2f, 2.2f), Uniform(-2.2f, 2.2f));
            for (float& d : p.drift)
                d = Uniform(-0.002f, 0.002f);
            pairs_.push_back(std::move(p));
        }
    }
    ~Scene()
    {
        for (Pair& p : pairs_) {
            cnvHullDestroy(p.a);
            cnvHullDestroy(p.b);
        }
    }

    void Drift()
    {
        for (Pair& p : pairs_)
            for (int j = 0; j < 3; ++j) {
                p.tb[3][j] += p.drift[j];
                if (std::fabs(p.tb[3][j]) > 2.2f)
                    p.drift[j] = -p.drift[j];
            }
    }

    // Our separations; `touching` gets 1 for each pair within the fatness sum.
    float Ours(bool warm, std::vector<char>* touching)
    {
        float sum = 0;
        touching->resize(pairs_.size());
        for (size_t i = 0; i < pairs_.size(); ++i) {
            Pair& p = pairs_[i];
            if (!warm)
                p.simplex.count = 0;
            McdConvexSet a, b;
            a.hull = p.a;
            a.transform = p.ta;
            a.fatness = kFatness;
            b.hull = p.b;
            b.transform = p.tb;
            b.fatness = kFatness;
            MeReal n[3];
            const MeReal s = McdConvexSeparation(&a, &b, &p.simplex, n);
            (*touching)[i] = s < 2 * kFatness;
            sum += s;
        }
        return sum;
    }

    // Bullet's distances between the margin-grown shapes (negative depth on overlap).
    float Bullet(bool warm, std::vector<char>* touching)
    {
        float sum = 0;
        touching->resize(pairs_.size());
        for (size_t i = 0; i < pairs_.size(); ++i) {
            Pair& p = pairs_[i];
            btGjkPairDetector detector(p.shapeA.get(), p.shapeB.get(), &simplexSolver_, &depthSolver_);
            if (warm)
                detector.setCachedSeparatingAxis(p.cachedAxis);
            btGjkPairDetector::ClosestPointInput input;
            input.m_transformA = ToBullet(p.ta);
            input.m_transformB = ToBullet(p.tb);
            input.m_maximumDistanceSquared = (2 * kFatness) * (2 * kFatness);
            btPointCollector output;
            detector.getClosestPoints(input, output, nullptr);
            p.cachedAxis = detector.getCachedSeparatingAxis();
            const float d = output.m_hasResult ? output.m_distance : 1e30f;
            (*touching)[i] = d < 0;
            sum += d;
        }
        return sum;
    }

    int Count() const { return static_cast<int>(pairs_.size()); }

private:
    static CxConvexHull* Hull(int n)
    {
        for (;;) {
            std::vector<MeReal> pts;
            for (int i = 0; i < 3 * n; ++i)
                pts.push_back(Uniform(-1, 1));
            if (CxConvexHull* h = cnvComputeHull(n, pts.data(), 1))
                return h;
        }
    }
    static std::unique_ptr<btConvexHullShape> Shape(const CxConvexHull* hull)
    {
        auto shape = std::make_unique<btConvexHullShape>();
        for (int i = 0; i < hull->vertexCount; ++i) {
            const MeReal* v = hull->vertices[i].position;
            shape->addPoint(btVector3(v[0], v[1], v[2]), false);
        }
        shape->recalcLocalAabb();
        shape->setMargin(kFatness);
        return shape;
    }

    std::vector<Pair> pairs_;
    btVoronoiSimplexSolver simplexSolver_;
    btGjkEpaPenetrationDepthSolver depthSolver_;
};

void Run(benchmark::State& state, bool warm)
{
    using Clock = std::chrono::steady_clock;
    Scene scene(static_cast<int>(state.range(0)));
    std::vector<char> oursTouching, bulletTouching;
    scene.Ours(true, &oursTouching);
    scene.Bullet(true, &bulletTouching);
    std::vector<double> ours, bullet;
    long long differ = 0, rounds = 0;
    float sum = 0;
    for (auto _ : state) {
        scene.Drift();
        const auto t0 = Clock::now();
        sum += scene.Ours(warm, &oursTouching);
        const auto t1 = Clock::now();
        sum += scene.Bullet(warm, &bulletTouching);
        const auto t2 = Clock::now();
        ours.push_back(std::chrono::duration<double>(t1 - t0).count());
        bullet.push_back(std::chrono::duration<double>(t2 - t1).count());
        for (size_t i = 0; i < oursTouching.size(); ++i)
            differ += oursTouching[i] != bulletTouching[i];
        ++rounds;
        benchmark::DoNotOptimize(sum);
    }
    const double n = scene.Count();
    state.counters["ours_queries_per_s"] = n / Fastest(ours);
    state.counters["bullet_queries_per_s"] = n / Fastest(bullet);
    state.counters["ratio_ours_over_bullet_time"] = Fastest(ours) / Fastest(bullet);
    if (differ > 0)
        state.SkipWithError(("invalid: the sides decided " + std::to_string(differ) + " of " +
                             std::to_string(rounds * scene.Count()) + " pair queries differently")
                                .c_str());
}

void BM_ConvexSeparationWarm(benchmark::State& state)
{
    Run(state, true);
}

void BM_ConvexSeparationCold(benchmark::State& state)
{
    Run(state, false);
}

}  // namespace

BENCHMARK(BM_ConvexSeparationWarm)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvexSeparationCold)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
