// SIMD form of the gradient perturbation (noise_perturb.cpp), one point per
// lane: the eight corner gradients of each lane's cell, blended component by
// component with the plain fractions, x, then y, then z.
//
// Included once per SIMD target; see noise_lattice-inl.h.

#if defined(GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
#undef GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
#else
#define GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
#endif

#include "noise/noise_lattice-inl.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

template <class DF>
HWY_INLINE void GradientPerturb(DF df, hn::Vec<DF>& x, hn::Vec<DF>& y, hn::Vec<DF>& z, float frequency,
                                float amplitude) {
    const auto f = hn::Set(df, frequency);
    const LatticeCell<DF> cell = LatticeCellOf(df, hn::Mul(x, f), hn::Mul(y, f), hn::Mul(z, f));
    hn::Vec<LatticeTag<DF>> corner[8];
    PerturbCornerIndexLanes(df, cell, corner);
    // Each corner's gradient is looked up where it is blended: holding all
    // eight rows at once would not fit the vector registers.
    const GradientRows<DF> c[8] = {
        LookUpGradients(df, corner[0]), LookUpGradients(df, corner[1]), LookUpGradients(df, corner[2]),
        LookUpGradients(df, corner[3]), LookUpGradients(df, corner[4]), LookUpGradients(df, corner[5]),
        LookUpGradients(df, corner[6]), LookUpGradients(df, corner[7]),
    };
    auto blend = [&](hn::Vec<DF> GradientRows<DF>::*component) {
        const hn::Vec<DF> v[8] = {c[0].*component, c[1].*component, c[2].*component, c[3].*component,
                                  c[4].*component, c[5].*component, c[6].*component, c[7].*component};
        return Trilinear(v, cell.dx0, cell.dy0, cell.dz0);
    };
    const auto a = hn::Set(df, amplitude);
    x = hn::Add(x, hn::Mul(a, blend(&GradientRows<DF>::x)));
    y = hn::Add(y, hn::Mul(a, blend(&GradientRows<DF>::y)));
    z = hn::Add(z, hn::Mul(a, blend(&GradientRows<DF>::z)));
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_NOISE_PERTURB_INL_H_
