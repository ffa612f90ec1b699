#include "factory/mesher/voxel_corners.h"

namespace gravelkin {

namespace {

Vec3 scaled(const Vec4& direction, float radius) {
    return {direction.x * radius, direction.y * radius, direction.z * radius};
}

}  // namespace

VoxelCorners voxelCorners(ColumnDirectionCache& cache, std::uint32_t i, std::uint32_t j, float innerRadius,
                          float outerRadius) {
    VoxelCorners corners;
    for (std::uint32_t di = 0; di < 2; ++di) {
        for (std::uint32_t dj = 0; dj < 2; ++dj) {
            // Copied out at once: the cache hands out references into its memo.
            const Vec4 direction = columnDirection(cache, i + di, j + dj);
            corners.inner[di][dj] = scaled(direction, innerRadius);
            corners.outer[di][dj] = scaled(direction, outerRadius);
        }
    }
    return corners;
}

FaceRecord sideFace(const VoxelCorners& corners, Direction side, const Vec3& colour) {
    const auto& in = corners.inner;
    const auto& out = corners.outer;
    switch (side) {
        case Direction::PlusY:
            return {out[0][1], out[1][1], in[1][1], in[0][1], colour, side};
        case Direction::Outward:
            return {out[0][0], out[1][0], out[1][1], out[0][1], colour, side};
        case Direction::MinusY:
            return {in[0][0], in[1][0], out[1][0], out[0][0], colour, side};
        case Direction::Inward:
            return {in[0][1], in[1][1], in[1][0], in[0][0], colour, side};
        case Direction::MinusX:
            return {out[0][0], out[0][1], in[0][1], in[0][0], colour, side};
        case Direction::PlusX:
            break;
    }
    return {in[1][0], in[1][1], out[1][1], out[1][0], colour, side};
}

}  // namespace gravelkin
