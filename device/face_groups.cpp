#include "device/face_groups.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "device/face_bounds.h"

namespace gravelkin {

namespace {

using Vector = std::array<double, 3>;

double dot(const Vector& a, const Vector& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Which cell of `whole`, cellsPerSide along each axis, a point lies in.
class Cells {
public:
    explicit Cells(const Box3& whole) : lo_{whole.min.x, whole.min.y, whole.min.z} {
        const float size[3] = {whole.max.x - whole.min.x, whole.max.y - whole.min.y, whole.max.z - whole.min.z};
        for (int k = 0; k < 3; ++k) scale_[k] = size[k] > 0.0f ? cellsPerSide / size[k] : 0.0f;
    }
    std::size_t of(const float* p) const {
        std::size_t index = 0;
        for (int k = 2; k >= 0; --k) {
            const float at = (p[k] - lo_[k]) * scale_[k];
            const std::size_t step = std::min(cellsPerSide - 1, static_cast<std::size_t>(std::max(at, 0.0f)));
            index = index * cellsPerSide + step;
        }
        return index;
    }

private:
    float lo_[3];
    float scale_[3];
};

}  // namespace

std::vector<FaceGroup> packFaceGroups(const ChunkFaces& faces, ChunkVertex* corners) {
    const std::uint32_t count = faces.count;
    // Kept by each thread from mesh to mesh, so that its pages are not
    // faulted in again for every mesh.
    thread_local std::vector<std::uint16_t> groupOf;
    groupOf.resize(count);

    const Box3 whole = cornerBox(faces.corners, std::size_t{cornersPerFace} * count);
    // Each face's group: its side's row of cells, the sides ranked by their
    // first face, and the cell its first corner lies in.
    const Cells cellsOfWhole(whole);
    std::array<std::uint8_t, directionCount> rankOf;
    rankOf.fill(directionCount);
    std::uint8_t ranked = 0;
    std::array<std::uint32_t, maxFaceGroups> counts{};
    for (std::uint32_t q = 0; q < count; ++q) {
        std::uint8_t& rank = rankOf[faces.sides[q]];
        if (rank == directionCount) rank = ranked++;
        const std::size_t group = rank * cells + cellsOfWhole.of(faces.corners[cornersPerFace * q].position);
        groupOf[q] = static_cast<std::uint16_t>(group);
        ++counts[group];
    }

    const std::size_t used = ranked * cells;
    std::vector<FaceGroup> groups;
    // Exactly: the groups stay as long as the buffer.
    groups.reserve(static_cast<std::size_t>(
        std::count_if(counts.begin(), counts.begin() + used, [](std::uint32_t n) { return n != 0; })));
    std::array<std::uint32_t, maxFaceGroups> next{};
    std::uint32_t start = 0;
    for (std::size_t g = 0; g < used; ++g) {
        next[g] = start;
        if (counts[g] == 0) continue;
        FaceGroup group;
        group.firstQuad = start;
        group.quads = counts[g];
        groups.push_back(group);
        start += counts[g];
    }
    for (std::uint32_t q = 0; q < count; ++q) {
        const std::uint32_t at = next[groupOf[q]]++;
        std::memcpy(corners + std::size_t{cornersPerFace} * at, faces.corners + std::size_t{cornersPerFace} * q,
                    cornersPerFace * sizeof(ChunkVertex));
    }
    for (FaceGroup& group : groups) boundFaceGroup(corners + std::size_t{cornersPerFace} * group.firstQuad, group);
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

std::size_t runsToDraw(const std::vector<FaceGroup>& groups, const Vec3& eye, const Frustum& frustum, QuadRun* runs,
                       FaceCounts& counts) {
    std::size_t count = 0;
    bool extending = false;
    for (const FaceGroup& group : groups) {
        if (facesAwayFrom(group, eye)) {
            counts.facingAway += group.quads;
            extending = false;
        } else if (boxOutsideFrustum(frustum, group.box)) {
            counts.outsideFrustum += group.quads;
            extending = false;
        } else {
            counts.drawn += group.quads;
            if (!extending) runs[count++] = {group.firstQuad, 0};
            runs[count - 1].quads += group.quads;
            extending = true;
        }
    }
    return count;
}

}  // namespace gravelkin
