// The box LCP against brute-force enumeration, the envelope Cholesky against a dense
// factorisation, and the two kernel variants against each other.

#include "dynamics_test_util.h"
#include "physics/dynamics/kea_cpu.h"
#include "physics/dynamics/kea_pool.h"
#include "physics/dynamics/kea_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace dyntest;

namespace {

struct PoolMemory {
    std::vector<float> block = std::vector<float>(1 << 20);
    PoolMemory() { keaPoolInit(block.data(), static_cast<int>(block.size() * sizeof(float))); }
};

// Dense solve by Gaussian elimination in double.
std::vector<double> DenseSolve(std::vector<double> M, std::vector<double> r, int n)
{
    for (int c = 0; c < n; ++c) {
        int piv = c;
        for (int i = c + 1; i < n; ++i)
            if (std::fabs(M[i * n + c]) > std::fabs(M[piv * n + c]))
                piv = i;
        for (int j = 0; j < n; ++j)
            std::swap(M[c * n + j], M[piv * n + j]);
        std::swap(r[c], r[piv]);
        for (int i = c + 1; i < n; ++i) {
            const double f = M[i * n + c] / M[c * n + c];
            for (int j = c; j < n; ++j)
                M[i * n + j] -= f * M[c * n + j];
            r[i] -= f * r[c];
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        for (int j = i + 1; j < n; ++j)
            r[i] -= M[i * n + j] * r[j];
        r[i] /= M[i * n + i];
    }
    return r;
}

// Every assignment of free / lower / upper; the one meeting all conditions is the solution.
std::vector<double> BruteForce(const std::vector<double>& A, const std::vector<double>& b, const std::vector<double>& lo,
                               const std::vector<double>& hi, int n)
{
    int total = 1;
    for (int i = 0; i < n; ++i)
        total *= 3;
    for (int code = 0; code < total; ++code) {
        std::vector<int> st(n);
        for (int i = 0, c = code; i < n; ++i, c /= 3)
            st[i] = c % 3;
        std::vector<double> x(n, 0.0);
        std::vector<int> freeRows;
        for (int i = 0; i < n; ++i) {
            if (st[i] == 1)
                x[i] = lo[i];
            else if (st[i] == 2)
                x[i] = hi[i];
            else
                freeRows.push_back(i);
        }
        const int nf = static_cast<int>(freeRows.size());
        if (nf > 0) {
            std::vector<double> M(nf * nf), r(nf);
            for (int a = 0; a < nf; ++a) {
                r[a] = b[freeRows[a]];
                for (int j = 0; j < n; ++j)
                    if (st[j] != 0)
                        r[a] -= A[freeRows[a] * n + j] * x[j];
                for (int c = 0; c < nf; ++c)
                    M[a * nf + c] = A[freeRows[a] * n + freeRows[c]];
            }
            std::vector<double> y = DenseSolve(M, r, nf);
            for (int a = 0; a < nf; ++a)
                x[freeRows[a]] = y[a];
        }
        bool ok = true;
        for (int i = 0; i < n && ok; ++i) {
            double w = -b[i];
            for (int j = 0; j < n; ++j)
                w += A[i * n + j] * x[j];
            if (st[i] == 0)
                ok = x[i] >= lo[i] - 1e-9 && x[i] <= hi[i] + 1e-9;
            else if (st[i] == 1)
                ok = w >= -1e-9;
            else
                ok = w <= 1e-9;
        }
        if (ok)
            return x;
    }
    return {};
}

}  // namespace

TEST(KeaLCP, MatchesBruteForceOnSmallRandomProblems)
{
    MeRandomSeed(4242);
    PoolMemory memory;
    int solvedWithPivoting = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const int n = 1 + MeRandom() % 6;
        keaPoolInit(memory.block.data(), static_cast<int>(memory.block.size() * sizeof(float)));
        keaLCPMatrix_PcSparse_x86 m;
        ASSERT_TRUE(m.allocate(n));
        m.epsilon = 0.01f;
        // A = G G^T + 0.1 I: symmetric positive definite.
        std::vector<double> G(n * n), A(n * n), b(n), lo(n), hi(n);
        for (double& g : G)
            g = Uniform(-1, 1);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                double s = i == j ? 0.1 : 0.0;
                for (int k = 0; k < n; ++k)
                    s += G[i * n + k] * G[j * n + k];
                A[i * n + j] = static_cast<float>(s);
            }
        std::vector<float> bf(m.np, 0.0f), lof(m.np, 0.0f), hif(m.np, 0.0f);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j)
                m.A[i * m.np + j] = static_cast<float>(A[i * n + j]);
            b[i] = bf[i] = Uniform(-3, 3);
            const int kind = MeRandom() % 4;  // unbounded, one-sided, boxed
            lo[i] = lof[i] = kind == 0 ? -1e20f : (kind == 1 ? 0.0f : Uniform(-1, 0));
            hi[i] = hif[i] = kind == 0 ? 1e20f : (kind == 1 ? 1e20f : Uniform(0, 1));
        }
        for (int i = n; i < m.np; ++i)
            m.A[i * m.np + i] = 1;
        m.setEnvelope();
        m.factorize();
        const int result = keaLCPSolve(&m, bf.data(), lof.data(), hif.data(), 30);
        std::vector<double> ref = BruteForce(A, b, lo, hi, n);
        ASSERT_EQ(static_cast<int>(ref.size()), n) << "trial " << trial;
        if (result > 0)
            ++solvedWithPivoting;
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(m.x[i], ref[i], 2e-3 * (1 + std::fabs(ref[i]))) << "trial " << trial << " row " << i;
        for (int i = n; i < m.np; ++i)
            EXPECT_EQ(m.x[i], 0.0f);  // padding rows carry nothing
    }
    EXPECT_GT(solvedWithPivoting, 50);
}

