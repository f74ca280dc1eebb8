// OrientationForms: quaternion, matrix and axis-angle orientations to quaternions.
#include "MeshAnimConverter/scene/OrientationForms.h"

#include <cmath>

gtQuat QuatFromComponents(float x, float y, float z, float w) {
    return Normalise(gtQuat{x, y, z, w});
}

gtQuat QuatFromMatrixColumns(const float m[9]) {
    // Orthonormalise keeping the direction of the third column.
    const gtVector3 c1{m[3], m[4], m[5]};
    const gtVector3 c2 = Normalise(gtVector3{m[6], m[7], m[8]});
    const gtVector3 c0 = Normalise(Cross(c1, c2));
    const gtVector3 c1n = Cross(c2, c0);
    // M[row][column]: column c is the c-th axis.
    const float M[3][3] = {{c0.x, c1n.x, c2.x}, {c0.y, c1n.y, c2.y}, {c0.z, c1n.z, c2.z}};

    gtQuat q;
    const float t = M[0][0] + M[1][1] + M[2][2];
    if (t > 0.00001f) {
        const float s = 0.5f * (1.0f / std::sqrt(t + 1.0f));
        q.w = (t + 1.0f) * s;
        q.x = (M[2][1] - M[1][2]) * s;
        q.y = (M[0][2] - M[2][0]) * s;
        q.z = (M[1][0] - M[0][1]) * s;
        return q;
    }
    int i = M[1][1] > M[0][0] ? 1 : 0;
    if (M[2][2] > M[i][i]) {
        i = 2;
    }
    const int j = (i + 1) % 3;
    const int k = (j + 1) % 3;
    const float r = M[i][i] - (M[k][k] + M[j][j]) + 1.0f;
    const float s = 0.5f * (1.0f / std::sqrt(r));
    float v[3];
    v[i] = r * s;
    q.w = (M[k][j] - M[j][k]) * s;
    v[j] = (M[i][j] + M[j][i]) * s;
    v[k] = (M[i][k] + M[k][i]) * s;
    q.x = v[0];
    q.y = v[1];
    q.z = v[2];
    return q;
}

gtQuat QuatFromAxisAngle(const gtVector3& axis, float degrees, const gtQuat& previous) {
    const float length = std::sqrt(LengthSquared(axis));
    if (!(length > 1.1920929e-7f) || degrees == 0.0f) {
        return previous;
    }
    const gtVector3 n = Normalise(axis);
    const float h = degrees * 0.017453292f * 0.5f;
    const float s = static_cast<float>(std::sin(static_cast<double>(h)));
    gtQuat q;
    q.w = static_cast<float>(std::cos(static_cast<double>(h)));
    q.x = s * n.x;
    q.y = s * n.y;
    q.z = s * n.z;
    return q;
}
