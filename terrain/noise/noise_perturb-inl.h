// SIMD form of the gradient perturbation (noise_perturb.cpp), one point per
// lane: the eight corner gradients of each lane's cell, blended component by
// component with the plain fractions, x, then y, then z.
//
// Included once per SIMD target; see noise_lattice-inl.h.
//
// Depends on: noise_lattice-inl.h.

#if defined(GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
#undef GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
#else
#define GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
#endif

#include "terrain/noise/noise_lattice-inl.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

template <class DF>
HWY_INLINE void GradientPerturb(DF df, hn::Vec<DF>& x, hn::Vec<DF>& y, hn::Vec<DF>& z, float frequency,
                                float amplitude) {
    const auto f = hn::Set(df, frequency);
    const LatticeCell<DF> c = LatticeCellOf(df, hn::Mul(x, f), hn::Mul(y, f), hn::Mul(z, f));
    hn::Vec<LatticeTag<DF>> corner[8];
    PerturbCornerIndexLanes(df, c, corner);
    hn::Vec<DF> gx[8], gy[8], gz[8];
    for (int k = 0; k < 8; ++k) {
        const GradientRows<DF> g = LookUpGradients(df, corner[k]);
        gx[k] = g.x;
        gy[k] = g.y;
        gz[k] = g.z;
    }
    const auto a = hn::Set(df, amplitude);
    x = hn::Add(x, hn::Mul(a, Trilinear(gx, c.dx0, c.dy0, c.dz0)));
    y = hn::Add(y, hn::Mul(a, Trilinear(gy, c.dx0, c.dy0, c.dz0)));
    z = hn::Add(z, hn::Mul(a, Trilinear(gz, c.dx0, c.dy0, c.dz0)));
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
