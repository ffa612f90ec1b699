#include "terrain/earth/biome_cells.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace gravelkin {

namespace {

using Direction3 = std::array<double, 3>;

double dot(const Direction3& a, const Direction3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double length(const Direction3& a) { return std::sqrt(dot(a, a)); }

// The face's axis, and the axes of a cell's first and second coordinate.
struct FaceAxes {
    int major, first, second;
};
constexpr FaceAxes faceAxes[3] = {{0, 1, 2}, {1, 0, 2}, {2, 0, 1}};

// Face f = 2 * axis + (1 where the sign is negative).
Direction3 onFace(std::uint32_t face, double first, double second) {
    const FaceAxes& axes = faceAxes[face / 2];
    Direction3 d{};
    d[axes.major] = (face % 2 == 0) ? 1.0 : -1.0;
    d[axes.first] = first;
    d[axes.second] = second;
    return d;
}

// Lanes lie in their cell up to the rounding of the cell's coordinates, some
// 1e-7; this margin is ten thousand times that, and it is the least angle by
// which a point left out falls short (see the class comment).
constexpr double angleMargin = 1e-3;

// Points closer together than this are always both candidates: the shortfall
// of a point left out is at least sin(angleMargin) times its distance to the
// nearest point at the centre.
constexpr double closePoints = 1e-2;

}  // namespace

BiomeCells::BiomeCells(const std::vector<BiomePoint>& points) : points_(points) {
    if (points.empty() || points.size() > std::numeric_limits<std::uint16_t>::max()) return;
    constexpr double width = 2.0 / cellsPerSide;
    first_.reserve(cellCount + 1);
    for (std::uint32_t face = 0; face < 6; ++face) {
        for (std::uint32_t ci = 0; ci < cellsPerSide; ++ci) {
            for (std::uint32_t cj = 0; cj < cellsPerSide; ++cj) {
                first_.push_back(static_cast<std::uint32_t>(indices_.size()));
                const double lo[2] = {-1.0 + ci * width, -1.0 + cj * width};
                Direction3 centre = onFace(face, lo[0] + width / 2, lo[1] + width / 2);
                const double centreLength = length(centre);
                for (double& c : centre) c /= centreLength;
                // The cell is convex on its face's plane, and so is the set of
                // directions within any angle of the centre: the farthest
                // direction of the cell is a corner.
                double cone = 0.0;
                for (const double a : {lo[0], lo[0] + width}) {
                    for (const double b : {lo[1], lo[1] + width}) {
                        const Direction3 corner = onFace(face, a, b);
                        cone = std::max(cone, std::acos(std::clamp(dot(centre, corner) / length(corner), -1.0, 1.0)));
                    }
                }
                cone += angleMargin;

                std::size_t nearest = 0;
                double best = -std::numeric_limits<double>::infinity();
                for (std::size_t k = 0; k < points.size(); ++k) {
                    const Vec4& p = points[k].direction;
                    const double d = dot(centre, {p.x, p.y, p.z});
                    if (d > best) {
                        best = d;
                        nearest = k;
                    }
                }
                // Point p can beat the nearest q somewhere within the cone
                // only if some direction of the cone makes less than a right
                // angle with p - q: if the angle between p - q and the centre
                // exceeds a right angle by more than the cone.
                const Vec4& q = points[nearest].direction;
                for (std::size_t k = 0; k < points.size(); ++k) {
                    const Vec4& p = points[k].direction;
                    const Direction3 e{double(p.x) - q.x, double(p.y) - q.y, double(p.z) - q.z};
                    const double apart = length(e);
                    if (apart < closePoints || dot(centre, e) >= -std::sin(cone) * apart) {
                        indices_.push_back(static_cast<std::uint16_t>(k));
                    }
                }
            }
        }
    }
    first_.push_back(static_cast<std::uint32_t>(indices_.size()));
}

bool BiomeCells::builtFrom(const std::vector<BiomePoint>& points) const {
    return !first_.empty() && std::equal(points.begin(), points.end(), points_.begin(), points_.end(),
                                         [](const BiomePoint& a, const BiomePoint& b) {
                                             return a.biome == b.biome && a.direction.x == b.direction.x &&
                                                    a.direction.y == b.direction.y && a.direction.z == b.direction.z;
                                         });
}

std::uint32_t BiomeCells::cellOf(float x, float y, float z) {
    const float ax = std::fabs(x);
    const float ay = std::fabs(y);
    const float az = std::fabs(z);
    std::uint32_t axis = 2;
    float major = z, first = x, second = y;
    if (ax >= ay && ax >= az) {
        axis = 0;
        major = x;
        first = y;
        second = z;
    } else if (ay >= az) {
        axis = 1;
        major = y;
        first = x;
        second = z;
    }
    const float magnitude = std::fabs(major);
    const auto index = [&](float c) -> std::uint32_t {
        const float at = std::floor((c / magnitude + 1.0f) * (0.5f * cellsPerSide));
        if (at >= float(cellsPerSide - 1)) return cellsPerSide - 1;
        return at >= 0.0f ? static_cast<std::uint32_t>(at) : 0;  // NaN too: 0
    };
    const std::uint32_t face = 2 * axis + (major < 0.0f ? 1 : 0);
    return (face * cellsPerSide + index(first)) * cellsPerSide + index(second);
}

}  // namespace gravelkin
