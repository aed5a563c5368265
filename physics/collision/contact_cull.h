#pragma once
/// Contact generation from clipped polygons and contact culling.
///
/// Pair functions that find many candidate points (box-box, box-plane, the convex-mesh,
/// cylinder and triangle-list pairs) hand the dynamics only a few well-spread contacts:
///
/// - `McdContactCull` reduces candidates that share one normal to at most N contacts that
///   keep the deepest candidate and span the largest polygon in the contact plane.
/// - `McdContactsFromPolygon` turns candidate points below a reference plane into contacts and
///   culls them into an intersect result. The cap N is min(result's room, the pair's request
///   word 0 (4 by default)); request word 1 is the face-first flag of the culling. A result
///   without a pair or request uses {4, 0}.
///
/// Usage of the generator by a pair function that computed a separating-axis answer in the
/// frame of model 1 (separation s, local normal n from model 2 towards model 1, support
/// distance o, dims code) and gathered points p in that frame:
///
///     McdContactsFromPolygon(result, points, count, T1, n, o, s, dims);
///     return result->contactCount > 0;
///
/// Each point gets the separation n.p - o and is kept only when that is strictly below
/// 0.01 x s (real penetration: shapes resting exactly on each other make no contacts).

#include "physics/collision/framework.h"
#include "physics/collision/model_pair.h"

/// Most candidates `McdContactsFromPolygon` takes, and most hull nodes of one culling.
inline constexpr int kMcdContactCandidateMax = 400;

/// Same contact: squared distance of the positions below 1e-4 and normals' dot above 0.9999.
bool McdContactsAreSimilar(const McdContact* a, const McdContact* b);

/// Culls `count` candidates (reordered in place: the deepest moves to index 0) into `out`,
/// writing at most `maxCount` contacts; returns the number written. The deepest candidate is
/// always kept; similar candidates are never both kept. With `faceFirst` set, contacts with a
/// face feature (a dims byte equal to 2) are written first.
int McdContactCull(const MeReal normal[3], McdContact* candidates, int count, McdContact* out, int maxCount,
                   int faceFirst);

/// Contacts from points given in the frame `transform`: a point's separation is
/// normal . p - planeOffset, and it becomes a candidate when that is strictly below
/// 0.01 x `tolerance`. Candidates get position transform . p, the world normal
/// (rotation of `transform` . normal, also written to the result's normal) and `dims`; they
/// are culled into the result. At most 400 points are read. Returns the result's count.
int McdContactsFromPolygon(McdIntersectResult* result, const MeReal (*points)[3], int pointCount,
                           MeConstMatrix4Ptr transform, const MeReal normal[3], MeReal planeOffset,
                           MeReal tolerance, MeI16 dims);

/// The request that caps a result's contacts: its pair's, or {4, 0}.
const McdIntersectRequest* McdResultRequest(const McdIntersectResult* result);

/// min(result's room, request word 0), never below 0.
int McdResultContactCap(const McdIntersectResult* result);
