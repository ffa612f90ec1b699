// The Earth generator's density and colour kernels, one column per lane,
// with the scalar generator's formulas in the scalar generator's operation
// order (the biome kernel is earth_biome_kernel.cpp).
#include "terrain/earth/earth_columns.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "terrain/earth/earth_columns.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include "hwy/highway.h"
#include "noise/noise_cell-inl.h"
#include "noise/noise_fractal-inl.h"
#include "noise/simd_batch-inl.h"
#include "terrain/earth/terrain_generator_earth.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

namespace {

// The reliefNoise fractal chosen by its fractalKind; a value outside the
// enumeration adds no relief.
template <class DF>
HWY_INLINE hn::Vec<DF> FractalRelief(DF df, const NoiseLayer& layer, hn::Vec<DF> x, hn::Vec<DF> y, hn::Vec<DF> z) {
    switch (layer.fractalKind) {
        case FractalKind::Sum:
            return FractalSumOrBillow(df, layer, false, x, y, z);
        case FractalKind::Billow:
            return FractalSumOrBillow(df, layer, true, x, y, z);
        case FractalKind::Ridge:
            return FractalRidge(df, layer, x, y, z);
    }
    return hn::Zero(df);
}

// Scales a sample point by a layer's frequency.
template <class DF>
struct Scaled {
    Scaled(DF df, float frequency, hn::Vec<DF> px, hn::Vec<DF> py, hn::Vec<DF> pz)
        : x(hn::Mul(px, hn::Set(df, frequency))),
          y(hn::Mul(py, hn::Set(df, frequency))),
          z(hn::Mul(pz, hn::Set(df, frequency))) {}
    hn::Vec<DF> x, y, z;
};

// The terms of TerrainGeneratorEarth::densityAt, each for one vector of
// sample points p = rho * d.

template <class DF>
HWY_INLINE hn::Vec<DF> Relief(DF df, const TerrainGeneratorEarth& earth, hn::Vec<DF> px, hn::Vec<DF> py,
                              hn::Vec<DF> pz) {
    const NoiseLayer& layer = earth.reliefNoise;
    const Scaled<DF> r(df, layer.frequency, px, py, pz);
    return FractalRelief(df, layer, r.x, r.y, r.z);
}

// (1 - mask) * (relief * 32) + (rho - surfaceRadius)
template <class DF>
HWY_INLINE hn::Vec<DF> MaskedRelief(DF df, const TerrainGeneratorEarth& earth, hn::Vec<DF> px, hn::Vec<DF> py,
                                    hn::Vec<DF> pz, hn::Vec<DF> relief, hn::Vec<DF> heightAboveSurface) {
    const NoiseLayer& layer = earth.reliefMaskNoise;
    const Scaled<DF> m(df, layer.frequency, px, py, pz);
    const auto mask = hn::Abs(GradientNoise3(df, layer.seed, layer.interpolation, m.x, m.y, m.z));
    return hn::Add(hn::Mul(hn::Sub(hn::Set(df, 1.0f), mask), hn::Mul(relief, hn::Set(df, 32.0f))),
                   heightAboveSurface);
}

// density + elevation * 64
template <class DF>
HWY_INLINE hn::Vec<DF> AddElevation(DF df, const TerrainGeneratorEarth& earth, hn::Vec<DF> px, hn::Vec<DF> py,
                                    hn::Vec<DF> pz, hn::Vec<DF> density) {
    const NoiseLayer& layer = earth.elevationNoise;
    const Scaled<DF> e(df, layer.frequency, px, py, pz);
    const auto elevation = GradientNoise3(df, layer.seed, layer.interpolation, e.x, e.y, e.z);
    return hn::Add(density, hn::Mul(elevation, hn::Set(df, 64.0f)));
}

// The outcrop term: (value + 1) * -16 where the outcrop's gradient noise is
// positive (the gate), nothing elsewhere.
template <class DF>
struct Outcrop {
    hn::Mask<DF> gate;
    hn::Vec<DF> term;  // valid where the gate is open

