#include "camera/vector_math.h"

#include <cmath>

namespace gravelkin {

Vec4 cross3(const Vec4& a, const Vec4& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0.0f};
}

Vec3 cross3(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float length3(const Vec4& v) { return std::sqrt(dot3(v, v)); }

Vec4 normalise3(const Vec4& v) {
    const float length = length3(v);
    if (length == 0.0f) return {0.0f, 0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length, v.w / length};
}

namespace {

struct PerspectiveScales {
    float x, y;
};

PerspectiveScales perspectiveScales(float fovY, float aspect) {
    const float yScale = std::cos(fovY * 0.5f) / std::sin(fovY * 0.5f);
    return {yScale / aspect, yScale};
}

Mat4 identity() {
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

// The library's single-precision sine and cosine reduce the angle exactly
// before evaluating, so any angle, however many turns, gives the value of its
// equivalent within one turn around zero.
Mat4 rotationX(float a) {
    const float c = std::cos(a), s = std::sin(a);
    return {{{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}}};
}

Mat4 rotationY(float a) {
    const float c = std::cos(a), s = std::sin(a);
    return {{{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}}};
}

Mat4 rotationZ(float a) {
    const float c = std::cos(a), s = std::sin(a);
    return {{{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

}  // namespace

Mat4 multiply(const Mat4& a, const Mat4& b) {
    Mat4 r{};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            r.m[row][col] = ((a.m[row][0] * b.m[0][col] + a.m[row][1] * b.m[1][col]) +
                             a.m[row][2] * b.m[2][col]) +
                            a.m[row][3] * b.m[3][col];
        }
    }
    return r;
}

Mat4 rotationPitchYawRoll(float pitch, float yaw, float roll) {
    return multiply(multiply(rotationZ(roll), rotationX(pitch)), rotationY(yaw));
}

Vec4 transformPoint(const Vec4& v, const Mat4& m) {
    // Indexing x, y, z, w through a pointer would step outside one member,
    // which the language does not allow; spell out the four columns instead.
    const auto column = [&](int col) {
        return ((v.x * m.m[0][col] + v.y * m.m[1][col]) + v.z * m.m[2][col]) + m.m[3][col];
    };
    return {column(0), column(1), column(2), column(3)};
}

Mat4 lookToLH(const Vec4& eye, const Vec4& direction, const Vec4& up) {
    const Vec4 zaxis = normalise3(direction);
    const Vec4 xaxis = normalise3(cross3(up, zaxis));
    const Vec4 yaxis = cross3(zaxis, xaxis);
    Mat4 r = identity();
    r.m[0][0] = xaxis.x; r.m[0][1] = yaxis.x; r.m[0][2] = zaxis.x;
    r.m[1][0] = xaxis.y; r.m[1][1] = yaxis.y; r.m[1][2] = zaxis.y;
    r.m[2][0] = xaxis.z; r.m[2][1] = yaxis.z; r.m[2][2] = zaxis.z;
    r.m[3][0] = -dot3(xaxis, eye);
    r.m[3][1] = -dot3(yaxis, eye);
    r.m[3][2] = -dot3(zaxis, eye);
    return r;
}

Mat4 lookAtLH(const Vec4& eye, const Vec4& focus, const Vec4& up) {
    return lookToLH(eye, focus - eye, up);
}

Vec3 eyeOfView(const Mat4& view) {
    // Row 3 holds minus the eye's coordinates along the camera's axes, which
    // are the columns of the upper 3 x 3.
    const auto along = [&view](int k) {
        return -(view.m[3][0] * view.m[k][0] + view.m[3][1] * view.m[k][1] + view.m[3][2] * view.m[k][2]);
    };
    return {along(0), along(1), along(2)};
}

Mat4 perspectiveFovLH(float fovY, float aspect, float nearZ, float farZ) {
    const auto [xScale, yScale] = perspectiveScales(fovY, aspect);
    const float depthScale = farZ / (farZ - nearZ);
    const float depthOffset = -nearZ * farZ / (farZ - nearZ);
    return {{{xScale, 0, 0, 0}, {0, yScale, 0, 0}, {0, 0, depthScale, 1}, {0, 0, depthOffset, 0}}};
}

Mat4 perspectiveFovReversedInfiniteLH(float fovY, float aspect, float nearZ) {
    const auto [xScale, yScale] = perspectiveScales(fovY, aspect);
    return {{{xScale, 0, 0, 0}, {0, yScale, 0, 0}, {0, 0, 0, 1}, {0, 0, nearZ, 0}}};
}

}  // namespace gravelkin
