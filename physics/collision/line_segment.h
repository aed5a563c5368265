#pragma once
/// Line-segment tests of the box, sphere and plane (type-table line-segment slot). Each takes
/// the model and the segment's two points in world coordinates and returns 1 with the hit's
/// position, unit normal and distance from the first point written, or 0 (record untouched).
/// The first hit along the segment counts; a segment starting inside a box or below a plane
/// hits at its first point (distance 0); one starting inside a sphere hits where it leaves.

#include "physics/collision/space.h"

int McdBoxLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3], McdLineSegIntersectResult* hit);
int McdSphereLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3], McdLineSegIntersectResult* hit);
int McdPlaneLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3], McdLineSegIntersectResult* hit);

/// Install the tests for types 2, 1 and 3.
void McdBoxRegisterLineSeg(McdFrameworkID framework);
void McdSphereRegisterLineSeg(McdFrameworkID framework);
void McdPlaneRegisterLineSeg(McdFrameworkID framework);
