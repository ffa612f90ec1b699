// What reaches the pixels: culling and orientation with squares built by
// hand, faces drawn through the shared quad indices, a real chunk meshed onto
// the GL device and drawn through the real draw walk, and a streamed planet
// drawn with and without culling.
#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "camera/still_camera_input.h"
#include "factory/chunk.h"
#include "factory/factory_jobs.h"
#include "geometry/column_direction_cache.h"
#include "planet/planet.h"
#include "render/headless_snapshot.h"
#include "tests/render/gl_test_support.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

using RenderingTest = GlTest;

// The other tests rely on both: clockwise squares show and counter-clockwise
// ones are culled, and up in the world is up in the image (read top row first).
TEST_F(RenderingTest, ACounterClockwiseSquareIsCulledAndUpIsUp) {
    const std::vector<ChunkVertex> clockwise = square(0, 0, 2, 0.4f);
    EXPECT_TRUE(isSky(pixelAt(renderFrame(*renderer, {{clockwise.rbegin(), clockwise.rend()}}), centreX, centreY)));
    EXPECT_EQ(renderer->readDepth(centreX, centreY), 1.0f);
    const RgbaImage image = renderFrame(*renderer, {square(0, 0.4f, 2, 0.2f)});
    EXPECT_FALSE(isSky(pixelAt(image, centreX, 35)));
    EXPECT_TRUE(isSky(pixelAt(image, centreX, 65)));
}

// Overlapping squares, one behind another, two sides interleaved, so that the
// faces are regrouped: the depth test, not the order, decides.
TEST_F(RenderingTest, FacesAndTheirTriangleListDrawTheSamePixels) {
    std::vector<ChunkVertex> squares;
    for (const std::vector<ChunkVertex>& one :
         {square(-0.2f, 0.1f, 2, 0.5f, {1, 0.5f, 0}), square(0.3f, -0.1f, 3, 0.6f, {0, 0.5f, 1}),
          square(0.0f, 0.3f, 2.5f, 0.3f, {0.2f, 1, 0.2f})}) {
        squares.insert(squares.end(), one.begin(), one.end());
    }
    const SquareFaces faces(squares);
    ASSERT_TRUE(sameBits(triangleList(faces.faces()), squares));

    const RgbaImage fromList = renderFrame(*renderer, {squares});
    renderer->clear();
    renderer->setFrameConstants(identityView);
    VertexBuffer* buffer = renderer->device().createFaceBuffer(faces.faces());
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(renderer->device().holdsPackedQuads(buffer));
    renderer->drawChunk(buffer, static_cast<std::uint32_t>(squares.size()));
    buffer->release();
    renderer->device().processPending();
    const RgbaImage fromFaces = renderer->readColor();

    EXPECT_TRUE(fromFaces.pixels == fromList.pixels);
    std::size_t drawn = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x) drawn += !isSky(pixelAt(fromFaces, x, y));
    }
    EXPECT_GT(drawn, 1000u);
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
    ChunkMap chunks{{key, chunk}};
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

// Culling never changes the picture: a streamed planet drawn through the
// frustum and facing tests and drawn whole gives the same pixels, at views
// like the snapshot tool's four (a smaller streaming radius and frame, for
// time; the pole view closer, so that its surface is streamed).
using CullingTest = GlTest;

TEST_F(CullingTest, CulledAndWholeFramesAreIdenticalAtTheCheckedViews) {
    RendererSettings settings = testSettings();
    settings.width = 480, settings.height = 300;
    std::string error;
    std::unique_ptr<Renderer> large = Renderer::create(settings, error);
    ASSERT_TRUE(large) << error;
    const struct {
        const char* name;
        Vec3 position;
        float pitchDegrees, viewRadius;
    } views[] = {{"start", {0, 400, 0}, 0, 150},
                 {"above the start", {0, 470, -120}, 25, 150},
                 {"above the pole, looking down", {0, 600, 0}, 90, 250},
                 {"inside the core", {0, 100, 0}, 0, 150}};
    std::size_t culledInAll = 0;
    std::uint64_t facingAwayInAll = 0;
    for (const auto& view : views) {
        SCOPED_TRACE(view.name);
        StillCameraInput input;
        Camera camera(input);
        camera.setPosition(view.position);
        camera.setOrientation(0.0f, view.pitchDegrees);
        auto planet = std::make_unique<Planet>(large->device(), view.viewRadius);
        ASSERT_TRUE(streamUntilConverged(*planet, large->device(), 3, 300.0));

        large->clear();
        large->setFrameConstants(camera.viewMatrix());
        const DrawWalkCounts culled = large->drawChunksOf(*planet);
        const RgbaImage culledImage = large->readColor();
        const FaceCounts culledFaces = large->lastFaceCounts();
        large->clear();
        const DrawWalkCounts whole = planet->drawChunks(*large);
        const RgbaImage wholeImage = large->readColor();

        EXPECT_GT(culled.drawn, 0u);
        EXPECT_EQ(whole.culled, 0u);
        EXPECT_EQ(culled.drawn + culled.culled, whole.drawn);
        EXPECT_TRUE(culledImage.pixels == wholeImage.pixels) << culled.culled << " culled made a difference";
        culledInAll += culled.culled;
        facingAwayInAll += culledFaces.facingAway;
        planet.reset();  // its threads read the camera
    }
    EXPECT_GT(culledInAll, 0u);
    EXPECT_GT(facingAwayInAll, 0u);
}

}  // namespace
}  // namespace gravelkin::test
