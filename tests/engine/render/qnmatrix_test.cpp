// Matrices and boxes: Direct3D conventions (row vectors, left-handed) and the half-open box rules.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/util/qnbox.h"
#include "engine/util/qnmatrix.h"
#include "physics/dynamics/me_random.h"

namespace {

constexpr float kPi = 3.14159265f;

void ExpectNear(const QNMATRIX& a, const QNMATRIX& b, float tol = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
}

QNMATRIX RandomMatrix() {
    QNMATRIX m;
    for (int i = 0; i < 16; ++i) m[i] = float(MeRandom()) / 16384.0f - 1.0f;
    m[0] += 3.0f;  // keep it well conditioned
    m[5] += 3.0f;
    m[10] += 3.0f;
    m[15] += 3.0f;
    return m;
}

}  // namespace

TEST(QnMatrix, RowVectorProductsApplyLeftFirst) {
    QNMATRIX t, r;
    t.SetTranslation(1, 2, 3);
    r.SetRotationZ(kPi / 2);
    // Translate then rotate: (0,0,0) -> (1,2,3) -> (-2,1,3).
    QNVEC3 p = QNVEC3::TransformCoord({0, 0, 0}, t * r);
    EXPECT_NEAR(p.x, -2.0f, 1e-5f);
    EXPECT_NEAR(p.y, 1.0f, 1e-5f);
    EXPECT_NEAR(p.z, 3.0f, 1e-5f);
    QNMATRIX a = t;
    a *= r;
    EXPECT_EQ(a, t * r);
    EXPECT_EQ(t[12], 1.0f);
    EXPECT_EQ(t.TranslationOnly(), t);
}

// A direction turns with the matrix and ignores its translation: on a rotated, moved matrix it
// is the moved point less the moved origin (a transposed index shows on any rotation).
TEST(QnMatrix, TransformNormalTurnsWithoutMoving) {
    QNMATRIX r, t;
    r.SetRotationZ(kPi / 6);
    t.SetTranslation(4, -5, 6);
    const QNMATRIX m = r * t;
    const QNVEC3 v(1.0f, 2.0f, -3.0f);
    const QNVEC3 expected = QNVEC3::TransformCoord(v, m) - QNVEC3::TransformCoord({0, 0, 0}, m);
    const QNVEC3 n = QNVEC3::TransformNormal(v, m);
    EXPECT_NEAR(n.x, expected.x, 1e-5f);
    EXPECT_NEAR(n.y, expected.y, 1e-5f);
    EXPECT_NEAR(n.z, expected.z, 1e-5f);
    // +30 degrees about z (left-handed) takes x towards y.
    EXPECT_NEAR(QNVEC3::TransformNormal({1, 0, 0}, m).y, 0.5f, 1e-6f);
}

TEST(QnMatrix, LeftHandedRotations) {
    QNMATRIX rx, ry;
    rx.SetRotationX(kPi / 2);
    ry.SetRotationY(kPi / 2);
    // Left-handed: +90 about x takes y to z; +90 about y takes z to x.
    QNVEC3 a = QNVEC3::TransformCoord({0, 1, 0}, rx);
    EXPECT_NEAR(a.z, 1.0f, 1e-6f);
    QNVEC3 b = QNVEC3::TransformCoord({0, 0, 1}, ry);
    EXPECT_NEAR(b.x, 1.0f, 1e-6f);
}

TEST(QnMatrix, InverseUndoesTheProductAndSingularGivesIdentity) {
    MeRandomSeed(7);
    for (int k = 0; k < 20; ++k) {
        QNMATRIX m = RandomMatrix();
        ExpectNear(m * m.Inverse(), QNMATRIX::Identity, 1e-4f);
    }
    QNMATRIX s;
    s.SetScaling(1, 0, 1);
    EXPECT_EQ(s.Inverse(), QNMATRIX::Identity);
}

