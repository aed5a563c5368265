// The collision space against Bullet's incremental sweep and prune (btAxisSweep3) and
// against its dynamic-tree broad phase (btDbvtBroadphase) on the same motion: N objects (spheres and boxes) in a cube, half of them frozen, the other half
// moving coherently and bouncing off the walls, 1 % of the moving ones teleporting each step,
// and 5 % of all objects removed and inserted again elsewhere each step. One benchmark
// iteration is one step of both broad phases; the reported time is ours, the counters give
// both times per step, the ratio (ours / Bullet's, in time) and the pairs of each. The axis sweep
// quantises boxes outward to 16 bits, so it may count a few more. The dynamic tree keeps stale
// pairs of boxes that moved apart until its incremental clean-up reaches them: its count is
// split (untimed) into pairs whose boxes overlap and stale ones.

#include <benchmark/benchmark.h>

#include <btBulletCollisionCommon.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "physics/collision/collision.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_random.h"

namespace {

using Clock = std::chrono::steady_clock;

float Uniform(float lo, float hi)
{
    return lo + (hi - lo) * static_cast<float>(MeRandom()) / static_cast<float>(MeRANDOM_MAX);
}

struct Object {
    MeMatrix4 transform;
    float half[3];
    float velocity[3];
    bool frozen;
    McdModelID model;
    btBroadphaseProxy* proxy;
};

class Scene {
public:
    Scene(int n, bool tree) : n_(n), tree_(tree), objects_(static_cast<size_t>(n))
    {
        MeRandomSeed(777);
        side_ = 1.2f * std::cbrt(static_cast<float>(n));
        churn_ = n / 20;
        teleports_ = n / 200 > 0 ? n / 200 : 1;

        framework_ = McdInitEngineFramework(n, 0);
        space_ = McdAxisSortCreate(framework_, 7, n + churn_, 40 * n);
        const btVector3 lo(-side_ - 4, -side_ - 4, -side_ - 4), hi(side_ + 4, side_ + 4, side_ + 4);
        if (tree)
            bullet_ = new btDbvtBroadphase();
        else
            bullet_ = new btAxisSweep3(lo, hi, static_cast<unsigned short>(n + 16), nullptr, true);
        config_ = new btDefaultCollisionConfiguration();
        dispatcher_ = new btCollisionDispatcher(config_);

        sphere_ = McdSphereCreate(framework_, 0.6f);
        for (int i = 0; i < 3; ++i)
            boxes_.push_back(McdBoxCreate(framework_, 0.6f + 0.4f * i, 1.0f, 1.4f - 0.3f * i));
        for (int i = 0; i < n; ++i) {
            Object& o = objects_[static_cast<size_t>(i)];
            McdGeometryID g = i % 4 == 0 ? sphere_ : boxes_[static_cast<size_t>(i % 3)];
            o.model = McdModelCreate(g);
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c)
                    o.transform[r][c] = r == c ? 1.0f : 0.0f;
            McdModelSetTransformPtr(o.model, o.transform);
            o.frozen = i % 2 == 0;
            for (int k = 0; k < 3; ++k) {
                o.velocity[k] = o.frozen ? 0.0f : Uniform(-0.05f, 0.05f);
                o.transform[3][k] = Uniform(-side_, side_);
            }
            Extents(o, g);
            McdSpaceInsertModel(space_, o.model);
            o.proxy = bullet_->createProxy(Min(o), Max(o), 0, &o, 1, -1, dispatcher_);
        }
        McdSpaceUpdate(space_);
        for (Object& o : objects_)
            if (o.frozen)
                McdSpaceFreezeModel(o.model);
        Report();
        McdSpaceBeginChanges(space_);
    }

    ~Scene()
    {
        for (Object& o : objects_) {
            McdSpaceRemoveModel(o.model);
            McdModelDestroy(o.model);
            bullet_->destroyProxy(o.proxy, dispatcher_);
        }
        McdSpaceDestroy(space_);
        McdGeometryDestroy(sphere_);
        for (McdGeometryID g : boxes_)
            McdGeometryDestroy(g);
        McdTerm(framework_);
        delete bullet_;
        delete dispatcher_;
        delete config_;
    }

