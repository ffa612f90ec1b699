// The shell grid: the level table (columns a face side at each radius), the
// chunk grid it sets, the chunk at a position, and the steps from a chunk or
// voxel to its neighbours. The far-terrain node grid over it: nodes nest in
// their parents and chunks in level-1 nodes, over every band the terrain can
// reach, and the steps to the nodes next door are mutual.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <initializer_list>
#include <ostream>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "geometry/face_mapping.h"
#include "geometry/far_node_key.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "geometry/position_lookup.h"
#include "tests/support/comparisons.h"

namespace gravelkin {

// How failures print a key and an address (found by argument-dependent lookup).
std::ostream& operator<<(std::ostream& out, const ChunkKey& key) {
    return out << "(" << key.x << ", " << key.shell << ", " << key.y << ", face " << int{key.face} << ")";
}

std::ostream& operator<<(std::ostream& out, const VoxelAddress& a) {
    return out << "(" << a.x << ", r " << a.radius << ", " << a.y << ", face " << int{a.face} << ")";
}

}  // namespace gravelkin

namespace gravelkin::test {
namespace {

TEST(LevelTableTest, LevelRisesByOneAtTheListedRadii) {
    const std::uint32_t rises[] = {1, 2, 5, 10, 20, 40, 81, 162, 325, 651, 1303, 2607};
    for (std::uint32_t r = 0, level = 0; r <= 3000; ++r) {
        if (level < std::size(rises) && r == rises[level]) ++level;
        ASSERT_EQ(columnLevel(r), level) << "radius " << r;
    }
    // A column never grows wider than 2 units: radius 4 with 4 columns still fits, radius 5 needs 8.
    EXPECT_TRUE(columnChord(4, 4) <= 2.0f && columnChord(5, 4) > 2.0f && columnChord(5, 8) <= 2.0f);
}

// The table is process-wide: each check starts past whatever other tests
// grew. Growth is to exactly the radius asked, in one step; threads growing
// it while reading covered entries far more often must read the values the
// table settles on, and the settled levels rise by at most one a radius.
TEST(LevelTableTest, GrowsToExactlyTheRadiusAskedAndConcurrentReadsAgree) {
    const std::uint32_t base = levelTableLength() + 100;
    ensureLevels(base);
    EXPECT_EQ(levelTableLength(), base + 1);
    ensureLevels(base - 50);
    EXPECT_EQ(levelTableLength(), base + 1);
    columnLevel(base + 5000);
    EXPECT_EQ(levelTableLength(), base + 5001);
    std::thread a([base] { ensureLevels(base + 7000); });
    std::thread b([base] { ensureLevels(base + 9000); });
    a.join();
    b.join();
    EXPECT_EQ(levelTableLength(), base + 9001);

    const std::uint32_t top = levelTableLength() + 60000;
    const auto radius = [top](std::uint32_t t, std::uint32_t k) {
        return ((k + 4000 * t) * 2654435761u >> 7) % (k % 8 ? 2000 : top);
    };
    std::atomic<bool> go{false};
    std::vector<std::uint8_t> seen[6];
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (std::uint32_t k = 0; k < 4000; ++k) seen[t].push_back(columnLevel(radius(t, k)));
        });
    }
    go.store(true);
    for (auto& thread : threads) thread.join();
    for (std::uint32_t r = 1; r < top; ++r) {
        ASSERT_LE(static_cast<unsigned>(columnLevel(r) - columnLevel(r - 1)), 1u) << "radius " << r;
    }
    for (std::uint32_t t = 0; t < 6; ++t) {
        for (std::uint32_t k = 0; k < 4000; ++k) ASSERT_EQ(seen[t][k], columnLevel(radius(t, k))) << t << " " << k;
    }
}

