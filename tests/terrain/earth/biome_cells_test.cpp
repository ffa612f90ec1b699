// The biome cells against a scan of every point: throughout each cell, its
// candidates alone find the point a scan of all finds; the face grid the
// cells follow; and cells that know the points they were built from.
#include "terrain/earth/biome_cells.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "terrain/earth/nearest_biome.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin::test {
namespace {

constexpr std::uint32_t side = BiomeCells::cellsPerSide;

// nearestBiome over the candidates of `cell` alone, in their order.
std::int32_t nearestAmongCandidates(const BiomeCells& cells, std::uint32_t cell,
                                    const std::vector<BiomePoint>& points, const Vec4& w) {
    std::vector<BiomePoint> candidates;
    for (std::uint32_t k = 0; k < cells.candidateCount(cell); ++k) candidates.push_back(points[cells.candidates(cell)[k]]);
    return nearestBiome(candidates, w);
}

// Directions of `cell` on a grid of its face coordinates, its edges and
// corners included, each at three lengths (warped directions are not unit).
template <typename Visit>
void forEachDirectionOf(std::uint32_t cell, Visit visit) {
    const std::uint32_t face = cell / (side * side);
    const std::uint32_t ci = cell / side % side;
    const std::uint32_t cj = cell % side;
    constexpr int steps = 12;
    constexpr float width = 2.0f / side;
    for (int a = 0; a <= steps; ++a) {
        for (int b = 0; b <= steps; ++b) {
            const float u = -1.0f + (static_cast<float>(ci) + static_cast<float>(a) / steps) * width;
            const float v = -1.0f + (static_cast<float>(cj) + static_cast<float>(b) / steps) * width;
            const float major = face % 2 == 0 ? 1.0f : -1.0f;
            float d[3];
            const int axis = static_cast<int>(face / 2);
            d[axis] = major;
            d[axis == 0 ? 1 : 0] = u;
            d[axis == 2 ? 1 : 2] = v;
            for (const float length : {0.6f, 1.0f, 1.4f}) visit(Vec4{d[0] * length, d[1] * length, d[2] * length, 0.0f});
        }
    }
}

// Returns the largest number of candidates of a cell.
std::uint32_t expectCandidatesFindTheNearest(const std::vector<BiomePoint>& points) {
    const BiomeCells cells(points);
    EXPECT_TRUE(cells.builtFrom(points));
    std::uint32_t largest = 0;
    for (std::uint32_t cell = 0; cell < BiomeCells::cellCount; ++cell) {
        largest = std::max(largest, cells.candidateCount(cell));
        bool wrong = false;
        forEachDirectionOf(cell, [&](const Vec4& w) {
            if (wrong) return;
            wrong = nearestAmongCandidates(cells, cell, points, w) != nearestBiome(points, w);
            EXPECT_FALSE(wrong) << "cell " << cell << " direction " << w.x << " " << w.y << " " << w.z;
        });
        if (wrong) break;
    }
    return largest;
}

TEST(BiomeCellsTest, CandidatesFindTheNearestPointThroughoutTheirCell) {
    for (const std::int32_t seed : {defaultTerrainSeed, 7, -20240611}) {
        SCOPED_TRACE(seed);
        const std::vector<BiomePoint> points = TerrainGeneratorEarth(seed).biomePoints;
        const std::uint32_t largest = expectCandidatesFindTheNearest(points);
        // Few, or the cells would save the kernel nothing.
        EXPECT_LT(largest * 4, points.size());
    }
}

// Points in the same place tie everywhere: the earlier one must win in the
// cells as in a scan of all, whichever biome the later one has.
TEST(BiomeCellsTest, PointsInTheSamePlaceStayCandidatesTogether) {
    std::vector<BiomePoint> points = TerrainGeneratorEarth().biomePoints;
    const std::size_t count = points.size();
    for (std::size_t k = 0; k < count; k += 10) points.push_back({points[k].direction, (points[k].biome + 1) % 4});
    expectCandidatesFindTheNearest(points);
    expectCandidatesFindTheNearest({{{0, 0, 1, 0}, 2}});
}

TEST(BiomeCellsTest, CellsFollowTheFaceGrid) {
    const auto cellAt = [](std::uint32_t face, std::uint32_t i, std::uint32_t j) { return (face * side + i) * side + j; };
    EXPECT_EQ(BiomeCells::cellOf(1.0f, 0.0f, 0.0f), cellAt(0, 4, 4));
    EXPECT_EQ(BiomeCells::cellOf(-1.0f, 0.5f, -0.99f), cellAt(1, 6, 0));
    EXPECT_EQ(BiomeCells::cellOf(0.2f, -3.0f, 0.1f), cellAt(3, 4, 4));
    EXPECT_EQ(BiomeCells::cellOf(0.1f, 0.3f, 1.0f), cellAt(4, 4, 5));
    EXPECT_EQ(BiomeCells::cellOf(0.1f, 0.3f, -1.0f), cellAt(5, 4, 5));
    // A tie of magnitudes goes to x before y before z; the far edge is the
    // last cell's.
    EXPECT_EQ(BiomeCells::cellOf(1.0f, 1.0f, 0.0f), cellAt(0, 7, 4));
    EXPECT_EQ(BiomeCells::cellOf(0.0f, -1.0f, 1.0f), cellAt(3, 4, 7));
    // No direction at all still names a cell.
    EXPECT_LT(BiomeCells::cellOf(0.0f, 0.0f, 0.0f), BiomeCells::cellCount);
    EXPECT_LT(BiomeCells::cellOf(NAN, 1.0f, 0.0f), BiomeCells::cellCount);
}

TEST(BiomeCellsTest, CellsKnowThePointsTheyWereBuiltFrom) {
    const TerrainGeneratorEarth earth;
    std::vector<BiomePoint> points = earth.biomePoints;
    EXPECT_TRUE(earth.biomeCells.builtFrom(points));
    points[5].biome = (points[5].biome + 1) % 4;
    EXPECT_FALSE(earth.biomeCells.builtFrom(points));
    points = earth.biomePoints;
    points[5].direction.y = std::nextafter(points[5].direction.y, 2.0f);
    EXPECT_FALSE(earth.biomeCells.builtFrom(points));
    points.pop_back();
    EXPECT_FALSE(earth.biomeCells.builtFrom(points));
    EXPECT_FALSE(earth.biomeCells.builtFrom({}));
    EXPECT_FALSE(BiomeCells().builtFrom({}));
}

}  // namespace
}  // namespace gravelkin::test
