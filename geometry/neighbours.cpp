#include "geometry/neighbours.h"

#include "geometry/level_table.h"

namespace gravelkin {

FaceCell stepOnFace(std::uint32_t x, std::uint32_t y, std::uint8_t face, std::uint8_t direction, std::uint32_t n) {
    const std::uint32_t last = n - 1;
    switch (direction) {
        case PlusY:
            if (y + 1 < n) return {x, y + 1, face};
            switch (face) {
                case 0: return {x, 0, 3};
                case 1: return {x, 0, 0};
                case 2: return {x, 0, 1};
                case 3: return {x, 0, 2};
                case 4: return {last, x, 3};
                default: return {0, last - x, 1};
            }
        case MinusY:
            if (y > 0) return {x, y - 1, face};
            switch (face) {
                case 0: return {x, last, 1};
                case 1: return {x, last, 2};
                case 2: return {x, last, 3};
                case 3: return {x, last, 0};
                case 4: return {last, last - x, 1};
                default: return {0, x, 3};
            }
        case MinusX:
            if (x > 0) return {x - 1, y, face};
            switch (face) {
                case 0: return {0, last - y, 5};
                case 1: return {last - y, last, 5};
                case 2: return {last, y, 5};
                case 3: return {y, 0, 5};
                case 4: return {last, y, 0};
                default: return {0, last - y, 0};
            }
        default:  // PlusX
            if (x + 1 < n) return {x + 1, y, face};
            switch (face) {
                case 0: return {0, y, 4};
                case 1: return {last - y, 0, 4};
                case 2: return {last, last - y, 4};
                case 3: return {y, last, 4};
                case 4: return {last, last - y, 2};
                default: return {0, y, 2};
            }
    }
}

NeighbourStep<ChunkKey> chunkNeighbour(const ChunkKey& key, Direction direction) {
    const std::uint32_t s = key.shell;
    if (direction == Outward) {
        if (chunksPerSide(s + 1) != chunksPerSide(s)) return {{2 * key.x, s + 1, 2 * key.y, key.face}, 1};
        return {{key.x, s + 1, key.y, key.face}, 0};
    }
    if (direction == Inward) {
        if (s == 0) return {{0, 0, 0, opposite(key.face)}, 0};
        if (chunksPerSide(s - 1) != chunksPerSide(s)) return {{key.x >> 1, s - 1, key.y >> 1, key.face}, 0};
        return {{key.x, s - 1, key.y, key.face}, 0};
    }
    const auto n = static_cast<std::uint32_t>(chunksPerSide(s));
    const FaceCell cell = stepOnFace(key.x, key.y, key.face, direction, n);
    return {{cell.x, s, cell.y, cell.face}, 0};
}

NeighbourStep<VoxelAddress> voxelNeighbour(const VoxelAddress& address, Direction direction) {
    const std::uint32_t radius = address.radius;
    // From the single centre voxel, direction d leads to the radius-1 layer of face d.
    if (radius == 0) return {{0, 1, 0, direction}, static_cast<std::uint8_t>(columnLevel(1) != 0 ? 1 : 0)};

    const std::uint8_t level = columnLevel(radius);
    if (direction == Outward) {
        if (columnLevel(radius + 1) != level) {
            return {{2 * address.x, radius + 1, 2 * address.y, address.face}, 1};
        }
        return {{address.x, radius + 1, address.y, address.face}, 0};
    }
    if (direction == Inward) {
        if (columnLevel(radius - 1) == level) return {{address.x, radius - 1, address.y, address.face}, 0};
        if (radius == 1) return {{0, 0, 0, 0}, 0};
        return {{address.x >> 1, radius - 1, address.y >> 1, address.face}, 0};
    }
    const std::uint32_t n = 1u << level;
    const FaceCell cell = stepOnFace(address.x, address.y, address.face, direction, n);
    return {{cell.x, radius, cell.y, cell.face}, 0};
}

FineKeys fineKeysFrom(const ChunkKey& first) {
    FineKeys fine;
    for (std::uint32_t k = 0; k < 4; ++k) {
        fine.keys[k] = first;
        fine.keys[k].x += (k == 1 || k == 3) ? 1u : 0u;
        fine.keys[k].y += (k == 2 || k == 3) ? 1u : 0u;
    }
    return fine;
}

std::vector<ChunkKey> chunkKeysAcross(const ChunkKey& key, Direction direction) {
    const NeighbourStep<ChunkKey> step = chunkNeighbour(key, direction);
    if (!step.split) return {step.address};
    const FineKeys fine = fineKeysFrom(step.address);
    return {fine.keys[0], fine.keys[1], fine.keys[2], fine.keys[3]};
}

}  // namespace gravelkin
