// World step benchmarks: scattered boxes, a pyramid pile, a square pyramid (one big partition), a hinge chain, a mix like the
// game's, boxes sliding to a stop under friction and a pushed square pyramid (where the solver pivots), on both solver
// variants, each scene also built in ODE twice: with its direct step (dWorldStep, which
// solves an LCP too) and with its iterative step (dWorldQuickStep, 20 iterations, which most
// of its users run). All worlds start from the same state, the same seeded velocities
// included, and step interleaved in one loop, each step timed on its own. Contacts are
// generated analytically (box corners against the ground plane and against the top face of
// the box below) for every engine, and only the step itself is timed. At the end a table
// gives time per step, contacts and rows of each side, the largest partition, pivoting
// iterations, the ratios ours / ODE in time, and the height of the highest resting box in
// each (for the sliding scenes, rebuilt after every slide so that only sliding steps are timed,
// the mean distance slid): a scene whose outcomes disagree (a pile standing in one engine and fallen in
// another) is marked invalid instead of compared. ODE's direct step is dense in the rows of
// an island (the 2448-row pyramid takes it tens of seconds a step), so it stops on a scene
// once a partition has more than --ode_direct_max_rows rows (default 1000); a skipped one
// shows as "-" and the outcome is then compared with ODE's iterative step.

#include "physics/dynamics/dynamics.h"
#include "physics/dynamics/kea_cpu.h"
#include "physics/dynamics/kea_solver.h"

#include <benchmark/benchmark.h>

#ifdef BENCH_HAVE_ODE
#include <ode/ode.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float Step = 1.0f / 60;
constexpr float Gravity = -9.81f;
constexpr float Friction = 1.5f;

// ---------------------------------------------------------------- scene description

struct BoxSpec {
    float x, y, z, half, mass;
    bool free;        ///< flies freely (no gravity-driven ground contact expected)
    float slide = 0;  ///< initial speed along x of a box on the ground
};

struct HingeSpec {
    int a, b;  ///< b = -1: the world
    float anchor[3], axis[3];
};

struct Scene {
    std::string name;
    std::vector<BoxSpec> boxes;
    std::vector<HingeSpec> hinges;
    std::vector<std::pair<int, int>> stacked;  ///< (upper, lower) pairs that may touch
    bool gravity = true;
    /// > 0: a slide lasting about this many steps; the scene is built anew after each run, so
    /// every timed step is a sliding one, and the distance slid is compared between engines.
    int run = 0;
};

unsigned rng = 12345;
float Uniform(float lo, float hi)
{
    rng = rng * 214013u + 2531011u;
    return lo + (hi - lo) * static_cast<float>((rng >> 16) & 0x7FFF) / 32767.0f;
}

Scene ScatteredBoxes(int n)
{
    Scene s;
    s.name = "scattered_" + std::to_string(n);
    rng = 777;
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<float>(n))));
    for (int i = 0; i < n; ++i)
        s.boxes.push_back({(i % side) * 3.0f + Uniform(-0.5f, 0.5f), 0.5f + Uniform(0, 0.3f),
                           (i / side) * 3.0f + Uniform(-0.5f, 0.5f), 0.5f, 1, false});
    return s;
}

Scene Pile(int base)
{
    Scene s;
    s.name = "pile_" + std::to_string(base);
    std::vector<std::vector<int>> rows;
    for (int r = 0; r < base; ++r) {
        std::vector<int> row;
        const int count = base - r;
        for (int i = 0; i < count; ++i) {
            row.push_back(static_cast<int>(s.boxes.size()));
            s.boxes.push_back({(i - (count - 1) * 0.5f) * 1.02f, 0.5f + r * 1.0f, 0, 0.5f, 1, false});
        }
        if (r > 0)
            for (int upper : row)
                for (int lower : rows[r - 1])
                    if (std::fabs(s.boxes[upper].x - s.boxes[lower].x) < 1.0f)
                        s.stacked.push_back({upper, lower});
        rows.push_back(row);
    }
    return s;
}

