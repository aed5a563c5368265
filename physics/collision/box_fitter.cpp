// Oriented-box fitting for the nodes of a triangle mesh's box tree.
//
// One triangle: axis 0 along its longest edge, axis 2 along its normal, axis 1 = axis 2 x
// axis 0; extents from the three corners (the box is flat).
//
// Several triangles: the axes start as the eigenvectors of a covariance of the corners
// (Jacobi sweeps on the symmetric 3x3 matrix; each rotation zeroes one off-diagonal element,
// theta = (C_qq - C_pp) / (2 C_pq), t = sign(theta) / (|theta| + sqrt(theta^2 + 1)), c =
// 1 / sqrt(t^2 + 1), s = t c). The covariance weights each triangle by its inverse area; only
// the directions of the eigenvectors matter. When the sweeps do not settle within 35 the axes
// are the coordinate axes. Extents are the corners' projection ranges on each axis.
//
// Descent. The box's size measure is the squared diagonal for flat or long boxes (smallest
// extent below 1e-6 or ratio above 20), else the surface measure e0 e1 + (e0 + e1) e2. The
// search direction g = sum_k W_k a_k x (Pmax_k - Pmin_k), W = (e1 e2, e0 e2, e0 e1), is the
// rotation axis along which the extents shrink fastest to first order (Pmax_k, Pmin_k the
// extreme corners along axis k). The box turns by `step` about g, is refitted, and the step
// shrinks by a third whenever the measure rises; the best box seen is kept. The rotation is
// applied to the axes as a matrix; the axes may be a left-handed frame, so they are never
// turned into a quaternion. A zero first direction starts from a random axis drawn from the
// program's one generator (`MeRandom`), so a seeded build is repeatable.

#include <cmath>
#include "physics/dynamics/me_math.h"
#include <initializer_list>

#include "physics/collision/mass.h"
#include "physics/collision/triangle_mesh_tree.h"
#include "physics/dynamics/me_random.h"

