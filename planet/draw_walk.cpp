#include "planet/draw_walk.h"
#include "planet/far_drawing.h"

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "planet/planet_draw_side.h"

namespace gravelkin {

namespace {

// A chunk to draw and its distance from the eye.
struct Pending {
    float distanceSquared;
    std::shared_ptr<const Chunk> chunk;
    std::uint32_t count;
};

float distanceSquared(const Box3& box, const Vec3& eye) {
    const Vec3 d = (box.min + box.max) * 0.5f - eye;
    return dot3(d, d);
}

bool drawnBefore(const Pending& a, const Pending& b) {
    if (a.distanceSquared != b.distanceSquared) return a.distanceSquared < b.distanceSquared;
    const ChunkKey& p = a.chunk->key;
    const ChunkKey& q = b.chunk->key;
    return std::tie(p.face, p.shell, p.y, p.x) < std::tie(q.face, q.shell, q.y, q.x);
}

}  // namespace

DrawWalkCounts drawListedChunks(std::mutex& drawListMutex, const std::unique_ptr<std::vector<ChunkKey>>& drawList,
                                const ChunkMap& chunks, ChunkDrawSink& sink, const Frustum* frustum,
                                const Vec3* eye, const std::function<bool(const ChunkKey&)>* keep) {
    DrawWalkCounts counts;
    // The walk runs on the main thread only: the storage is kept from frame
    // to frame.
    static thread_local std::vector<Pending> pending;
    pending.clear();
    // A failure to lock throws std::system_error; nothing here catches it.
    std::lock_guard<std::mutex> lock(drawListMutex);
    if (!drawList) return counts;
    for (const ChunkKey& key : *drawList) {
        if (keep != nullptr && !(*keep)(key)) continue;
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
        ++counts.drawn;
        if (eye == nullptr) {
            sink.drawChunk(chunk.vertexBuffer, count);
        } else {
            pending.push_back({distanceSquared(chunk.bounds, *eye), entry->second, count});
        }
    }
    std::sort(pending.begin(), pending.end(), drawnBefore);
    for (const Pending& p : pending) sink.drawChunk(p.chunk->vertexBuffer, p.count);
    // The last owner of a chunk erased meanwhile may be this list.
    pending.clear();
    return counts;
}

DrawWalkCounts drawListedChunks(const PlanetDrawSide& planet, ChunkDrawSink& sink, const Frustum* frustum,
                                const Vec3* eye) {
    const std::shared_ptr<const FarDrawList> far = planet.farTerrain().drawList();
    if (!far) return drawListedChunks(planet.drawListMutex(), planet.drawList(), planet.chunks(), sink, frustum, eye);
    const std::function<bool(const ChunkKey&)> keep = [&far](const ChunkKey& key) { return far->drawsChunk(key); };
    DrawWalkCounts counts =
        drawListedChunks(planet.drawListMutex(), planet.drawList(), planet.chunks(), sink, frustum, eye, &keep);
    const DrawWalkCounts nodes = drawFarNodes(*far, sink, frustum, eye);
    counts.drawn += nodes.drawn;
    counts.culled += nodes.culled;
    return counts;
}

}  // namespace gravelkin
