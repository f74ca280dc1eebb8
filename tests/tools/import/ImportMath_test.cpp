// The importer's algebra and naming: parent-relative frames undo with the converter's rule,
// orientation forms against hand-worked rotations, unique bone names.
#include "tools/import/ImportMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "MeshAnimConverter/anim/QuatMath.h"
#include "tools/import/SkeletonBuilder.h"

namespace {

Quat RandomRotation(std::mt19937& rng) {
    std::normal_distribution<float> n(0.0f, 1.0f);
    Quat q{n(rng), n(rng), n(rng), n(rng)};
    const float l = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    return Quat{q.x / l, q.y / l, q.z / l, q.w / l};
}

// Differential: the tools' float product and rotation give the converter's bits, so frames the
// import writes parent-relative come back as the same model-space frames; the .kin form of a
// rotation turns back exactly.
TEST(ToolMath, FloatProductAndRotationAreTheConvertersBits) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-10.0f, 10.0f);
    for (int i = 0; i < 2000; ++i) {
        const Quat a = RandomRotation(rng), b = RandomRotation(rng);
        const Vec3 v{u(rng), u(rng), u(rng)};
        const Quat mine = Multiply(a, b);
        const gtQuat theirs = QuatMultiply(gtQuat{a.x, a.y, a.z, a.w}, gtQuat{b.x, b.y, b.z, b.w});
        EXPECT_TRUE(mine.x == theirs.x && mine.y == theirs.y && mine.z == theirs.z &&
                    mine.w == theirs.w);
        const Vec3 r = Rotate(a, v);
        const gtVector3 s = QuatRotate(gtQuat{a.x, a.y, a.z, a.w}, gtVector3{v.x, v.y, v.z});
        EXPECT_TRUE(r.x == s.x && r.y == s.y && r.z == s.z);
        const std::array<float, 4> k = KinRotation(a);
        const Quat back = FromKinRotation(k[0], k[1], k[2], k[3]);
        EXPECT_TRUE(back.x == a.x && back.y == a.y && back.z == a.z && back.w == a.w);
        EXPECT_EQ(k[3], a.w);
        EXPECT_EQ(k[0], -a.x);
    }
}

// Property: the converter rebuilds a global frame as P.q * local.q and P.p + rotate(P.q, local.p).
TEST(ImportMath, RelativeFramesRecomposeToTheChild) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-10.0f, 10.0f);
    for (int i = 0; i < 500; ++i) {
        const Transform parent{Vec3{u(rng), u(rng), u(rng)}, RandomRotation(rng)};
        const Transform child{Vec3{u(rng), u(rng), u(rng)}, RandomRotation(rng)};
        const Transform local = Relative(parent, child);
        const Quat q = Multiply(parent.rotation, local.rotation);
        const Vec3 r = Rotate(parent.rotation, local.position);
        EXPECT_NEAR(q.x, child.rotation.x, 1e-5);
        EXPECT_NEAR(q.y, child.rotation.y, 1e-5);
        EXPECT_NEAR(q.z, child.rotation.z, 1e-5);
        EXPECT_NEAR(q.w, child.rotation.w, 1e-5);
        EXPECT_NEAR(parent.position.x + r.x, child.position.x, 1e-4);
        EXPECT_NEAR(parent.position.y + r.y, child.position.y, 1e-4);
        EXPECT_NEAR(parent.position.z + r.z, child.position.z, 1e-4);
    }
}

TEST(ImportMath, OrientationFormsOfHandWorkedRotations) {
    struct Case {
        Quat q;
        float columns[9];
        float axis[3];
        float degrees;
    };
    const float h = 0.70710678f;
    const Case cases[] = {
        {Quat{0, 0, 0, 1}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 0, 0}, 0},
        {Quat{0, 0, h, h}, {0, 1, 0, -1, 0, 0, 0, 0, 1}, {0, 0, 1}, 90},
        {Quat{1, 0, 0, 0}, {1, 0, 0, 0, -1, 0, 0, 0, -1}, {1, 0, 0}, 180},
        {Quat{0, -h, 0, -h}, {0, 0, -1, 0, 1, 0, 1, 0, 0}, {0, 1, 0}, 90},  // w < 0: same turn
    };
    for (const Case& c : cases) {
        float columns[9];
        QuatToColumns(c.q, columns);
        for (int k = 0; k < 9; ++k) {
            EXPECT_NEAR(columns[k], c.columns[k], 1e-6) << k;
        }
        float axis[3];
        float degrees = -1;
        QuatToAxisAngle(c.q, axis, degrees);
        EXPECT_NEAR(degrees, c.degrees, 1e-4);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(axis[k], c.axis[k], 1e-6);
        }
    }
}

TEST(ImportMath, DecomposeDropsScaleAndKeepsWPositive) {
    aiMatrix4x4 m;
    aiMatrix4x4::Scaling(aiVector3D(2, 3, 4), m);
    aiMatrix4x4 r;
    aiMatrix4x4::RotationZ(3.14159265f / 2, r);
    aiMatrix4x4 t;
    aiMatrix4x4::Translation(aiVector3D(5, 6, 7), t);
    Vec3 scale;
    const Transform x = DecomposeTransform(t * r * m, &scale);
    EXPECT_NEAR(scale.x, 2, 1e-5);
    EXPECT_NEAR(scale.z, 4, 1e-5);
    EXPECT_NEAR(x.position.y, 6, 1e-5);
    EXPECT_NEAR(x.rotation.z, 0.70710678f, 1e-5);
    EXPECT_GE(x.rotation.w, 0.0f);
}

TEST(ImportMath, UniqueNamesIgnoreCaseAndKeepThePrefix) {
    std::vector<std::string> taken;
    const char* inputs[] = {"Arm", "arm", "b.leg", "ARM", "b.Arm_2x", "b.ARM"};
    const char* outputs[] = {"b.Arm", "b.arm_2", "b.leg", "b.ARM_3", "b.Arm_2x", "b.ARM_4"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(UniqueName("b.", inputs[i], taken), outputs[i]) << i;
    }
    const std::string longName(300, 'x');
    const std::string first = UniqueName("b.", longName, taken);
    EXPECT_EQ(first.size(), 240u);
    EXPECT_EQ(UniqueName("b.", longName, taken), first + "_2");
}

}  // namespace
