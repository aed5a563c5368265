// Linear sweep of two boxes.
//
// Relative to box A, box B's centre moves along d(s) = d0 + s (vB - vA) for s in [0, h];
// orientations stay fixed. On each of the fifteen separating axes L (A's axes, B's axes and
// the nine unnormalised cross products) the projections overlap while |L.d(s)| <= r, r the
// sum of both boxes' projected radii. Since L.d(s) is linear in s, an axis that separates at
// both ends on the same side separates throughout: no meeting. Otherwise it gives the time
// it starts to overlap (0 when it overlaps at s = 0). The boxes are taken to meet at the
// latest entry time: exact when they do meet, conservative when an axis that separates only
// in mid-interval (boxes passing each other) is not seen.

#include "physics/collision/box_box.h"
#include "physics/dynamics/me_math.h"

#include <cmath>

namespace {

inline MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

}  // namespace

int McdBoxBoxSweepTest(const MeReal eA[3], MeConstMatrix4Ptr poseA, const MeReal vA[3], const MeReal eB[3],
                       MeConstMatrix4Ptr poseB, const MeReal vB[3], MeReal h, MeReal* time)
{
    MeReal d0[3], d1[3];
    for (int i = 0; i < 3; ++i) {
        d0[i] = poseB[3][i] - poseA[3][i];
        d1[i] = d0[i] + h * (vB[i] - vA[i]);
    }
    MeReal axes[15][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            axes[i][j] = poseA[i][j];
            axes[3 + i][j] = poseB[i][j];
        }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            MeReal* L = axes[6 + 3 * i + j];
            const MeReal* a = poseA[i];
            const MeReal* b = poseB[j];
            L[0] = a[1] * b[2] - a[2] * b[1];
            L[1] = a[2] * b[0] - a[0] * b[2];
            L[2] = a[0] * b[1] - a[1] * b[0];
        }
    MeReal out = 0;
    for (const MeReal* L : axes) {
        MeReal r = 0;
        for (int i = 0; i < 3; ++i)
            r += std::fabs(Dot(L, poseA[i])) * eA[i] + std::fabs(Dot(L, poseB[i])) * eB[i];
        const MeReal a = Dot(L, d0), b = Dot(L, d1);
        MeReal entry = 0;
        if (a > r) {
            if (b > r)
                return 0;
            entry = (r - a) * h / (b - a);
        } else if (a < -r) {
            if (b < -r)
                return 0;
            entry = (-r - a) * h / (b - a);
        } else {
            continue;
        }
        if (entry > out)
            out = entry;
    }
    *time = out;
    return 1;
}
