#include "planet/draw_walk.h"

#include "planet/planet_state.h"

namespace gravelkin {

DrawWalkCounts drawListedChunks(std::mutex& drawListMutex, const std::unique_ptr<std::vector<ChunkKey>>& drawList,
                                const ChunkMap& chunks, ChunkDrawSink& sink, const Frustum* frustum) {
    DrawWalkCounts counts;
    // A failure to lock throws std::system_error; nothing here catches it.
    std::lock_guard<std::mutex> lock(drawListMutex);
    if (!drawList) return counts;
    for (const ChunkKey& key : *drawList) {
        ChunkMap::const_accessor entry;
        if (!chunks.find(entry, key)) continue;
        const Chunk& chunk = *entry->second;
        // The count publishes the buffer and the bounds: read it first, with
        // acquire, so what is read after it is what the mesher stored before.
        const std::uint32_t count = chunk.vertexCount.load(std::memory_order_acquire);
        if (count == 0) continue;
        if (frustum != nullptr && boxOutsideFrustum(*frustum, chunk.bounds)) {
            ++counts.culled;
            continue;
        }
        sink.drawChunk(chunk.vertexBuffer, count);
        ++counts.drawn;
    }
    return counts;
}

DrawWalkCounts drawListedChunks(const PlanetState& state, ChunkDrawSink& sink, const Frustum* frustum) {
    return drawListedChunks(state.drawListMutex, state.drawList, state.chunks, sink, frustum);
}

}  // namespace gravelkin
