#include "planet/draw_walk.h"

#include "planet/planet_state.h"

namespace gravelkin {

void drawListedChunks(std::mutex& drawListMutex, const std::unique_ptr<std::vector<ChunkKey>>& drawList,
                      const ChunkMap& chunks, ChunkDrawSink& sink) {
    // A failure to lock throws std::system_error; nothing here catches it.
    std::lock_guard<std::mutex> lock(drawListMutex);
    if (!drawList) return;
    for (const ChunkKey& key : *drawList) {
        ChunkMap::const_accessor entry;
        if (!chunks.find(entry, key)) continue;
        const Chunk& chunk = *entry->second;
        // The count publishes the buffer: read it first, with acquire, so the
        // buffer read after it is the one the mesher stored before the count.
        const std::uint32_t count = chunk.vertexCount.load(std::memory_order_acquire);
        if (count == 0) continue;
        sink.drawChunk(chunk.vertexBuffer, count);
    }
}

void drawListedChunks(const PlanetState& state, ChunkDrawSink& sink) {
    drawListedChunks(state.drawListMutex, state.drawList, state.chunks, sink);
}

}  // namespace gravelkin
