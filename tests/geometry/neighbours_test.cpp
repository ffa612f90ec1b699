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

// How many in-face steps lead from `to` back to `from`.
int waysBack(const ChunkKey& from, const ChunkKey& to) {
    int count = 0;
    for (std::uint8_t d : {PlusY, MinusY, MinusX, PlusX}) count += step(to, d) == from ? 1 : 0;
    return count;
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
                        } else {  // across a face edge, exactly one way back
                            ASSERT_EQ(waysBack(key, next), 1) << key << " dir " << int{d};
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

// Voxel steps follow the chunk grid's rules: into the centre, out of it onto
// face 5, across a level rise (split) or not, and across face edges at radius
// 400, where a face side has 512 columns.
TEST(VoxelNeighbour, ListedSteps) {
    constexpr std::uint32_t n = 512;
    ASSERT_EQ(1u << columnLevel(400), n);
    const struct {
        VoxelAddress from;
        std::uint8_t direction;
        VoxelAddress to;
        int split;  // -1: not checked
    } cases[] = {
        {{1, 1, 0, 2}, Inward, {0, 0, 0, 0}, -1},
        {{1, 4, 3, 0}, Outward, {2, 5, 6, 0}, 1},
        {{5, 5, 7, 0}, Outward, {5, 6, 7, 0}, 0},
        {{5, 6, 7, 0}, Inward, {5, 5, 7, 0}, -1},
        {{5, 5, 7, 0}, Inward, {2, 4, 3, 0}, -1},
        {{n - 1, 400, 3, 0}, PlusX, {0, 400, 3, 4}, -1},
        {{0, 400, 3, 0}, MinusX, {0, 400, n - 4, 5}, -1},
        {{7, 400, n - 1, 4}, PlusY, {n - 1, 400, 7, 3}, -1},
        {{7, 400, 0, 5}, MinusY, {0, 400, 7, 3}, -1},
    };
    for (const auto& c : cases) {
        const auto step = voxelNeighbour(c.from, c.direction);
        EXPECT_EQ(step.address, c.to) << c.from << " dir " << int{c.direction};
        EXPECT_TRUE(c.split < 0 || step.split == c.split) << c.from << " dir " << int{c.direction};
    }
    for (std::uint8_t face = 0; face < 6; ++face) {  // +x from the centre cell of any face
        EXPECT_EQ(voxelNeighbour({0, 0, 0, face}, PlusX).address, (VoxelAddress{0, 1, 0, 5}));
        EXPECT_EQ(voxelNeighbour({0, 0, 0, face}, PlusX).split, 1);
    }
}

}  // namespace
}  // namespace gravelkin
