// The reordered block-sparse factor of large partitions against the envelope factor of the
// rows' own order: the same substitutions, the same LCP answers (complementarity checked in
// double), and the same motion of a pushed pyramid of boxes.

#include "dynamics_test_util.h"
#include "physics/dynamics/kea_cpu.h"
#include "physics/dynamics/kea_pool.h"
#include "physics/dynamics/kea_solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace dyntest;

namespace {

double MaxAbs(const std::vector<float>& v)
{
    double m = 0;
    for (float x : v)
        m = std::max(m, static_cast<double>(std::fabs(x)));
    return m;
}

}  // namespace

TEST(KeaSparse, ReorderedFactorAgreesWithTheEnvelopeFactorAndSolvesTheLCP)
{
    std::vector<float> pool(1 << 21);
    int pivoted = 0;
    for (int trial = 0; trial < 6; ++trial) {
        MeRandomSeed(static_cast<std::uint32_t>(100 + trial));
        keaPoolInit(pool.data(), static_cast<int>(pool.size() * sizeof(float)));
        // 24 blocks, each one 4-row constraint between two of 30 bodies (numbered from 7, as
        // in a later partition) or a body and the world; the last 3 rows are padding.
        const int stride = 10, nb = 24, nBodies = 30, n = nb * 4 - 3, np = nb * 4;
        std::vector<int> count(nb, 2), body(nb * stride, -1), jofs(nb * stride, 0);
        std::vector<float> J(nb * 48, 0.0f), JM(nb * stride * 24, 0.0f), slip(np, 0.0f);
        std::vector<float> im(nBodies), ii(nBodies);
        for (int i = 0; i < nBodies; ++i)
            im[i] = Uniform(0.2f, 2), ii[i] = Uniform(0.5f, 5);
        for (int b = 0; b < nb; ++b) {
            const int a = MeRandom() % nBodies;
            const int c = MeRandom() % 4 == 0 ? -1 : (a + 1 + MeRandom() % (nBodies - 1)) % nBodies;
            for (int half = 0; half < 2; ++half) {
                const int e = b * stride + half, who = half == 0 ? a : c;
                body[e] = who < 0 ? -1 : who + 7;
                jofs[e] = (b * 2 + half) * 24;
                for (int col = 0; col < 6; ++col)
                    for (int r = 0; r < 4; ++r) {
                        const float v = b * 4 + r < n && who >= 0 ? Uniform(-1, 1) : 0.0f;
                        J[jofs[e] + col * 4 + r] = v;
                        JM[e * 24 + col * 4 + r] = who < 0 ? 0.0f : v * (col < 3 ? im[who] : ii[who]);
                    }
            }
        }
        for (int i = 0; i < n; ++i)
            slip[i] = Uniform(0, 0.01f);
        const float eps = 0.01f, invH = 60;
        // A in double, straight from its definition.
        std::vector<double> A(np * np, 0.0);
        for (int bi = 0; bi < nb; ++bi)
            for (int bj = 0; bj < nb; ++bj)
                for (int ei = 0; ei < 2; ++ei)
                    for (int ej = 0; ej < 2; ++ej) {
                        const int u = body[bi * stride + ei];
                        if (u < 0 || u != body[bj * stride + ej])
                            continue;
                        for (int r = 0; r < 4; ++r)
                            for (int s = 0; s < 4; ++s)
                                for (int col = 0; col < 6; ++col)
                                    A[(bi * 4 + r) * np + bj * 4 + s] +=
                                        0.5 * (static_cast<double>(JM[(bi * stride + ei) * 24 + col * 4 + r]) *
                                                   J[jofs[bj * stride + ej] + col * 4 + s] +
                                               static_cast<double>(J[jofs[bi * stride + ei] + col * 4 + r]) *
                                                   JM[(bj * stride + ej) * 24 + col * 4 + s]);
                    }
        for (int i = 0; i < np; ++i)
            A[i * np + i] = i < n ? A[i * np + i] + slip[i] * invH + eps : 1.0;

        keaLCPMatrix_PcSparse_x86 dense;
        ASSERT_TRUE(dense.allocate(n));
        dense.epsilon = eps;
        for (int i = 0; i < np * np; ++i)
            dense.A[i] = static_cast<float>(A[i]);
        dense.setEnvelope();
        dense.factorize();
        const keaBlockEntries entries{nb, stride, count.data(), body.data(), jofs.data(), JM.data(), J.data(),
                                      slip.data(), n, invH, eps};
        keaLCPMatrix_PcSparse_x86 scalar;
        keaLCPMatrix_PcSparse_SSE vector;
        scalar.epsilon = vector.epsilon = eps;
        ASSERT_TRUE(scalar.allocateSparse(n, entries, false));
        ASSERT_TRUE(vector.allocateSparse(n, entries, true));
        ASSERT_GT(scalar.sparse->nnz, nb);

        for (keaLCPMatrix* sparse : {static_cast<keaLCPMatrix*>(&scalar), static_cast<keaLCPMatrix*>(&vector)}) {
            std::vector<float> b(np), xd, xs, yd(np), ys(np);
            for (int i = 0; i < np; ++i)
                b[i] = i < n ? Uniform(-3, 3) : 0.0f;
            xd = xs = b;
            dense.solve(xd.data());
            sparse->solve(xs.data());
            const double scale = 1 + MaxAbs(xd);
            for (int i = 0; i < np; ++i)
                ASSERT_NEAR(xs[i], xd[i], 1e-4 * scale) << trial << " row " << i;
            for (int k : {0, 5, 41, n - 1}) {
                dense.solveUnit(yd.data(), k);
                sparse->solveUnit(ys.data(), k);
                for (int i = 0; i < np; ++i)
                    ASSERT_NEAR(ys[i], yd[i], 1e-4 * (1 + MaxAbs(yd))) << trial << " column " << k << " row " << i;
            }
            const int ks[5] = {3, 40, 41, n - 1, 7};  // one pass of four, then one
            sparse->solveUnits(ks, 5);
            for (int k : ks) {
                sparse->solveUnit(ys.data(), k);
                for (int i = 0; i < np; ++i)
                    ASSERT_EQ(sparse->Ainv[k * np + i], ys[i]) << trial << " column " << k << " row " << i;
            }
            sparse->multiply(b.data(), ys.data());
            for (int i = 0; i < np; ++i) {
                double ref = 0;
                for (int j = 0; j < np; ++j)
                    ref += A[i * np + j] * b[j];
                ASSERT_NEAR(ys[i], ref, 1e-4 * (1 + std::fabs(ref)));
            }
            for (int i = 0; i < np; ++i)  // the rows' own factor diagonal orders the fallback pivoting
                ASSERT_NEAR(sparse->getDiagonal(i), dense.getDiagonal(i), 1e-5 * dense.getDiagonal(i));

            std::vector<float> lo(np, 0.0f), hi(np, 0.0f);
            for (int i = 0; i < n; ++i) {
                const int kind = MeRandom() % 3;
                lo[i] = kind == 0 ? -1e20f : (kind == 1 ? 0.0f : Uniform(-0.3f, 0));
                hi[i] = kind == 0 ? 1e20f : (kind == 1 ? 1e20f : Uniform(0, 0.3f));
            }
            const int rd = keaLCPSolve(&dense, b.data(), lo.data(), hi.data(), 30);
            xd.assign(dense.x, dense.x + np);
            const int rs = keaLCPSolve(sparse, b.data(), lo.data(), hi.data(), 30);
            xs.assign(sparse->x, sparse->x + np);
            EXPECT_EQ(rs, rd) << trial;
            pivoted += rs != 0;
            for (int i = 0; i < np; ++i)
                EXPECT_NEAR(xs[i], xd[i], 2e-3 * (1 + MaxAbs(xd))) << trial << " row " << i;
            if (rs <= 0)
                continue;
            // Complementarity: w = A x - b vanishes on free rows and pushes the right way on
            // clamped ones.
            for (int i = 0; i < n; ++i) {
                double w = -b[i];
                for (int j = 0; j < np; ++j)
                    w += A[i * np + j] * xs[j];
                ASSERT_GE(xs[i], lo[i] - 1e-6f);
                ASSERT_LE(xs[i], hi[i] + 1e-6f);
                const double tol = 2e-3 * (1 + std::fabs(b[i]));
                if (xs[i] == lo[i] && lo[i] != hi[i]) {
                    EXPECT_GE(w, -1e-3 - tol) << trial << " row " << i;
                } else if (xs[i] == hi[i] && lo[i] != hi[i]) {
                    EXPECT_LE(w, 1e-3 + tol) << trial << " row " << i;
                } else if (xs[i] != lo[i] && xs[i] != hi[i]) {
                    EXPECT_NEAR(w, 0, tol) << trial << " row " << i;
                }
            }
        }
    }
    EXPECT_GT(pivoted, 6);
}

