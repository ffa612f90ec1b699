#include "device/face_groups.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "device/quad_packing.h"

namespace gravelkin {

namespace {

using Vector = std::array<double, 3>;

Vector position(const ChunkVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }

void include(Box3& box, const float* p) { includePoint(box, Vec3{p[0], p[1], p[2]}); }

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

// A face's two triangles' normals, (c1 - c0) x (c2 - c0) and
// (c2 - c0) x (c3 - c0), at twice their areas' lengths. In double, the
// products of the float coordinates' differences are exact.
struct FaceNormals {
    Vector triangle[2];
    bool known;  // neither triangle is too small to have a direction
};

FaceNormals faceNormals(const float* c0, const float* c1, const float* c2, const float* c3) {
    const Vector p0{c0[0], c0[1], c0[2]};
    const Vector toC2 = minus(Vector{c2[0], c2[1], c2[2]}, p0);
    FaceNormals n;
    n.triangle[0] = cross(minus(Vector{c1[0], c1[1], c1[2]}, p0), toC2);
    n.triangle[1] = cross(toC2, minus(Vector{c3[0], c3[1], c3[2]}, p0));
    n.known = dot(n.triangle[0], n.triangle[0]) > 1e-18 && dot(n.triangle[1], n.triangle[1]) > 1e-18;
    return n;
}

// The four corners of face q of a quad list.
struct QuadList {
    const ChunkVertex* vertices;
    const float* corner(std::size_t q, int c) const { return vertices[6 * q + vertexOfQuadCorner[c]].position; }
    FaceNormals normals(std::size_t q) const {
        return faceNormals(corner(q, 0), corner(q, 1), corner(q, 2), corner(q, 3));
    }
};

// Faces share a facing when their normal is within about 45 degrees of the
// first face's: a chunk's sides are about 90 degrees apart.
constexpr double joinCosine = 0.7;

// Whether a and b are within the join angle: a . b >= joinCosine |a| |b|.
[[gnu::always_inline]] inline bool joins(const Vector& a, const Vector& b) {
    const double d = dot(a, b);
    return d > 0.0 && d * d >= joinCosine * joinCosine * dot(a, a) * dot(b, b);
}

// Sorts faces into facings (maxFacings for none) in order of first use.
class Facings {
public:
    std::uint8_t of(const FaceNormals& normals) {
        if (!normals.known) return maxFacings;
        const Vector sum = plus(normals.triangle[0], normals.triangle[1]);
        // Neighbouring faces mostly share a facing: the last one found is
        // tried first.
        if (last_ < count_ && joins(seeds_[last_], sum)) return static_cast<std::uint8_t>(last_);
        for (std::size_t f = 0; f < count_; ++f) {
            if (joins(seeds_[f], sum)) return static_cast<std::uint8_t>(last_ = f);
        }
        if (count_ == maxFacings) return maxFacings;
        seeds_[count_] = sum;
        last_ = count_;
        return static_cast<std::uint8_t>(count_++);
    }

private:
    Vector seeds_[maxFacings];
    std::size_t count_ = 0;
    std::size_t last_ = maxFacings;
};

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

// The cone, sphere and box of one group's packed faces, given their normals
// in the same order. The stored floats are rounded so that they still hold
// every normal and corner.
void bound(const ChunkVertex* first, const FaceNormals* normals, FaceGroup& group) {
    Vector sum{0.0, 0.0, 0.0};
    for (std::uint32_t q = 0; q < group.quads; ++q) {
        for (int c = 0; c < 4; ++c) include(group.box, first[4 * q + c].position);
        sum = plus(sum, plus(normals[q].triangle[0], normals[q].triangle[1]));
    }
    Vector axis;
    if (!group.cullable || !unit(sum, axis)) {
        group.cullable = false;
        return;
    }
    const Box3& box = group.box;
    const float centre[3] = {(box.min.x + box.max.x) / 2, (box.min.y + box.max.y) / 2, (box.min.z + box.max.z) / 2};
    const Vector storedAxis{static_cast<float>(axis[0]), static_cast<float>(axis[1]), static_cast<float>(axis[2])};
    // The widest angle from the axis, as its tangent squared, |n x a|^2 /
    // (n . a)^2: well conditioned at small angles, where an arc cosine of
    // the dot product is not, and free of square roots.
    // The widest is kept as a fraction, compared by cross-multiplying (all
    // terms are positive): a division per normal would cost more than the
    // rest of the loop.
    double widestAcross = 0.0;
    double widestAlong = 1.0;
    double farthest = 0.0;
    for (std::uint32_t q = 0; q < group.quads; ++q) {
        for (const Vector& n : normals[q].triangle) {
            const double along = dot(n, storedAxis);
            const Vector across = cross(n, storedAxis);
            if (!(along > 0.0)) {
                group.cullable = false;  // a normal a right angle or more from the axis
                return;
            }
            const double acrossSquared = dot(across, across);
            const double alongSquared = along * along;
            if (acrossSquared * widestAlong > widestAcross * alongSquared) {
                widestAcross = acrossSquared;
                widestAlong = alongSquared;
            }
        }
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
    group.spread = static_cast<float>(std::atan(std::sqrt(widestAcross / widestAlong)) + 1e-5);
    group.radius = static_cast<float>(std::sqrt(farthest) * (1.0 + 1e-6) + 1e-4);
}

// Per-face working arrays, kept by each thread from mesh to mesh so that
// their pages are not faulted in again for every mesh.
struct Scratch {
    std::vector<FaceNormals> normals;        // in list order
    std::vector<FaceNormals> sortedNormals;  // in buffer order
    std::vector<std::uint16_t> groupOf;
};

}  // namespace

std::vector<FaceGroup> packFaceGroups(const ChunkVertex* quadList, std::uint32_t count, ChunkVertex* corners) {
    const std::size_t quads = count / 6;
    const QuadList list{quadList};
    thread_local Scratch scratch;
    scratch.normals.resize(quads);
    scratch.sortedNormals.resize(quads);
    scratch.groupOf.resize(quads);

    Box3 whole;
    Facings facings;
    for (std::size_t q = 0; q < quads; ++q) {
        for (int c = 0; c < 4; ++c) include(whole, list.corner(q, c));
        scratch.normals[q] = list.normals(q);
        scratch.groupOf[q] = static_cast<std::uint16_t>(facings.of(scratch.normals[q]) * cells);
    }
    // Each face's group: its facing's row of cells, and the cell its first
    // corner lies in.
    const Cells cellsOfWhole(whole);
    std::array<std::uint32_t, maxFaceGroups> counts{};
    for (std::size_t q = 0; q < quads; ++q) {
        scratch.groupOf[q] = static_cast<std::uint16_t>(scratch.groupOf[q] + cellsOfWhole.of(list.corner(q, 0)));
        ++counts[scratch.groupOf[q]];
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
    for (std::size_t q = 0; q < quads; ++q) {
        const std::uint32_t at = next[scratch.groupOf[q]]++;
        ChunkVertex* to = corners + 4 * static_cast<std::size_t>(at);
        for (int c = 0; c < 4; ++c) to[c] = quadList[6 * q + vertexOfQuadCorner[c]];
        scratch.sortedNormals[at] = scratch.normals[q];
    }
    for (FaceGroup& group : groups) {
        bound(corners + 4 * static_cast<std::size_t>(group.firstQuad),
              scratch.sortedNormals.data() + group.firstQuad, group);
    }
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