    Outcrop(DF df, const TerrainGeneratorEarth& earth, hn::Vec<DF> px, hn::Vec<DF> py, hn::Vec<DF> pz) {
        // The gradient and value noise sample the same layer at the same
        // point: one cell, one set of corner indices.
        const NoiseLayer& layer = earth.outcropNoise;
        const Scaled<DF> o(df, layer.frequency, px, py, pz);
        const NoiseCell<DF> cell = MakeNoiseCell(df, layer.interpolation, o.x, o.y, o.z);
        const CornerIndices<DF> corners = CornerIndicesOf(df, layer.seed, cell);
        gate = hn::Gt(GradientNoiseOf(df, cell, corners), hn::Zero(df));
        // The value noise only matters where the gate is open.
        term = hn::AllFalse(df, gate) ? hn::Zero(df)
                                      : hn::Mul(hn::Add(ValueNoiseOf(df, cell, corners), hn::Set(df, 1.0f)),
                                                hn::Set(df, -16.0f));
    }

    hn::Vec<DF> addedTo(hn::Vec<DF> density) const { return hn::IfThenElse(gate, hn::Add(density, term), density); }
};

// density + the outcrop term.
template <class DF>
HWY_INLINE hn::Vec<DF> AddOutcrop(DF df, const TerrainGeneratorEarth& earth, hn::Vec<DF> px, hn::Vec<DF> py,
                                  hn::Vec<DF> pz, hn::Vec<DF> density) {
    return Outcrop<DF>(df, earth, px, py, pz).addedTo(density);
}

// What the observable kernel proves of a density: at least this is air, and
// at most stoneLimit is stone-coloured like the solid fill. The margins cover
// the rounding of the float bounds (see earth_classify.cpp).
constexpr float airLimit = 0.1f;
constexpr float stoneLimit = -10.1f;

// The relief fractal's octaves still to come after each octave (index 0: the
// first), as bounds of what they add to the partial ridge: each later octave
// k adds -amplitude_k * (1 - |n|) with |n| <= simplexMagnitudeBound.
struct RidgeTails {
    float lo[32] = {};
    float hi[32] = {};
};

RidgeTails ridgeTails(const NoiseLayer& layer) {
    RidgeTails tails;
    const std::uint32_t octaves = layer.octaves < 32 ? layer.octaves : 32;
    float amplitude = 1.0f;
    double amplitudes[32] = {};
    for (std::uint32_t o = 1; o < octaves; ++o) {
        amplitude *= layer.gain;
        amplitudes[o] = amplitude;
    }
    double lo = 0.0;
    double hi = 0.0;
    for (std::uint32_t o = octaves; o-- > 0;) {
        tails.lo[o] = static_cast<float>(lo - 1e-3);
        tails.hi[o] = static_cast<float>(hi + 1e-3);
        lo -= amplitudes[o];
        hi += amplitudes[o] * (simplexMagnitudeBound - 1.0);
    }
    return tails;
}

// The densities of one vector of sample points where they matter, 1.0 or
// -10.0 where the bounds settle them first; see earthObservableDensities.
template <class DF>
HWY_INLINE hn::Vec<DF> ObservableDensity(DF df, const TerrainGeneratorEarth& earth, const Interval& reliefRange,
                                         const RidgeTails& tails, hn::Vec<DF> px, hn::Vec<DF> py, hn::Vec<DF> pz,
                                         hn::Vec<DF> heightAboveSurface, std::size_t valid) {
    const NoiseLayer& maskLayer = earth.reliefMaskNoise;
    const Scaled<DF> m(df, maskLayer.frequency, px, py, pz);
    const auto mask = hn::Abs(GradientNoise3(df, maskLayer.seed, maskLayer.interpolation, m.x, m.y, m.z));
    const auto damping = hn::Sub(hn::Set(df, 1.0f), mask);
    const NoiseLayer& elevationLayer = earth.elevationNoise;
    const Scaled<DF> e(df, elevationLayer.frequency, px, py, pz);
    const auto elevation64 = hn::Mul(
        GradientNoise3(df, elevationLayer.seed, elevationLayer.interpolation, e.x, e.y, e.z), hn::Set(df, 64.0f));
    const Outcrop<DF> outcrop(df, earth, px, py, pz);
    // Everything but the relief, in its own order: only ever compared.
    const auto rest = outcrop.addedTo(hn::Add(heightAboveSurface, elevation64));

    const auto unused = hn::Not(hn::FirstN(df, valid));
    auto settledDensity = hn::Zero(df);
    // Whether relief anywhere in [lo, hi] leaves every lane air or stone.
    const auto settles = [&](hn::Vec<DF> lo, hn::Vec<DF> hi) {
        const auto a = hn::Mul(damping, hn::Mul(lo, hn::Set(df, 32.0f)));
        const auto b = hn::Mul(damping, hn::Mul(hi, hn::Set(df, 32.0f)));
        const auto air = hn::Ge(hn::Add(rest, hn::Min(a, b)), hn::Set(df, airLimit));
        const auto stone = hn::Le(hn::Add(rest, hn::Max(a, b)), hn::Set(df, stoneLimit));
        if (!hn::AllTrue(df, hn::Or(hn::Or(air, stone), unused))) return false;
        settledDensity = hn::IfThenElse(air, hn::Set(df, 1.0f), hn::Set(df, -10.0f));
        return true;
    };
    if (settles(hn::Set(df, static_cast<float>(reliefRange.lo)), hn::Set(df, static_cast<float>(reliefRange.hi)))) {
        return settledDensity;
    }
    const NoiseLayer& reliefLayer = earth.reliefNoise;
    const Scaled<DF> r(df, reliefLayer.frequency, px, py, pz);
    auto relief = hn::Zero(df);
    const bool whole = FractalRidgeUnless(df, reliefLayer, r.x, r.y, r.z, relief, [&](hn::Vec<DF> partial, std::uint32_t o) {
        return settles(hn::Add(partial, hn::Set(df, tails.lo[o])), hn::Add(partial, hn::Set(df, tails.hi[o])));
    });
    if (!whole) return settledDensity;
    // The full density, in densityAt's order.
    const auto masked =
        hn::Add(hn::Mul(damping, hn::Mul(relief, hn::Set(df, 32.0f))), heightAboveSurface);
    return outcrop.addedTo(hn::Add(masked, elevation64));
}

// One channel of voxelColour's blend: from + trunc(float(to - from) * t).
template <class DF>
HWY_INLINE hn::Vec<hn::RebindToSigned<DF>> BlendChannel(DF df, hn::Vec<hn::RebindToSigned<DF>> from,
                                                        hn::Vec<hn::RebindToSigned<DF>> to, hn::Vec<DF> t) {
    const hn::RebindToSigned<DF> di;
    // The difference lies within +-255: its conversion is exact, and the
    // product's truncation is ConvertTo's, toward zero.
    return hn::Add(from, hn::ConvertTo(di, hn::Mul(hn::ConvertTo(df, hn::Sub(to, from)), t)));
}

template <class DI>
HWY_INLINE hn::Vec<DI> Channel(DI di, hn::Vec<DI> packed, int channel) {
    return hn::And(hn::ShiftRightSame(packed, 8 * channel), hn::Set(di, 255));
}

HWY_INLINE PackedColour Pack(const ColourBytes& c) {
    return PackedColour{c[0]} | PackedColour{c[1]} << 8 | PackedColour{c[2]} << 16;
}

}  // namespace

