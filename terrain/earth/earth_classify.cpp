// TerrainGeneratorEarth::classifyPieces: pieces of a chunk (and whole
// chunks) of air or of deep rock told apart from the rest without sampling a
// voxel, by bounding the density over the box that holds every sample point
// of the piece.
//
// Why the bounds are safe: each noise bound holds for the real-number
// function at every point of its box (noise_bounds.h), and the density's
// terms are combined by interval arithmetic, which can only widen. What the
// float code computes differs from the real function by rounding: sample
// points off by a few ulps of 544 (1e-4 units, which moves a noise value by
// far less than 1e-4), and each noise value, built from a few dozen float
// operations on numbers below 100, off by less than 1e-3 after its largest
// factor (64). densityMargin is a hundred times that.

#include <algorithm>
#include <cmath>
#include <iterator>

#include "geometry/chunk_layers.h"
#include "noise/noise_bounds.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin {

namespace {

constexpr double densityMargin = 0.1;

// Density at or below this colours every voxel stone, the solid fill's colour.
constexpr double stoneDensity = -10.0;

// What a bound must clear to prove a piece air, or stone.
constexpr double airLimit = densityMargin;
constexpr double stoneLimit = stoneDensity - densityMargin;

// Pieces are bounded a quarter of a slab at a time first (4 x 4 layers of
// tiles would cost more to bound than most of them save): small pieces have
// much tighter bounds than the chunk (the outcrop's gate, say, is often one
// sign over a piece and both over the chunk), and only a quarter that stays
// undecided, and near enough to being proven (tilesWorthBounding), is
// bounded tile by tile.
constexpr std::uint32_t tilesPerSide = ChunkPieces::tilesPerSide;

struct Range {
    double lo[3] = {INFINITY, INFINITY, INFINITY};
    double hi[3] = {-INFINITY, -INFINITY, -INFINITY};
};

// The coordinate ranges of each tile of the cache's n x n column directions
// (tiles no column falls in stay empty), keeping the directions in `grid`.
void tileRanges(ColumnDirectionCache& cache, std::uint32_t n, Range out[ChunkPieces::tiles], ChunkPieces::Grid& grid) {
    for (std::uint32_t t = 0; t < ChunkPieces::tiles; ++t) out[t] = Range{};
    grid.columns = n;
    gatherColumnDirections(cache, n, grid.x, grid.y, grid.z);
    for (std::uint32_t i = 0; i < n; ++i) {
        for (std::uint32_t j = 0; j < n; ++j) {
            const std::uint32_t k = i * n + j;
            const double c[3] = {grid.x[k], grid.y[k], grid.z[k]};
            Range& range = out[ChunkPieces::tileOf(i, j, n)];
            for (int k = 0; k < 3; ++k) {
                range.lo[k] = std::min(range.lo[k], c[k]);
                range.hi[k] = std::max(range.hi[k], c[k]);
            }
        }
    }
}

// One piece: the box of its sample points rho * d and its radii.
struct Piece {
    NoiseBox box{{INFINITY, INFINITY, INFINITY}, {-INFINITY, -INFINITY, -INFINITY}};
    double rhoLo = INFINITY;
    double rhoHi = -INFINITY;
    bool empty = true;

    void merge(const Piece& other) {
        if (other.empty) return;
        empty = false;
        rhoLo = std::min(rhoLo, other.rhoLo);
        rhoHi = std::max(rhoHi, other.rhoHi);
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = std::min(box.lo[k], other.box.lo[k]);
            box.hi[k] = std::max(box.hi[k], other.box.hi[k]);
        }
    }

    void add(const Range& range, double rho) {
        if (range.lo[0] > range.hi[0]) return;
        empty = false;
        rhoLo = std::min(rhoLo, rho);
        rhoHi = std::max(rhoHi, rho);
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = std::min(box.lo[k], std::min(rho * range.lo[k], rho * range.hi[k]));
            box.hi[k] = std::max(box.hi[k], std::max(rho * range.lo[k], rho * range.hi[k]));
        }
    }
};

ChunkFillState verdictOf(const Interval& density) {
    if (density.lo >= airLimit) return ChunkFillState::AllAir;
    if (density.hi <= stoneLimit) return ChunkFillState::AllSolid;
    return ChunkFillState::Unknown;
}