namespace {

MeReal Dot3(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void Cross3(const MeReal a[3], const MeReal b[3], MeReal out[3]) { MeVector3Cross(out, a, b); }

void Normalise(MeReal v[3])
{
    const MeReal len = std::sqrt(Dot3(v, v));
    if (len != 0)
        for (int k = 0; k < 3; ++k)
            v[k] /= len;
}

// Extents and centre from the projections on the box's current axes; extremes optional.
void FitExtents(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count,
                const MeReal* extremes[3][2])
{
    MeReal centre[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const MeReal *hiV = nullptr, *loV = nullptr;
        MeReal hi = 0, lo = 0;
        CxTriangleSetExtremeVertices(mesh, indices, count, box->axis[k], &hiV, &loV, &hi, &lo);
        box->ext[k] = std::fabs(hi - lo) * 0.5f;
        const MeReal mid = lo + box->ext[k];
        for (int j = 0; j < 3; ++j)
            centre[j] += box->axis[k][j] * mid;
        if (extremes) {
            extremes[k][0] = hiV;
            extremes[k][1] = loV;
        }
    }
    for (int j = 0; j < 3; ++j)
        box->centre[j] = centre[j];
}

void SwapColumns(MeReal m[9], int a, int b)
{
    for (int r = 0; r < 3; ++r) {
        const MeReal t = m[r * 3 + a];
        m[r * 3 + a] = m[r * 3 + b];
        m[r * 3 + b] = t;
    }
}

MeReal OffDiagonal(const MeReal c[9])
{
    return std::sqrt(c[3] * c[3] + c[6] * c[6] + c[7] * c[7]);
}

}  // namespace

void CxRandomUnitVector(MeReal out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = 2.0f * static_cast<MeReal>(MeRandom()) / static_cast<MeReal>(MeRANDOM_MAX) - 1.0f;
    Normalise(out);
}

void CxTriangleSetCovariance(const CxTriangleMesh* mesh, const int* indices, int count, MeReal C[9])
{
    MeReal m[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const CxTriangle& t = mesh->triangles[indices[i]];
        const MeReal a = McdTriangleArea(t.v[0], t.v[1], t.v[2]);
        if (std::fabs(a) <= 1e-6f)
            continue;
        for (int k = 0; k < 3; ++k)
            m[k] += (t.v[0][k] + t.v[1][k] + t.v[2][k]) * (1.0f / a);
    }
    const MeReal scale = 1.0f / (6.0f * static_cast<MeReal>(count));
    for (MeReal& x : m)
        x *= scale;
    for (int i = 0; i < count; ++i) {
        const CxTriangle& t = mesh->triangles[indices[i]];
        const MeReal a = McdTriangleArea(t.v[0], t.v[1], t.v[2]);
        if (std::fabs(a) <= 1e-6f)
            continue;
        MeReal M[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (const MeReal* p : t.v) {
            const MeReal d[3] = {p[0] - m[0], p[1] - m[1], p[2] - m[2]};
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    M[r * 3 + c] += d[r] * d[c];
        }
        for (int k = 0; k < 9; ++k)
            C[k] += M[k] * (1.0f / a);
    }
    const MeReal final = 0.5f / (6.0f * static_cast<MeReal>(count));
    for (int k = 0; k < 9; ++k)
        C[k] *= final;
}

int CxJacobiEigen3(MeReal C[9], MeReal V[9])
{
    if (OffDiagonal(C) <= 0.001f)
        return 0;
    static const int kPairs[3][2] = {{1, 0}, {2, 0}, {2, 1}};
    int sweeps = 0;
    while (sweeps < 101) {
        ++sweeps;
        for (const auto& pq : kPairs) {
            const int p = pq[0], q = pq[1];
            double c = 1, s = 0;
            const double cpq = C[p * 3 + q];
            if (cpq != 0) {
                const double theta = (static_cast<double>(C[q * 3 + q]) - C[p * 3 + p]) * 0.5 / cpq;
                const double root = std::sqrt(theta * theta + 1);
                const double t = theta > 0 ? 1 / (theta + root) : -1 / (root - theta);
                c = 1 / std::sqrt(t * t + 1);
                s = t * c;
            }
            for (int r = 0; r < 3; ++r) {
                const double vp = V[r * 3 + p], vq = V[r * 3 + q];
                V[r * 3 + p] = static_cast<MeReal>(c * vp - s * vq);
                V[r * 3 + q] = static_cast<MeReal>(c * vq + s * vp);
                const double cp = C[r * 3 + p], cq = C[r * 3 + q];
                C[r * 3 + p] = static_cast<MeReal>(c * cp - s * cq);
                C[r * 3 + q] = static_cast<MeReal>(c * cq + s * cp);
            }
            for (int col = 0; col < 3; ++col) {
                const double rp = C[p * 3 + col], rq = C[q * 3 + col];
                C[p * 3 + col] = static_cast<MeReal>(c * rp - s * rq);
                C[q * 3 + col] = static_cast<MeReal>(c * rq + s * rp);
            }
        }
        if (OffDiagonal(C) <= 0.001f)
            break;
    }
    return sweeps;
}

int CxEigenSolve3(MeReal V[9], MeReal C[9])
{
    for (int k = 0; k < 9; ++k)
        V[k] = (k % 4 == 0) ? 1.0f : 0.0f;
    const int sweeps = CxJacobiEigen3(C, V);
    if (sweeps > 35)
        return sweeps;
    MeReal l[3] = {C[0], C[4], C[8]};
    auto order = [&](int a, int b) {
        if (l[b] > l[a]) {
            SwapColumns(V, a, b);
            const MeReal t = l[a];
            l[a] = l[b];
            l[b] = t;
        }
    };
    order(1, 2);
    order(0, 1);
    order(1, 2);
    return sweeps;
}

void CxBoxSortAxes(CxOrientedBox* box)
{
    auto order = [box](int a, int b) {
        if (box->ext[b] > box->ext[a]) {
            const MeReal t = box->ext[a];
            box->ext[a] = box->ext[b];
            box->ext[b] = t;
            for (int j = 0; j < 3; ++j) {
                const MeReal s = box->axis[a][j];
                box->axis[a][j] = box->axis[b][j];
                box->axis[b][j] = s;
            }
        }
    };
    order(1, 2);
    order(0, 1);
    order(1, 2);
}

void CxBoxFitTriangle(const CxTriangleMesh* mesh, CxOrientedBox* box, int triangle)
{
    const CxTriangle& t = mesh->triangles[triangle];
    const MeReal *A = t.v[0], *B = t.v[1], *C = t.v[2];
    MeReal E[3][3];
    for (int j = 0; j < 3; ++j) {
        E[0][j] = A[j] - B[j];
        E[1][j] = B[j] - C[j];
        E[2][j] = C[j] - A[j];
    }
    const MeReal L[3] = {Dot3(E[0], E[0]), Dot3(E[1], E[1]), Dot3(E[2], E[2])};
    int k = L[1] > L[0] ? 1 : 0;
    if (L[2] > L[k])
        k = 2;
    for (int j = 0; j < 3; ++j)
        box->axis[0][j] = E[k][j];
    Normalise(box->axis[0]);
    Cross3(E[0], E[1], box->axis[2]);
    Normalise(box->axis[2]);
    Cross3(box->axis[2], box->axis[0], box->axis[1]);
    MeReal centre[3] = {0, 0, 0};
    for (int a = 0; a < 3; ++a) {
        MeReal lo = Dot3(A, box->axis[a]), hi = lo;
        for (const MeReal* p : {B, C}) {
            const MeReal s = Dot3(p, box->axis[a]);
            lo = std::fmin(lo, s);
            hi = std::fmax(hi, s);
        }
        box->ext[a] = (hi - lo) * 0.5f;
        for (int j = 0; j < 3; ++j)
            centre[j] += box->axis[a][j] * (hi + lo) * 0.5f;
    }
    for (int j = 0; j < 3; ++j)
        box->centre[j] = centre[j];
}

MeReal CxBoxCost(const MeReal e[3])
{
    const MeReal emin = std::fmin(e[0], std::fmin(e[1], e[2]));
    const MeReal emax = std::fmax(e[0], std::fmax(e[1], e[2]));
    if (emin < 1e-6f || emax / emin > 20.0f)
        return e[0] * e[0] + e[1] * e[1] + e[2] * e[2];
    return e[0] * e[1] + (e[0] + e[1]) * e[2];
}

void CxBoxRefine(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count)
{
    CxOrientedBox work = *box;
    CxOrientedBox best = work;
    const MeReal* extremes[3][2];
    FitExtents(mesh, &work, indices, count, extremes);
    MeReal step = -0.1f;
    MeReal current = CxBoxCost(work.ext);
    MeReal bestCost = current;
    best = work;
    for (int iteration = 0; iteration < 35; ++iteration) {
        const MeReal prev = current;
        const MeReal* e = work.ext;
        const MeReal W[3] = {e[1] * e[2], e[0] * e[2], e[0] * e[1]};
        MeReal g[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const MeReal span[3] = {extremes[k][0][0] - extremes[k][1][0], extremes[k][0][1] - extremes[k][1][1],
                                    extremes[k][0][2] - extremes[k][1][2]};
            MeReal c[3];
            Cross3(work.axis[k], span, c);
            for (int j = 0; j < 3; ++j)
                g[j] += W[k] * c[j];
        }
        const MeReal len = std::sqrt(Dot3(g, g));
        if (len > 1e-30f) {
            for (MeReal& x : g)
                x /= len;
        } else if (iteration == 0) {
            CxRandomUnitVector(g);
        } else {
            break;
        }
        // Rotation matrix of the unit quaternion (cos(step/2), sin(step/2) g).
        const MeReal w = std::cos(step * 0.5f), sn = std::sin(step * 0.5f);
        const MeReal x = sn * g[0], y = sn * g[1], z = sn * g[2];
        const MeReal R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                                {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                                {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
        for (auto& axis : work.axis) {
            const MeReal v[3] = {axis[0], axis[1], axis[2]};
            for (int r = 0; r < 3; ++r)
                axis[r] = R[r][0] * v[0] + R[r][1] * v[1] + R[r][2] * v[2];
        }
        FitExtents(mesh, &work, indices, count, extremes);
        current = CxBoxCost(work.ext);
        if (current < bestCost) {
            bestCost = current;
            best = work;
        }
        if (current > prev) {
            step *= 0.6666667f;
            if (std::fabs(step) < 0.0001f)
                break;
        }
    }
    *box = current <= bestCost ? work : best;
    CxBoxSortAxes(box);
}

void CxBoxFitterFit(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count)
{
    if (count == 1) {
        CxBoxFitTriangle(mesh, box, indices[0]);
        return;
    }
    MeReal C[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    CxTriangleSetCovariance(mesh, indices, count, C);
    MeReal V[9];
    const int sweeps = CxEigenSolve3(V, C);
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            box->axis[k][j] = sweeps > 35 ? (j == k ? 1.0f : 0.0f) : V[j * 3 + k];
    FitExtents(mesh, box, indices, count, nullptr);
    CxBoxSortAxes(box);
    CxBoxRefine(mesh, box, indices, count);
}