// A square pyramid: layer r has (base - r)^2 boxes, each resting on the four below it by one
// corner each (base 8: 204 boxes, 816 contacts, one partition).
Scene Pyramid(int base)
{
    Scene s;
    s.name = "pyramid_" + std::to_string(base);
    std::vector<int> below;
    for (int r = 0; r < base; ++r) {
        std::vector<int> layer;
        const int count = base - r;
        for (int i = 0; i < count; ++i)
            for (int k = 0; k < count; ++k) {
                layer.push_back(static_cast<int>(s.boxes.size()));
                s.boxes.push_back({(i - (count - 1) * 0.5f) * 1.02f, 0.5f + r * 1.0f, (k - (count - 1) * 0.5f) * 1.02f,
                                   0.5f, 1, false});
            }
        for (int upper : layer)
            for (int lower : below)
                if (std::fabs(s.boxes[upper].x - s.boxes[lower].x) < 1.0f &&
                    std::fabs(s.boxes[upper].z - s.boxes[lower].z) < 1.0f)
                    s.stacked.push_back({upper, lower});
        below = layer;
    }
    return s;
}

Scene HingeChain(int n)
{
    Scene s;
    s.name = "hinge_chain_" + std::to_string(n);
    for (int i = 0; i < n; ++i) {
        s.boxes.push_back({(i + 0.5f) * 0.6f, 50, 0, 0.25f, 1, true});
        s.hinges.push_back({i, i - 1, {i * 0.6f, 50, 0}, {0, 0, 1}});
    }
    return s;
}

// Boxes on the ground pushed along x: friction saturates (every friction row at its bound)
// until they stop.
Scene Sliding(int n)
{
    Scene s = ScatteredBoxes(n);
    s.name = "sliding_" + std::to_string(n);
    for (BoxSpec& b : s.boxes) {
        b.y = 0.5f;
        b.slide = 6;
    }
    // The boxes stop after about 60 steps, some 3 units on.
    s.run = 64;
    return s;
}

// A square pyramid pushed along x as a whole: the ground friction saturates in one
// partition of some 360 rows, so its solve pivots every step until the pile stops.
Scene SlidingPyramid(int base)
{
    Scene s = Pyramid(base);
    s.name = "slide_pyramid_" + std::to_string(base);
    for (BoxSpec& b : s.boxes)
        b.slide = 3;
    return s;
}

// 300 bodies: 200 ships and rocks flying freely, 60 crates on the ground, a pile of 15 and
// a docking arm of 25 hinged links.
Scene GameMix()
{
    Scene s;
    s.name = "game_mix_300";
    rng = 99;
    Scene crates = ScatteredBoxes(60), pile = Pile(5), arm = HingeChain(25);
    for (int i = 0; i < 200; ++i)
        s.boxes.push_back({Uniform(-200, 200), Uniform(20, 200), Uniform(-200, 200), 1, 5, true});
    auto append = [&s](const Scene& part, float dx) {
        const int base = static_cast<int>(s.boxes.size());
        for (BoxSpec b : part.boxes) {
            b.x += dx;
            s.boxes.push_back(b);
        }
        for (auto p : part.stacked)
            s.stacked.push_back({p.first + base, p.second + base});
        for (HingeSpec h : part.hinges) {
            h.a += base;
            if (h.b >= 0)
                h.b += base;
            h.anchor[0] += dx;
            s.hinges.push_back(h);
        }
    };
    append(crates, 0);
    append(pile, -20);
    append(arm, 40);
    return s;
}

// ---------------------------------------------------------------- contacts

struct Contact {
    int a, b;  ///< b = -1: the ground
    float p[3], depth;
};

struct Pose {
    float R[3][3];  ///< rows are the box's axes in world
    float c[3];
};

void GenerateContacts(const Scene& s, const std::vector<Pose>& poses, std::vector<Contact>& out)
{
    out.clear();
    for (size_t i = 0; i < s.boxes.size(); ++i) {
        const BoxSpec& b = s.boxes[i];
        const Pose& q = poses[i];
        if (b.free || q.c[1] > b.half * 1.8f)
            continue;
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2)
                for (int sz = -1; sz <= 1; sz += 2) {
                    float p[3];
                    for (int k = 0; k < 3; ++k)
                        p[k] = q.c[k] + b.half * (sx * q.R[0][k] + sy * q.R[1][k] + sz * q.R[2][k]);
                    if (p[1] < 0)
                        out.push_back({static_cast<int>(i), -1, {p[0], 0, p[2]}, -p[1]});
                }
    }
    for (auto [upper, lower] : s.stacked) {
        const Pose& u = poses[upper];
        const Pose& l = poses[lower];
        const float hu = s.boxes[upper].half, hl = s.boxes[lower].half;
        const float top = l.c[1] + hl;
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sz = -1; sz <= 1; sz += 2) {
                float p[3];
                for (int k = 0; k < 3; ++k)
                    p[k] = u.c[k] + hu * (sx * u.R[0][k] - u.R[1][k] + sz * u.R[2][k]);
                // Faces of equal depth share their edges: allow for rounding at the boundary.
                const float reach = hl * 1.001f;
                const bool over = std::fabs(p[0] - l.c[0]) <= reach && std::fabs(p[2] - l.c[2]) <= reach;
                if (over && p[1] < top)
                    out.push_back({upper, lower, {p[0], top, p[2]}, top - p[1]});
            }
    }
}