// Whether a tighter relief interval than `reliefRange` is likely to prove
// the piece air or stone. The bound of damping * r * 32 + rest at a single
// relief value r is piecewise linear in r, with its corners at the range's
// ends and at 0: the best any relief interval could do. The relief's own
// bound over a piece removes only part of the gap between that and the
// bound over the whole range: at the start view it proves 57 % of the pieces
// that need less than a twentieth of the gap removed, 12 % of those that need
// 45-50 %, 4 % at 55-60 % and almost none beyond; past 55 % its octaves'
// bounds cost more than sampling the few pieces they would prove.
bool reliefCouldDecide(const TerrainGeneratorEarth::DensityTerms& terms, const Interval& reliefRange) {
    constexpr double mostOfGap = 0.55;
    const Interval loose = terms.given(reliefRange);
    double bestLo = -INFINITY;
    double bestHi = INFINITY;
    for (const double r : {reliefRange.lo, reliefRange.hi, std::clamp(0.0, reliefRange.lo, reliefRange.hi)}) {
        const Interval density = terms.given({r, r});
        bestLo = std::max(bestLo, density.lo);
        bestHi = std::min(bestHi, density.hi);
    }
    return (bestLo >= airLimit && airLimit - loose.lo <= mostOfGap * (bestLo - loose.lo)) ||
           (bestHi <= stoneLimit && loose.hi - stoneLimit <= mostOfGap * (loose.hi - bestHi));
}

struct PieceBound {
    ChunkFillState verdict;
    Interval density;  // the tightest bound of the density computed
};

// Most pieces far from the surface are decided with the relief anywhere in
// its whole range; only the others that a tighter relief could decide pay
// for its octaves' bounds over the piece.
PieceBound boundPiece(const TerrainGeneratorEarth& earth, const Interval& reliefRange, Piece piece) {
    // The float products rho * d round by half an ulp of 544.
    for (int k = 0; k < 3; ++k) {
        piece.box.lo[k] -= 1e-3;
        piece.box.hi[k] += 1e-3;
    }
    const TerrainGeneratorEarth::DensityTerms terms = earth.densityTerms(piece.box, piece.rhoLo, piece.rhoHi);
    const Interval loose = terms.given(reliefRange);
    const ChunkFillState verdict = verdictOf(loose);
    if (verdict != ChunkFillState::Unknown || !reliefCouldDecide(terms, reliefRange)) return {verdict, loose};
    const Interval tight =
        terms.given(fractalBounds(earth.reliefNoise, scaled(piece.box, earth.reliefNoise.frequency)));
    return {verdictOf(tight), tight};
}

// Whether the tiles of an undecided quarter whose density lies within
// `quarter` are worth bounding one by one. A tile's bound must move one end
// of the quarter's past a limit (0 for air, -10 for stone); the farther the
// nearer limit lies within the width, the fewer tiles get there: at the
// start view 96 % where it lies within 5 % of the width, 45 % within
// 10-15 %, 5 % within 25-30 % and 1 % beyond a third. Beyond a quarter,
// bounding the tiles costs more than sampling the few it would prove.
bool tilesWorthBounding(const Interval& quarter) {
    const double nearest = std::min(airLimit - quarter.lo, quarter.hi - stoneLimit);
    return nearest <= 0.25 * (quarter.hi - quarter.lo);
}

}  // namespace

Interval TerrainGeneratorEarth::densityBounds(const NoiseBox& points, double rhoLo, double rhoHi) const {
    return densityTerms(points, rhoLo, rhoHi).given(fractalBounds(reliefNoise, scaled(points, reliefNoise.frequency)));
}

TerrainGeneratorEarth::DensityTerms TerrainGeneratorEarth::densityTerms(const NoiseBox& points, double rhoLo,
                                                                        double rhoHi) const {
    const Interval mask =
        absolute(gradientNoiseBounds(reliefMaskNoise, reliefMaskNoise.seed, scaled(points, reliefMaskNoise.frequency)));
    const Interval elevation =
        gradientNoiseBounds(elevationNoise, elevationNoise.seed, scaled(points, elevationNoise.frequency));

    const NoiseBox outcropBox = scaled(points, outcropNoise.frequency);
    const Interval gate = gradientNoiseBounds(outcropNoise, outcropNoise.seed, outcropBox);
    const Interval value = valueNoiseBounds(outcropNoise, outcropNoise.seed, outcropBox);
    const Interval outcrop = (value + Interval{1.0, 1.0}) * -16.0;
    // The outcrop applies where the gate is positive: nowhere, everywhere, or
    // somewhere in the box.
    const Interval outcropTerm = gate.hi <= 0.0 ? Interval{0.0, 0.0} : gate.lo > 0.0 ? outcrop : hull(outcrop, {0.0, 0.0});

    const Interval height{rhoLo - surfaceRadius, rhoHi - surfaceRadius};
    return {Interval{1.0, 1.0} + mask * -1.0, height + elevation * 64.0 + outcropTerm};
}

