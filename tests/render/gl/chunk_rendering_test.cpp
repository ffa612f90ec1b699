// A chunk meshed by the real mesher onto the GL device, drawn through the
// real draw walk, seen from outside the planet.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "tests/factory/mesh_test_support.h"
#include "tests/render/gl/gl_test_support.h"

namespace gravelkin {
namespace {

using namespace test;

using ChunkRenderingTest = GlTest;

struct Box {
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
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
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
    }
    return box;
}

TEST_F(ChunkRenderingTest, ASolidChunkSeenFromOutsideCoversItsProjectedOutline) {
    const ChunkKey key{7, 12, 8, 1};
    auto chunk = makeChunk(key, solidDensity);
    auto air = makeChunk({0, 0, 0, 0});
    setAllNeighbours(*chunk, air.get());
    meshChunk(*chunk, renderer->device());
    ASSERT_GT(chunk->vertexCount.load(), 0u);

    // Keep a copy of what was handed to the device, to know where it lands.
    std::vector<ChunkVertex> vertices;
    {
        auto probe = makeChunk(key, solidDensity);
        setAllNeighbours(*probe, air.get());
        NullGraphicsDevice nullDevice;
        meshChunk(*probe, nullDevice);
        vertices = meshVertices(*probe);
        probe.reset();
    }
    ASSERT_EQ(vertices.size(), chunk->vertexCount.load());

    // From 100 units further out, looking back at the chunk's centre, tilted
    // a little so that two sides show as well as the top.
    const Vec3 centre = chunk->centre;
    const float radius = std::sqrt(dot3(centre, centre));
    const Vec3 outward = centre * (1.0f / radius);
    const Vec3 eye = centre + outward * 100.0f + Vec3{15.0f, 0.0f, 10.0f};
    const Vec4 up = std::fabs(outward.y) > 0.9f ? Vec4{1, 0, 0, 0} : Vec4{0, 1, 0, 0};
    const Mat4 view = lookAtLH({eye.x, eye.y, eye.z, 1}, {centre.x, centre.y, centre.z, 1}, up);

    // Drawn through the walk, as a frame draws the planet's chunks.
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

    int inside = 0;
    int covered = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x) {
            const float px = x + 0.5f;
            const float py = y + 0.5f;
            const bool inBox = px >= box.left && px <= box.right && py >= box.top && py <= box.bottom;
            const bool nearBox = px >= box.left - 1 && px <= box.right + 1 && py >= box.top - 1 && py <= box.bottom + 1;
            const bool sky = isSky(pixelAt(image, x, y));
            if (!sky) {
                EXPECT_TRUE(nearBox) << "drawn outside the chunk's outline at " << x << ", " << y;
            }
            if (inBox) {
                ++inside;
                if (!sky) ++covered;
            }
        }
    }
    // A box seen from above fills most of its outline; only the corners of
    // the outline, beyond the silhouette, stay sky.
    EXPECT_GT(covered, inside * 6 / 10) << covered << " of " << inside;

    // The side facing the eye is the one drawn: the depth under the centre
    // of the image is the outer side's, about 16 units (half a shell) nearer
    // than the chunk's centre, not the inner side's, as far beyond it.
    const float depth = renderer->readDepth(frameWidth / 2, frameHeight / 2);
    const float viewDepth = 0.10001f / (1.0001f - depth);
    const Vec3 toCentre = centre - eye;
    const float centreDistance = std::sqrt(dot3(toCentre, toCentre));
    EXPECT_LT(viewDepth, centreDistance - 8.0f) << "depth " << depth;
    EXPECT_GT(viewDepth, centreDistance - 24.0f) << "depth " << depth;

    chunks.clear();
    chunk.reset();
    renderer->device().processPending();
    EXPECT_EQ(renderer->device().liveBuffers(), 0u);
}

}  // namespace
}  // namespace gravelkin
