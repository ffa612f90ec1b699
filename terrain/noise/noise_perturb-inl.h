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
    const LatticeTag<DF> di;
    const auto f = hn::Set(df, frequency);
    const auto xf = hn::Mul(x, f);
    const auto yf = hn::Mul(y, f);
    const auto zf = hn::Mul(z, f);
    const auto one = hn::Set(di, 1);
    const auto x0 = FloorToLattice(df, xf);
    const auto y0 = FloorToLattice(df, yf);
    const auto z0 = FloorToLattice(df, zf);
    const auto x1 = hn::Add(x0, one);
    const auto y1 = hn::Add(y0, one);
    const auto z1 = hn::Add(z0, one);
    const auto wx = hn::Sub(xf, ToFloat(df, x0));
    const auto wy = hn::Sub(yf, ToFloat(df, y0));
    const auto wz = hn::Sub(zf, ToFloat(df, z0));

    // Corners ordered x fastest, then y, then z.
    const auto h00 = PerturbHashXY(df, x0, y0);
    const auto h10 = PerturbHashXY(df, x1, y0);
    const auto h01 = PerturbHashXY(df, x0, y1);
    const auto h11 = PerturbHashXY(df, x1, y1);
    const GradientRows<DF> c[8] = {
        LookUpGradients(df, PerturbIndex(df, h00, z0)), LookUpGradients(df, PerturbIndex(df, h10, z0)),
        LookUpGradients(df, PerturbIndex(df, h01, z0)), LookUpGradients(df, PerturbIndex(df, h11, z0)),
        LookUpGradients(df, PerturbIndex(df, h00, z1)), LookUpGradients(df, PerturbIndex(df, h10, z1)),
        LookUpGradients(df, PerturbIndex(df, h01, z1)), LookUpGradients(df, PerturbIndex(df, h11, z1)),
    };
    auto blend = [&](hn::Vec<DF> GradientRows<DF>::*component) {
        const auto y0z0 = Lerp(c[0].*component, c[1].*component, wx);
        const auto y1z0 = Lerp(c[2].*component, c[3].*component, wx);
        const auto y0z1 = Lerp(c[4].*component, c[5].*component, wx);
        const auto y1z1 = Lerp(c[6].*component, c[7].*component, wx);
        return Lerp(Lerp(y0z0, y1z0, wy), Lerp(y0z1, y1z1, wy), wz);
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