// ---------------------------------------------------------------- our engine

struct Ours {
    MdtWorld* world = nullptr;
    std::vector<MdtBody*> bodies;
    std::map<std::pair<int, int>, MdtConstraint*> groups;
    std::vector<Pose> poses;
    std::vector<Contact> contacts;
    MdtContactParams params;
    const Scene* scene;

    Ours(const Scene& s, int variant) : scene(&s)
    {
        MeSetInfoHandler(MeNullMessageHandler);
        MeSetWarningHandler(MeNullMessageHandler);
        const int previous = keaSetCPUOverride(variant);
        const int n = static_cast<int>(s.boxes.size());
        world = MdtWorldCreate(n, n * 10 + static_cast<int>(s.stacked.size()) * 6 + 64);
        keaSetCPUOverride(previous);
        MdtWorldSetGamma(world, 0.2f);
        if (s.gravity)
            MdtWorldSetGravity(world, 0, Gravity, 0);
        MdtContactParamsReset(&params);
        MdtContactParamsSetType(&params, 2);
        MdtContactParamsSetFriction(&params, Friction);
        rng = 12345;
        for (const BoxSpec& b : s.boxes) {
            MdtBody* body = MdtBodyCreate(world);
            MdtBodySetMass(body, b.mass);
            float I[9];
            MdtMakeInertiaTensorBox(b.mass, 2 * b.half, 2 * b.half, 2 * b.half, I);
            MdtBodySetInertiaTensor(body, I);
            MeMatrix4 m;
            MeMatrix4TMMakeIdentity(m);
            m[3][0] = b.x, m[3][1] = b.y, m[3][2] = b.z;
            MdtBodySetTransform(body, m);
            if (b.free) {
                MdtBodySetLinearVelocity(body, Uniform(-5, 5), Uniform(-5, 5), Uniform(-5, 5));
                MdtBodySetAngularVelocity(body, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
            }
            if (b.slide != 0)
                MdtBodySetLinearVelocity(body, b.slide, 0, 0);
            MdtBodyEnable(body);
            bodies.push_back(body);
        }
        for (const HingeSpec& h : s.hinges) {
            MdtConstraint* c = MdtHingeCreate(world);
            MdtConstraintSetBodies(c, bodies[h.a], h.b >= 0 ? bodies[h.b] : nullptr);
            MdtConstraintSetPosition(c, h.anchor[0], h.anchor[1], h.anchor[2]);
            MdtConstraintSetAxis(c, h.axis[0], h.axis[1], h.axis[2]);
            MdtConstraintEnable(c);
        }
        poses.resize(bodies.size());
    }

    ~Ours() { MdtWorldDestroy(world); }

    void Contacts()
    {
        for (size_t i = 0; i < bodies.size(); ++i) {
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 3; ++k)
                    poses[i].R[r][k] = bodies[i]->comTM[r][k];
            for (int k = 0; k < 3; ++k)
                poses[i].c[k] = bodies[i]->comTM[3][k];
        }
        GenerateContacts(*scene, poses, contacts);
        for (auto& [key, g] : groups)
            while (MdtConstraint* c = MdtContactGroupGetFirst(g))
                MdtContactGroupDestroyContact(g, c);
        for (const Contact& c : contacts) {
            MdtConstraint*& g = groups[{c.a, c.b}];
            if (!g) {
                g = MdtContactGroupCreate(world);
                if (!g)
                    continue;
                MdtConstraintSetBodies(g, bodies[c.a], c.b >= 0 ? bodies[c.b] : nullptr);
                MdtConstraintEnable(g);
            }
            MdtConstraint* k = MdtContactGroupCreateContact(g);
            if (!k)
                continue;
            MdtContactSetPosition(k, c.p[0], c.p[1], c.p[2]);
            MdtContactSetNormal(k, 0, 1, 0);
            MdtContactSetPenetration(k, c.depth);
            MdtContactSetParams(k, &params);
        }
    }

