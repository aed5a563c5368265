// Convex separation queries per second: pairs of random hulls (12-40 points each) in random
// poses, half of them overlapping. "Warm" keeps each pair's simplex from the previous query
// while the pairs drift a little each round, as a resting or sliding pair does from frame to
// frame; "Cold" starts every query from scratch. Each benchmark iteration runs every pair
// once; the items-per-second counter is queries per second.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "physics/collision/convex_hull.h"
#include "physics/collision/gjk.h"
#include "physics/dynamics/me_random.h"

namespace {

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

struct Pair {
    CxConvexHull* a;
    CxConvexHull* b;
    MeMatrix4 ta, tb;
    McdGjkSimplex simplex;
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
            RandomPose(p.ta, 0, 0, 0);
            RandomPose(p.tb, Uniform(-2.2f, 2.2f), Uniform(-2.2f, 2.2f), Uniform(-2.2f, 2.2f));
            for (float& d : p.drift)
                d = Uniform(-0.002f, 0.002f);
            pairs_.push_back(p);
        }
    }
    ~Scene()
    {
        for (Pair& p : pairs_) {
            cnvHullDestroy(p.a);
            cnvHullDestroy(p.b);
        }
    }
    float Round(bool warm)
    {
        float sum = 0;
        for (Pair& p : pairs_) {
            for (int j = 0; j < 3; ++j) {
                p.tb[3][j] += p.drift[j];
                if (std::fabs(p.tb[3][j]) > 2.2f)
                    p.drift[j] = -p.drift[j];
            }
            if (!warm)
                p.simplex.count = 0;
            McdConvexSet a, b;
            a.hull = p.a;
            a.transform = p.ta;
            a.fatness = 0.05f;
            b.hull = p.b;
            b.transform = p.tb;
            b.fatness = 0.05f;
            MeReal n[3];
            sum += McdConvexSeparation(&a, &b, &p.simplex, n);
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
    std::vector<Pair> pairs_;
};

void Run(benchmark::State& state, bool warm)
{
    Scene scene(static_cast<int>(state.range(0)));
    scene.Round(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.Round(warm));
    state.SetItemsProcessed(state.iterations() * scene.Count());
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

BENCHMARK(BM_ConvexSeparationWarm)->Arg(1000);
BENCHMARK(BM_ConvexSeparationCold)->Arg(1000);
BENCHMARK_MAIN();
