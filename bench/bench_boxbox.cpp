// Box-box pairs per second by category: apart, within the padding, face on face, edge across
// edge, corner into face, and a mix like the game's (mostly apart or resting, some deep).
// Both sides get their poses placed before timing (our models over the pose table, one ODE
// geom pair per pose), so only the colliders are timed; the two sides run interleaved in
// each iteration, in alternating order, and each side's rate is its fastest iteration. Both
// keep four contacts at most. The table reports each rate, the ratio
// ours / ODE in time (below 1 = ours faster), the contacts per pair of each, and how many
// poses the two libraries decide differently (touching or not).

#include <benchmark/benchmark.h>
#include <ode/ode.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "bench/bench_timing.h"
#include "physics/collision/box_box.h"
#include "physics/collision/collision.h"
#include "physics/collision/primitive_pairs.h"
#include "physics/dynamics/me_random.h"

namespace {

constexpr int kPoses = 512;

struct Pose {
    float ea[3], eb[3];
    MeMatrix4 ta, tb;
};

float Uniform(float lo, float hi)
{
    return lo + (hi - lo) * static_cast<float>(MeRandom()) / static_cast<float>(MeRANDOM_MAX);
}

void Rotation(MeMatrix4 m, float ax, float ay, float az, float angle)
{
    const float len = std::sqrt(ax * ax + ay * ay + az * az);
    ax /= len, ay /= len, az /= len;
    const float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const float r[3][3] = {{t * ax * ax + c, t * ax * ay + s * az, t * ax * az - s * ay},
                           {t * ax * ay - s * az, t * ay * ay + c, t * ay * az + s * ax},
                           {t * ax * az + s * ay, t * ay * az - s * ax, t * az * az + c}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = (i < 3 && j < 3) ? r[i][j] : (i == j ? 1.0f : 0.0f);
}

void RandomRotation(MeMatrix4 m)
{
    Rotation(m, Uniform(-1, 1), Uniform(-1, 1), Uniform(0.1f, 1), Uniform(0, 6.2831853f));
}

enum Category { kApart, kPadding, kFaceFace, kEdgeEdge, kCornerFace, kMix };
const char* const kNames[] = {"apart", "within_padding", "face_face", "edge_edge", "corner_face", "mix"};

Pose MakePose(Category c)
{
    Pose p;
    for (int i = 0; i < 3; ++i) {
        p.ea[i] = Uniform(0.5f, 2);
        p.eb[i] = Uniform(0.5f, 2);
    }
    Rotation(p.ta, 0, 0, 1, 0);
    Rotation(p.tb, 0, 0, 1, 0);
    switch (c) {
    case kApart:
        RandomRotation(p.ta);
        RandomRotation(p.tb);
        p.tb[3][0] = Uniform(-1, 1) * 10;
        p.tb[3][1] = 8 + Uniform(0, 10);
        break;
    case kPadding:
        p.tb[3][0] = Uniform(-0.3f, 0.3f);
        p.tb[3][2] = p.ea[2] + p.eb[2] + 0.004f;
        break;
    case kFaceFace:
        Rotation(p.tb, 0, 0, 1, Uniform(0, 1.5f));
        p.tb[3][0] = Uniform(-0.5f, 0.5f);
        p.tb[3][1] = Uniform(-0.5f, 0.5f);
        p.tb[3][2] = p.ea[2] + p.eb[2] - Uniform(0.001f, 0.02f);
        break;
    case kEdgeEdge: {
        for (float& e : p.ea)
            e = 1;
        for (float& e : p.eb)
            e = 1;
        const float q = 0.7853982f;
        Rotation(p.ta, 1, 0, 0, q);
        Rotation(p.tb, 0, 1, 0, q + Uniform(-0.1f, 0.1f));
        p.tb[3][0] = Uniform(-0.3f, 0.3f);
        p.tb[3][2] = 2 * std::sqrt(2.0f) - Uniform(0.001f, 0.02f);
        break;
    }
    case kCornerFace:
        Rotation(p.tb, 1, -1, 0, std::acos(-1 / std::sqrt(3.0f)) + Uniform(-0.05f, 0.05f));
        for (float& e : p.eb)
            e = 0.5f;
        p.tb[3][0] = Uniform(-0.5f, 0.5f);
        p.tb[3][2] = p.ea[2] + 0.5f * std::sqrt(3.0f) - Uniform(0.001f, 0.02f);
        break;
    case kMix:
        break;
    }
    return p;
}

std::vector<Pose> MakePoses(Category c)
{
    MeRandomSeed(1234u + static_cast<unsigned>(c));
    std::vector<Pose> poses;
    for (int i = 0; i < kPoses; ++i) {
        Category k = c;
        if (c == kMix) {
            const int r = MeRandom() % 100;  // mostly apart or resting, some contact
            k = r < 55 ? kApart : r < 75 ? kPadding : r < 90 ? kFaceFace : r < 95 ? kCornerFace : kEdgeEdge;
        }
        poses.push_back(MakePose(k));
    }
    return poses;
}

struct OdeSide {
    dGeomID a = nullptr, b = nullptr;
};

void OdePlace(dGeomID g, const float e[3], const MeMatrix4 t)
{
    dGeomBoxSetLengths(g, 2 * e[0], 2 * e[1], 2 * e[2]);
    dGeomSetPosition(g, t[3][0], t[3][1], t[3][2]);
    // ODE rotations are column vectors: R[i][j] is our row j, column i.
    dMatrix3 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            r[4 * i + j] = t[j][i];
        r[4 * i + 3] = 0;
    }
    dGeomSetRotation(g, r);
}

void BoxBox(benchmark::State& state)
{
    const Category category = static_cast<Category>(state.range(0));
    const std::vector<Pose> poses = MakePoses(category);
    const size_t n = poses.size();

    McdFrameworkID framework = McdInitEngineFramework(static_cast<int>(2 * n + 4), 0);
    std::vector<McdGeometryID> geometries;
    std::vector<McdModelPair> pairs(n);
    std::vector<McdModelID> models;
    McdIntersectRequest request{4, 0};
    for (size_t i = 0; i < n; ++i) {
        const Pose& p = poses[i];
        McdGeometryID ga = McdBoxCreate(framework, 2 * p.ea[0], 2 * p.ea[1], 2 * p.ea[2]);
        McdGeometryID gb = McdBoxCreate(framework, 2 * p.eb[0], 2 * p.eb[1], 2 * p.eb[2]);
        McdModelID ma = McdModelCreate(ga);
        McdModelID mb = McdModelCreate(gb);
        McdModelSetTransformPtr(ma, const_cast<MeReal(*)[4]>(p.ta));
        McdModelSetTransformPtr(mb, const_cast<MeReal(*)[4]>(p.tb));
        McdModelPairInit(&pairs[i], ma, mb);
        pairs[i].request = &request;
        geometries.push_back(ga);
        geometries.push_back(gb);
        models.push_back(ma);
        models.push_back(mb);
    }
    McdContact contacts[50];

    dInitODE2(0);
    std::vector<OdeSide> ode(n);
    for (size_t i = 0; i < n; ++i) {
        ode[i].a = dCreateBox(nullptr, 1, 1, 1);
        ode[i].b = dCreateBox(nullptr, 1, 1, 1);
        OdePlace(ode[i].a, poses[i].ea, poses[i].ta);
        OdePlace(ode[i].b, poses[i].eb, poses[i].tb);
    }
    dContactGeom odeGeoms[4];

    // Decisions of both sides, once, outside the timing.
    std::vector<int> ours(n), theirs(n);
    int disagree = 0;
    for (size_t i = 0; i < n; ++i) {
        McdIntersectResult result;
        result.pair = &pairs[i];
        result.contacts = contacts;
        result.contactMaxCount = 50;
        ours[i] = McdBoxBoxIntersect(&pairs[i], &result) ? 1 : 0;
        theirs[i] = dCollide(ode[i].a, ode[i].b, 4, odeGeoms, sizeof(dContactGeom)) > 0 ? 1 : 0;
        disagree += ours[i] != theirs[i];
    }

    // Each iteration times both sides once, in alternating order; the rates come from the
    // fastest iteration of each side, so a time slice lost to another process on a busy
    // machine does not count against whichever side it fell on.
    std::vector<double> oursTimes, odeTimes;
    long long oursContacts = 0, odeContacts = 0, iterations = 0;
    double checksum = 0;
    auto runOurs = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        for (size_t i = 0; i < n; ++i) {
            McdIntersectResult result;
            result.pair = &pairs[i];
            result.contacts = contacts;
            result.contactMaxCount = 50;
            McdBoxBoxIntersect(&pairs[i], &result);
            oursContacts += result.contactCount;
            for (int k = 0; k < result.contactCount; ++k)
                checksum += contacts[k].separation;
        }
        oursTimes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    };
    auto runOde = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        for (size_t i = 0; i < n; ++i) {
            const int count = dCollide(ode[i].a, ode[i].b, 4, odeGeoms, sizeof(dContactGeom));
            odeContacts += count;
            for (int k = 0; k < count; ++k)
                checksum -= odeGeoms[k].depth;
        }
        odeTimes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    };
    for (auto _ : state) {
        if (iterations++ % 2 == 0) {
            runOurs();
            runOde();
        } else {
            runOde();
            runOurs();
        }
        benchmark::DoNotOptimize(checksum);
    }
    const double oursSeconds = Fastest(oursTimes), odeSeconds = Fastest(odeTimes);
    const double total = double(n) * double(iterations);
    state.counters["ours_pairs_per_s"] = double(n) / oursSeconds;
    state.counters["ode_pairs_per_s"] = double(n) / odeSeconds;
    state.counters["ratio_ours_over_ode_time"] = oursSeconds / odeSeconds;
    state.counters["ours_contacts_per_pair"] = double(oursContacts) / total;
    state.counters["ode_contacts_per_pair"] = double(odeContacts) / total;
    state.counters["decisions_differ"] = disagree;

    state.SetLabel(kNames[category]);

    for (OdeSide& o : ode) {
        dGeomDestroy(o.a);
        dGeomDestroy(o.b);
    }
    dCloseODE();
    for (McdModelID m : models)
        McdModelDestroy(m);
    for (McdGeometryID g : geometries)
        McdGeometryDestroy(g);
    McdTerm(framework);
}

BENCHMARK(BoxBox)->DenseRange(kApart, kMix)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