    void StepOnce() { MdtWorldStep(world, Step); }
};

// ---------------------------------------------------------------- ODE

#ifdef BENCH_HAVE_ODE
struct Ode {
    dWorldID world;
    dJointGroupID contactGroup;
    std::vector<dBodyID> bodies;
    std::vector<Pose> poses;
    std::vector<Contact> contacts;
    const Scene* scene;

    bool quick;

    Ode(const Scene& s, bool iterative) : scene(&s), quick(iterative)
    {
        world = dWorldCreate();
        dWorldSetQuickStepNumIterations(world, 20);
        dWorldSetERP(world, 0.2);
        dWorldSetCFM(world, 0.01 * Step);  // the same diagonal softness as our epsilon of 0.01
        dWorldSetAutoDisableFlag(world, 0);
        if (s.gravity)
            dWorldSetGravity(world, 0, Gravity, 0);
        contactGroup = dJointGroupCreate(0);
        rng = 12345;
        for (const BoxSpec& b : s.boxes) {
            dBodyID body = dBodyCreate(world);
            dMass m;
            dMassSetBoxTotal(&m, b.mass, 2 * b.half, 2 * b.half, 2 * b.half);
            dBodySetMass(body, &m);
            dBodySetPosition(body, b.x, b.y, b.z);
            if (b.free) {
                dBodySetLinearVel(body, Uniform(-5, 5), Uniform(-5, 5), Uniform(-5, 5));
                dBodySetAngularVel(body, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
            }
            if (b.slide != 0)
                dBodySetLinearVel(body, b.slide, 0, 0);
            bodies.push_back(body);
        }
        for (const HingeSpec& h : s.hinges) {
            dJointID j = dJointCreateHinge(world, nullptr);
            dJointAttach(j, bodies[h.a], h.b >= 0 ? bodies[h.b] : nullptr);
            dJointSetHingeAnchor(j, h.anchor[0], h.anchor[1], h.anchor[2]);
            dJointSetHingeAxis(j, h.axis[0], h.axis[1], h.axis[2]);
        }
        poses.resize(bodies.size());
    }

    ~Ode()
    {
        dJointGroupDestroy(contactGroup);
        dWorldDestroy(world);
    }

    void Contacts()
    {
        for (size_t i = 0; i < bodies.size(); ++i) {
            const dReal* R = dBodyGetRotation(bodies[i]);  // row-major 3x4, columns are the axes
            const dReal* p = dBodyGetPosition(bodies[i]);
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 3; ++k)
                    poses[i].R[r][k] = static_cast<float>(R[k * 4 + r]);
            for (int k = 0; k < 3; ++k)
                poses[i].c[k] = static_cast<float>(p[k]);
        }
        GenerateContacts(*scene, poses, contacts);
        dJointGroupEmpty(contactGroup);
        for (const Contact& c : contacts) {
            dContact contact{};
            contact.surface.mode = 0;
            contact.surface.mu = Friction;
            contact.geom.pos[0] = c.p[0];
            contact.geom.pos[1] = c.p[1];
            contact.geom.pos[2] = c.p[2];
            contact.geom.normal[1] = 1;
            contact.geom.depth = c.depth;
            dJointID j = dJointCreateContact(world, contactGroup, &contact);
            dJointAttach(j, bodies[c.a], c.b >= 0 ? bodies[c.b] : nullptr);
        }
    }

    void StepOnce()
    {
        if (quick)
            dWorldQuickStep(world, Step);
        else
            dWorldStep(world, Step);
    }
    int Rows() const { return 3 * static_cast<int>(contacts.size()) + 5 * static_cast<int>(scene->hinges.size()); }
};
#endif

// ---------------------------------------------------------------- benchmarks

int odeDirectMaxRows = 1000;

struct Result {
    bool skipped = false;
    double seconds = 0;
    double contacts = 0, rows = 0, largest = 0, iterations = 0;
    double top = 0;  ///< height of the highest resting box at the end: the engines should agree
    double slid = 0;  ///< sliding scenes: mean distance along x per box and run
    int runs = 0;
};

double SlidDistance(const Scene& s, const std::vector<Pose>& poses)
{
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i < s.boxes.size(); ++i)
        if (s.boxes[i].slide != 0) {
            sum += poses[i].c[0] - s.boxes[i].x;
            ++n;
        }
    return n ? sum / n : 0;
}

