#include "camera/frustum.h"

#include <algorithm>
#include <cmath>

namespace gravelkin {

namespace {

// Relative to the summed magnitudes of the terms of the two clip components.
constexpr double vertexStageRounding = 4e-6;

// The plane column(a) + sign x column(b), or column(a) alone for b < 0.
FrustumPlane plane(const Mat4& m, int a, int b, double sign, float margin) {
    FrustumPlane p{};
    for (int row = 0; row < 4; ++row) {
        const double second = b < 0 ? 0.0 : static_cast<double>(m.m[row][b]);
        p.coefficients[row] = static_cast<double>(m.m[row][a]) + sign * second;
        p.magnitudes[row] = std::fabs(static_cast<double>(m.m[row][a])) + std::fabs(second);
    }
    const double normalLength = std::sqrt(p.coefficients[0] * p.coefficients[0] +
                                          p.coefficients[1] * p.coefficients[1] +
                                          p.coefficients[2] * p.coefficients[2]);
    p.slack = static_cast<double>(margin) * normalLength;
    // A plane with no usable normal lets everything through.
    if (!(normalLength > 0.0) || !std::isfinite(normalLength) || !std::isfinite(p.coefficients[3]))
        p.coefficients[3] = HUGE_VAL;
    return p;
}

}  // namespace

Frustum frustumFromViewProjection(const Mat4& viewProjection, float margin) {
    const Mat4& m = viewProjection;
    return {{plane(m, 3, 0, 1.0, margin), plane(m, 3, 0, -1.0, margin), plane(m, 3, 1, 1.0, margin),
             plane(m, 3, 1, -1.0, margin), plane(m, 2, -1, 0.0, margin), plane(m, 3, 2, -1.0, margin)}};
}

bool boxOutsideFrustum(const Frustum& frustum, const Box3& box) {
    const double low[3] = {box.min.x, box.min.y, box.min.z}, high[3] = {box.max.x, box.max.y, box.max.z};
    for (const FrustumPlane& p : frustum.planes) {
        // The corner furthest inside: if even it is beyond the plane, so is
        // every point of the box. The rounding bound takes the largest
        // magnitude each coordinate has anywhere in the box.
        double value = p.coefficients[3], rounding = p.magnitudes[3];
        for (int axis = 0; axis < 3; ++axis) {
            value += p.coefficients[axis] * (p.coefficients[axis] >= 0.0 ? high[axis] : low[axis]);
            rounding += p.magnitudes[axis] * std::max(std::fabs(low[axis]), std::fabs(high[axis]));
        }
        if (value < -(vertexStageRounding * rounding + p.slack)) return true;
    }
    return false;
}

}  // namespace gravelkin
