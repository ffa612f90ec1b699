#include "geometry/neighbours.h"

#include <ostream>

#include <gtest/gtest.h>

#include "geometry/level_table.h"

namespace gravelkin {

std::ostream& operator<<(std::ostream& out, const ChunkKey& key);

std::ostream& operator<<(std::ostream& out, const VoxelAddress& a) {
    return out << "(" << a.x << ", r " << a.radius << ", " << a.y << ", face " << int{a.face} << ")";
}

namespace {

ChunkKey step(const ChunkKey& key, std::uint8_t direction) { return chunkNeighbour(key, direction).address; }

// Steps across the face edges of shell 12, radial steps across a level
// change and inward through the centre of the planet.
TEST(ChunkNeighbour, ListedSteps) {
    const struct {
        ChunkKey from;
        std::uint8_t direction;
        ChunkKey to;
        std::uint8_t split;
    } cases[] = {
        {{15, 12, 3, 0}, PlusX, {0, 12, 3, 4}, 0},  {{0, 12, 3, 0}, MinusX, {0, 12, 12, 5}, 0},
        {{7, 12, 15, 4}, PlusY, {15, 12, 7, 3}, 0}, {{7, 12, 0, 5}, MinusY, {0, 12, 7, 3}, 0},
        {{3, 9, 5, 2}, Outward, {6, 10, 10, 2}, 1}, {{7, 10, 11, 2}, Inward, {3, 9, 5, 2}, 0},
        {{3, 12, 5, 2}, Outward, {3, 13, 5, 2}, 0}, {{0, 0, 0, 4}, Inward, {0, 0, 0, 5}, 0},
        {{0, 0, 0, 1}, Inward, {0, 0, 0, 3}, 0},    {{0, 0, 0, 0}, Inward, {0, 0, 0, 2}, 0},
    };
    for (const auto& c : cases) {
        const auto step = chunkNeighbour(c.from, c.direction);
        EXPECT_EQ(step.address, c.to) << c.from << " dir " << int{c.direction};
        EXPECT_EQ(step.split, c.split) << c.from << " dir " << int{c.direction};
    }
}

// The one in-face direction that leads from `to` back to `from` across the
// edge a step crossed; 255 when none or more than one does, or when the way
// back does not itself cross an edge.
std::uint8_t directionBack(const ChunkKey& from, const ChunkKey& to) {
    std::uint8_t found = 255;
    int count = 0;
    for (std::uint8_t d : {PlusY, MinusY, MinusX, PlusX}) {
        if (step(to, d) == from) {
            found = d;
            ++count;
        }
    }
    if (count != 1 || from.face == to.face) return 255;
    return found;
}

TEST(ChunkNeighbour, EveryStepOfShellsZeroToTwentyFiveLeadsBack) {
    for (std::uint32_t shell = 0; shell <= 25; ++shell) {
        const auto n = static_cast<std::uint32_t>(chunksPerSide(shell));
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (std::uint32_t x = 0; x < n; ++x) {
                for (std::uint32_t y = 0; y < n; ++y) {
                    const ChunkKey key{x, shell, y, face};
                    for (std::uint8_t d : {PlusY, MinusY, MinusX, PlusX}) {
                        const ChunkKey next = step(key, d);
                        ASSERT_EQ(next.shell, shell);
                        ASSERT_LT(next.x, n);
                        ASSERT_LT(next.y, n);
                        if (next.face == face) {
                            ASSERT_EQ(step(next, opposite(d)), key) << key << " dir " << int{d};
                        } else {
                            ASSERT_NE(directionBack(key, next), 255) << key << " dir " << int{d};
                        }
                    }
                    const auto out = chunkNeighbour(key, Outward);
                    if (out.split) {
                        for (std::uint32_t k = 0; k < 4; ++k) {
                            const ChunkKey fine{out.address.x + (k & 1), shell + 1, out.address.y + (k >> 1), face};
                            ASSERT_EQ(step(fine, Inward), key) << fine;
                        }
                    } else {
                        ASSERT_EQ(step(out.address, Inward), key) << key;
                    }
                    if (shell > 0) {
                        const ChunkKey in = step(key, Inward);
                        const auto back = chunkNeighbour(in, Outward);
                        if (back.split) {
                            ASSERT_EQ(back.address.x, in.x * 2);
                            ASSERT_EQ(key.x >> 1, in.x);
                            ASSERT_EQ(key.y >> 1, in.y);
                        } else {
                            ASSERT_EQ(back.address, key);
                        }
                    }
                }
            }
        }
    }
}

TEST(VoxelNeighbour, ListedSteps) {
    EXPECT_EQ(voxelNeighbour({1, 1, 0, 2}, Inward).address, (VoxelAddress{0, 0, 0, 0}));
    for (std::uint8_t face = 0; face < 6; ++face) {
        const auto fromCentre = voxelNeighbour({0, 0, 0, face}, PlusX);
        EXPECT_EQ(fromCentre.address, (VoxelAddress{0, 1, 0, 5}));
        EXPECT_EQ(fromCentre.split, 1);
    }
    const auto split = voxelNeighbour({1, 4, 3, 0}, Outward);
    EXPECT_EQ(split.address, (VoxelAddress{2, 5, 6, 0}));
    EXPECT_EQ(split.split, 1);
    const auto plain = voxelNeighbour({5, 5, 7, 0}, Outward);
    EXPECT_EQ(plain.address, (VoxelAddress{5, 6, 7, 0}));
    EXPECT_EQ(plain.split, 0);
    EXPECT_EQ(voxelNeighbour({5, 6, 7, 0}, Inward).address, (VoxelAddress{5, 5, 7, 0}));
    EXPECT_EQ(voxelNeighbour({5, 5, 7, 0}, Inward).address, (VoxelAddress{2, 4, 3, 0}));
}

TEST(VoxelNeighbour, FaceCrossingsMatchTheChunkGrid) {
    // At radius 400 a face side has 512 columns: the same crossing rules apply.
    const std::uint32_t radius = 400;
    const std::uint32_t n = 1u << columnLevel(radius);
    EXPECT_EQ(voxelNeighbour({n - 1, radius, 3, 0}, PlusX).address, (VoxelAddress{0, radius, 3, 4}));
    EXPECT_EQ(voxelNeighbour({0, radius, 3, 0}, MinusX).address, (VoxelAddress{0, radius, n - 4, 5}));
    EXPECT_EQ(voxelNeighbour({7, radius, n - 1, 4}, PlusY).address, (VoxelAddress{n - 1, radius, 7, 3}));
    EXPECT_EQ(voxelNeighbour({7, radius, 0, 5}, MinusY).address, (VoxelAddress{0, radius, 7, 3}));
}

}  // namespace
}  // namespace gravelkin