double TopHeight(const Scene& s, const std::vector<Pose>& poses)
{
    double top = 0;
    for (size_t i = 0; i < s.boxes.size(); ++i)
        if (!s.boxes[i].free)
            top = std::max(top, static_cast<double>(poses[i].c[1]));
    return top;
}
std::map<std::string, Result> results;

std::vector<Scene>& Scenes()
{
    static std::vector<Scene> scenes = {ScatteredBoxes(50), ScatteredBoxes(150), ScatteredBoxes(300), Pile(4),
                                        Pile(6),            Pile(8),             Pyramid(8),          HingeChain(50),
                                        GameMix(),          Sliding(50),         SlidingPyramid(4)};
    return scenes;
}

constexpr int Settle = 30;

template <typename Engine>
double TimedStep(Engine& e)
{
    e.Contacts();
    const auto start = std::chrono::steady_clock::now();
    e.StepOnce();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every engine of the scene steps once per iteration, in turn; the reported time is ours
// (the solver variant of the benchmark), the others go to the table.
void BM_Scene(benchmark::State& state, int sceneIndex)
{
    const Scene& s = Scenes()[static_cast<size_t>(sceneIndex)];
    std::unique_ptr<Ours> x87, sse;
    Result rx, rs, rd, rq;
#ifdef BENCH_HAVE_ODE
    std::unique_ptr<Ode> direct, quick;
#endif
    auto build = [&]() {
        x87 = std::make_unique<Ours>(s, 1);
        sse = std::make_unique<Ours>(s, 2);
#ifdef BENCH_HAVE_ODE
        direct = std::make_unique<Ode>(s, false);
        quick = std::make_unique<Ode>(s, true);
#endif
    };
    build();
#ifdef BENCH_HAVE_ODE
    // The direct step stops for good once the largest partition (of the step just taken by
    // our side on the same contacts) passes the limit.
    auto directStep = [&direct, &rd]() {
        if (rd.skipped)
            return 0.0;
        direct->Contacts();
        rd.skipped = keaLastSolveStats().largestRows > odeDirectMaxRows;
        if (rd.skipped)
            return 0.0;
        const auto start = std::chrono::steady_clock::now();
        direct->StepOnce();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
#else
    rd.skipped = rq.skipped = true;
#endif
    // A finished slide: each engine's distance is added up and the scene starts again.
    auto endRun = [&]() {
        for (auto [r, e] : {std::pair{&rx, x87.get()}, std::pair{&rs, sse.get()}}) {
            r->slid += SlidDistance(s, e->poses);
            ++r->runs;
        }
#ifdef BENCH_HAVE_ODE
        if (!rd.skipped) {
            rd.slid += SlidDistance(s, direct->poses);
            ++rd.runs;
        }
        rq.slid += SlidDistance(s, quick->poses);
        ++rq.runs;
#endif
        build();
    };
    for (int i = 0; i < (s.run > 0 ? 0 : Settle); ++i) {
        TimedStep(*x87);
        TimedStep(*sse);
#ifdef BENCH_HAVE_ODE
        directStep();
        TimedStep(*quick);
#endif
    }
    long steps = 0;
    int stepInRun = 0;
    for (auto _ : state) {
        if (s.run > 0 && stepInRun == s.run) {
            state.PauseTiming();
            endRun();
            stepInRun = 0;
            state.ResumeTiming();
        }
        ++stepInRun;
        rx.seconds += TimedStep(*x87);
        const keaSolveStats stats = keaLastSolveStats();
        rx.largest = std::max(rx.largest, static_cast<double>(stats.largestRows));
        rx.iterations += stats.iterations;
        rs.seconds += TimedStep(*sse);
#ifdef BENCH_HAVE_ODE
        rd.seconds += directStep();
        if (!rd.skipped) {
            rd.contacts += static_cast<double>(direct->contacts.size());
            rd.rows += direct->Rows();
        }
        rq.seconds += TimedStep(*quick);
#endif
        rx.contacts += static_cast<double>(x87->contacts.size());
        rx.rows += x87->world->rows.num_rows_exc_padding;
        ++steps;
    }
    if (s.run > 0 && stepInRun == s.run)
        endRun();
    for (Result* r : {&rx, &rs, &rd, &rq})
        if (r->runs > 0)
            r->slid /= r->runs;
    const double n = steps > 0 ? static_cast<double>(steps) : 1;
    for (Result* r : {&rx, &rs, &rd, &rq})
        r->seconds /= n;
    rx.iterations /= n;
    rx.contacts /= n;
    rx.rows /= n;
    rd.contacts /= n;
    rd.rows /= n;
    rx.top = TopHeight(s, x87->poses);
    rs.top = TopHeight(s, sse->poses);
#ifdef BENCH_HAVE_ODE
    if (!rd.skipped)
        rd.top = TopHeight(s, direct->poses);
    rq.top = TopHeight(s, quick->poses);
#endif
    results[s.name + "/x87"] = rx;
    results[s.name + "/sse"] = rs;
    results[s.name + "/ode"] = rd;
    results[s.name + "/quick"] = rq;
    state.counters["rows"] = rx.rows;
    state.counters["largest_partition_rows"] = rx.largest;
}

void Register()
{
    for (size_t i = 0; i < Scenes().size(); ++i)
        benchmark::RegisterBenchmark(("step/" + Scenes()[i].name).c_str(), [i](benchmark::State& st) {
            BM_Scene(st, static_cast<int>(i));
        })->Unit(benchmark::kMicrosecond);
}

void PrintRatios()
{
    std::printf("\n%-15s %9s %9s %9s %9s %6s %6s %6s %6s %7s %6s %8s %8s %8s %6s %6s %6s\n", "scene", "x87 us",
                "sse us", "ode us", "quick us", "cts", "odects", "rows", "oderow", "largest", "iters", "sse/ode",
                "sse/qck", "x87/ode", "top", "odetop", "qtop");
    std::printf("%-15s (sliding scenes: top is the mean distance slid per box and run, %s)\n", "",
                "rows and times count sliding steps only");
    for (const Scene& s : Scenes()) {
        const Result& x = results[s.name + "/x87"];
        const Result& e = results[s.name + "/sse"];
        const Result& o = results[s.name + "/ode"];
        const Result& q = results[s.name + "/quick"];
        // Piles that stand in one engine and fall in another are not compared (the iterative
        // step is judged on its own; without the direct step it is the reference).
        // A slide is judged by its distance (within 5 %), and a run must have finished.
        const bool sliding = s.run > 0;
        auto outcome = [sliding](const Result& r) { return sliding ? r.slid : r.top; };
        auto agree = [&](const Result& a, const Result& b) {
            if (sliding)
                return a.runs > 0 && b.runs > 0 && std::fabs(a.slid - b.slid) <= 0.05 * std::fabs(b.slid);
            return std::fabs(a.top - b.top) < 0.25;
        };
        const Result& reference = o.skipped ? q : o;
        const bool valid = agree(x, reference) && agree(e, reference);
        char a[16], b[16], c[16], od[16];
        std::snprintf(a, sizeof a, "%.2f", o.seconds > 0 ? e.seconds / o.seconds : 0.0);
        std::snprintf(b, sizeof b, "%.2f", q.seconds > 0 ? e.seconds / q.seconds : 0.0);
        std::snprintf(c, sizeof c, "%.2f", o.seconds > 0 ? x.seconds / o.seconds : 0.0);
        std::snprintf(od, sizeof od, "%.1f", o.seconds * 1e6);
        std::printf("%-15s %9.1f %9.1f %9s %9.1f %6.0f %6.0f %6.0f %6.0f %7.0f %6.1f %8s %8s %8s %6.2f %6.2f %6.2f\n",
                    s.name.c_str(), x.seconds * 1e6, e.seconds * 1e6, o.skipped ? "-" : od, q.seconds * 1e6,
                    x.contacts, o.contacts, x.rows, o.rows, x.largest, x.iterations,
                    o.skipped ? "-" : (valid ? a : "invalid"), agree(e, q) ? b : "invalid",
                    o.skipped ? "-" : (valid ? c : "invalid"), outcome(x), outcome(o), outcome(q));
    }
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef BENCH_HAVE_ODE
    dInitODE2(0);
#endif
    // Our own option, taken out before the benchmark library sees the arguments.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string key = "--ode_direct_max_rows=";
        if (arg.rfind(key, 0) == 0)
            odeDirectMaxRows = std::atoi(arg.c_str() + key.size());
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatios();
#ifdef BENCH_HAVE_ODE
    dCloseODE();
#endif
    return 0;
}