namespace {

// A square pyramid of unit boxes, each upper box on the four below it by one corner each, with
// contact groups refreshed from the poses every step (normals up, friction 1).
struct Pyramid {
    MdtWorld* world = nullptr;
    std::vector<MdtBody*> boxes;
    std::vector<std::pair<int, int>> stacked;  // (upper, lower)
    std::vector<MdtConstraint*> groups;        // one per bottom box, then one per stacked pair
    MdtContactParams params;
    int bottom = 0;

    explicit Pyramid(int base)
    {
        world = MdtWorldCreate(base * base * base, base * base * base * 12);
        MdtWorldSetGravity(world, 0, -9.81f, 0);
        MdtWorldSetGamma(world, 0.2f);
        MdtContactParamsReset(&params);
        MdtContactParamsSetType(&params, 2);
        MdtContactParamsSetFriction(&params, 1);
        std::vector<int> below;
        for (int layer = 0; layer < base; ++layer) {
            std::vector<int> current;
            const int side = base - layer;
            for (int i = 0; i < side; ++i)
                for (int k = 0; k < side; ++k) {
                    MdtBody* b = MdtBodyCreate(world);
                    MeReal I[9];
                    MdtMakeInertiaTensorBox(1, 1, 1, 1, I);
                    MdtBodySetInertiaTensor(b, I);
                    SetPosition(b, (i - (side - 1) * 0.5f) * 1.02f, 0.5f + layer, (k - (side - 1) * 0.5f) * 1.02f);
                    MdtBodyEnable(b);
                    current.push_back(static_cast<int>(boxes.size()));
                    boxes.push_back(b);
                }
            for (int u : current)
                for (int l : below)
                    if (std::fabs(boxes[u]->comTM[3][0] - boxes[l]->comTM[3][0]) < 1 &&
                        std::fabs(boxes[u]->comTM[3][2] - boxes[l]->comTM[3][2]) < 1)
                        stacked.push_back({u, l});
            if (layer == 0)
                bottom = static_cast<int>(current.size());
            below = current;
        }
        for (int i = 0; i < bottom; ++i)
            groups.push_back(Group(boxes[i], nullptr));
        for (auto [u, l] : stacked)
            groups.push_back(Group(boxes[u], boxes[l]));
    }
    ~Pyramid() { MdtWorldDestroy(world); }

