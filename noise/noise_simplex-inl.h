// SIMD form of three-dimensional simplex noise (noise_simplex.cpp), one
// sample per lane, with the scalar code's skew, corner choice and summation
// order.
//
// Included once per SIMD target; see noise_lattice-inl.h.

#if defined(GRAVELKIN_TERRAIN_NOISE_SIMPLEX_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_NOISE_SIMPLEX_INL_H_
#undef GRAVELKIN_TERRAIN_NOISE_SIMPLEX_INL_H_
#else
#define GRAVELKIN_TERRAIN_NOISE_SIMPLEX_INL_H_
#endif

#include <cstdint>

#include "noise/noise_lattice-inl.h"
#include "noise/noise_lattice_hash.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

// One corner's ramp (0.6 - |d|^2)^4 (g . d); 0 where the ramp is negative
// (or NaN), exactly where the scalar code returns 0.
template <class DF>
HWY_INLINE hn::Vec<DF> SimplexCorner(DF df, const GradientRows<DF>& g, hn::Vec<DF> dx, hn::Vec<DF> dy,
                                     hn::Vec<DF> dz) {
    const auto a = hn::Sub(hn::Sub(hn::Sub(hn::Set(df, 0.6f), hn::Mul(dx, dx)), hn::Mul(dy, dy)), hn::Mul(dz, dz));
    const auto a2 = hn::Mul(a, a);
    const auto a4 = hn::Mul(a2, a2);
    return hn::IfThenElseZero(hn::Ge(a, hn::Zero(df)), hn::Mul(a4, Dot(g, dx, dy, dz)));
}

// The gradient row of lattice point (i, j, k) per lane; `shared` says that
// every lane holds the same point.
template <class DF>
HWY_INLINE GradientRows<DF> SimplexGradient(DF df, std::int32_t seed, bool shared, hn::Vec<LatticeTag<DF>> i,
                                            hn::Vec<LatticeTag<DF>> j, hn::Vec<LatticeTag<DF>> k) {
    if (shared) {
        return BroadcastGradient(df, noise_detail::latticeIndex(seed, hn::GetLane(i), hn::GetLane(j), hn::GetLane(k)));
    }
    const HashTag<DF> du;
    return LookUpGradients(df, LatticeIndex(df, hn::Set(du, static_cast<std::uint32_t>(seed)), i, j, k));
}

template <class DF>
HWY_INLINE hn::Vec<DF> SimplexNoise3(DF df, std::int32_t seed, hn::Vec<DF> x, hn::Vec<DF> y, hn::Vec<DF> z) {
    const LatticeTag<DF> di;
    const auto skew = hn::Set(df, 0.33333334f);
    const auto unskew = hn::Set(df, 0.16666667f);
    const auto one = hn::Set(df, 1.0f);

    const auto s = hn::Mul(hn::Add(hn::Add(x, y), z), skew);
    const auto i = FloorToLattice(df, hn::Add(x, s));
    const auto j = FloorToLattice(df, hn::Add(y, s));
    const auto k = FloorToLattice(df, hn::Add(z, s));

    const auto t = hn::Mul(ToFloat(df, hn::Add(hn::Add(i, j), k)), unskew);
    const auto x0 = hn::Sub(x, hn::Sub(ToFloat(df, i), t));
    const auto y0 = hn::Sub(y, hn::Sub(ToFloat(df, j), t));
    const auto z0 = hn::Sub(z, hn::Sub(ToFloat(df, k), t));

    // The tetrahedron, chosen per lane as in the scalar code.
    const auto xOverY = hn::Ge(x0, y0);
    const auto yOverZ = hn::Ge(y0, z0);
    const auto xOverZ = hn::Ge(x0, z0);
    const auto i1 = hn::And(xOverY, xOverZ);
    const auto j1 = hn::AndNot(xOverY, yOverZ);
    const auto k1 = hn::Not(hn::Or(i1, j1));
    const auto i2 = hn::Or(xOverY, xOverZ);
    const auto j2 = hn::Or(hn::Not(xOverY), yOverZ);
    const auto k2 = hn::Not(hn::And(xOverZ, yOverZ));

    // x0 - 0.0f is x0 bit for bit, so subtracting a selected 0 or 1 matches
    // the scalar x0 - float(i1).
    const auto x1 = hn::Add(hn::Sub(x0, hn::IfThenElseZero(i1, one)), unskew);
    const auto y1 = hn::Add(hn::Sub(y0, hn::IfThenElseZero(j1, one)), unskew);
    const auto z1 = hn::Add(hn::Sub(z0, hn::IfThenElseZero(k1, one)), unskew);
    const auto x2 = hn::Add(hn::Sub(x0, hn::IfThenElseZero(i2, one)), skew);
    const auto y2 = hn::Add(hn::Sub(y0, hn::IfThenElseZero(j2, one)), skew);
    const auto z2 = hn::Add(hn::Sub(z0, hn::IfThenElseZero(k2, one)), skew);
    const auto half = hn::Set(df, 0.5f);
    const auto x3 = hn::Add(hn::Sub(x0, one), half);
    const auto y3 = hn::Add(hn::Sub(y0, one), half);
    const auto z3 = hn::Add(hn::Sub(z0, one), half);

    // Where the whole vector lies in one cell of the skewed lattice, the
    // first and last corners are the same point in every lane; where it also
    // lies in one tetrahedron, so are the other two.
    const bool sameCell = SamePointInEveryLane(di, i, j, k);
    const bool sameTetrahedron =
        sameCell && Uniform(df, xOverY) && Uniform(df, yOverZ) && Uniform(df, xOverZ);
    const auto step = hn::Set(di, 1);
    const auto n0 = SimplexCorner(df, SimplexGradient(df, seed, sameCell, i, j, k), x0, y0, z0);
    const auto n1 = SimplexCorner(
        df,
        SimplexGradient(df, seed, sameTetrahedron, StepWhere(df, i, i1), StepWhere(df, j, j1), StepWhere(df, k, k1)),
        x1, y1, z1);
    const auto n2 = SimplexCorner(
        df,
        SimplexGradient(df, seed, sameTetrahedron, StepWhere(df, i, i2), StepWhere(df, j, j2), StepWhere(df, k, k2)),
        x2, y2, z2);
    const auto n3 = SimplexCorner(
        df, SimplexGradient(df, seed, sameCell, hn::Add(i, step), hn::Add(j, step), hn::Add(k, step)), x3, y3, z3);

    return hn::Mul(hn::Set(df, 40.0f), hn::Add(hn::Add(hn::Add(n0, n1), n2), n3));
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_NOISE_SIMPLEX_INL_H_
