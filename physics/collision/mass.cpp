// Mass properties by tetrahedra.
//
// A closed, consistently wound surface is the signed sum of the tetrahedra (origin, a, b, c)
// over its triangles: with outward counter-clockwise winding a tetrahedron's volume
// a . (b x c) / 6 is positive where the origin sees the triangle's front and negative where it
// sees its back, so parts outside the body cancel and the origin may lie anywhere.
// Each tetrahedron is the image of the canonical one (0, e1, e2, e3) under A = [a b c]; the
// canonical covariance about its centroid per unit volume is K (0.0375 on the diagonal,
// -0.0125 off it: 1/10 - 1/16 and 1/20 - 1/16), so C = A K A^T, the inertia about the centroid
// is trace(C) I - C, and the parallel-axis matrix moves it to the origin. Combining weights
// each record by its (signed) volume and moves the sum to the combined centre.

#include "physics/collision/mass.h"

#include <cmath>

#include "physics/collision/collision_local.h"
#include "physics/collision/geometry_tests.h"

namespace {

// One instance serves every framework; each framework holds a reference, so terminating one
// of two frameworks leaves the other its tests.
McdGeometryTests* gGeometryTests = nullptr;
int gGeometryTestsUsers = 0;

}  // namespace

McdGeometryTests* McdGeometryTestsCreate()
{
    if (!gGeometryTests) {
        gGeometryTests = McdNew<McdGeometryTests>();
        if (!gGeometryTests)
            return nullptr;
    }
    ++gGeometryTestsUsers;
    return gGeometryTests;
}

void McdGeometryTestsDestroy()
{
    if (gGeometryTestsUsers > 0 && --gGeometryTestsUsers > 0)
        return;
    McdDelete(gGeometryTests);
    gGeometryTests = nullptr;
    gGeometryTestsUsers = 0;
}

McdGeometryTests* McdGeometryTestsGet()
{
    return gGeometryTests;
}

MeReal MeMatrix3Trace(const MeReal m[9])
{
    return m[0] + m[4] + m[8];
}

void MeMatrix3Sub(MeReal out[9], const MeReal a[9], const MeReal b[9])
{
    for (int i = 0; i < 9; ++i)
        out[i] = a[i] - b[i];
}

void MeMatrix3Add(MeReal out[9], const MeReal a[9], const MeReal b[9])
{
    for (int i = 0; i < 9; ++i)
        out[i] = a[i] + b[i];
}

void MeMatrix3Multiply(MeReal out[9], const MeReal a[9], const MeReal b[9])
{
    MeReal r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    MeMatrix3Copy(out, r);
}

void MeMatrix3Scale(MeReal m[9], MeReal s)
{
    for (int i = 0; i < 9; ++i)
        m[i] *= s;
}

void MeMatrix3Copy(MeReal out[9], const MeReal in[9])
{
    for (int i = 0; i < 9; ++i)
        out[i] = in[i];
}

void McdMassRecordCopy(McdMassRecord* out, const McdMassRecord* in)
{
    *out = *in;
}

void McdParallelAxisMatrix(MeReal x, MeReal y, MeReal z, MeReal m[9])
{
    const MeReal r[3] = {x, y, z};
    const MeReal r2 = x * x + y * y + z * z;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i * 3 + j] = (i == j ? r2 : 0.0f) - r[i] * r[j];
}

void McdTetrahedronMass(McdMassRecord* out, const MeReal a[3], const MeReal b[3], const MeReal c[3])
{
    // Volume: the triple product over six.
    const MeReal bxc[3] = {b[1] * c[2] - b[2] * c[1], b[2] * c[0] - b[0] * c[2], b[0] * c[1] - b[1] * c[0]};
    out->volume = (a[0] * bxc[0] + a[1] * bxc[1] + a[2] * bxc[2]) * 0.16666667f;
    for (int i = 0; i < 3; ++i)
        out->centre[i] = (a[i] + b[i] + c[i]) * 0.25f;

    // Covariance per unit volume about the centroid: the tetrahedron is the image of the
    // canonical one (0, e1, e2, e3) under A = [a b c] (columns), whose covariance is K with
    // 0.0375 on the diagonal and -0.0125 elsewhere; so C = A K A^T.
    MeReal A[9], K[9], At[9], AK[9], C[9];
    for (int i = 0; i < 3; ++i) {
        A[i * 3 + 0] = a[i];
        A[i * 3 + 1] = b[i];
        A[i * 3 + 2] = c[i];
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            K[i * 3 + j] = i == j ? 0.0375f : -0.0125f;
            At[i * 3 + j] = A[j * 3 + i];
        }
    MeMatrix3Multiply(AK, A, K);
    MeMatrix3Multiply(C, AK, At);

    // Inertia about the centroid is trace(C) I - C; move it to the origin.
    const MeReal tr = MeMatrix3Trace(C);
    MeReal P[9];
    McdParallelAxisMatrix(out->centre[0], out->centre[1], out->centre[2], P);
    for (int i = 0; i < 9; ++i)
        out->inertia[i] = (i % 4 == 0 ? tr : 0.0f) - C[i] + P[i];
}

void McdMassCombine(const McdMassRecord* records, int count, McdMassRecord* out)
{
    McdMassRecord sum;
    for (int k = 0; k < count; ++k) {
        const McdMassRecord& r = records[k];
        sum.volume += r.volume;
        for (int i = 0; i < 3; ++i)
            sum.centre[i] += r.volume * r.centre[i];
        for (int i = 0; i < 9; ++i)
            sum.inertia[i] += r.volume * r.inertia[i];
    }
    if (sum.volume > 1e-05f)
        for (int i = 0; i < 3; ++i)
            sum.centre[i] /= sum.volume;
    MeReal P[9];
    McdParallelAxisMatrix(sum.centre[0], sum.centre[1], sum.centre[2], P);
    for (int i = 0; i < 9; ++i)
        sum.inertia[i] -= sum.volume * P[i];
    *out = sum;
}

MeReal McdTriangleArea(const MeReal a[3], const MeReal b[3], const MeReal c[3])
{
    const MeReal u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const MeReal v[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    const MeReal x = u[1] * v[2] - u[2] * v[1];
    const MeReal y = u[2] * v[0] - u[0] * v[2];
    const MeReal z = u[0] * v[1] - u[1] * v[0];
    return 0.5f * std::sqrt(x * x + y * y + z * z);
}

MeReal McdTriangleAreaOf(const McdTriangleVertices* t)
{
    return McdTriangleArea(t->v[0], t->v[1], t->v[2]);
}
