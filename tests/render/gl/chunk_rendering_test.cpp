// A chunk meshed by the real mesher onto the GL device, drawn through the
// real draw walk, seen from outside the planet.
#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "factory/factory_jobs.h"
#include "geometry/column_direction_cache.h"
#include "render/device/null_graphics_device.h"
#include "tests/render/gl/gl_test_support.h"

namespace gravelkin::testing {
namespace {

using ChunkRenderingTest = GlTest;

// A chunk of solid voxels with air all round, meshed onto `device` as a
// worker would mesh it.
std::shared_ptr<Chunk> meshedSolidChunk(const ChunkKey& key, Chunk& air, GraphicsDevice& device) {
    auto chunk = std::make_shared<Chunk>(key);
    Voxel* voxels = chunk->writableVoxels();
    for (int v = 0; v < Chunk::voxelCount; ++v) voxels[v].density = -1.0f;
    for (Chunk*& slot : chunk->neighbours) slot = &air;
    ColumnDirectionCache cache;
    meshGathered(*chunk, FineNeighbourMap{}, cache, device);
    return chunk;
}

struct Box {
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    bool contains(float x, float y, float margin = 0.0f) const {
        return x >= left - margin && x <= right + margin && y >= top - margin && y <= bottom + margin;
    }
};

// Where the mesh's vertices land in the image (x from the left, y from the
// top), all of them being in front of the eye.
Box projectedBox(const std::vector<ChunkVertex>& vertices, const Mat4& viewProjection) {
    Box box;
    for (const ChunkVertex& v : vertices) {
        const Vec4 clip = transformPoint({v.position[0], v.position[1], v.position[2], 1.0f}, viewProjection);
        EXPECT_GT(clip.w, 0.1f);
        const float x = (clip.x / clip.w * 0.5f + 0.5f) * frameWidth;
        const float y = (0.5f - clip.y / clip.w * 0.5f) * frameHeight;
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
    }
    return box;
}

TEST_F(ChunkRenderingTest, ASolidChunkSeenFromOutsideCoversItsProjectedOutline) {
    const ChunkKey key{7, 12, 8, 1};
    Chunk air({0, 0, 0, 0});
    // The same mesh on a null device tells where the vertices handed over lie.
    NullGraphicsDevice nullDevice;
    const std::vector<ChunkVertex> vertices =
        static_cast<const NullVertexBuffer*>(meshedSolidChunk(key, air, nullDevice)->vertexBuffer)->vertices();
    std::shared_ptr<Chunk> chunk = meshedSolidChunk(key, air, renderer->device());
    ASSERT_GT(vertices.size(), 0u);
    ASSERT_EQ(vertices.size(), chunk->vertexCount.load());

    // From 100 units further out, looking back at the chunk's centre, tilted
    // a little so that two sides show as well as the top.
    const Vec3 centre = chunk->centre;
    const Vec3 outward = centre * (1.0f / std::sqrt(dot3(centre, centre)));
    const Vec3 eye = centre + outward * 100.0f + Vec3{15.0f, 0.0f, 10.0f};
    const Vec4 up = std::fabs(outward.y) > 0.9f ? Vec4{1, 0, 0, 0} : Vec4{0, 1, 0, 0};
    const Mat4 view = lookAtLH({eye.x, eye.y, eye.z, 1}, {centre.x, centre.y, centre.z, 1}, up);

    std::mutex mutex;
    auto drawList = std::make_unique<std::vector<ChunkKey>>(std::vector<ChunkKey>{key});
    ChunkMap chunks;
    chunks.insert({key, chunk});
    renderer->clear();
    renderer->setFrameConstants(view);
    renderer->device().processPending();
    drawListedChunks(mutex, drawList, chunks, *renderer);
    const RgbaImage image = renderer->readColor();

    const Box box = projectedBox(vertices, renderer->frameConstants().viewProjection);
    ASSERT_GT(box.right - box.left, 10.0f);
    ASSERT_GT(box.bottom - box.top, 10.0f);
    ASSERT_GE(box.left, 0.0f);
    ASSERT_LE(box.right, static_cast<float>(frameWidth));
    int inside = 0, covered = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x) {
            const bool sky = isSky(pixelAt(image, x, y));
            const float px = x + 0.5f, py = y + 0.5f;
            EXPECT_TRUE(sky || box.contains(px, py, 1.0f)) << "drawn outside the outline at " << x << ", " << y;
            if (box.contains(px, py)) ++inside, covered += sky ? 0 : 1;
        }
    }
    // Only the corners of the outline, beyond the silhouette, stay sky.
    EXPECT_GT(covered, inside * 6 / 10) << covered << " of " << inside;

    // The side facing the eye is the one drawn: the depth under the centre of
    // the image is the outer side's, about 16 units (half a shell) nearer than
    // the chunk's centre, not the inner side's, as far beyond it.
    const float viewDepth = 0.10001f / (1.0001f - renderer->readDepth(centreX, centreY));
    const Vec3 toCentre = centre - eye;
    const float centreDistance = std::sqrt(dot3(toCentre, toCentre));
    EXPECT_LT(viewDepth, centreDistance - 8.0f);
    EXPECT_GT(viewDepth, centreDistance - 24.0f);

    chunks.clear();
    chunk.reset();
    renderer->device().processPending();
    EXPECT_EQ(renderer->device().liveBuffers(), 0u);
}

}  // namespace
}  // namespace gravelkin::testing