    MdtConstraint* Group(MdtBody* a, MdtBody* b)
    {
        MdtConstraint* g = MdtContactGroupCreate(world);
        MdtConstraintSetBodies(g, a, b);
        MdtConstraintEnable(g);
        return g;
    }

    void Contact(MdtConstraint* g, const MeReal p[3], MeReal depth)
    {
        MdtConstraint* c = MdtContactGroupCreateContact(g);
        MdtContactSetPosition(c, p[0], p[1], p[2]);
        MdtContactSetNormal(c, 0, 1, 0);
        MdtContactSetPenetration(c, depth);
        MdtContactSetParams(c, &params);
    }

    void Step()
    {
        for (MdtConstraint* g : groups)
            while (MdtConstraint* c = MdtContactGroupGetFirst(g))
                MdtContactGroupDestroyContact(g, c);
        auto corner = [](const MdtBody* b, int sx, int sy, int sz, MeReal p[3]) {
            for (int k = 0; k < 3; ++k)
                p[k] = b->comTM[3][k] + 0.5f * (sx * b->comTM[0][k] + sy * b->comTM[1][k] + sz * b->comTM[2][k]);
        };
        for (int i = 0; i < bottom; ++i)
            for (int c = 0; c < 8; ++c) {
                MeReal p[3];
                corner(boxes[i], c & 1 ? 1 : -1, c & 2 ? 1 : -1, c & 4 ? 1 : -1, p);
                if (p[1] < 0) {
                    const MeReal depth = -p[1];
                    p[1] = 0;
                    Contact(groups[i], p, depth);
                }
            }
        for (size_t s = 0; s < stacked.size(); ++s) {
            const MdtBody* u = boxes[stacked[s].first];
            const MdtBody* l = boxes[stacked[s].second];
            const MeReal top = l->comTM[3][1] + 0.5f;
            for (int c = 0; c < 4; ++c) {
                MeReal p[3];
                corner(u, c & 1 ? 1 : -1, -1, c & 2 ? 1 : -1, p);
                const bool over = std::fabs(p[0] - l->comTM[3][0]) <= 0.5005f && std::fabs(p[2] - l->comTM[3][2]) <= 0.5005f;
                if (over && p[1] < top) {
                    const MeReal depth = top - p[1];
                    p[1] = top;
                    Contact(groups[bottom + s], p, depth);
                }
            }
        }
        MdtWorldStep(world, 1.0f / 60);
    }
};

}  // namespace

TEST(KeaSparse, PushedPyramidMovesAsWithTheEnvelopeFactor)
{
    Quiet quiet;
    const int clampedBefore = keaClampedPivotCount();
    const int previous = keaSetSparseMinBlocks(1 << 30);
    Pyramid reference(4);  // envelope factor only
    keaSetSparseMinBlocks(previous);
    Pyramid reordered(4);
    const int top = static_cast<int>(reordered.boxes.size()) - 1;
    for (Pyramid* p : {&reference, &reordered})
        MdtBodySetLinearVelocity(p->boxes[top], 3, 0, 0);  // the top box slides off: friction saturates
    int largest = 0, iterations = 0;
    for (int step = 0; step < 90; ++step) {
        keaSetSparseMinBlocks(1 << 30);
        reference.Step();
        keaSetSparseMinBlocks(previous);
        reordered.Step();
        largest = std::max(largest, keaLastSolveStats().largestRows);
        iterations += keaLastSolveStats().iterations;
        for (size_t i = 0; i < reordered.boxes.size(); ++i)
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(reordered.boxes[i]->comTM[3][k], reference.boxes[i]->comTM[3][k], 2e-3f)
                    << "step " << step << " box " << i;
    }
    EXPECT_GE(largest, 64);  // one partition on the sparse path
    EXPECT_GT(iterations, 0);
    // The pile under the slid box stands.
    EXPECT_NEAR(reordered.boxes[top - 1]->comTM[3][1], 2.5f, 0.02f);
    EXPECT_GT(reordered.boxes[top]->comTM[3][0], 0.8f);
    EXPECT_EQ(keaClampedPivotCount(), clampedBefore);
}
