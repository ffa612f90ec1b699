// SIMD forms of the two cubic-lattice noises (noise_lattice.cpp), one sample
// per lane: the eight corners of each lane's cell, blended with faded weights
// along x, then y, then z, in the scalar code's order. The cell and its corner
// indices are separate steps, so that gradient and value noise of one layer
// at one point can share them.
//
// Included once per SIMD target; see noise_lattice-inl.h.

#if defined(GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
#undef GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
#else
#define GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
#endif

#include <array>
#include <cstdint>

#include "noise/noise_lattice-inl.h"
#include "noise/noise_lattice_hash.h"
#include "noise/noise_tables.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

// The cell of each lane's point with what the blend needs besides: the
// point's offset from the upper corner and the faded weights.
template <class DF>
struct NoiseCell {
    LatticeCell<DF> lattice;
    hn::Vec<DF> dx1, dy1, dz1;  // point minus the upper corner
    hn::Vec<DF> fx, fy, fz;     // faded weights
};

template <class DF>
HWY_INLINE NoiseCell<DF> MakeNoiseCell(DF df, Interpolation interpolation, hn::Vec<DF> x, hn::Vec<DF> y,
                                       hn::Vec<DF> z) {
    NoiseCell<DF> cell;
    cell.lattice = LatticeCellOf(df, x, y, z);
    const LatticeCell<DF>& c = cell.lattice;
    // Each upper offset comes from the upper corner's own coordinate.
    cell.dx1 = hn::Sub(x, ToFloat(df, c.x1));
    cell.dy1 = hn::Sub(y, ToFloat(df, c.y1));
    cell.dz1 = hn::Sub(z, ToFloat(df, c.z1));
    cell.fx = Fade(df, interpolation, c.dx0);
    cell.fy = Fade(df, interpolation, c.dy0);
    cell.fz = Fade(df, interpolation, c.dz0);
    return cell;
}

// The table index of each of the cell's eight corners, x fastest, then y,
// then z: either one per corner for all lanes, when the whole vector lies in
// one cell (hashed once, in scalar code, and the rows broadcast), or one per
// lane.
template <class DF>
struct CornerIndices {
    bool shared;                          // every lane lies in the same cell
    std::array<std::uint32_t, 8> common;  // the indices when shared
    hn::Vec<LatticeTag<DF>> lanes[8];     // otherwise, lane by lane
};

template <class DF>
HWY_INLINE CornerIndices<DF> CornerIndicesOf(DF df, std::int32_t seed, const NoiseCell<DF>& cell) {
    const LatticeTag<DF> di;
    const LatticeCell<DF>& c = cell.lattice;
    CornerIndices<DF> corners;
    corners.shared = SamePointInEveryLane(di, c.x0, c.y0, c.z0);
    if (corners.shared) {
        // The scalar code's own hash of the corners.
        const noise_detail::LatticeCell first{hn::GetLane(c.x0), hn::GetLane(c.y0), hn::GetLane(c.z0),
                                              hn::GetLane(c.x1), hn::GetLane(c.y1), hn::GetLane(c.z1),
                                              0.0f,              0.0f,              0.0f};
        corners.common = noise_detail::cornerIndices(first, [seed](std::int32_t x, std::int32_t y, std::int32_t z) {
            return noise_detail::latticeIndex(seed, x, y, z);
        });
    } else {
        SeededCornerIndexLanes(df, seed, c, corners.lanes);
    }
    return corners;
}

// gradientNoise3 from the cell, with each corner's gradient row from
// rowOf(k).
template <class DF, class RowOf>
HWY_INLINE hn::Vec<DF> BlendGradients(DF df, const NoiseCell<DF>& cell, RowOf rowOf) {
    const LatticeCell<DF>& c = cell.lattice;
    const hn::Vec<DF> v[8] = {
        Dot(rowOf(0), c.dx0, c.dy0, c.dz0),       Dot(rowOf(1), cell.dx1, c.dy0, c.dz0),
        Dot(rowOf(2), c.dx0, cell.dy1, c.dz0),    Dot(rowOf(3), cell.dx1, cell.dy1, c.dz0),
        Dot(rowOf(4), c.dx0, c.dy0, cell.dz1),    Dot(rowOf(5), cell.dx1, c.dy0, cell.dz1),
        Dot(rowOf(6), c.dx0, cell.dy1, cell.dz1), Dot(rowOf(7), cell.dx1, cell.dy1, cell.dz1),
    };
    return hn::Mul(Trilinear(v, cell.fx, cell.fy, cell.fz), hn::Set(df, 1.4f));
}

template <class DF>
HWY_INLINE hn::Vec<DF> GradientNoiseOf(DF df, const NoiseCell<DF>& c, const CornerIndices<DF>& i) {
    if (i.shared) {
        return BlendGradients(df, c, [&](int k) { return BroadcastGradient(df, i.common[k]); });
    }
    return BlendGradients(df, c, [&](int k) { return LookUpGradients(df, i.lanes[k]); });
}

// valueNoise3 from the cell and its corner indices.
template <class DF>
HWY_INLINE hn::Vec<DF> ValueNoiseOf(DF df, const NoiseCell<DF>& c, const CornerIndices<DF>& i) {
    hn::Vec<DF> v[8];
    for (int k = 0; k < 8; ++k) {
        v[k] = i.shared ? hn::Set(df, valueTable[i.common[k]]) : LookUpValues(df, i.lanes[k]);
    }
    return Trilinear(v, c.fx, c.fy, c.fz);
}

template <class DF>
HWY_INLINE hn::Vec<DF> GradientNoise3(DF df, std::int32_t seed, Interpolation interpolation, hn::Vec<DF> x,
                                      hn::Vec<DF> y, hn::Vec<DF> z) {
    const NoiseCell<DF> c = MakeNoiseCell(df, interpolation, x, y, z);
    return GradientNoiseOf(df, c, CornerIndicesOf(df, seed, c));
}

template <class DF>
HWY_INLINE hn::Vec<DF> ValueNoise3(DF df, std::int32_t seed, Interpolation interpolation, hn::Vec<DF> x,
                                   hn::Vec<DF> y, hn::Vec<DF> z) {
    const NoiseCell<DF> c = MakeNoiseCell(df, interpolation, x, y, z);
    return ValueNoiseOf(df, c, CornerIndicesOf(df, seed, c));
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