TEST(QnMatrix, LookAtIsTheInverseOfTheViewMatrix) {
    QNMATRIX m;
    m.SetLookAt({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    ExpectNear(m, QNMATRIX::Identity);
    QNVEC3 eye{3, 4, -5}, target{-1, 2, 7}, up{0, 1, 0};
    m.SetLookAt(eye, target, up);
    ExpectNear(m, QNMATRIX::LookAtLH(eye, target, up).Inverse(), 1e-5f);
    QNVEC3 z = m.Row(2), dir = (target - eye).Normalize();
    EXPECT_NEAR(QNVEC3::Dot(z, dir), 1.0f, 1e-6f);
}

TEST(QnMatrix, ProjectionsMapDepthToZeroOne) {
    QNMATRIX p = QNMATRIX::PerspectiveFovLH(kPi / 3, 4.0f / 3.0f, 0.2f, 1000.0f);
    EXPECT_NEAR(QNVEC3::TransformCoord({0, 0, 0.2f}, p).z, 0.0f, 1e-5f);
    EXPECT_NEAR(QNVEC3::TransformCoord({0, 0, 1000.0f}, p).z, 1.0f, 1e-5f);
    QNMATRIX o = QNMATRIX::OrthoLH(200, 100, 1, 11);
    QNVEC3 c = QNVEC3::TransformCoord({100, -50, 6}, o);
    EXPECT_NEAR(c.x, 1.0f, 1e-6f);
    EXPECT_NEAR(c.y, -1.0f, 1e-6f);
    EXPECT_NEAR(c.z, 0.5f, 1e-6f);
}

TEST(QnMatrix, RoundAndVectorHelpers) {
    QNMATRIX m;
    m[1] = 1.23456f;
    m[2] = -1.23456f;
    m[3] = 0.00004f;
    m.Round();
    EXPECT_FLOAT_EQ(m[1], 1.2346f);
    EXPECT_FLOAT_EQ(m[2], -1.2346f);
    EXPECT_EQ(m[3], 0.0f);
    EXPECT_EQ(QNVEC3().Normalize(), QNVEC3());
    EXPECT_FLOAT_EQ(QNVEC3(3, 4, 0).Length(), 5.0f);
    QNVEC3 h = QNVEC3::Hermite({0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, 0.5f);
    EXPECT_NEAR(h.x, 0.5f, 1e-6f);
}

TEST(QnBox, HalfOpenAxesAndPointAxes) {
    QNBOX b({0, 0, 0}, {1, 1, 1});
    EXPECT_TRUE(b.IsValid());
    EXPECT_TRUE(b.Contains({0, 0, 0}));
    EXPECT_FALSE(b.Contains({1, 0.5f, 0.5f}));
    QNBOX p({2, 2, 2}, {2, 2, 2});
    EXPECT_FALSE(p.IsValid());
    EXPECT_TRUE(p.Contains({2, 2, 2}));
    EXPECT_FALSE(QNBOX({0, 0, 0}, {1, -1, 1}).IsValid());
    EXPECT_FALSE(QNBOX({0, 0, 0}, {NAN, 1, 1}).IsValid());
    // A flat box (one proper axis) is valid.
    EXPECT_TRUE(QNBOX({0, 0, 0}, {1, 0, 0}).IsValid());
}

TEST(QnBox, IntersectionRules) {
    QNBOX a({0, 0, 0}, {1, 1, 1});
    EXPECT_FALSE(a.Intersects(QNBOX({1, 0, 0}, {2, 1, 1})));
    EXPECT_FALSE(a.Intersects(QNBOX({1, 0, 0}, {1, 1, 1})));  // the point 1 on x
    EXPECT_TRUE(a.Intersects(QNBOX({0, 0, 0}, {0, 1, 1})));   // the point 0 on x
    EXPECT_TRUE(a.Intersects(QNBOX({0.5f, 0.5f, 0.5f}, {3, 3, 3})));
    EXPECT_TRUE(QNBOX({2, 2, 2}, {2, 2, 2}).Intersects(QNBOX({2, 2, 2}, {2, 2, 2})));
    EXPECT_FALSE(QNBOX({2, 2, 2}, {2, 2, 2}).Intersects(QNBOX({2, 2, 3}, {2, 2, 3})));
}

TEST(QnBox, ExtendCornersAndTransform) {
    QNBOX b;
    bool first = true;
    b.Extend({1, 2, 3}, first);
    EXPECT_FALSE(first);
    EXPECT_EQ(b.min, QNVEC3(1, 2, 3));
    b.Extend({-1, 5, 0}, first);
    EXPECT_EQ(b.min, QNVEC3(-1, 2, 0));
    EXPECT_EQ(b.max, QNVEC3(1, 5, 3));
    QNBOX c({0, 0, 0}, {1, 1, 1});
    EXPECT_EQ(c.Corner(0), QNVEC3(0, 1, 0));
    EXPECT_EQ(c.Corner(2), QNVEC3(1, 0, 0));
    EXPECT_EQ(c.Corner(5), QNVEC3(1, 1, 1));
    EXPECT_EQ(c.Corner(7), QNVEC3(0, 0, 1));
    QNMATRIX r;
    r.SetRotationY(kPi / 2);
    QNBOX t = QNBOX({0, 0, 0}, {1, 1, 2}).Transform(r);
    EXPECT_NEAR(t.min.x, 0.0f, 1e-5f);
    EXPECT_NEAR(t.max.x, 2.0f, 1e-5f);
    EXPECT_NEAR(t.min.z, -1.0f, 1e-5f);
    EXPECT_NEAR(t.max.z, 0.0f, 1e-5f);
    EXPECT_NEAR(t.max.y, 1.0f, 1e-5f);
}
