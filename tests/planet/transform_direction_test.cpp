#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "planet/transform_direction.h"

namespace gravelkin {
namespace {

struct TurnRow {
    std::set<std::pair<int, int>> pairs;
    Direction plusY, minusY, plusX, minusX;
};

const TurnRow turnedRows[] = {
    {{{0, 5}, {2, 4}, {4, 2}, {5, 0}}, MinusY, PlusY, MinusX, PlusX},
    {{{4, 5}, {5, 4}}, MinusY, PlusY, PlusX, MinusX},
    {{{1, 4}, {1, 5}, {4, 3}, {5, 3}}, MinusX, PlusX, PlusY, MinusY},
    {{{3, 4}, {3, 5}, {4, 1}, {5, 1}}, PlusX, MinusX, MinusY, PlusY},
};

TEST(TransformDirection, FollowsTheTableForEveryPairOfFaces) {
    for (int from = 0; from < 6; ++from) {
        for (int to = 0; to < 6; ++to) {
            const TurnRow* row = nullptr;
            for (const TurnRow& candidate : turnedRows) {
                if (candidate.pairs.count({from, to})) row = &candidate;
            }
            SCOPED_TRACE(testing::Message() << "from " << from << " to " << to);
            const auto f = static_cast<std::uint8_t>(from);
            const auto t = static_cast<std::uint8_t>(to);
            EXPECT_EQ(transformDirection(PlusY, f, t), row ? row->plusY : PlusY);
            EXPECT_EQ(transformDirection(MinusY, f, t), row ? row->minusY : MinusY);
            EXPECT_EQ(transformDirection(PlusX, f, t), row ? row->plusX : PlusX);
            EXPECT_EQ(transformDirection(MinusX, f, t), row ? row->minusX : MinusX);
            EXPECT_EQ(transformDirection(Outward, f, t), Outward);
            EXPECT_EQ(transformDirection(Inward, f, t), Inward);
        }
    }
}

TEST(TransformDirection, CountsSixteenUnchangedPairsBesideTheDiagonal) {
    int unchanged = 0;
    for (std::uint8_t from = 0; from < 6; ++from) {
        for (std::uint8_t to = 0; to < 6; ++to) {
            if (from == to) continue;
            bool same = true;
            for (Direction d : {PlusY, MinusY, PlusX, MinusX}) same = same && transformDirection(d, from, to) == d;
            unchanged += same;
        }
    }
    EXPECT_EQ(unchanged, 16);
}

TEST(TransformDirection, StartDirectionsOnFaceFiveAreReversed) {
    EXPECT_EQ(transformDirection(MinusY, 0, 5), PlusY);
    EXPECT_EQ(transformDirection(PlusX, 0, 5), MinusX);
    for (std::uint8_t face = 0; face < 5; ++face) {
        EXPECT_EQ(transformDirection(MinusY, 0, face), MinusY);
        EXPECT_EQ(transformDirection(PlusX, 0, face), PlusX);
    }
}

// Across every face edge, the carried direction keeps the walk heading away
// from the edge it crossed: stepping back against it returns to the start,
// and stepping on with it does not.
TEST(TransformDirection, KeepsAWalkHeadingTheSameWayAcrossEveryEdge) {
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
                SCOPED_TRACE(testing::Message() << "face " << int(face) << " direction " << int(d) << " along "
                                                << along);
                const ChunkKey across = chunkNeighbour(start, d).address;
                ASSERT_NE(across.face, face);
                const Direction carried = transformDirection(d, face, across.face);
                EXPECT_EQ(chunkNeighbour(across, opposite(carried)).address, start);
                const ChunkKey onward = chunkNeighbour(across, carried).address;
                EXPECT_EQ(onward.face, across.face);
                EXPECT_NE(onward, start);
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin
