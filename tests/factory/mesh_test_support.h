// Helpers for the mesher tests: chunks built by hand, meshing with a null
// device, and corner positions computed straight from the face mapping.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "geometry/column_direction_cache.h"
#include "geometry/face_mapping.h"
#include "geometry/level_table.h"
#include "render/device/null_graphics_device.h"

namespace gravelkin::test {

inline constexpr float solidDensity = -1.0f;

// A chunk with every voxel at `density` (the constructor leaves 0.0, air).
inline std::shared_ptr<Chunk> makeChunk(const ChunkKey& key, float density = 0.0f) {
    auto chunk = std::make_shared<Chunk>(key);
    Voxel* voxels = chunk->writableVoxels();
    for (int v = 0; v < Chunk::voxelCount; ++v) voxels[v].density = density;
    return chunk;
}

inline void setAllNeighbours(Chunk& chunk, Chunk* neighbour) {
    for (Chunk*& slot : chunk.neighbours) slot = neighbour;
}

// What a worker does around buildMesh: reset the cache, corner mode, mesh.
inline void meshChunk(Chunk& chunk, GraphicsDevice& device) {
    ColumnDirectionCache cache;
    resetForChunk(cache, chunk.key);
    cache.columnOffset = 0.0f;
    chunk.buildMesh(cache, device);
}

inline const std::vector<ChunkVertex>& meshVertices(const Chunk& chunk) {
    return static_cast<const NullVertexBuffer*>(chunk.vertexBuffer)->vertices();
}

// The corner (a, b) of the column grid at radius `layerRadius`, in the grid of
// the chunk's layer there, scaled to `scale`: faceDirection at that corner's
// face coordinates times the radius.
inline Vec3 gridCorner(const ChunkKey& key, std::uint32_t layerRadius, std::uint32_t a, std::uint32_t b,
                       float scale) {
    const std::uint32_t columns = columnsPerChunk(layerRadius);
    const float step = 1.0f / static_cast<float>(std::uint64_t{1} << columnLevel(layerRadius));
    const float u = static_cast<float>(key.x * columns + a) * step;
    const float v = static_cast<float>(key.y * columns + b) * step;
    const Vec4 d = faceDirection(key.face, u, v);
    return {d.x * scale, d.y * scale, d.z * scale};
}

inline Vec3 position(const ChunkVertex& vertex) {
    return {vertex.position[0], vertex.position[1], vertex.position[2]};
}

inline Vec3 normal(const ChunkVertex& vertex) { return {vertex.normal[0], vertex.normal[1], vertex.normal[2]}; }

inline float distance(const Vec3& a, const Vec3& b) {
    const Vec3 d = a - b;
    return std::sqrt(dot3(d, d));
}

inline float length(const Vec3& v) { return std::sqrt(dot3(v, v)); }

// Corners are products of unit directions and radii of a few hundred units.
inline constexpr float cornerTolerance = 1e-3f;

#define EXPECT_VEC3_NEAR(actual, expected, tolerance)                                           \
    EXPECT_LE(::gravelkin::test::distance((actual), (expected)), (tolerance))                  \
        << "actual (" << (actual).x << ", " << (actual).y << ", " << (actual).z << ") expected (" \
        << (expected).x << ", " << (expected).y << ", " << (expected).z << ")"

}  // namespace gravelkin::test
