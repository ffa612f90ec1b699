#include "render/gl/face_groups.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace gravelkin {

namespace {

using Vector = std::array<double, 3>;

Vector position(const ChunkVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }

Vector minus(const Vector& a, const Vector& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vector plus(const Vector& a, const Vector& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }

Vector cross(const Vector& a, const Vector& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vector& a, const Vector& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The unit vector along v, or false where v is too short to have one.
bool unit(const Vector& v, Vector& out) {
    const double length = std::sqrt(dot(v, v));
    if (!(length > 1e-9)) return false;
    out = {v[0] / length, v[1] / length, v[2] / length};
    return true;
}

// The unit normals of a packed face's two triangles, (c0, c1, c2) and
// (c0, c2, c3).
bool triangleNormals(const ChunkVertex* face, Vector normals[2]) {
    const Vector c0 = position(face[0]);
    const Vector c1 = position(face[1]);
    const Vector c2 = position(face[2]);
    const Vector c3 = position(face[3]);
    return unit(cross(minus(c1, c0), minus(c2, c0)), normals[0]) &&
           unit(cross(minus(c2, c0), minus(c3, c0)), normals[1]);
}

// Faces share a facing when their normal is within about 45 degrees of the
// first face's: a chunk's sides are about 90 degrees apart.
constexpr double joinCosine = 0.7;

// Which facing each face has (maxFacings for none), in order of first use.
std::vector<std::uint8_t> facings(const std::vector<ChunkVertex>& corners) {
    const std::size_t quads = corners.size() / 4;
    std::vector<std::uint8_t> facing(quads, maxFacings);
    std::vector<Vector> seeds;
    for (std::size_t q = 0; q < quads; ++q) {
        Vector normals[2];
        Vector mean;
        if (!triangleNormals(corners.data() + 4 * q, normals) || !unit(plus(normals[0], normals[1]), mean)) continue;
        const auto near =
            std::find_if(seeds.begin(), seeds.end(), [&](const Vector& seed) { return dot(seed, mean) >= joinCosine; });
        if (near != seeds.end()) {
            facing[q] = static_cast<std::uint8_t>(near - seeds.begin());
        } else if (seeds.size() < maxFacings) {
            facing[q] = static_cast<std::uint8_t>(seeds.size());
            seeds.push_back(mean);
        }
    }
    return facing;
}

// The cell of the corners' box that each face's first corner lies in.
std::vector<std::uint16_t> cellsOf(const std::vector<ChunkVertex>& corners) {
    Box3 whole;
    for (const ChunkVertex& v : corners) includePoint(whole, Vec3{v.position[0], v.position[1], v.position[2]});
    const float lo[3] = {whole.min.x, whole.min.y, whole.min.z};
    const float size[3] = {whole.max.x - whole.min.x, whole.max.y - whole.min.y, whole.max.z - whole.min.z};
    std::vector<std::uint16_t> cell(corners.size() / 4);
    for (std::size_t q = 0; q < cell.size(); ++q) {
        const float* p = corners[4 * q].position;
        std::size_t index = 0;
        for (int k = 2; k >= 0; --k) {
            const float at = size[k] > 0.0f ? (p[k] - lo[k]) / size[k] * cellsPerSide : 0.0f;
            const std::size_t step = std::min(cellsPerSide - 1, static_cast<std::size_t>(std::max(at, 0.0f)));
            index = index * cellsPerSide + step;
        }
        cell[q] = static_cast<std::uint16_t>(index);
    }
    return cell;
}

// The cone, sphere and box of one group's faces. The stored floats are
// rounded so that they still hold every normal and corner.
void bound(const ChunkVertex* first, FaceGroup& group) {
    Vector sum{0.0, 0.0, 0.0};
    for (std::uint32_t q = 0; q < group.quads; ++q) {
        for (int c = 0; c < 4; ++c) {
            const float* p = first[4 * q + c].position;
            includePoint(group.box, Vec3{p[0], p[1], p[2]});
        }
        Vector normals[2];
        if (group.cullable && triangleNormals(first + 4 * q, normals)) sum = plus(sum, plus(normals[0], normals[1]));
    }
    Vector axis;
    if (!group.cullable || !unit(sum, axis)) {
        group.cullable = false;
        return;
    }
    const Box3& box = group.box;
    const float centre[3] = {(box.min.x + box.max.x) / 2, (box.min.y + box.max.y) / 2, (box.min.z + box.max.z) / 2};
    const Vector storedAxis{static_cast<float>(axis[0]), static_cast<float>(axis[1]), static_cast<float>(axis[2])};
    const double axisLength = std::sqrt(dot(storedAxis, storedAxis));
    double closest = 1.0;
    double farthest = 0.0;
    for (std::uint32_t q = 0; q < group.quads; ++q) {
        Vector normals[2];
        triangleNormals(first + 4 * q, normals);
        for (const Vector& n : normals) closest = std::min(closest, dot(n, storedAxis) / axisLength);
        for (int c = 0; c < 4; ++c) {
            const Vector offset = minus(position(first[4 * q + c]), Vector{centre[0], centre[1], centre[2]});
            farthest = std::max(farthest, dot(offset, offset));
        }
    }
    for (int k = 0; k < 3; ++k) {
        group.axis[k] = static_cast<float>(storedAxis[k]);
        group.centre[k] = centre[k];
    }
    // Widened for the rounding of the sums above and of the stores.
    group.spread = static_cast<float>(std::acos(std::clamp(closest, -1.0, 1.0)) + 1e-5);
    group.radius = static_cast<float>(std::sqrt(farthest) * (1.0 + 1e-6) + 1e-4);
}

}  // namespace

std::vector<FaceGroup> groupFaces(std::vector<ChunkVertex>& corners) {
    const std::size_t quads = corners.size() / 4;
    const std::vector<std::uint8_t> facing = facings(corners);
    const std::vector<std::uint16_t> cell = cellsOf(corners);
    std::array<std::uint32_t, maxFaceGroups> counts{};
    std::vector<std::uint16_t> groupOf(quads);
    for (std::size_t q = 0; q < quads; ++q) {
        groupOf[q] = static_cast<std::uint16_t>(facing[q] * cells + cell[q]);
        ++counts[groupOf[q]];
    }

    std::vector<FaceGroup> groups;
    std::array<std::uint32_t, maxFaceGroups> next{};
    std::uint32_t start = 0;
    for (std::size_t g = 0; g < maxFaceGroups; ++g) {
        next[g] = start;
        if (counts[g] == 0) continue;
        FaceGroup group;
        group.firstQuad = start;
        group.quads = counts[g];
        group.cullable = g / cells != maxFacings;
        groups.push_back(group);
        start += counts[g];
    }
    std::vector<ChunkVertex> sorted(corners.size());
    for (std::size_t q = 0; q < quads; ++q) {
        std::copy_n(corners.begin() + static_cast<std::ptrdiff_t>(4 * q), 4,
                    sorted.begin() + static_cast<std::ptrdiff_t>(4 * static_cast<std::size_t>(next[groupOf[q]]++)));
    }
    corners.swap(sorted);
    for (FaceGroup& group : groups) bound(corners.data() + 4 * static_cast<std::size_t>(group.firstQuad), group);
    return groups;
}

bool facesAwayFrom(const FaceGroup& group, const Vec3& eye) {
    if (!group.cullable) return false;
    const Vector toEye{static_cast<double>(eye.x) - group.centre[0], static_cast<double>(eye.y) - group.centre[1],
                       static_cast<double>(eye.z) - group.centre[2]};
    const double distance = std::sqrt(dot(toEye, toEye));
    if (!(distance > group.radius)) return false;
    const Vector axis{group.axis[0], group.axis[1], group.axis[2]};
    const double angle = std::acos(std::clamp(dot(toEye, axis) / (distance * std::sqrt(dot(axis, axis))), -1.0, 1.0));
    // The normal nearest the eye's direction is at least angle - spread from
    // it; past a right angle, every point p of every triangle, within radius
    // of the centre, has (eye - p) . n <= distance cos(angle - spread) + radius.
    if (!(angle - group.spread > std::numbers::pi / 2)) return false;
    const double mostFacing = distance * std::cos(angle - group.spread) + group.radius;
    // The margin dwarfs the float rounding of the vertex stage (about 1e-7
    // of a coordinate) and of the eye taken from the view matrix.
    return mostFacing < -(1e-4 * distance + 1e-3);
}

}  // namespace gravelkin
