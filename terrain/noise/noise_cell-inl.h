// SIMD forms of the two cubic-lattice noises (noise_lattice.cpp), one sample
// per lane: the eight corners of each lane's cell, blended with faded weights
// along x, then y, then z, in the scalar code's order. The cell and its corner
// indices are separate steps, so that gradient and value noise of one layer
// at one point can share them.
//
// Included once per SIMD target; see noise_lattice-inl.h.
//
// Depends on: noise_lattice-inl.h.

#if defined(GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
#undef GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
#else
#define GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
#endif

#include <cstdint>

#include "terrain/noise/noise_lattice-inl.h"
#include "terrain/noise/noise_lattice_hash.h"
#include "terrain/noise/noise_tables.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

// The cell of each lane's point: lattice corner, corner offsets and faded
// weights.
template <class DF>
struct LatticeCell {
    hn::Vec<DF> dx0, dy0, dz0, dx1, dy1, dz1;  // point minus the lower / upper corner
    hn::Vec<DF> fx, fy, fz;                    // faded weights
    hn::Vec<LatticeTag<DF>> x0, y0, z0;        // lower corner
};

template <class DF>
HWY_INLINE LatticeCell<DF> MakeCell(DF df, std::uint32_t interpolation, hn::Vec<DF> x, hn::Vec<DF> y,
                                    hn::Vec<DF> z) {
    const LatticeTag<DF> di;
    const auto one = hn::Set(di, 1);
    LatticeCell<DF> cell;
    cell.x0 = FloorToLattice(df, x);
    cell.y0 = FloorToLattice(df, y);
    cell.z0 = FloorToLattice(df, z);
    // Each corner's offset comes from its own lattice coordinate.
    cell.dx0 = hn::Sub(x, ToFloat(df, cell.x0));
    cell.dy0 = hn::Sub(y, ToFloat(df, cell.y0));
    cell.dz0 = hn::Sub(z, ToFloat(df, cell.z0));
    cell.dx1 = hn::Sub(x, ToFloat(df, hn::Add(cell.x0, one)));
    cell.dy1 = hn::Sub(y, ToFloat(df, hn::Add(cell.y0, one)));
    cell.dz1 = hn::Sub(z, ToFloat(df, hn::Add(cell.z0, one)));
    cell.fx = Fade(df, interpolation, cell.dx0);
    cell.fy = Fade(df, interpolation, cell.dy0);
    cell.fz = Fade(df, interpolation, cell.dz0);
    return cell;
}

// The table index of each of the cell's eight corners, x fastest, then y,
// then z: either one per corner for all lanes, when the whole vector lies in
// one cell (hashed once, in scalar code, and the rows broadcast), or one per
// lane.
template <class DF>
struct CornerIndices {
    bool shared;                       // every lane lies in the same cell
    std::uint32_t common[8];           // the indices when shared
    hn::Vec<LatticeTag<DF>> lanes[8];  // otherwise, lane by lane
};

template <class DF>
HWY_INLINE CornerIndices<DF> CornerIndicesOf(DF df, std::int32_t seed, const LatticeCell<DF>& c) {
    (void)df;
    const LatticeTag<DF> di;
    CornerIndices<DF> corners;
    if (SamePointInEveryLane(di, c.x0, c.y0, c.z0)) {
        corners.shared = true;
        const std::int32_t x0 = hn::GetLane(c.x0);
        const std::int32_t y0 = hn::GetLane(c.y0);
        const std::int32_t z0 = hn::GetLane(c.z0);
        for (int k = 0; k < 8; ++k) {
            // The scalar code's own hash of the corner.
            corners.common[k] = noise_detail::latticeIndex(seed, noise_detail::wrapAdd(x0, k & 1),
                                                           noise_detail::wrapAdd(y0, (k >> 1) & 1),
                                                           noise_detail::wrapAdd(z0, k >> 2));
        }
        return corners;
    }
    corners.shared = false;
    const HashTag<DF> du;
    const auto one = hn::Set(di, 1);
    const auto seedBits = hn::Set(du, static_cast<std::uint32_t>(seed));
    // The hash stages shared by corners with equal x, or equal x and y.
    const auto hx0 = HashX(du, seedBits, c.x0);
    const auto hx1 = HashX(du, seedBits, hn::Add(c.x0, one));
    const auto y1 = hn::Add(c.y0, one);
    const hn::Vec<HashTag<DF>> hxy[4] = {HashXY(du, hx0, c.y0), HashXY(du, hx1, c.y0), HashXY(du, hx0, y1),
                                         HashXY(du, hx1, y1)};
    const auto z1 = hn::Add(c.z0, one);
    for (int k = 0; k < 8; ++k) corners.lanes[k] = FoldToIndex(du, HashXYZ(du, hxy[k & 3], k < 4 ? c.z0 : z1));
    return corners;
}

