#pragma once
/// Mass properties of polyhedra by tetrahedra, and the small 3x3 matrix and triangle helpers.
///
/// A closed surface is the signed sum of the tetrahedra spanned by the origin and each of its
/// triangles; each tetrahedron's record is exact, and `McdMassCombine` adds them with the
/// parallel-axis rule, so the origin may lie anywhere, inside or outside the body.

#include "physics/collision/framework.h"

/// Volume, centre and 3x3 inertia (row-major). A tetrahedron's inertia is per unit volume
/// about the geometry's origin; a combined record's is for density 1 about its centre.
struct McdMassRecord {
    MeReal volume = 0;
    MeReal centre[3] = {0, 0, 0};
    MeReal inertia[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
};

/// The record of the tetrahedron (origin, a, b, c); its volume is signed (a . (b x c) / 6).
void McdTetrahedronMass(McdMassRecord* out, const MeReal a[3], const MeReal b[3], const MeReal c[3]);

/// Sums `count` records into one about the combined centre (density 1). A combined volume of
/// 1e-05 or less leaves the centre as the undivided volume-weighted sum.
void McdMassCombine(const McdMassRecord* records, int count, McdMassRecord* out);

void McdMassRecordCopy(McdMassRecord* out, const McdMassRecord* in);

MeReal MeMatrix3Trace(const MeReal m[9]);
void MeMatrix3Sub(MeReal out[9], const MeReal a[9], const MeReal b[9]);
void MeMatrix3Add(MeReal out[9], const MeReal a[9], const MeReal b[9]);
/// out = a x b (out may alias either).
void MeMatrix3Multiply(MeReal out[9], const MeReal a[9], const MeReal b[9]);
void MeMatrix3Scale(MeReal m[9], MeReal s);
void MeMatrix3Copy(MeReal out[9], const MeReal in[9]);

/// m = (x^2 + y^2 + z^2) I - r r^T for r = (x, y, z).
void McdParallelAxisMatrix(MeReal x, MeReal y, MeReal z, MeReal m[9]);

/// 0.5 |(b - a) x (c - b)|.
MeReal McdTriangleArea(const MeReal a[3], const MeReal b[3], const MeReal c[3]);

/// A triangle as three vertex pointers.
struct McdTriangleVertices {
    const MeReal* v[3];
};
MeReal McdTriangleAreaOf(const McdTriangleVertices* triangle);
