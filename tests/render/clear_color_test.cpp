// What the crack count takes for sky (clearColorBytes) is what the clear
// leaves, in both depth modes.
#include "render/clear_color.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

using ClearColorTest = GlTest;

TEST_F(ClearColorTest, TheClearLeavesTheClearColorBytes) {
    for (const DepthMode mode : {DepthMode::Standard, DepthMode::ReversedInfinite}) {
        std::string error;
        ASSERT_TRUE(renderer->setDepthMode(mode, error)) << error;
        const RgbaImage image = renderFrame(*renderer, {});
        const Pixel corner = pixelAt(image, 0, 0);
        EXPECT_EQ(corner.r, clearColorBytes[0]);
        EXPECT_EQ(corner.g, clearColorBytes[1]);
        EXPECT_EQ(corner.b, clearColorBytes[2]);
        EXPECT_EQ(corner.a, clearColorBytes[3]);
    }
}

}  // namespace
}  // namespace gravelkin::test
