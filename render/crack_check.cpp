#include "render/crack_check.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "render/clear_color.h"

namespace gravelkin {

namespace {

struct DoubleMatrix {
    double m[4][4];
};

// Gauss-Jordan with partial pivoting; a singular matrix gives false.
bool invert(const Mat4& matrix, DoubleMatrix& inverse) {
    double a[4][8];
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            a[row][col] = matrix.m[row][col];
            a[row][col + 4] = row == col ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row)
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
        if (a[pivot][col] == 0.0) return false;
        std::swap(a[pivot], a[col]);
        const double scale = 1.0 / a[col][col];
        for (double& value : a[col]) value *= scale;
        for (int row = 0; row < 4; ++row) {
            if (row == col) continue;
            const double factor = a[row][col];
            for (int k = 0; k < 8; ++k) a[row][k] -= factor * a[col][k];
        }
    }
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) inverse.m[row][col] = a[row][col + 4];
    return true;
}

struct Homogeneous {
    double x, y, z, w;
};

// (x, y, z, 1) x inverse: the world point, scaled by 1 / its clip w, that
// lands on normalised device coordinates (x, y, z).
Homogeneous unproject(const DoubleMatrix& inverse, double x, double y, double z) {
    const auto column = [&](int c) { return x * inverse.m[0][c] + y * inverse.m[1][c] + z * inverse.m[2][c] + inverse.m[3][c]; };
    return {column(0), column(1), column(2), column(3)};
}

bool isSky(const std::uint8_t* pixel) { return std::equal(pixel, pixel + 4, clearColorBytes); }

}  // namespace

std::uint64_t countCrackPixels(const RgbaImage& image, const Mat4& viewProjection, const Vec3& eye,
                               float sphereRadius) {
    DoubleMatrix inverse;
    if (!invert(viewProjection, inverse)) return 0;
    const double ox = eye.x, oy = eye.y, oz = eye.z, radius = sphereRadius;
    const double eyeOutside = (ox * ox + oy * oy + oz * oz) - radius * radius;
    std::uint64_t count = 0;
    for (int row = 0; row < image.height; ++row) {
        const double y = 1.0 - 2.0 * (row + 0.5) / image.height;
        for (int col = 0; col < image.width; ++col) {
            const std::uint8_t* pixel =
                image.pixels.data() + (static_cast<std::size_t>(row) * image.width + col) * 4;
            if (!isSky(pixel)) continue;
            const double x = 2.0 * (col + 0.5) / image.width - 1.0;
            // The two ends of the depth range: one is the near plane, the
            // other the far plane or, reversed, infinity (w = 0). The nearer
            // has the larger w, 1 / view depth. Subtracting them with their
            // w cross-multiplied gives the ray's direction without dividing
            // by the far end's w.
            Homogeneous nearEnd = unproject(inverse, x, y, 0.0), farEnd = unproject(inverse, x, y, 1.0);
            if (nearEnd.w < farEnd.w) std::swap(nearEnd, farEnd);
            double dx = farEnd.x * nearEnd.w - nearEnd.x * farEnd.w;
            double dy = farEnd.y * nearEnd.w - nearEnd.y * farEnd.w;
            double dz = farEnd.z * nearEnd.w - nearEnd.z * farEnd.w;
            const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (!(length > 0.0)) continue;
            dx /= length;
            dy /= length;
            dz /= length;
            // Where the ray meets the sphere: t^2 + 2 b t + eyeOutside = 0.
            const double b = ox * dx + oy * dy + oz * dz;
            const double discriminant = b * b - eyeOutside;
            if (discriminant < 0.0) continue;
            if (-b + std::sqrt(discriminant) > 0.0) ++count;
        }
    }
    return count;
}

}  // namespace gravelkin
