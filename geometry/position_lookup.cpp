#include "geometry/position_lookup.h"

#include <cmath>
#include <cstdint>

#include "camera/vector_math.h"
#include "geometry/face_mapping.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

// The face whose outward axis has the largest signed coordinate; ties go to
// the earlier face of the order z, y, -z, -y, -x, x.
std::uint8_t dominantFace(float x, float y, float z) {
    const float candidates[6] = {z, y, -z, -y, -x, x};
    std::uint8_t face = 0;
    float best = candidates[0];
    for (std::uint8_t f = 1; f < 6; ++f) {
        if (candidates[f] > best) {
            best = candidates[f];
            face = f;
        }
    }
    return face;
}

// The point of the face's start edge whose arc to its mirror image passes
// through the direction of (x, y, z), before normalisation.
Vec4 startEdgeVector(std::uint8_t face, float x, float y, float z) {
    switch (face) {
        case 0: return {x / z, 1.0f, 1.0f, 0.0f};
        case 1: return {x / y, 1.0f, -1.0f, 0.0f};
        case 2: return {(-1.0f / z) * x, -1.0f, -1.0f, 0.0f};
        case 3: return {(-1.0f / y) * x, -1.0f, 1.0f, 0.0f};
        case 4: return {-1.0f, 1.0f, (-1.0f / x) * z, 0.0f};
        default: return {1.0f, -1.0f, z / x, 0.0f};
    }
}

// Truncates fraction * n toward zero into a chunk coordinate. A fraction
// without a value (0 / 0 at the centre, or an arccosine of an argument that
// rounded past 1) gives 0; a coordinate of n on the far face boundary is
// clamped to the last chunk, so the key is always a valid chunk.
std::uint32_t chunkCoordinate(float scaled, std::int32_t n) {
    if (!(scaled >= 0.0f)) return 0;
    const auto coordinate = static_cast<std::int64_t>(scaled);
    return static_cast<std::uint32_t>(coordinate >= n ? n - 1 : coordinate);
}

}  // namespace

ChunkKey chunkKeyAt(float x, float y, float z) {
    const float r = std::sqrt((x * x + y * y) + z * z);
    const std::uint32_t shell = static_cast<std::uint32_t>(r) >> 5;
    const std::int32_t n = chunksPerSide(shell);

    const std::uint8_t face = dominantFace(x, y, z);
    const Vec4 p = normaliseByInverseLength(startEdgeVector(face, x, y, z));
    const Vec4 q = negateComponent(p, mirrorAxis(face));
    const float inverseRadius = 1.0f / r;
    const Vec4 d = {x * inverseRadius, y * inverseRadius, z * inverseRadius, 0.0f};

    const float u = std::acos(dot3(p, faceCorners[face].corner0)) * inverseCubeEdgeAngle;
    const float v = std::acos(dot3(p, d)) / std::acos(dot3(p, q));

    ChunkKey key;
    key.x = chunkCoordinate(u * static_cast<float>(n), n);
    key.shell = shell;
    key.y = chunkCoordinate(v * static_cast<float>(n), n);
    key.face = face;
    return key;
}

}  // namespace gravelkin
