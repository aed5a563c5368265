#pragma once
// Models placed by test-owned transforms, and a pair run through hello and intersect.

#include <cmath>
#include <vector>

#include "physics/collision/box_box.h"
#include "physics/collision/primitive_pairs.h"
#include "tests/physics/collision/collision_test_support.h"

namespace colltest {

/// Rotation about a unit axis by an angle, at a position.
inline void AxisAnglePose(MeMatrix4 m, float ax, float ay, float az, float angle, float px, float py, float pz)
{
    const float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    // Rows are the images of the local axes (row-vector convention).
    const float r[3][3] = {{t * ax * ax + c, t * ax * ay + s * az, t * ax * az - s * ay},
                           {t * ax * ay - s * az, t * ay * ay + c, t * ay * az + s * ax},
                           {t * ax * az + s * ay, t * ay * az - s * ax, t * az * az + c}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            m[i][j] = r[i][j];
        m[i][3] = 0;
    }
    m[3][0] = px, m[3][1] = py, m[3][2] = pz, m[3][3] = 1;
}

/// A model over a transform the fixture owns.
struct Placed {
    McdModelID model = nullptr;
    MeMatrix4 tm;
};

class PairTest : public FrameworkTest {
protected:
    void TearDown() override
    {
        for (Placed* p : placed_) {
            McdGeometryID g = McdModelGetGeometry(p->model);
            McdModelDestroy(p->model);
            McdGeometryDestroy(g);
            delete p;
        }
        FrameworkTest::TearDown();
    }

    Placed* Make(McdGeometryID g, float px = 0, float py = 0, float pz = 0)
    {
        Placed* p = new Placed;
        Identity(p->tm);
        p->tm[3][0] = px, p->tm[3][1] = py, p->tm[3][2] = pz;
        p->model = McdModelCreate(g);
        McdModelSetTransformPtr(p->model, p->tm);
        placed_.push_back(p);
        return p;
    }
    Placed* Box(float hx, float hy, float hz, float px = 0, float py = 0, float pz = 0)
    {
        return Make(McdBoxCreate(framework, 2 * hx, 2 * hy, 2 * hz), px, py, pz);
    }
    Placed* Sphere(float r, float px = 0, float py = 0, float pz = 0)
    {
        return Make(McdSphereCreate(framework, r), px, py, pz);
    }
    Placed* Plane(float px = 0, float py = 0, float pz = 0) { return Make(McdPlaneCreate(framework), px, py, pz); }

    /// Hello and intersect of (a, b) in the order the interaction table gives.
    int Collide(Placed* a, Placed* b, int budget = 4)
    {
        McdModelPairInit(&pair, a->model, b->model);
        request = McdIntersectRequest{budget, 0};
        pair.request = &request;
        McdHello(&pair);
        result = McdIntersectResult{};
        result.contacts = contacts;
        result.contactMaxCount = 50;
        McdIntersect(&pair, &result);
        return result.touch;
    }

    McdModelPair pair;
    McdIntersectRequest request;
    McdIntersectResult result;
    McdContact contacts[50];

private:
    std::vector<Placed*> placed_;
};

}  // namespace colltest
