// Helpers for the mesher tests: chunks made by hand or on first use, with
// their neighbours wired the way a mesh job wires them, and the mesh of a
// chunk taken with either mesher. For one thread per chunk at a time.
#pragma once

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "factory/chunk.h"
#include "factory/mesher.h"
#include "factory/voxel_sides.h"
#include "geometry/column_direction_cache.h"
#include "geometry/neighbours.h"

namespace gravelkin::test {

inline constexpr float solidDensity = -1.0f;

// A chunk with every voxel at `density`, in a block of its own.
inline std::shared_ptr<Chunk> makeChunk(const ChunkKey& key, float density = 0.0f) {
    auto chunk = std::make_shared<Chunk>(key);
    Voxel* voxels = chunk->writableVoxels();
    for (int v = 0; v < Chunk::voxelCount; ++v) voxels[v].density = density;
    return chunk;
}

// Chunks made on first use by `make`, so that a chunk and its neighbours
// always agree.
class ChunkWorld {
public:
    explicit ChunkWorld(std::function<std::shared_ptr<Chunk>(const ChunkKey&)> make) : make_(std::move(make)) {}

    std::shared_ptr<Chunk> chunk(const ChunkKey& key) {
        auto found = chunks_.find(key);
        if (found == chunks_.end()) found = chunks_.emplace(key, make_(key)).first;
        return found->second;
    }

    // Points chunk.neighbours at the chunks across its sides and fills `fine`
    // with the finer ones across split sides. Returns whether one was split.
    bool wire(Chunk& chunk, FineNeighbourMap& fine) {
        bool split = false;
        for (const Direction side : allDirections) {
            const std::vector<ChunkKey> across = chunkKeysAcross(chunk.key, side);
            chunk.neighbours[side] = across.size() == 1 ? this->chunk(across[0]).get() : nullptr;
            if (across.size() == 1) continue;
            split = true;
            for (const ChunkKey& key : across) fine.emplace(key, this->chunk(key));
        }
        return split;
    }

private:
    std::function<std::shared_ptr<Chunk>(const ChunkKey&)> make_;
    std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher> chunks_;
};

enum class Mesher { Reference, Fast };

// The vertices of `chunk` (neighbours wired) by one mesher, on `cache` and
// `output` as a mesh job prepares them.
inline std::vector<ChunkVertex> meshWith(Mesher mesher, Chunk& chunk, const FineNeighbourMap* fine,
                                         ColumnDirectionCache& cache, MesherOutput& output) {
    chunk.fineNeighbours = fine;
    resetForChunk(cache, chunk.key);
    cache.columnOffset = 0.0f;
    const MesherInput input{chunk, cache};
    mesher == Mesher::Reference ? meshChunkReference(input, output) : meshChunk(input, output);
    chunk.fineNeighbours = nullptr;
    std::vector<ChunkVertex> vertices(output.vertices, output.vertices + output.vertexCount);
    output.trim();
    return vertices;
}

inline std::vector<ChunkVertex> meshWith(Mesher mesher, Chunk& chunk, const FineNeighbourMap* fine = nullptr) {
    ColumnDirectionCache cache;
    MesherOutput output;
    return meshWith(mesher, chunk, fine, cache, output);
}

}  // namespace gravelkin::test
