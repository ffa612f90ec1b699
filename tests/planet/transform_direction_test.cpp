#include <gtest/gtest.h>

#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "planet/transform_direction.h"

namespace gravelkin::test {
namespace {

// Across every face edge, the carried direction keeps the walk heading away
// from the edge it crossed: stepping back against it returns to the start,
// and stepping on with it does not.
TEST(TransformDirectionTest, KeepsAWalkHeadingTheSameWayAcrossEveryEdge) {
    const std::uint32_t shell = 12;
    const auto n = static_cast<std::uint32_t>(chunksPerSide(shell));
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (Direction d : {PlusY, MinusY, PlusX, MinusX}) {
            for (std::uint32_t along : {0u, 5u, n - 1}) {
                // A cell on the edge that d leaves the face across.
                ChunkKey start{along, shell, along, face};
                if (d == PlusY) start.y = n - 1;
                if (d == MinusY) start.y = 0;
                if (d == PlusX) start.x = n - 1;
                if (d == MinusX) start.x = 0;
                SCOPED_TRACE(::testing::Message() << "face " << int(face) << " direction " << int(d) << " along "
                                                << along);
                const ChunkKey across = chunkNeighbour(start, d).address;
                ASSERT_NE(across.face, face);
                const Direction carried = transformDirection(d, face, across.face);
                EXPECT_EQ(chunkNeighbour(across, opposite(carried)).address, start);
                const ChunkKey onward = chunkNeighbour(across, carried).address;
                EXPECT_EQ(onward.face, across.face);
                EXPECT_NE(onward, start);
                EXPECT_EQ(transformDirection(Outward, face, across.face), Outward);
                EXPECT_EQ(transformDirection(Inward, face, across.face), Inward);
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
