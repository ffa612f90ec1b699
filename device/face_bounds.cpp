// The bounds of face_bounds.h, four corners or four faces at a time.
//
// Lanes are GCC vector extensions: each operation is the IEEE single
// precision operation lane by lane, as scalar code would do it, on whatever
// vector unit the target has.
//
// How a triangle's normal is bounded. The normal t = a x b of the edges a and
// b from the triangle's first corner, each edge the difference of two stored
// corners, comes out of the rounding within about 9 x 2^-24 |a| |b| of the
// exact normal of those corners. Where |t| >= minimumSine |a| |b| (the edges
// at least some 3.6 degrees apart), the computed direction is therefore within
// 1e-5 radians of the exact one; a thinner triangle (such as the collapsed
// faces at the planet's centre) leaves its group without a cone. The angle
// from the axis, from |t x axis|^2 / (t . axis)^2 (its tangent squared, well
// conditioned at small angles, where an arc cosine of the dot product is not),
// is good to about 1e-6 radians. spreadAllowance covers both.
#include "device/face_bounds.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "device/chunk_faces.h"

namespace gravelkin {

namespace {

constexpr float minimumSine = 1.0f / 16.0f;
constexpr float minimumSineSquared = minimumSine * minimumSine;
// Below this the squares run into the subnormals.
constexpr float smallestNormalSquared = 1e-24f;
constexpr double spreadAllowance = 2e-5;

using Lanes = float __attribute__((vector_size(16)));
using Mask = std::int32_t __attribute__((vector_size(16)));  // all ones where true

Lanes splat(float v) { return Lanes{v, v, v, v}; }
Lanes lesser(Lanes a, Lanes b) { return a < b ? a : b; }
Lanes greater(Lanes a, Lanes b) { return b < a ? a : b; }

// x, y, z and the red channel of a corner record.
Lanes row(const ChunkVertex& corner) {
    static_assert(offsetof(ChunkVertex, position) == 0 && offsetof(ChunkVertex, color) == 12);
    Lanes r;
    std::memcpy(&r, &corner, sizeof r);
    return r;
}

// Points of four faces, one per lane.
struct Points {
    Lanes x, y, z;
};

Points operator-(const Points& a, const Points& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Lanes dot(const Points& a, const Points& b) { return (a.x * b.x + a.y * b.y) + a.z * b.z; }
Points cross(const Points& a, const Points& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Corner k of each of four faces.
Points cornerOf(const ChunkVertex* const (&faces)[4], int k) {
    const Lanes r0 = row(faces[0][k]), r1 = row(faces[1][k]), r2 = row(faces[2][k]), r3 = row(faces[3][k]);
    const Lanes xy01 = __builtin_shufflevector(r0, r1, 0, 4, 1, 5);  // x0 x1 y0 y1
    const Lanes xy23 = __builtin_shufflevector(r2, r3, 0, 4, 1, 5);
    const Lanes zw01 = __builtin_shufflevector(r0, r1, 2, 6, 3, 7);  // z0 z1 w0 w1
    const Lanes zw23 = __builtin_shufflevector(r2, r3, 2, 6, 3, 7);
    return {__builtin_shufflevector(xy01, xy23, 0, 1, 4, 5), __builtin_shufflevector(xy01, xy23, 2, 3, 6, 7),
            __builtin_shufflevector(zw01, zw23, 0, 1, 4, 5)};
}

float greatestOf(Lanes v) { return std::max({v[0], v[1], v[2], v[3]}); }

// The widest angle between triangle normals and an axis, as its tangent
// squared, and whether every normal could be measured.
class WidestNormal {
public:
    explicit WidestNormal(const Vec3& axis) : axis_{splat(axis.x), splat(axis.y), splat(axis.z)} {}

    // The triangles with edges a and b from their first corners, given
    // edgeSquares = |a|^2 |b|^2.
    void include(const Points& a, const Points& b, Lanes edgeSquares) {
        const Points t = cross(a, b);
        const Lanes along = dot(t, axis_);
        const Points across = cross(t, axis_);
        const Lanes acrossSquared = dot(across, across);
        const Lanes alongSquared = along * along;
        // |t|^2, the axis being a unit vector.
        const Lanes normalSquared = acrossSquared + alongSquared;
        held_ &= (along > splat(0.0f)) & (normalSquared >= splat(minimumSineSquared) * edgeSquares) &
                 (normalSquared >= splat(smallestNormalSquared));
        // Where along is 0 this is not a number and the normal is not held.
        widest_ = greater(widest_, acrossSquared / alongSquared);
    }

    bool held() const { return (held_[0] & held_[1] & held_[2] & held_[3]) != 0; }

    // Radians, widened for the rounding.
    float spread() const {
        return static_cast<float>(std::atan(std::sqrt(double{greatestOf(widest_)})) + spreadAllowance);
    }

private:
    Points axis_;
    Mask held_{-1, -1, -1, -1};
    Lanes widest_ = splat(0.0f);
};

// The unit vector along the sum of the faces' vertex normals, or false where
// the sum is too short to have one.
bool meanNormal(const ChunkVertex* first, std::uint32_t faces, Vec3& axis) {
    double sum[3] = {0.0, 0.0, 0.0};
    for (std::uint32_t q = 0; q < faces; ++q) {
        const float* n = first[cornersPerFace * q].normal;
        for (int k = 0; k < 3; ++k) sum[k] += n[k];
    }
    const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    if (!(length > 1e-6)) return false;
    axis = {static_cast<float>(sum[0] / length), static_cast<float>(sum[1] / length),
            static_cast<float>(sum[2] / length)};
    return true;
}

}  // namespace

Box3 cornerBox(const ChunkVertex* corners, std::size_t count) {
    // One box per corner of four, so that the four do not wait on each other.
    Lanes lo[4], hi[4];
    for (int k = 0; k < 4; ++k) {
        lo[k] = splat(1e30f);
        hi[k] = splat(-1e30f);
    }
    std::size_t c = 0;
    for (; c + 4 <= count; c += 4) {
        for (int k = 0; k < 4; ++k) {
            const Lanes p = row(corners[c + k]);
            lo[k] = lesser(lo[k], p);
            hi[k] = greater(hi[k], p);
        }
    }
    for (; c < count; ++c) {
        const Lanes p = row(corners[c]);
        lo[0] = lesser(lo[0], p);
        hi[0] = greater(hi[0], p);
    }
    const Lanes least = lesser(lesser(lo[0], lo[1]), lesser(lo[2], lo[3]));
    const Lanes greatest = greater(greater(hi[0], hi[1]), greater(hi[2], hi[3]));
    Box3 box;
    box.min = {least[0], least[1], least[2]};
    box.max = {greatest[0], greatest[1], greatest[2]};
    return box;
}

void boundFaceGroup(const ChunkVertex* first, FaceGroup& group) {
    group.box = cornerBox(first, std::size_t{cornersPerFace} * group.quads);
    const Box3& box = group.box;
    group.centre[0] = (box.min.x + box.max.x) / 2;
    group.centre[1] = (box.min.y + box.max.y) / 2;
    group.centre[2] = (box.min.z + box.max.z) / 2;
    const Points centre{splat(group.centre[0]), splat(group.centre[1]), splat(group.centre[2])};
    Vec3 axis{0.0f, 0.0f, 0.0f};
    const bool hasAxis = meanNormal(first, group.quads, axis);
    WidestNormal widest(axis);
    Lanes farthest = splat(0.0f);  // squared
    const std::uint32_t last = group.quads - 1;
    for (std::uint32_t q = 0; q < group.quads; q += 4) {
        // Past the end the last face again, which changes no bound.
        const ChunkVertex* const faces[4] = {first + cornersPerFace * q,
                                             first + cornersPerFace * std::min(q + 1, last),
                                             first + cornersPerFace * std::min(q + 2, last),
                                             first + cornersPerFace * std::min(q + 3, last)};
        const Points c0 = cornerOf(faces, 0), c1 = cornerOf(faces, 1), c2 = cornerOf(faces, 2),
                     c3 = cornerOf(faces, 3);
        for (const Points& c : {c0, c1, c2, c3}) {
            const Points offset = c - centre;
            farthest = greater(farthest, dot(offset, offset));
        }
        const Points toC1 = c1 - c0, toC2 = c2 - c0, toC3 = c3 - c0;
        const Lanes squares1 = dot(toC1, toC1), squares2 = dot(toC2, toC2), squares3 = dot(toC3, toC3);
        widest.include(toC1, toC2, squares1 * squares2);
        widest.include(toC2, toC3, squares2 * squares3);
    }
    // Widened for the rounding of the distances and of the store.
    group.radius = static_cast<float>(std::sqrt(double{greatestOf(farthest)}) * (1.0 + 1e-6) + 1e-4);
    group.cullable = hasAxis && widest.held();
    if (!group.cullable) return;
    group.axis[0] = axis.x;
    group.axis[1] = axis.y;
    group.axis[2] = axis.z;
    group.spread = widest.spread();
}

}  // namespace gravelkin
