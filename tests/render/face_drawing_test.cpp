// A face mesh stored as grouped corners and drawn through the shared quad
// indices gives the same pixels as its triangle list drawn plainly.
#include <vector>

#include <gtest/gtest.h>

#include "tests/render/gl_test_support.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

using FaceDrawingTest = GlTest;

TEST_F(FaceDrawingTest, FacesAndTheirTriangleListDrawTheSamePixels) {
    // Overlapping squares, one behind another, two sides interleaved, so
    // that the faces are regrouped: the depth test, not the order, decides.
    std::vector<ChunkVertex> squares = square(-0.2f, 0.1f, 2, 0.5f, {1, 0.5f, 0});
    for (const std::vector<ChunkVertex>& more : {square(0.3f, -0.1f, 3, 0.6f, {0, 0.5f, 1}),
                                                 square(0.0f, 0.3f, 2.5f, 0.3f, {0.2f, 1, 0.2f})}) {
        squares.insert(squares.end(), more.begin(), more.end());
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

}  // namespace
}  // namespace gravelkin::test
