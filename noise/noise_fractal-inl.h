// SIMD forms of the three fractal sums of simplex noise (noise_fractal.cpp),
// one sample per lane. The octave loop and its seed, amplitude and total are
// the same in every lane, so they stay scalar, computed exactly as there.
//
// Included once per SIMD target; see noise_lattice-inl.h.

#if defined(GRAVELKIN_TERRAIN_NOISE_FRACTAL_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_NOISE_FRACTAL_INL_H_
#undef GRAVELKIN_TERRAIN_NOISE_FRACTAL_INL_H_
#else
#define GRAVELKIN_TERRAIN_NOISE_FRACTAL_INL_H_
#endif

#include <cstdint>

#include "noise/noise.h"
#include "noise/noise_simplex-inl.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

// Steps the sample point to the next octave; the caller steps the seed.
template <class DF>
HWY_INLINE void NextOctave(DF df, const NoiseLayer& layer, hn::Vec<DF>& x, hn::Vec<DF>& y, hn::Vec<DF>& z) {
    const auto lacunarity = hn::Set(df, layer.lacunarity);
    x = hn::Mul(x, lacunarity);
    y = hn::Mul(y, lacunarity);
    z = hn::Mul(z, lacunarity);
}

// |n| * 2 - 1
template <class DF>
HWY_INLINE hn::Vec<DF> BillowOf(DF df, hn::Vec<DF> n) {
    return hn::Sub(hn::Mul(hn::Abs(n), hn::Set(df, 2.0f)), hn::Set(df, 1.0f));
}

// 1 - |n|
template <class DF>
HWY_INLINE hn::Vec<DF> RidgeOf(DF df, hn::Vec<DF> n) {
    return hn::Sub(hn::Set(df, 1.0f), hn::Abs(n));
}

// FractalRidge octave by octave: after each octave but the last, with the
// partial result and the octave's index, settled(result, octave) may end it
// early, where the octaves left cannot change what the caller needs. Returns
// whether every octave was taken; `result` is then FractalRidge's value.
template <class DF, class Settled>
HWY_INLINE bool FractalRidgeUnless(DF df, const NoiseLayer& layer, hn::Vec<DF> x, hn::Vec<DF> y, hn::Vec<DF> z,
                                   hn::Vec<DF>& result, Settled settled) {
    std::uint32_t seed = static_cast<std::uint32_t>(layer.seed);
    result = RidgeOf(df, SimplexNoise3(df, static_cast<std::int32_t>(seed), x, y, z));
    float amplitude = 1.0f;
    for (std::uint32_t o = 1; o < layer.octaves; ++o) {
        if (settled(result, o - 1)) return false;
        NextOctave(df, layer, x, y, z);
        seed += 1u;
        amplitude *= layer.gain;
        const auto n = SimplexNoise3(df, static_cast<std::int32_t>(seed), x, y, z);
        result = hn::Sub(result, hn::Mul(hn::Set(df, amplitude), RidgeOf(df, n)));
    }
    return true;
}

// fractalSum (billow = false) and fractalBillow (billow = true).
template <class DF>
HWY_INLINE hn::Vec<DF> FractalSumOrBillow(DF df, const NoiseLayer& layer, bool billow, hn::Vec<DF> x, hn::Vec<DF> y,
                                          hn::Vec<DF> z) {
    std::uint32_t seed = static_cast<std::uint32_t>(layer.seed);
    auto octave = [&] {
        const auto n = SimplexNoise3(df, static_cast<std::int32_t>(seed), x, y, z);
        return billow ? BillowOf(df, n) : n;
    };
    auto sum = octave();
    float amplitude = 1.0f;
    float total = 1.0f;
    for (std::uint32_t o = 1; o < layer.octaves; ++o) {
        NextOctave(df, layer, x, y, z);
        seed += 1u;
        amplitude *= layer.gain;
        total += amplitude;
        sum = hn::Add(sum, hn::Mul(hn::Set(df, amplitude), octave()));
    }
    return hn::Div(sum, hn::Set(df, total));
}

// fractalRidge.
template <class DF>
HWY_INLINE hn::Vec<DF> FractalRidge(DF df, const NoiseLayer& layer, hn::Vec<DF> x, hn::Vec<DF> y, hn::Vec<DF> z) {
    auto result = hn::Zero(df);
    FractalRidgeUnless(df, layer, x, y, z, result, [](hn::Vec<DF>, std::uint32_t) { return false; });
    return result;
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_NOISE_FRACTAL_INL_H_
