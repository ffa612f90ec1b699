// What reaches the pixels: the pipeline's fixed state (culling, orientation,
// depth test and range) with squares built by hand, and a real chunk meshed
// onto the GL device and drawn through the real draw walk.
#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "factory/factory_jobs.h"
#include "geometry/column_direction_cache.h"
#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

using RenderingTest = GlTest;

// The other tests see the clockwise squares they draw.
TEST_F(RenderingTest, ACounterClockwiseSquareIsCulled) {
    const std::vector<ChunkVertex> clockwise = square(0, 0, 2, 0.4f);
    EXPECT_TRUE(isSky(pixelAt(renderFrame(*renderer, {{clockwise.rbegin(), clockwise.rend()}}), centreX, centreY)));
    EXPECT_EQ(renderer->readDepth(centreX, centreY), 1.0f);
}

TEST_F(RenderingTest, UpInTheWorldIsUpInTheImage) {
    // Above the view axis lands in the top half (images are read top row first).
    const RgbaImage image = renderFrame(*renderer, {square(0, 0.4f, 2, 0.2f)});
    EXPECT_FALSE(isSky(pixelAt(image, centreX, 35)));
    EXPECT_TRUE(isSky(pixelAt(image, centreX, 65)));
}

TEST_F(RenderingTest, NearerGeometryHidesFartherWhateverTheOrder) {
    const auto nearRed = square(0, 0, 3, 0.3f, {1, 0, 0}), farGreen = square(0, 0, 5, 1.5f, {0, 1, 0});
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst ? "near first" : "far first");
        const RgbaImage image =
            renderFrame(*renderer, nearFirst ? std::vector{nearRed, farGreen} : std::vector{farGreen, nearRed});
        const Pixel centre = pixelAt(image, centreX, centreY), ring = pixelAt(image, centreX + 15, centreY);
        EXPECT_GT(centre.r, 40);
        EXPECT_EQ(centre.g, 0);
        EXPECT_EQ(ring.r, 0);  // around the near square the far one shows
        EXPECT_GT(ring.g, 40);
    }
}

TEST_F(RenderingTest, ViewDepthsPointOneToAThousandMapToDepthZeroToOneAndTheRestIsClipped) {
    const auto depthAt = [&](float z) {  // -1 where nothing is drawn
        const bool drawn = !isSky(pixelAt(renderFrame(*renderer, {square(0, 0, z, 0.2f * z)}), centreX, centreY));
        return drawn ? renderer->readDepth(centreX, centreY) : -1.0f;
    };
    EXPECT_NEAR(depthAt(0.1001f), 0.0f, 2e-3f);
    const float farDepth = depthAt(990.0f);
    EXPECT_LT(farDepth, 1.0f);
    EXPECT_GT(farDepth, 0.99999f);
    EXPECT_EQ(depthAt(0.0999f), -1.0f);
    EXPECT_EQ(depthAt(1001.0f), -1.0f);
}

TEST_F(RenderingTest, ASolidChunkSeenFromOutsideCoversItsProjectedOutlineWithItsNearSide) {
    // Solid voxels with air all round, meshed as a worker would mesh them.
    const ChunkKey key{7, 12, 8, 1};
    Chunk air({0, 0, 0, 0});
    auto chunk = std::make_shared<Chunk>(key);
    for (int v = 0; v < Chunk::voxelCount; ++v) chunk->writableVoxels()[v].density = -1.0f;
    for (Chunk*& slot : chunk->neighbours) slot = &air;
    ColumnDirectionCache cache;
    ASSERT_TRUE(meshGathered(*chunk, FineNeighbourMap{}, cache, renderer->device()));
    // The buffer holds each face's four corners (quad_packing.h).
    ASSERT_TRUE(renderer->device().holdsPackedQuads(chunk->vertexBuffer));
    std::vector<ChunkVertex> vertices(chunk->vertexCount.load() / 6 * 4);
    ASSERT_GT(vertices.size(), 0u);
    glGetNamedBufferSubData(renderer->device().bufferName(chunk->vertexBuffer), 0,
                            static_cast<GLsizeiptr>(vertices.size() * sizeof(ChunkVertex)), vertices.data());

    // From 100 units further out, looking back at the chunk's centre, tilted
    // a little so that two sides show as well as the top; the chunk lies near
    // the +y pole, so x is up in the image.
    const Vec3 centre = chunk->centre;
    const Vec3 eye = centre + centre * (1.0f / std::sqrt(dot3(centre, centre))) * 100.0f + Vec3{15.0f, 0.0f, 10.0f};
    std::mutex mutex;
    ChunkMap chunks;
    chunks.insert({key, chunk});
    renderer->clear();
    renderer->setFrameConstants(lookAtLH({eye.x, eye.y, eye.z, 1}, {centre.x, centre.y, centre.z, 1}, {1, 0, 0, 0}));
    drawListedChunks(mutex, std::make_unique<std::vector<ChunkKey>>(1, key), chunks, *renderer);
    const RgbaImage image = renderer->readColor();
    ASSERT_EQ(std::pair(image.width, image.height), std::pair(frameWidth, frameHeight));

    // The outline: where the vertices land in the image, x from the left, y
    // from the top, all of them in front of the eye.
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    for (const ChunkVertex& v : vertices) {
        const Vec4 clip = transformPoint({v.position[0], v.position[1], v.position[2], 1.0f},
                                         renderer->frameConstants().viewProjection);
        ASSERT_GT(clip.w, 0.1f);
        const float x = (clip.x / clip.w * 0.5f + 0.5f) * frameWidth, y = (0.5f - clip.y / clip.w * 0.5f) * frameHeight;
        left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
    }
    ASSERT_TRUE(right - left > 10.0f && bottom - top > 10.0f && left >= 0.0f && right <= frameWidth)
        << left << ", " << top << " to " << right << ", " << bottom;
    const auto inOutline = [&](float x, float y, float margin) {
        return x >= left - margin && x <= right + margin && y >= top - margin && y <= bottom + margin;
    };
    int inside = 0, covered = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x) {
            const bool sky = isSky(pixelAt(image, x, y));
            EXPECT_TRUE(sky || inOutline(x + 0.5f, y + 0.5f, 1.0f)) << "drawn outside at " << x << ", " << y;
            if (inOutline(x + 0.5f, y + 0.5f, 0.0f)) ++inside, covered += sky ? 0 : 1;
        }
    }
    // Only the corners of the outline, beyond the silhouette, stay sky.
    EXPECT_GT(covered, inside * 6 / 10) << covered << " of " << inside;

    // Under the image's centre lies the outer side, about 16 units (half a
    // shell) nearer than the chunk's centre; the inner side is as far beyond.
    const float viewDepth = 0.10001f / (1.0001f - renderer->readDepth(centreX, centreY));
    EXPECT_NEAR(viewDepth, std::sqrt(dot3(centre - eye, centre - eye)) - 16.0f, 8.0f);
}

}  // namespace
}  // namespace gravelkin::test