TEST(KeaLCP, UnconstrainedSolutionInsideBoundsReturnsAtOnce)
{
    PoolMemory memory;
    keaLCPMatrix_PcSparse_x86 m;
    ASSERT_TRUE(m.allocate(2));
    m.epsilon = 0;
    m.A[0] = 2, m.A[1] = 0, m.A[4] = 0, m.A[5] = 4;
    m.A[10] = m.A[15] = 1;
    m.setEnvelope();
    m.factorize();
    const float b[4] = {1, 2, 0, 0}, lo[4] = {-1e20f, -1e20f, 0, 0}, hi[4] = {1e20f, 1e20f, 0, 0};
    EXPECT_EQ(keaLCPSolve(&m, b, lo, hi, 10), 0);
    EXPECT_FLOAT_EQ(m.x[0], 0.5f);
    EXPECT_FLOAT_EQ(m.x[1], 0.5f);
}

TEST(KeaCholesky, EnvelopeFactorMatchesDenseWithFillIn)
{
    PoolMemory memory;
    MeRandomSeed(9);
    keaLCPMatrix_PcSparse_x86 m;
    const int n = 16;
    ASSERT_TRUE(m.allocate(n));
    // Arrow pattern: block rows 1..3 touch block 0 only, so L gains fill-in between them.
    std::vector<double> A(n * n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            const bool sameBlock = i / 4 == j / 4, arrow = j / 4 == 0;
            if (sameBlock || arrow) {
                const double v = i == j ? 6.0 : Uniform(-0.5f, 0.5f);
                A[i * n + j] = A[j * n + i] = v;
            }
        }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            m.A[i * m.np + j] = static_cast<float>(A[i * n + j]);
    m.setEnvelope();
    EXPECT_EQ(m.first[12], 0);
    m.factorize();
    EXPECT_EQ(m.clampedPivots, 0);
    // L L^T reproduces A everywhere, including where L has fill-in (block row 3, block column 1).
    bool fillIn = false;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = 0;
            for (int k = 0; k <= j; ++k)
                s += static_cast<double>(m.Achol[i * n + k]) * m.Achol[j * n + k];
            EXPECT_NEAR(s, A[i * n + j], 1e-5);
            fillIn |= i / 4 == 3 && j / 4 == 1 && m.Achol[i * n + j] != 0;
        }
    EXPECT_TRUE(fillIn);
    std::vector<double> r(n);
    std::vector<float> x(n);
    for (int i = 0; i < n; ++i)
        r[i] = x[i] = Uniform(-1, 1);
    std::vector<double> ref = DenseSolve(A, r, n);
    m.solve(x.data());
    for (int i = 0; i < n; ++i)
        EXPECT_NEAR(x[i], ref[i], 1e-5);
    std::vector<float> column(n);
    m.solveUnit(column.data(), 5);
    std::vector<double> e(n, 0.0);
    e[5] = 1;
    std::vector<double> refColumn = DenseSolve(A, e, n);
    for (int i = 0; i < n; ++i)
        EXPECT_NEAR(column[i], refColumn[i], 1e-5);
}

