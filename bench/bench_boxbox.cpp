// Box-box pairs per second by category: apart, within the padding, face on face, edge across
// edge, corner into face, and a mix like the game's (mostly apart or resting, some deep).
// Each iteration runs every pose of the category through our box-box intersect and through
// ODE's box-box collider (four contacts at most for both), timing each side separately, so
// one run reports both rates and their ratio (ours / ODE, above 1 = faster). A checksum of
// the contacts guards against the optimiser dropping the work and shows both agree on which
// pairs touch.

#include <benchmark/benchmark.h>
#include <ode/ode.h>

#include <chrono>
#include <cmath>
#include <vector>

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

    McdFrameworkID framework = McdInitEngineFramework(16, 0);
    McdGeometryID ga = McdBoxCreate(framework, 1, 1, 1);
    McdGeometryID gb = McdBoxCreate(framework, 1, 1, 1);
    McdModelID ma = McdModelCreate(ga);
    McdModelID mb = McdModelCreate(gb);
    McdModelPair pair;
    McdModelPairInit(&pair, ma, mb);
    McdIntersectRequest request{4, 0};
    pair.request = &request;
    McdContact contacts[50];

    dInitODE2(0);
    OdeSide ode;
    ode.a = dCreateBox(nullptr, 1, 1, 1);
    ode.b = dCreateBox(nullptr, 1, 1, 1);
    dContactGeom odeGeoms[4];

    double oursSeconds = 0, odeSeconds = 0;
    long long pairs = 0, oursContacts = 0, odeContacts = 0;
    double checksum = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (const Pose& p : poses) {
            float* ea = McdBoxGetHalfExtents(ga);
            float* eb = McdBoxGetHalfExtents(gb);
            for (int i = 0; i < 3; ++i)
                ea[i] = p.ea[i], eb[i] = p.eb[i];
            McdModelSetTransformPtr(ma, const_cast<MeReal(*)[4]>(p.ta));
            McdModelSetTransformPtr(mb, const_cast<MeReal(*)[4]>(p.tb));
            McdIntersectResult result;
            result.pair = &pair;
            result.contacts = contacts;
            result.contactMaxCount = 50;
            McdBoxBoxIntersect(&pair, &result);
            oursContacts += result.contactCount;
            for (int i = 0; i < result.contactCount; ++i)
                checksum += contacts[i].separation;
        }
        auto t1 = std::chrono::steady_clock::now();
        for (const Pose& p : poses) {
            OdePlace(ode.a, p.ea, p.ta);
            OdePlace(ode.b, p.eb, p.tb);
            odeContacts += dCollide(ode.a, ode.b, 4, odeGeoms, sizeof(dContactGeom));
        }
        auto t2 = std::chrono::steady_clock::now();
        oursSeconds += std::chrono::duration<double>(t1 - t0).count();
        odeSeconds += std::chrono::duration<double>(t2 - t1).count();
        pairs += static_cast<long long>(poses.size());
        benchmark::DoNotOptimize(checksum);
    }
    state.counters["ours_pairs_per_s"] = pairs / oursSeconds;
    state.counters["ode_pairs_per_s"] = pairs / odeSeconds;
    state.counters["ratio_ours_over_ode"] = odeSeconds / oursSeconds;
    state.counters["ours_contacts_per_pair"] = double(oursContacts) / double(pairs);
    state.counters["ode_contacts_per_pair"] = double(odeContacts) / double(pairs);
    state.counters["checksum"] = checksum / double(state.iterations());
    state.SetLabel(kNames[category]);

    dGeomDestroy(ode.a);
    dGeomDestroy(ode.b);
    dCloseODE();
    McdModelDestroy(ma);
    McdModelDestroy(mb);
    McdGeometryDestroy(ga);
    McdGeometryDestroy(gb);
    McdTerm(framework);
}

BENCHMARK(BoxBox)->DenseRange(kApart, kMix)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