// Chunks per side double where the outer layer's level rises; columns per
// chunk halve inward where the level drops.
TEST(ChunkGridTest, SizesFollowTheLevelsAndCentresLieOnTheFaces) {
    const std::pair<std::uint32_t, std::int32_t> shells[] = {{0, 1},   {1, 2},   {2, 4},   {4, 4},   {5, 8},
                                                             {9, 8},   {10, 16}, {19, 16}, {20, 32}, {39, 32},
                                                             {40, 64}, {81, 128}};
    for (const auto& [shell, chunks] : shells) EXPECT_EQ(chunksPerSide(shell), chunks) << "shell " << shell;
    const std::uint32_t radii[][3] = {{0, 0, 1},    {1, 1, 2},    {2, 4, 4},      {5, 9, 8},
                                      {10, 19, 16}, {20, 31, 32}, {320, 324, 16}, {325, 351, 32}};
    for (const auto& [first, last, columns] : radii) {
        for (std::uint32_t r = first; r <= last; ++r) EXPECT_EQ(columnsPerChunk(r), columns) << "radius " << r;
    }
    test::expectNear(chunkCentre({0, 0, 0, 0}), {0, 0, 16}, 1e-5f);
    test::expectNear(chunkCentre({0, 0, 0, 4}), {-16, 0, 0}, 1e-5f);
    test::expectNear(chunkCentre({0, 12, 0, 0}), {224.40f, 224.09f, 243.78f}, 0.01f);
    test::expectNear(chunkCentre({7, 12, 8, 5}), {398.93f, 19.61f, 21.71f}, 0.01f);
}