TEST(KeaCholesky, NonPositivePivotIsClampedAndCounted)
{
    PoolMemory memory;
    keaLCPMatrix_PcSparse_x86 m;
    ASSERT_TRUE(m.allocate(4));
    m.epsilon = 0.01f;
    // Rank one: the second pivot is zero (and slightly negative in float).
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m.A[i * 4 + j] = 1;
    m.setEnvelope();
    const int before = keaClampedPivotCount();
    m.factorize();
    EXPECT_EQ(m.clampedPivots, 3);
    EXPECT_EQ(keaClampedPivotCount(), before + 3);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(std::isfinite(m.rsD[i]));
}

TEST(KeaVariants, ScalarAndSSEAgreeOnAStack)
{
    Quiet quiet;
    std::vector<MeReal> finalHeights[2];
    for (int variant = 1; variant <= 2; ++variant) {
        int previous = keaSetCPUOverride(variant);
        MdtWorld* w = MdtWorldCreate(8, 64);
        keaSetCPUOverride(previous);
        ASSERT_EQ(w->solverVariant, variant);
        MdtWorldSetGravity(w, 0, -9.81f, 0);
        std::vector<MdtBody*> boxes;
        std::vector<Ground*> grounds;
        for (int i = 0; i < 3; ++i) {
            MdtBody* b = MdtBodyCreate(w);
            MeReal I[9];
            MdtMakeInertiaTensorBox(1, 1, 1, 1, I);
            MdtBodySetInertiaTensor(b, I);
            SetPosition(b, 0.1f * i, 0.5f + 1.0f * i, 0);
            MdtBodyEnable(b);
            boxes.push_back(b);
        }
        Ground ground(w, boxes[0]);
        // Box-on-box contacts: one group per pair, four corners each.
        std::vector<MdtConstraint*> pairs;
        for (int i = 1; i < 3; ++i) {
            MdtConstraint* g = MdtContactGroupCreate(w);
            MdtConstraintSetBodies(g, boxes[i], boxes[i - 1]);
            MdtConstraintEnable(g);
            pairs.push_back(g);
        }
        for (int step = 0; step < 120; ++step) {
            ground.Box(boxes[0], 0.5f, 0.5f, 0.5f);
            for (int i = 1; i < 3; ++i) {
                MdtConstraint* g = pairs[i - 1];
                while (MdtConstraint* c = MdtContactGroupGetFirst(g))
                    MdtContactGroupDestroyContact(g, c);
                const MeReal top = boxes[i - 1]->comTM[3][1] + 0.5f;
                const MeReal bottom = boxes[i]->comTM[3][1] - 0.5f;
                if (bottom < top)
                    for (int sx = -1; sx <= 1; sx += 2)
                        for (int sz = -1; sz <= 1; sz += 2) {
                            MdtConstraint* c = MdtContactGroupCreateContact(g);
                            MdtContactSetPosition(c, boxes[i]->comTM[3][0] + 0.45f * sx, top, 0.45f * sz);
                            MdtContactSetNormal(c, 0, 1, 0);
                            MdtContactSetPenetration(c, top - bottom);
                        }
            }
            MdtWorldStep(w, 1.0f / 60);
        }
        for (MdtBody* b : boxes)
            finalHeights[variant - 1].push_back(b->comTM[3][1]);
        EXPECT_NEAR(boxes[2]->comTM[3][1], 2.5f, 0.01f);
        MdtWorldDestroy(w);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(finalHeights[0][i], finalHeights[1][i], 1e-4f);
}

TEST(KeaVariants, ScalarAndSSEMultipliersAgreeOnRandomJointWorlds)
{
    Quiet quiet;
    for (int seed = 1; seed <= 5; ++seed) {
        std::vector<MeReal> lambdas[2], accel[2];
        for (int variant = 1; variant <= 2; ++variant) {
            MeRandomSeed(static_cast<std::uint32_t>(seed));
            const int previous = keaSetCPUOverride(variant);
            MdtWorld* w = MdtWorldCreate(16, 64);
            keaSetCPUOverride(previous);
            MdtWorldSetGravity(w, 0, -9.81f, 0);
            std::vector<MdtBody*> bodies;
            for (int i = 0; i < 8; ++i) {
                MdtBody* b = MdtBodyCreate(w);
                MeReal q[4];
                RandomUnitQuaternion(q);
                SetPose(b, q, Uniform(-2, 2), Uniform(0, 3), Uniform(-2, 2));
                MdtBodySetLinearVelocity(b, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
                MdtBodySetAngularVelocity(b, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
                MdtBodyEnable(b);
                bodies.push_back(b);
            }
            for (int i = 1; i < 8; ++i) {
                MdtConstraint* c = (i % 3 == 0) ? MdtHingeCreate(w) : (i % 3 == 1 ? MdtBallJointCreate(w) : MdtSliderCreate(w));
                MdtConstraintSetBodies(c, bodies[i], bodies[i - 1]);
                MdtConstraintSetPosition(c, Uniform(-1, 1), Uniform(0, 2), Uniform(-1, 1));
                MdtBallJointSetPosition(c, Uniform(-1, 1), Uniform(0, 2), Uniform(-1, 1));
                MdtConstraintSetAxis(c, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
                MdtConstraintEnable(c);
            }
            Ground ground(w, bodies[0]);
            MdtContactParamsSetType(&ground.params, 2);
            MdtContactParamsSetFriction(&ground.params, 2);
            for (int i = 0; i < 3; ++i) {
                const MeReal p[3] = {Uniform(-1, 1), 0, Uniform(-1, 1)};
                ground.Add(p, 0.01f * i);
            }
            MdtWorldStep(w, 1.0f / 60);
            lambdas[variant - 1].assign(w->rows.lambda, w->rows.lambda + w->rows.num_rows_exc_padding);
            for (MdtBody* b : bodies)
                for (int k = 0; k < 3; ++k)
                    accel[variant - 1].push_back(b->kea.accel[k]);
            MdtWorldDestroy(w);
        }
        ASSERT_EQ(lambdas[0].size(), lambdas[1].size());
        ASSERT_GT(lambdas[0].size(), 20u);
        for (size_t i = 0; i < lambdas[0].size(); ++i)
            EXPECT_NEAR(lambdas[0][i], lambdas[1][i], 1e-3f * (1 + std::fabs(lambdas[0][i]))) << seed << " " << i;
        for (size_t i = 0; i < accel[0].size(); ++i)
            EXPECT_NEAR(accel[0][i], accel[1][i], 1e-3f * (1 + std::fabs(accel[0][i])));
    }
}
