// One visible side of one solid voxel, as the reference mesher gathers it
// before its corner records are written.
//
// The face count of a chunk is only known once the whole volume has been
// visited, so the reference mesher collects sides as FaceRecords first and
// expands them into four corner records each afterwards (mesh_expansion.h),
// which lets the corner array be sized once. The fast mesher writes the same
// corners straight into memory its thread keeps (face_writer.h).
#pragma once

#include <cstdint>

#include "camera/vector_math.h"
#include "geometry/neighbours.h"

namespace gravelkin {

// Colour bytes become channels in [0, 1] through this factor (1/255 as f32).
inline constexpr float colourByteScale = 0.003921569f;

struct FaceRecord {
    // Corners in planet space, in corner-table order: the triangles are
    // (c0, c1, c2) and (c0, c2, c3), and (c1 - c0) x (c3 - c0) points out of
    // the voxel.
    Vec3 c0, c1, c2, c3;
    Vec3 colour;  // the solid voxel's colour bytes times colourByteScale
    Direction side;
};

// Channel k of the voxel colour bytes, scaled into [0, 1].
inline Vec3 faceColour(const std::uint8_t (&bytes)[3]) {
    return {static_cast<float>(bytes[0]) * colourByteScale, static_cast<float>(bytes[1]) * colourByteScale,
            static_cast<float>(bytes[2]) * colourByteScale};
}

}  // namespace gravelkin