void EarthDensities(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z, float rho,
                    float* out, std::size_t count) {
    const hn::ScalableTag<float> df;
    const auto radius = hn::Set(df, rho);
    const auto heightAboveSurface = hn::Set(df, rho - earth.surfaceRadius);
    // One pass per term, each adding to the partial densities in `out`: the
    // same operations as one pass, but each loop small enough to keep its
    // values in registers.
    auto pass = [&](bool first, auto term) {
        ForEachVector(df, count, [&](std::size_t k, std::size_t valid) {
            // p = d * rho, component by component.
            const auto px = hn::Mul(LoadPart(df, x + k, valid), radius);
            const auto py = hn::Mul(LoadPart(df, y + k, valid), radius);
            const auto pz = hn::Mul(LoadPart(df, z + k, valid), radius);
            const auto partial = first ? hn::Zero(df) : LoadPart(df, out + k, valid);
            StorePart(term(px, py, pz, partial), df, out + k, valid);
        });
    };
    pass(true, [&](auto px, auto py, auto pz, auto) { return Relief(df, earth, px, py, pz); });
    pass(false, [&](auto px, auto py, auto pz, auto relief) {
        return MaskedRelief(df, earth, px, py, pz, relief, heightAboveSurface);
    });
    pass(false, [&](auto px, auto py, auto pz, auto density) { return AddElevation(df, earth, px, py, pz, density); });
    pass(false, [&](auto px, auto py, auto pz, auto density) { return AddOutcrop(df, earth, px, py, pz, density); });
}

