// Helpers for comparing the fast mesher with the reference one: a table of
// chunks with their neighbours wired the way a worker wires them, and the
// two meshes of one chunk side by side.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "geometry/column_direction_cache.h"
#include "geometry/neighbours.h"
#include "render/device/null_graphics_device.h"

namespace gravelkin::test {

// The chunk keys across one side: one key, or the four finer ones where the
// space beyond is split.
inline std::vector<ChunkKey> keysAcross(const ChunkKey& key, std::uint8_t direction) {
    const NeighbourStep<ChunkKey> step = chunkNeighbour(key, direction);
    if (!step.split) return {step.address};
    std::vector<ChunkKey> keys;
    for (std::uint32_t k = 0; k < 4; ++k) {
        ChunkKey fine = step.address;
        fine.x += k & 1u;
        fine.y += k >> 1;
        keys.push_back(fine);
    }
    return keys;
}

// Chunks made on first use by `make`, so that a chunk and its neighbours
// always agree.
class ChunkWorld {
public:
    using Maker = std::function<std::shared_ptr<Chunk>(const ChunkKey&)>;
    explicit ChunkWorld(Maker make) : make_(std::move(make)) {}

    std::shared_ptr<Chunk> chunk(const ChunkKey& key) {
        auto found = chunks_.find(key);
        if (found == chunks_.end()) found = chunks_.emplace(key, make_(key)).first;
        return found->second;
    }

    // Sets the chunk's neighbours as a worker does and fills `fine` with the
    // finer chunks across split sides. Returns whether a side was split.
    bool wire(Chunk& chunk, FineNeighbourMap& fine) {
        bool split = false;
        for (std::uint8_t d = 0; d < 6; ++d) {
            const std::vector<ChunkKey> across = keysAcross(chunk.key, d);
            if (across.size() == 1) {
                chunk.neighbours[d] = this->chunk(across[0]).get();
                continue;
            }
            split = true;
            chunk.neighbours[d] = nullptr;
            for (const ChunkKey& key : across) fine.emplace(key, this->chunk(key));
        }
        return split;
    }

private:
    Maker make_;
    std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher> chunks_;
};

// One mesher's result on one chunk.
struct MeshResult {
    std::vector<ChunkVertex> vertices;
    std::uint32_t vertexCount = 0;
    bool bufferCreated = false;
    bool meshPendingAfter = true;
    ColumnDirectionCache cacheAfter;
};

enum class Mesher { Reference, Fast };

// Meshes `chunk` (neighbours already wired) with one mesher on `cache`, as a
// worker does, then takes the mesh back off the chunk so that it can be
// meshed again.
inline MeshResult meshOnce(Chunk& chunk, const FineNeighbourMap* fine, Mesher mesher, ColumnDirectionCache& cache) {
    NullGraphicsDevice device;
    chunk.fineNeighbours = fine;
    resetForChunk(cache, chunk.key);
    cache.columnOffset = 0.0f;
    if (mesher == Mesher::Reference) {
        chunk.buildMeshReference(cache, device);
    } else {
        chunk.buildMesh(cache, device);
    }
    chunk.fineNeighbours = nullptr;

    MeshResult result;
    result.vertexCount = chunk.vertexCount.load();
    result.bufferCreated = chunk.vertexBuffer != nullptr;
    result.meshPendingAfter = chunk.meshPending.load();
    result.cacheAfter = cache;
    if (chunk.vertexBuffer != nullptr) {
        result.vertices = static_cast<const NullVertexBuffer*>(chunk.vertexBuffer)->vertices();
        chunk.vertexBuffer->release();
    }
    chunk.vertexBuffer = nullptr;
    chunk.vertexCount.store(0);
    chunk.meshPending.store(true);
    return result;
}

// Empty when the two results are the same bit for bit; otherwise where they
// first differ.
inline std::string meshDifference(const MeshResult& reference, const MeshResult& fast) {
    std::ostringstream out;
    if (reference.vertexCount != fast.vertexCount || reference.vertices.size() != fast.vertices.size()) {
        out << "vertex counts " << reference.vertexCount << " (reference) and " << fast.vertexCount << " (fast)";
        return out.str();
    }
    if (reference.bufferCreated != fast.bufferCreated) return "one created a buffer, the other did not";
    if (reference.meshPendingAfter || fast.meshPendingAfter) return "meshPending left set";
    for (std::size_t v = 0; v < reference.vertices.size(); ++v) {
        if (std::memcmp(&reference.vertices[v], &fast.vertices[v], sizeof(ChunkVertex)) != 0) {
            out << "vertex " << v << " (face " << v / 6 << ", corner " << v % 6 << ") differs";
            return out.str();
        }
    }
    const ColumnDirectionCache& a = reference.cacheAfter;
    const ColumnDirectionCache& b = fast.cacheAfter;
    if (a.resolutionShift != b.resolutionShift || a.columnBaseU != b.columnBaseU || a.columnBaseV != b.columnBaseV ||
        std::memcmp(&a.columnStep, &b.columnStep, sizeof(float)) != 0) {
        return "the cache is left at a different grid";
    }
    return {};
}

}  // namespace gravelkin::test
