#include "planet/neighbours_present.h"

#include "geometry/neighbours.h"

namespace gravelkin {

FineKeys fineKeysFrom(const ChunkKey& first) {
    FineKeys fine;
    for (std::uint32_t k = 0; k < 4; ++k) {
        fine.keys[k] = first;
        fine.keys[k].x += (k == 1 || k == 3) ? 1u : 0u;
        fine.keys[k].y += (k == 2 || k == 3) ? 1u : 0u;
    }
    return fine;
}

bool neighboursPresent(const ChunkMap& chunks, const ChunkKey& key) {
    for (std::uint8_t d = 0; d < directionCount; ++d) {
        const NeighbourStep<ChunkKey> step = chunkNeighbour(key, d);
        if (step.split) {
            for (const ChunkKey& fine : fineKeysFrom(step.address).keys) {
                if (!contains(chunks, fine)) return false;
            }
        } else if (!contains(chunks, step.address)) {
            return false;
        }
    }
    return true;
}

}  // namespace gravelkin
