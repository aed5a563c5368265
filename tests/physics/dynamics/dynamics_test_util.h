#pragma once
// Helpers shared by the dynamics tests: quiet message channels, poses, and a ground plane
// that refreshes a body's contact group the way the collision bridge would.

#include "physics/dynamics/dynamics.h"

#include <cmath>
#include <vector>

namespace dyntest {

struct Quiet {
    static inline int warnings = 0;
    static void Count(int, const char*, va_list) { ++warnings; }
    MeMessageHandler info = MeSetInfoHandler(MeNullMessageHandler);
    MeMessageHandler warning = MeSetWarningHandler(Count);
    Quiet() { warnings = 0; }
    ~Quiet()
    {
        MeSetInfoHandler(info);
        MeSetWarningHandler(warning);
    }
};

inline MeReal Uniform(MeReal lo, MeReal hi)
{
    return lo + (hi - lo) * static_cast<MeReal>(MeRandom()) / MeRANDOM_MAX;
}

inline void RandomUnitQuaternion(MeReal q[4])
{
    for (int i = 0; i < 4; ++i)
        q[i] = Uniform(-1, 1);
    MeQuaternionNormalize(q);
}

inline void SetPose(MdtBody* b, const MeReal q[4], MeReal x, MeReal y, MeReal z)
{
    MeMatrix4 m;
    MeMatrix4TMMakeIdentity(m);
    MeQuaternionToTM(m, q);
    m[3][0] = x, m[3][1] = y, m[3][2] = z;
    MdtBodySetTransform(b, m);
}

inline void SetPosition(MdtBody* b, MeReal x, MeReal y, MeReal z)
{
    const MeReal q[4] = {1, 0, 0, 0};
    SetPose(b, q, x, y, z);
}

// Contacts of a box (half extents) or sphere against the plane y = 0, refreshed each step.
struct Ground {
    MdtConstraint* group = nullptr;
    MdtContactParams params;

    Ground(MdtWorld* w, MdtBody* body)
    {
        MdtContactParamsReset(&params);
        group = MdtContactGroupCreate(w);
        MdtConstraintSetBodies(group, body, nullptr);
        MdtConstraintEnable(group);
    }

    void Clear()
    {
        while (MdtConstraint* c = MdtContactGroupGetFirst(group))
            MdtContactGroupDestroyContact(group, c);
    }

    void Add(const MeReal p[3], MeReal penetration)
    {
        MdtConstraint* c = MdtContactGroupCreateContact(group);
        if (!c)
            return;
        MdtContactSetPosition(c, p[0], p[1], p[2]);
        MdtContactSetNormal(c, 0, 1, 0);
        MdtContactSetPenetration(c, penetration);
        MdtContactSetParams(c, &params);
    }

    void Sphere(MdtBody* b, MeReal radius)
    {
        Clear();
        const MeReal* c = b->comTM[3];
        if (c[1] < radius) {
            const MeReal p[3] = {c[0], 0, c[2]};
            Add(p, radius - c[1]);
        }
    }

    void Box(MdtBody* b, MeReal hx, MeReal hy, MeReal hz)
    {
        Clear();
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2)
                for (int sz = -1; sz <= 1; sz += 2) {
                    const MeReal local[3] = {sx * hx, sy * hy, sz * hz};
                    MeReal p[3];
                    MeMatrix4TMTransform(p, b->comTM, local);
                    if (p[1] < 0) {
                        const MeReal q[3] = {p[0], 0, p[2]};
                        Add(q, -p[1]);
                    }
                }
    }
};

}  // namespace dyntest