// The trilinear blend of the eight corner values, as blendCell does it.
template <class V>
HWY_INLINE V BlendCorners(V v000, V v100, V v010, V v110, V v001, V v101, V v011, V v111, V fx, V fy, V fz) {
    const V vy0z0 = Lerp(v000, v100, fx);
    const V vy1z0 = Lerp(v010, v110, fx);
    const V vy0z1 = Lerp(v001, v101, fx);
    const V vy1z1 = Lerp(v011, v111, fx);
    const V vz0 = Lerp(vy0z0, vy1z0, fy);
    const V vz1 = Lerp(vy0z1, vy1z1, fy);
    return Lerp(vz0, vz1, fz);
}

// gradientNoise3 from the cell, with each corner's gradient row from
// rowOf(k).
template <class DF, class RowOf>
HWY_INLINE hn::Vec<DF> BlendGradients(DF df, const LatticeCell<DF>& c, RowOf rowOf) {
    const auto v000 = Dot(rowOf(0), c.dx0, c.dy0, c.dz0);
    const auto v100 = Dot(rowOf(1), c.dx1, c.dy0, c.dz0);
    const auto v010 = Dot(rowOf(2), c.dx0, c.dy1, c.dz0);
    const auto v110 = Dot(rowOf(3), c.dx1, c.dy1, c.dz0);
    const auto v001 = Dot(rowOf(4), c.dx0, c.dy0, c.dz1);
    const auto v101 = Dot(rowOf(5), c.dx1, c.dy0, c.dz1);
    const auto v011 = Dot(rowOf(6), c.dx0, c.dy1, c.dz1);
    const auto v111 = Dot(rowOf(7), c.dx1, c.dy1, c.dz1);
    const auto blended = BlendCorners(v000, v100, v010, v110, v001, v101, v011, v111, c.fx, c.fy, c.fz);
    return hn::Mul(blended, hn::Set(df, 1.4f));
}

template <class DF>
HWY_INLINE hn::Vec<DF> GradientNoiseOf(DF df, const LatticeCell<DF>& c, const CornerIndices<DF>& i) {
    if (i.shared) {
        return BlendGradients(df, c, [&](int k) { return BroadcastGradient(df, i.common[k]); });
    }
    return BlendGradients(df, c, [&](int k) { return LookUpGradients(df, i.lanes[k]); });
}

// valueNoise3 from the cell and its corner indices.
template <class DF>
HWY_INLINE hn::Vec<DF> ValueNoiseOf(DF df, const LatticeCell<DF>& c, const CornerIndices<DF>& i) {
    hn::Vec<DF> v[8];
    for (int k = 0; k < 8; ++k) {
        v[k] = i.shared ? hn::Set(df, valueTable[i.common[k]]) : LookUpValues(df, i.lanes[k]);
    }
    return BlendCorners(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], c.fx, c.fy, c.fz);
}

template <class DF>
HWY_INLINE hn::Vec<DF> GradientNoise3(DF df, std::int32_t seed, std::uint32_t interpolation, hn::Vec<DF> x,
                                      hn::Vec<DF> y, hn::Vec<DF> z) {
    const LatticeCell<DF> c = MakeCell(df, interpolation, x, y, z);
    return GradientNoiseOf(df, c, CornerIndicesOf(df, seed, c));
}

template <class DF>
HWY_INLINE hn::Vec<DF> ValueNoise3(DF df, std::int32_t seed, std::uint32_t interpolation, hn::Vec<DF> x,
                                   hn::Vec<DF> y, hn::Vec<DF> z) {
    const LatticeCell<DF> c = MakeCell(df, interpolation, x, y, z);
    return ValueNoiseOf(df, c, CornerIndicesOf(df, seed, c));
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_NOISE_CELL_INL_H_
