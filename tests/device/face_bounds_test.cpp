// The box over a face mesh's corners, taken four corners at a time: the box
// includePoint makes over them one by one, whatever their number.
#include "device/face_bounds.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace gravelkin::test {
namespace {

TEST(FaceBoundsTest, TheCornerBoxIsTheBoxOfEveryCorner) {
    std::mt19937 random(17);
    std::uniform_real_distribution<float> coordinate(-700.0f, 700.0f);
    for (std::size_t count = 0; count < 14; ++count) {
        std::vector<ChunkVertex> corners(count);
        Box3 expected;
        for (ChunkVertex& corner : corners) {
            for (float& p : corner.position) p = coordinate(random);
            corner.color[0] = 1e31f;  // the red channel beside z is no coordinate
            includePoint(expected, {corner.position[0], corner.position[1], corner.position[2]});
        }
        const Box3 box = cornerBox(corners.data(), count);
        EXPECT_EQ(box.min, expected.min) << count << " corners";
        EXPECT_EQ(box.max, expected.max) << count << " corners";
    }
}

}  // namespace
}  // namespace gravelkin::test