TEST(ChunkKeyAtTest, ListedPositions) {
    const struct { float x, y, z; ChunkKey key; } cases[] = {
        {-224.40f, -224.09f, 243.78f, {15, 12, 15, 0}}, {10, 400, 30, {7, 12, 8, 1}},
        {3, -250, 40, {3, 7, 3, 3}},                    {-300, 20, -5, {4, 9, 3, 4}},
        {5, 5, -420, {7, 13, 8, 2}},                    {100, -2, 3, {1, 3, 1, 5}},
        // The innermost shell has one chunk a face; the centre is on face 0.
        {0, 0, 20, {0, 0, 0, 0}},                       {0.5f, 0.2f, 0.1f, {0, 0, 0, 5}},
        {0, -31, 0, {0, 0, 0, 3}},                      {0, 0, 0, {0, 0, 0, 0}},
        // On the edge between two faces the earlier face wins; where that puts
        // a coordinate at the chunk count it is clamped to the last chunk.
        {-300, 0, 300, {15, 13, 8, 0}},                 {0, -300, 300, {8, 13, 15, 0}},
        {-300, 300, 0, {15, 13, 8, 1}},                 {300, 0, -300, {0, 13, 8, 2}},
        {300, -300, 0, {0, 13, 8, 3}},                  {-250, -250, 250, {15, 13, 15, 0}},
        {-1000, -1000, 1000, {63, 54, 63, 0}},          {300, 300, 10, {0, 13, 8, 1}},
        {-300, 10, 300, {15, 13, 7, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(chunkKeyAt(c.x, c.y, c.z), c.key) << c.x << ", " << c.y << ", " << c.z;

    EXPECT_EQ(chunkKeyAt(0, 0, 100000).shell, 3125u);  // grows the level table for a new shell
    EXPECT_GE(levelTableLength(), 32u * 3125 + 32);
}

// A step and where it leads; split -1 is not checked.
template <typename Address>
struct ListedStep { Address from; Direction direction; Address to; int split; };

template <typename Address, typename Neighbour>
void expectSteps(std::initializer_list<ListedStep<Address>> cases, Neighbour neighbour) {
    for (const ListedStep<Address>& c : cases) {
        const auto next = neighbour(c.from, c.direction);
        EXPECT_TRUE(next.address == c.to && (c.split < 0 || next.split == c.split))
            << c.from << " dir " << int{c.direction} << " gave " << next.address << " split " << int{next.split};
    }
}

// Chunk steps across the face edges of shell 12, radially across a level
// change and inward through the centre of the planet. Voxel steps follow the
// same rules: into the centre, out of it onto face 5 from any face, across a
// level rise (split) or not, and across face edges at radius 400, where a
// face side has 512 columns.
TEST(NeighboursTest, ListedSteps) {
    expectSteps<ChunkKey>({{{15, 12, 3, 0}, PlusX, {0, 12, 3, 4}, 0},   {{0, 12, 3, 0}, MinusX, {0, 12, 12, 5}, 0},
                           {{7, 12, 15, 4}, PlusY, {15, 12, 7, 3}, 0},  {{7, 12, 0, 5}, MinusY, {0, 12, 7, 3}, 0},
                           {{3, 9, 5, 2}, Outward, {6, 10, 10, 2}, 1},  {{7, 10, 11, 2}, Inward, {3, 9, 5, 2}, 0},
                           {{3, 12, 5, 2}, Outward, {3, 13, 5, 2}, 0},  {{0, 0, 0, 4}, Inward, {0, 0, 0, 5}, 0},
                           {{0, 0, 0, 1}, Inward, {0, 0, 0, 3}, 0},     {{0, 0, 0, 0}, Inward, {0, 0, 0, 2}, 0}},
                          chunkNeighbour);
    constexpr std::uint32_t n = 512;  // columns a face side at radius 400
    expectSteps<VoxelAddress>(
        {{{1, 1, 0, 2}, Inward, {0, 0, 0, 0}, -1},         {{1, 4, 3, 0}, Outward, {2, 5, 6, 0}, 1},
         {{5, 5, 7, 0}, Outward, {5, 6, 7, 0}, 0},         {{5, 6, 7, 0}, Inward, {5, 5, 7, 0}, -1},
         {{5, 5, 7, 0}, Inward, {2, 4, 3, 0}, -1},         {{n - 1, 400, 3, 0}, PlusX, {0, 400, 3, 4}, -1},
         {{0, 400, 3, 0}, MinusX, {0, 400, n - 4, 5}, -1}, {{7, 400, n - 1, 4}, PlusY, {n - 1, 400, 7, 3}, -1},
         {{7, 400, 0, 5}, MinusY, {0, 400, 7, 3}, -1},     {{0, 0, 0, 0}, PlusX, {0, 1, 0, 5}, 1},
         {{0, 0, 0, 1}, PlusX, {0, 1, 0, 5}, 1},           {{0, 0, 0, 2}, PlusX, {0, 1, 0, 5}, 1},
         {{0, 0, 0, 3}, PlusX, {0, 1, 0, 5}, 1},           {{0, 0, 0, 4}, PlusX, {0, 1, 0, 5}, 1},
         {{0, 0, 0, 5}, PlusX, {0, 1, 0, 5}, 1}},
        voxelNeighbour);
}

ChunkKey step(const ChunkKey& key, Direction direction) { return chunkNeighbour(key, direction).address; }

// Every chunk of shells 0 to 40 (level steps, face edges, the centre): its
// centre maps back to it, in-face steps stay in the grid and exactly one step
// leads back, and outward and inward steps invert each other, four fine
// chunks facing one coarse one across a split.
TEST(ChunkNeighbourTest, EveryChunkOfShellsZeroToFortyLeadsBack) {
    const Direction inFace[] = {PlusY, MinusY, MinusX, PlusX};
    for (std::uint32_t shell = 0; shell <= 40; ++shell) {
        const auto n = static_cast<std::uint32_t>(chunksPerSide(shell));
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (std::uint32_t x = 0; x < n; ++x) {
                for (std::uint32_t y = 0; y < n; ++y) {
                    const ChunkKey key{x, shell, y, face};
                    const Vec3 centre = chunkCentre(key);
                    ASSERT_EQ(chunkKeyAt(centre.x, centre.y, centre.z), key);
                    for (const Direction d : inFace) {
                        const ChunkKey next = step(key, d);
                        ASSERT_TRUE(next.shell == shell && next.x < n && next.y < n) << key << " dir " << int{d};
                        int waysBack = 0;
                        for (const Direction back : inFace) waysBack += step(next, back) == key;
                        ASSERT_EQ(waysBack, 1) << key << " dir " << int{d};
                        ASSERT_TRUE(next.face != face || step(next, opposite(d)) == key) << key << " dir " << int{d};
                    }
                    const auto out = chunkNeighbour(key, Outward);
                    for (std::uint32_t k = 0; k < (out.split ? 4u : 1u); ++k) {
                        const ChunkKey fine{out.address.x + (k & 1), shell + 1, out.address.y + (k >> 1), face};
                        ASSERT_EQ(step(fine, Inward), key) << fine;
                    }
                    if (shell == 0) continue;
                    const ChunkKey in = step(key, Inward);
                    const auto back = chunkNeighbour(in, Outward);
                    ASSERT_TRUE(!back.split || in == (ChunkKey{x >> 1, shell - 1, y >> 1, face})) << key;
                    ASSERT_EQ(back.address, (back.split ? ChunkKey{x & ~1u, shell, y & ~1u, face} : key)) << key;
                }
            }
        }
    }
}

// Shells 0 .. 63: beyond the planet's terrain on both sides.
constexpr std::uint32_t lastTestShell = 63;

TEST(FarNodeKeyTest, GridsMatchTheChunkGridOfTheBandsOuterShell) {
    EXPECT_EQ(farNodeGrid(1, 4), 4u);   // shells 8, 9: 8 chunks a side
    EXPECT_EQ(farNodeGrid(1, 6), 8u);   // shells 12, 13: 16
    EXPECT_EQ(farNodeGrid(2, 3), 4u);   // shells 12 .. 15
    EXPECT_EQ(farNodeGrid(3, 1), 2u);   // shells 8 .. 15
    EXPECT_EQ(farNodeGrid(4, 0), 1u);   // shells 0 .. 15
    EXPECT_EQ(farNodeGrid(4, 1), 2u);   // shells 16 .. 31: 32 chunks at shell 31
}

TEST(FarNodeKeyTest, ChildrenTileTheirParentAndFindItAgain) {
    for (const FarNodeKey& root : farRootNodes(0, lastTestShell)) {
        std::vector<FarNodeKey> open{root};
        while (!open.empty()) {
            const FarNodeKey key = open.back();
            open.pop_back();
            if (key.face != 0 && key.face != 5) continue;  // two faces are enough
            if (key.level == 1) {
                const std::vector<ChunkKey> chunks = farNodeChunks(key);
                ASSERT_FALSE(chunks.empty());
                for (const ChunkKey& chunk : chunks) ASSERT_EQ(farNodeOfChunk(chunk), key);
                continue;
            }
            const std::vector<FarNodeKey> children = farNodeChildren(key);
            ASSERT_FALSE(children.empty());
            for (const FarNodeKey& child : children) {
                ASSERT_EQ(child.level + 1, key.level);
                ASSERT_EQ(child.band >> 1, key.band);
                const std::uint32_t ratio = farNodeGrid(child.level, child.band) / farNodeGrid(key.level, key.band);
                ASSERT_EQ(child.x / ratio, key.x);
                ASSERT_EQ(child.y / ratio, key.y);
                ASSERT_EQ(farNodeParent(child), key);
                open.push_back(child);
            }
        }
    }
}

// Lateral steps are mutual, across face edges too; radial ones say where the
// grid changes.
TEST(FarNodeKeyTest, NeighboursAreMutualAndSayWhereTheGridChanges) {
    constexpr Direction lateral[] = {PlusY, MinusY, MinusX, PlusX};
    const std::uint32_t m = farNodeGrid(1, 6);
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (std::uint32_t k = 0; k < m * m; ++k) {
            const FarNodeKey key{k / m, 6, k % m, face, 1};
            for (const Direction side : lateral) {
                const FarNodeStep step = farNodeNeighbour(key, side);
                ASSERT_TRUE(step.sameGrid);
                const auto leadsBack = [&](Direction other) { return farNodeNeighbour(step.key, other).key == key; };
                EXPECT_TRUE(std::ranges::any_of(lateral, leadsBack)) << int(face) << " " << k << " side " << int(side);
            }
        }
    }
    EXPECT_FALSE(farNodeNeighbour({0, 4, 0, 0, 1}, Outward).sameGrid);  // 4 squares a side, then 8
    EXPECT_EQ(farNodeNeighbour({3, 4, 1, 0, 1}, Outward).key, (FarNodeKey{7, 5, 3, 0, 1}));
    EXPECT_TRUE(farNodeNeighbour({3, 6, 1, 0, 1}, Outward).sameGrid);
    EXPECT_FALSE(farNodeNeighbour({0, 0, 0, 2, 1}, Inward).exists);
}

TEST(FarNodeKeyTest, SphereHoldsTheRegionsCornersAndMiddles) {
    for (const FarNodeKey key : {FarNodeKey{0, 0, 0, 3, 4}, FarNodeKey{2, 6, 5, 1, 1}, FarNodeKey{1, 3, 0, 4, 2}}) {
        const FarNodeSphere sphere = farNodeSphere(key);
        const float m = static_cast<float>(farNodeGrid(key.level, key.band));
        for (int a = 0; a <= 32; ++a) {
            for (int b = 0; b <= 32; ++b) {
                const Vec4 d = faceDirection(key.face, (static_cast<float>(key.x) + a / 32.0f) / m,
                                             (static_cast<float>(key.y) + b / 32.0f) / m);
                for (const std::uint32_t r : {farNodeInnerRadius(key), farNodeOuterRadius(key)}) {
                    const Vec3 p{d.x * r - sphere.centre.x, d.y * r - sphere.centre.y, d.z * r - sphere.centre.z};
                    ASSERT_LE(std::sqrt(dot3(p, p)), sphere.radius);
                }
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