    // Moves the scene one step and returns (our seconds, Bullet's seconds).
    void Step(double* ours, double* theirs)
    {
        // The motion itself, shared by both and not timed.
        moved_.clear();
        for (int i = 0; i < n_; ++i) {
            Object& o = objects_[static_cast<size_t>(i)];
            if (o.frozen)
                continue;
            for (int k = 0; k < 3; ++k) {
                float& p = o.transform[3][k];
                p += o.velocity[k];
                if (std::fabs(p) > side_)
                    o.velocity[k] = -o.velocity[k];
            }
            moved_.push_back(i);
        }
        for (int t = 0; t < teleports_; ++t) {
            Object& o = objects_[static_cast<size_t>(2 * (MeRandom() % (n_ / 2)) + 1)];
            for (int k = 0; k < 3; ++k)
                o.transform[3][k] = Uniform(-side_, side_);
        }
        churned_.clear();
        for (int c = 0; c < churn_; ++c) {
            const int i = MeRandom() % n_;
            Object& o = objects_[static_cast<size_t>(i)];
            for (int k = 0; k < 3; ++k)
                o.transform[3][k] = Uniform(-side_, side_);
            churned_.push_back(i);
        }

        const Clock::time_point t0 = Clock::now();
        for (int i : churned_) {
            Object& o = objects_[static_cast<size_t>(i)];
            if (McdSpaceRemoveModel(o.model))
                McdSpaceInsertModel(space_, o.model);
        }
        McdSpaceUpdate(space_);
        for (int i : churned_)
            if (objects_[static_cast<size_t>(i)].frozen)
                McdSpaceFreezeModel(objects_[static_cast<size_t>(i)].model);
        McdSpaceEndChanges(space_);
        pairs_ = Report();
        McdSpaceBeginChanges(space_);
        const Clock::time_point t1 = Clock::now();

        // Bullet sees the same boxes: refreshed for every moving object, recreated for the churned.
        for (int i : churned_) {
            Object& o = objects_[static_cast<size_t>(i)];
            bullet_->destroyProxy(o.proxy, dispatcher_);
            o.proxy = bullet_->createProxy(Min(o), Max(o), 0, &o, 1, -1, dispatcher_);
        }
        for (int i : moved_) {
            Object& o = objects_[static_cast<size_t>(i)];
            bullet_->setAabb(o.proxy, Min(o), Max(o), dispatcher_);
        }
        bullet_->calculateOverlappingPairs(dispatcher_);
        btOverlappingPairCache* cache = bullet_->getOverlappingPairCache();
        const int count = cache->getNumOverlappingPairs();
        btBroadphasePair* array = count ? cache->getOverlappingPairArrayPtr() : nullptr;
        std::uintptr_t sum = 0;
        for (int p = 0; p < count; ++p)
            sum += reinterpret_cast<std::uintptr_t>(array[p].m_pProxy0);
        benchmark::DoNotOptimize(sum);
        bulletPairs_ = count;
        const Clock::time_point t2 = Clock::now();
        bulletExtra_ = 0;
        for (int p = 0; tree_ && p < count; ++p) {
            const btBroadphaseProxy* a = array[p].m_pProxy0;
            const btBroadphaseProxy* b = array[p].m_pProxy1;
            for (int k = 0; k < 3; ++k)
                if (a->m_aabbMin[k] > b->m_aabbMax[k] || b->m_aabbMin[k] > a->m_aabbMax[k]) {
                    ++bulletExtra_;
                    break;
                }
        }

        *ours = std::chrono::duration<double>(t1 - t0).count();
        *theirs = std::chrono::duration<double>(t2 - t1).count();
    }

