// Which biome points can be the nearest to a direction, cell by cell of the
// cube's faces: the biome kernel scans a cell's few candidates instead of
// every point wherever a vector's columns all lie in one cell.
//
// A cell is a square of a face's grid: the directions whose component of
// largest magnitude lies along the face's axis, with the face's sign, and
// whose other two components over that magnitude lie in the cell's ranges.
// Its candidates are, in the points' order, every point that can have the
// largest dot product with some direction of the cell. Every other point
// falls short of the point nearest the cell's centre throughout the cell,
// by far more than a float dot product's rounding, so the first point with
// the largest dot product is always a candidate and a scan of the candidates
// finds the same point as a scan of all.
//
// Immutable once built; any thread may read it.
#pragma once

#include <cstdint>
#include <vector>

#include "terrain/terrain_generator_base.h"

namespace gravelkin {

class BiomeCells {
public:
    static constexpr std::uint32_t cellsPerSide = 8;
    static constexpr std::uint32_t cellCount = 6 * cellsPerSide * cellsPerSide;

    // No cells: built from no points.
    BiomeCells() = default;
    // The cells of `points`; none where there are more points than a
    // candidate index holds.
    explicit BiomeCells(const std::vector<BiomePoint>& points);

    // Whether these are the cells of exactly `points` (a generator's points
    // may be changed after it is built).
    bool builtFrom(const std::vector<BiomePoint>& points) const;

    // A cell's candidates: indices into the points, ascending.
    const std::uint16_t* candidates(std::uint32_t cell) const { return indices_.data() + first_[cell]; }
    std::uint32_t candidateCount(std::uint32_t cell) const { return first_[cell + 1] - first_[cell]; }

    // The cell of the direction of (x, y, z), not zero, as the biome kernel
    // computes it lane by lane.
    static std::uint32_t cellOf(float x, float y, float z);

private:
    std::vector<BiomePoint> points_;
    std::vector<std::uint32_t> first_;  // cellCount + 1 offsets into indices_, where built
    std::vector<std::uint16_t> indices_;
};

}  // namespace gravelkin
