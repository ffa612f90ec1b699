// The biome cells against a scan of every point: throughout each cell, its
// candidates alone find the point a scan of all finds; the face grid the
// cells follow; cells that know the points they were built from; and the
// biome kernel that uses them against biomeAt on every SIMD instruction set.
#include "terrain/earth/biome_cells.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "terrain/earth/earth_columns.h"
#include "terrain/earth/nearest_biome.h"
#include "terrain/earth/terrain_generator_earth.h"
#include "tests/support/simd_target_params.h"

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

using BiomeKernelTest = OnEachSimdTarget;

// The biome kernel against biomeAt: columns in 4 x 4 patches as neighbouring
// columns come (most vectors then lie in one cell of the biome cells), also
// on face edges and corners; the same columns shuffled (vectors spread over
// cells); and with the points changed after the generator was built, which
// the cells then no longer serve.
TEST_P(BiomeKernelTest, MatchesBiomeAt) {
    std::vector<std::array<float, 3>> centres;
    constexpr int spiral = 1500;
    for (int k = 0; k < spiral; ++k) {
        const double y = 1.0 - (k + 0.5) * 2.0 / spiral;
        const double r = std::sqrt(1.0 - y * y);
        const double turn = k * 2.399963229728653;
        centres.push_back({float(r * std::cos(turn)), float(y), float(r * std::sin(turn))});
    }
    for (const float a : {-1.0f, 1.0f}) {
        for (const float b : {-1.0f, 1.0f}) {
            for (const float c : {-1.0f, 0.0f, 1.0f}) centres.push_back({a, b, c}), centres.push_back({c, a, b});
        }
    }
    std::vector<float> x, y, z;
    for (const auto& c : centres) {
        // Two directions across c, and 16 columns 0.003 apart, about a
        // column's width at the surface.
        const std::array<float, 3> t1 = std::fabs(c[0]) < 0.9f ? std::array<float, 3>{0.0f, -c[2], c[1]}
                                                                  : std::array<float, 3>{-c[2], 0.0f, c[0]};
        const std::array<float, 3> t2 = {c[1] * t1[2] - c[2] * t1[1], c[2] * t1[0] - c[0] * t1[2],
                                         c[0] * t1[1] - c[1] * t1[0]};
        for (int a = 0; a < 4; ++a) {
            for (int b = 0; b < 4; ++b) {
                float d[3];
                for (int k = 0; k < 3; ++k) d[k] = c[k] + 0.003f * (float(a) * t1[k] + float(b) * t2[k]);
                const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                x.push_back(d[0] / length);
                y.push_back(d[1] / length);
                z.push_back(d[2] / length);
            }
        }
    }
    std::vector<std::size_t> order(x.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::uint32_t state = 5u;
    for (std::size_t k = order.size(); k-- > 1;) {
        state = state * 1664525u + 1013904223u;
        std::swap(order[k], order[state % (k + 1)]);
    }
    const std::size_t count = x.size();
    for (std::size_t k = 0; k < count; ++k) {
        x.push_back(x[order[k]]);
        y.push_back(y[order[k]]);
        z.push_back(z[order[k]]);
    }

    std::vector<TerrainGeneratorEarth> variants(3, TerrainGeneratorEarth());
    std::reverse(variants[1].biomePoints.begin(), variants[1].biomePoints.end());
    variants[2].biomePoints.resize(7);
    // The one-lane SCALAR target is slow under the sanitizers: a fifth of
    // the columns there.
    const std::size_t stride = GetParam().name == "SCALAR" ? 5 : 1;
    for (std::size_t v = 0; v < variants.size(); ++v) {
        const TerrainGeneratorEarth& g = variants[v];
        std::vector<std::int32_t> biomes(x.size());
        earthBiomes(g, x.data(), y.data(), z.data(), biomes.data(), x.size());
        for (std::size_t k = 0; k < x.size(); k += stride) {
            ASSERT_EQ(biomes[k], g.biomeAt(Vec4{x[k], y[k], z[k], 0.0f})) << "variant " << v << " column " << k;
        }
    }
}

GRAVELKIN_ON_EACH_SIMD_TARGET(BiomeKernelTest);

}  // namespace
}  // namespace gravelkin::test