ChunkFillState TerrainGeneratorEarth::classifyPieces(const ChunkKey& key, ColumnDirectionCache& cache,
                                                     ChunkPieces& pieces) const {
    Piece tiles[ChunkPieces::slabs][ChunkPieces::tiles];
    Range ranges[ChunkPieces::tiles];
    pieces.key = key;
    pieces.grids = 0;
    forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) {
        if (layer.coarser) stepDownToCoarserGrid(cache);
        if (layer.coarser || layer.layer == chunkSize - 1) {
            tileRanges(cache, layer.columns, ranges, pieces.grid[pieces.grids]);
            ++pieces.grids;
        }
        const double rho = static_cast<double>(static_cast<float>(layer.radius) + 0.5f);
        for (std::uint32_t t = 0; t < ChunkPieces::tiles; ++t) {
            tiles[layer.layer / ChunkPieces::slabLayers][t].add(ranges[t], rho);
        }
    });

    const Interval reliefRange = fractalRange(reliefNoise);
    // A chunk well away from the surface is proven whole in one bound instead
    // of sixteen quarters': a quarter of the chunks classified at the start
    // view, for one bound more on each of the others.
    Piece whole;
    for (std::uint32_t s = 0; s < ChunkPieces::slabs; ++s) {
        for (std::uint32_t t = 0; t < ChunkPieces::tiles; ++t) whole.merge(tiles[s][t]);
    }
    if (const ChunkFillState verdict =
            whole.empty ? ChunkFillState::Unknown : boundPiece(*this, reliefRange, whole).verdict;
        verdict != ChunkFillState::Unknown) {
        for (auto& slab : pieces.verdict) std::fill(std::begin(slab), std::end(slab), verdict);
        return verdict;
    }
    constexpr std::uint32_t half = tilesPerSide / 2;
    for (std::uint32_t s = 0; s < ChunkPieces::slabs; ++s) {
        for (std::uint32_t qi = 0; qi < tilesPerSide; qi += half) {
            for (std::uint32_t qj = 0; qj < tilesPerSide; qj += half) {
                Piece quarter;
                for (std::uint32_t ti = qi; ti < qi + half; ++ti) {
                    for (std::uint32_t tj = qj; tj < qj + half; ++tj) quarter.merge(tiles[s][ti * tilesPerSide + tj]);
                }
                const PieceBound quarterBound = quarter.empty
                                                    ? PieceBound{ChunkFillState::Unknown, {-INFINITY, INFINITY}}
                                                    : boundPiece(*this, reliefRange, quarter);
                const bool boundTiles =
                    quarterBound.verdict == ChunkFillState::Unknown && tilesWorthBounding(quarterBound.density);
                for (std::uint32_t ti = qi; ti < qi + half; ++ti) {
                    for (std::uint32_t tj = qj; tj < qj + half; ++tj) {
                        const Piece& tile = tiles[s][ti * tilesPerSide + tj];
                        ChunkFillState& verdict = pieces.verdict[s][ti * tilesPerSide + tj];
                        verdict = quarterBound.verdict;
                        if (boundTiles && !tile.empty) verdict = boundPiece(*this, reliefRange, tile).verdict;
                    }
                }
            }
        }
    }

    // The chunk is air (or deep rock) when every piece holding columns is.
    ChunkFillState chunk = ChunkFillState::Mixed;
    for (std::uint32_t s = 0; s < ChunkPieces::slabs; ++s) {
        for (std::uint32_t t = 0; t < ChunkPieces::tiles; ++t) {
            if (tiles[s][t].empty) continue;
            const ChunkFillState verdict = pieces.verdict[s][t];
            if (verdict == ChunkFillState::Unknown || (chunk != ChunkFillState::Mixed && verdict != chunk)) {
                return ChunkFillState::Unknown;
            }
            chunk = verdict;
        }
    }
    return chunk == ChunkFillState::Mixed ? ChunkFillState::Unknown : chunk;
}

}  // namespace gravelkin
