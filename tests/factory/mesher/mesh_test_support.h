// Helpers for the mesher tests: chunks made by hand, and the mesh of a chunk
// taken with either mesher, as faces or as the triangle list they draw. For
// one thread per chunk at a time.
#pragma once

#include <memory>
#include <vector>

#include "factory/chunk.h"
#include "factory/mesher/mesher.h"
#include "geometry/column_direction_cache.h"
#include "geometry/neighbours.h"
#include "device/chunk_faces.h"

namespace gravelkin::test {

inline constexpr float solidDensity = -1.0f;

// A chunk with every voxel at `density`, in a block of its own.
inline std::shared_ptr<Chunk> makeChunk(const ChunkKey& key, float density = 0.0f) {
    auto chunk = std::make_shared<Chunk>(key);
    Voxel* voxels = chunk->writableVoxels();
    for (int v = 0; v < Chunk::voxelCount; ++v) voxels[v].density = density;
    return chunk;
}

enum class Mesher { Reference, Fast };

// A mesher's faces, copied out of its output.
struct KeptFaces {
    std::vector<ChunkVertex> corners;
    std::vector<Direction> sides;

    ChunkFaces faces() const { return {corners.data(), sides.data(), static_cast<std::uint32_t>(sides.size())}; }
};

// The faces of `chunk` (neighbours wired) by one mesher, on `cache` and
// `output` as a mesh job prepares them.
inline KeptFaces facesWith(Mesher mesher, Chunk& chunk, const FineNeighbourMap* fine, ColumnDirectionCache& cache,
                           MesherOutput& output) {
    chunk.fineNeighbours = fine;
    resetForChunk(cache, chunk.key);
    cache.columnOffset = 0.0f;
    const MesherInput input{chunk, cache};
    mesher == Mesher::Reference ? meshChunkReference(input, output) : meshChunk(input, output);
    chunk.fineNeighbours = nullptr;
    const ChunkFaces& faces = output.faces;
    KeptFaces kept;
    if (faces.count != 0) {
        kept.corners.assign(faces.corners, faces.corners + cornersPerFace * faces.count);
        kept.sides.assign(faces.sides, faces.sides + faces.count);
    }
    output.trim();
    return kept;
}

// The triangle list of those faces.
inline std::vector<ChunkVertex> meshWith(Mesher mesher, Chunk& chunk, const FineNeighbourMap* fine = nullptr) {
    ColumnDirectionCache cache;
    MesherOutput output;
    return triangleList(facesWith(mesher, chunk, fine, cache, output).faces());
}

}  // namespace gravelkin::test
