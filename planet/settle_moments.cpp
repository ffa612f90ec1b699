#include "planet/settle_moments.h"

#include <algorithm>

namespace gravelkin {

SettleMoments settleMoments(const Planet& planet, const std::vector<ChunkKey>& surroundings) {
    SettleMoments moments;
    planet.forEachChunk([&](const Chunk& chunk) {
        moments.lastChange = std::max({moments.lastChange, chunk.builtAt, chunk.meshedAt});
    });
    for (const ChunkKey& key : surroundings) {
        const std::shared_ptr<const Chunk> chunk = planet.findChunk(key);
        if (!chunk || chunk->meshPending.load(std::memory_order_acquire) || chunk->meshedAt == 0) {
            ++moments.surroundingsUnmeshed;
            continue;
        }
        ++moments.surroundingsMeshed;
        moments.lastSurroundingMeshed = std::max(moments.lastSurroundingMeshed, chunk->meshedAt);
    }
    return moments;
}

}  // namespace gravelkin