    int Pairs() const { return pairs_; }
    int BulletPairs() const { return bulletPairs_; }
    int BulletExtraPairs() const { return bulletExtra_; }

private:
    static void Extents(Object& o, McdGeometryID g)
    {
        if (McdGeometryGetTypeId(g) == kMcdSphereType) {
            o.half[0] = o.half[1] = o.half[2] = McdSphereGetRadius(g);
            return;
        }
        const MeReal* h = McdBoxGetHalfExtents(g);
        for (int k = 0; k < 3; ++k)
            o.half[k] = h[k];
    }
    static btVector3 Min(const Object& o)
    {
        return btVector3(o.transform[3][0] - o.half[0], o.transform[3][1] - o.half[1], o.transform[3][2] - o.half[2]);
    }
    static btVector3 Max(const Object& o)
    {
        return btVector3(o.transform[3][0] + o.half[0], o.transform[3][1] + o.half[1], o.transform[3][2] + o.half[2]);
    }

    // Walks every reported pair once, as the dynamics bridge does.
    int Report()
    {
        McdModelPair* batch[256];
        McdPairContainer c;
        McdPairContainerInit(&c, batch, 256);
        McdSpacePairIterator it;
        McdSpacePairIteratorInit(space_, &it);
        int pairs = 0;
        std::uintptr_t sum = 0;
        int more = 1;
        while (more) {
            more = McdSpaceGetPairs(space_, &it, &c);
            for (int i = c.newFirst; i < c.continuingEnd; ++i)
                sum += reinterpret_cast<std::uintptr_t>(c.array[i]->model1);
            pairs += c.continuingEnd - c.newFirst;
        }
        benchmark::DoNotOptimize(sum);
        return pairs;
    }

    int n_;
    bool tree_;
    float side_ = 0;
    int churn_ = 0;
    int teleports_ = 0;
    std::vector<Object> objects_;
    std::vector<int> moved_, churned_;
    McdFrameworkID framework_ = nullptr;
    McdSpaceID space_ = nullptr;
    McdGeometryID sphere_ = nullptr;
    std::vector<McdGeometryID> boxes_;
    btBroadphaseInterface* bullet_ = nullptr;
    btDefaultCollisionConfiguration* config_ = nullptr;
    btCollisionDispatcher* dispatcher_ = nullptr;
    int pairs_ = 0;
    int bulletPairs_ = 0;
    int bulletExtra_ = 0;
};

void BM_SpaceAgainstBullet(benchmark::State& state)
{
    MeSetWarningHandler(MeNullMessageHandler);
    const bool tree = state.range(1) != 0;
    Scene scene(static_cast<int>(state.range(0)), tree);
    state.SetLabel(tree ? "btDbvtBroadphase" : "btAxisSweep3");
    double ours = 0, theirs = 0, sumOurs = 0, sumTheirs = 0;
    long long pairs = 0, bulletPairs = 0, bulletExtra = 0, steps = 0;
    for (auto _ : state) {
        scene.Step(&ours, &theirs);
        state.SetIterationTime(ours);
        sumOurs += ours;
        sumTheirs += theirs;
        pairs += scene.Pairs();
        bulletPairs += scene.BulletPairs();
        bulletExtra += scene.BulletExtraPairs();
        ++steps;
    }
    if (steps > 0) {
        state.counters["mcd_us"] = 1e6 * sumOurs / static_cast<double>(steps);
        state.counters["bullet_us"] = 1e6 * sumTheirs / static_cast<double>(steps);
        state.counters["ratio_ours_over_bullet_time"] = sumTheirs > 0 ? sumOurs / sumTheirs : 0;
        state.counters["pairs"] = static_cast<double>(pairs) / static_cast<double>(steps);
        state.counters["bullet_pairs"] = static_cast<double>(bulletPairs) / static_cast<double>(steps);
        if (tree) {
            state.counters["bullet_stale_pairs"] = static_cast<double>(bulletExtra) / static_cast<double>(steps);
            state.counters["bullet_overlapping_pairs"] =
                static_cast<double>(bulletPairs - bulletExtra) / static_cast<double>(steps);
        }
    }
}

BENCHMARK(BM_SpaceAgainstBullet)
    ->ArgsProduct({{100, 500, 2000}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
