// The quaternion operations on values whose results are exact in float, worked out by hand from
// the product and matrix formulas.
#include "MeshAnimConverter/anim/QuatMath.h"

#include <gtest/gtest.h>

namespace {

void ExpectQuat(const gtQuat& q, float x, float y, float z, float w) {
    EXPECT_EQ(q.x, x);
    EXPECT_EQ(q.y, y);
    EXPECT_EQ(q.z, z);
    EXPECT_EQ(q.w, w);
}

TEST(QuatMath, ProductFollowsHamiltonRules) {
    const gtQuat i{1, 0, 0, 0}, j{0, 1, 0, 0}, k{0, 0, 1, 0};
    ExpectQuat(QuatMultiply(i, j), 0, 0, 1, 0);   // ij = k
    ExpectQuat(QuatMultiply(j, i), 0, 0, -1, 0);  // ji = -k
    ExpectQuat(QuatMultiply(j, k), 1, 0, 0, 0);   // jk = i
    ExpectQuat(QuatMultiply(i, i), 0, 0, 0, -1);  // i² = -1
    const gtQuat q{0.5f, -0.5f, 0.5f, 0.5f};
    ExpectQuat(QuatMultiply(gtQuat{}, q), 0.5f, -0.5f, 0.5f, 0.5f);
    ExpectQuat(QuatMultiply(q, QuatConjugate(q)), 0, 0, 0, 1);
}

TEST(QuatMath, ConjugateNegatesVectorPart) {
    ExpectQuat(QuatConjugate({1, -2, 3, 4}), -1, 2, -3, 4);
}

TEST(QuatMath, RotateAppliesTheMatrixAsAColumn) {
    // 120 degrees about (1, 1, 1): x -> y -> z -> x, exact in float.
    const gtQuat q{0.5f, 0.5f, 0.5f, 0.5f};
    const gtVector3 a = QuatRotate(q, {1, 0, 0});
    EXPECT_EQ(a, (gtVector3{0, 1, 0}));
    const gtVector3 b = QuatRotate(q, {0, 2, 0});
    EXPECT_EQ(b, (gtVector3{0, 0, 2}));
    const gtVector3 c = QuatRotate(q, {0, 0, -3});
    EXPECT_EQ(c, (gtVector3{-3, 0, 0}));
    // The conjugate turns back.
    EXPECT_EQ(QuatRotate(QuatConjugate(q), a), (gtVector3{1, 0, 0}));
}

TEST(QuatMath, MatrixRowsMatchTheFormula) {
    // q = (1, 2, 3, 4), not normalised: row 0 = (1 - 2(4 + 9), 2(2 - 12), 2(3 + 8)).
    const gtMatrix3 m = QuatToMatrix({1, 2, 3, 4});
    EXPECT_EQ(m.m[0][0], -25.0f);
    EXPECT_EQ(m.m[0][1], -20.0f);
    EXPECT_EQ(m.m[0][2], 22.0f);
    EXPECT_EQ(m.m[1][0], 28.0f);   // 2(2 + 12)
    EXPECT_EQ(m.m[1][1], -19.0f);  // 1 - 2(1 + 9)
    EXPECT_EQ(m.m[1][2], 4.0f);    // 2(6 - 4)
    EXPECT_EQ(m.m[2][0], -10.0f);  // 2(3 - 8)
    EXPECT_EQ(m.m[2][1], 20.0f);   // 2(6 + 4)
    EXPECT_EQ(m.m[2][2], -9.0f);   // 1 - 2(1 + 4)
}

}  // namespace