void EarthObservableDensities(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z,
                              float rho, float* out, std::size_t count) {
    const hn::ScalableTag<float> df;
    const auto radius = hn::Set(df, rho);
    const auto heightAboveSurface = hn::Set(df, rho - earth.surfaceRadius);
    const Interval reliefRange = fractalRange(earth.reliefNoise);
    const RidgeTails tails = ridgeTails(earth.reliefNoise);
    ForEachVector(df, count, [&](std::size_t k, std::size_t valid) {
        const auto px = hn::Mul(LoadPart(df, x + k, valid), radius);
        const auto py = hn::Mul(LoadPart(df, y + k, valid), radius);
        const auto pz = hn::Mul(LoadPart(df, z + k, valid), radius);
        StorePart(ObservableDensity(df, earth, reliefRange, tails, px, py, pz, heightAboveSurface, valid), df,
                  out + k, valid);
    });
}

void EarthColours(const TerrainGeneratorEarth& earth, const float* density, const PackedColour* surface,
                  PackedColour* out, std::size_t count) {
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const hn::RebindToUnsigned<decltype(df)> du;
    const auto subsoil = hn::Set(di, static_cast<std::int32_t>(Pack(earth.subsoilColour)));
    const auto stone = hn::Set(di, static_cast<std::int32_t>(Pack(earth.stoneColour)));
    const auto one = hn::Set(df, 1.0f);
    ForEachVector(df, count, [&](std::size_t k, std::size_t valid) {
        const auto d = LoadPart(df, density + k, valid);
        const auto surfaceColour = hn::BitCast(di, LoadPart(du, surface + k, valid));
        const auto t = hn::Mul(d, hn::Set(df, -0.2f));
        // Down to -5 the surface colour blends to subsoil by t; below, subsoil
        // blends to stone by min(t - 1, 1), with std::min's choice on ties.
        const auto nearSurface = hn::Gt(d, hn::Set(df, -5.0f));
        const auto tMinusOne = hn::Sub(t, one);
        const auto q = hn::IfThenElse(hn::Lt(one, tMinusOne), one, tMinusOne);
        const auto factor = hn::IfThenElse(nearSurface, t, q);
        const auto nearI = hn::RebindMask(di, nearSurface);
        const auto from = hn::IfThenElse(nearI, surfaceColour, subsoil);
        const auto to = hn::IfThenElse(nearI, subsoil, stone);
        auto packed = hn::Zero(di);
        for (int c = 0; c < 3; ++c) {
            const auto channel = BlendChannel(df, Channel(di, from, c), Channel(di, to, c), factor);
            packed = hn::Or(packed, hn::ShiftLeftSame(hn::And(channel, hn::Set(di, 255)), 8 * c));
        }
        // Air (density >= 0) shows stone.
        packed = hn::IfThenElse(hn::RebindMask(di, hn::Ge(d, hn::Zero(df))), stone, packed);
        StorePart(hn::BitCast(du, packed), du, out + k, valid);
    });
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace gravelkin {

HWY_EXPORT(EarthDensities);
HWY_EXPORT(EarthObservableDensities);
HWY_EXPORT(EarthColours);

void earthDensities(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z, float rho,
                    float* out, std::size_t count) {
    HWY_DYNAMIC_DISPATCH(EarthDensities)(earth, x, y, z, rho, out, count);
}

void earthObservableDensities(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z,
                              float rho, float* out, std::size_t count) {
    if (earth.reliefNoise.fractalKind != FractalKind::Ridge) {
        earthDensities(earth, x, y, z, rho, out, count);
        return;
    }
    HWY_DYNAMIC_DISPATCH(EarthObservableDensities)(earth, x, y, z, rho, out, count);
}

void earthSurfaceColours(const TerrainGeneratorEarth& earth, const std::int32_t* biome, PackedColour* out,
                         std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        const std::int32_t b = biome[k];
        const ColourBytes& c = (b >= 0 && b < 4) ? earth.surfaceColours[b] : earth.surfaceColours[0];
        out[k] = PackedColour{c[0]} | PackedColour{c[1]} << 8 | PackedColour{c[2]} << 16;
    }
}

void earthColours(const TerrainGeneratorEarth& earth, const float* density, const PackedColour* surface,
                  PackedColour* out, std::size_t count) {
    HWY_DYNAMIC_DISPATCH(EarthColours)(earth, density, surface, out, count);
}

}  // namespace gravelkin
#endif  // HWY_ONCE
