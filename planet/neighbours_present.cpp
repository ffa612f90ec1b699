#include "planet/neighbours_present.h"

#include "geometry/neighbours.h"

namespace gravelkin {

std::optional<ChunkKey> firstMissingNeighbour(const ChunkMap& chunks, const ChunkKey& key) {
    for (const Direction d : allDirections) {
        const NeighbourStep<ChunkKey> step = chunkNeighbour(key, d);
        if (step.split) {
            for (const ChunkKey& fine : fineKeysFrom(step.address).keys) {
                if (!contains(chunks, fine)) return fine;
            }
        } else if (!contains(chunks, step.address)) {
            return step.address;
        }
    }
    return std::nullopt;
}

bool neighboursPresent(const ChunkMap& chunks, const ChunkKey& key) { return !firstMissingNeighbour(chunks, key); }

}  // namespace gravelkin
