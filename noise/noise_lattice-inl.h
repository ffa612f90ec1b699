// Lattice addressing for the SIMD noise, one lane per sample: the same floor,
// cell, hashes and blend steps as noise_lattice_hash.h and noise_blend.h, with the
// same operation order, so that every lane is bit-identical to the scalar
// function. Multiplications and additions stay separate (never MulAdd): the
// scalar code is built without FMA contraction.
//
// Included once per SIMD target (Highway's foreach_target mechanism): it has
// a per-target include guard and defines everything in the target's
// namespace.

#if defined(GRAVELKIN_TERRAIN_NOISE_LATTICE_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_NOISE_LATTICE_INL_H_
#undef GRAVELKIN_TERRAIN_NOISE_LATTICE_INL_H_
#else
#define GRAVELKIN_TERRAIN_NOISE_LATTICE_INL_H_
#endif

#include <cstdint>

#include "hwy/highway.h"
#include "noise/noise.h"
#include "noise/noise_tables.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class DF>
using LatticeTag = hn::RebindToSigned<DF>;
template <class DF>
using HashTag = hn::RebindToUnsigned<DF>;

// Truncation toward zero of floats within (-2^31, 2^31). The hardware
// conversion is exact there; Highway's portable ConvertTo adds a fix-up for
// out-of-range lanes that FloorToLattice does its own way.
template <class DF>
HWY_INLINE hn::Vec<LatticeTag<DF>> TruncateInRange(DF df, hn::Vec<DF> a) {
    const LatticeTag<DF> di;
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    if constexpr (hn::MaxLanes(DF()) == 16) return hn::Vec<LatticeTag<DF>>{_mm512_cvttps_epi32(a.raw)};
#elif HWY_TARGET == HWY_AVX2
    if constexpr (hn::MaxLanes(DF()) == 8) return hn::Vec<LatticeTag<DF>>{_mm256_cvttps_epi32(a.raw)};
#elif HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_SSSE3
    if constexpr (hn::MaxLanes(DF()) == 4) return hn::Vec<LatticeTag<DF>>{_mm_cvttps_epi32(a.raw)};
#endif
    (void)df;
    return hn::ConvertTo(di, a);
}

// floorToLattice in every lane: truncation toward zero, minus one for a < 0;
// saturating to INT32_MIN / INT32_MAX beyond +-2^31, and 0 for NaN.
template <class DF>
HWY_INLINE hn::Vec<LatticeTag<DF>> FloorToLattice(DF df, hn::Vec<DF> a) {
    const LatticeTag<DF> di;
    const auto truncated = TruncateInRange(df, a);
    const auto floored = hn::IfThenElse(hn::RebindMask(di, hn::Lt(a, hn::Zero(df))),
                                        hn::Sub(truncated, hn::Set(di, 1)), truncated);
    // |a| < 2^31 is false for NaN too. Noise coordinates practically never
    // leave the range, so the saturation is done apart.
    if (HWY_LIKELY(hn::AllTrue(df, hn::Lt(hn::Abs(a), hn::Set(df, 2147483648.0f))))) return floored;
    const auto aboveLowest = hn::Gt(a, hn::Set(df, -2147483648.0f));  // false for NaN
    const auto belowBeyond = hn::Lt(a, hn::Set(df, 2147483648.0f));
    const auto high = hn::IfThenElse(hn::RebindMask(di, belowBeyond), floored, hn::Set(di, INT32_MAX));
    const auto low = hn::IfThenZeroElse(hn::RebindMask(di, hn::IsNaN(a)), hn::Set(di, INT32_MIN));
    return hn::IfThenElse(hn::RebindMask(di, aboveLowest), high, low);
}

// The integer lattice coordinate as a float, exactly as static_cast<float>.
template <class DF>
HWY_INLINE hn::Vec<DF> ToFloat(DF df, hn::Vec<LatticeTag<DF>> v) {
    return hn::ConvertTo(df, v);
}

// v + 1 where the mask is set, wrapping.
template <class DF>
HWY_INLINE hn::Vec<LatticeTag<DF>> StepWhere(DF df, hn::Vec<LatticeTag<DF>> v, hn::Mask<DF> step) {
    (void)df;
    const LatticeTag<DF> di;
    return hn::IfThenElse(hn::RebindMask(di, step), hn::Add(v, hn::Set(di, 1)), v);
}

// The seeded lattice hash in its three stages, so that the corners of a cell
// share the products of the coordinates they have in common:
//   h = (x ^ seed) * 15485863; h = (h ^ y) * 10057189; h = (h ^ z) * 987391.
template <class DU, class VI>
HWY_INLINE hn::Vec<DU> HashX(DU du, hn::Vec<DU> seed, VI x) {
    return hn::Mul(hn::Xor(hn::BitCast(du, x), seed), hn::Set(du, 15485863u));
}
template <class DU, class VI>
HWY_INLINE hn::Vec<DU> HashXY(DU du, hn::Vec<DU> hx, VI y) {
    return hn::Mul(hn::Xor(hx, hn::BitCast(du, y)), hn::Set(du, 10057189u));
}
template <class DU, class VI>
HWY_INLINE hn::Vec<DU> HashXYZ(DU du, hn::Vec<DU> hxy, VI z) {
    return hn::Mul(hn::Xor(hxy, hn::BitCast(du, z)), hn::Set(du, 987391u));
}

// Bits 16..22 XOR bits 0..6 of the hash word, as a signed table index.
template <class DU>
HWY_INLINE hn::Vec<hn::RebindToSigned<DU>> FoldToIndex(DU du, hn::Vec<DU> h) {
    const hn::RebindToSigned<DU> di;
    return hn::BitCast(di, hn::And(hn::Xor(hn::ShiftRight<16>(h), h), hn::Set(du, 127u)));
}

template <class DF>
HWY_INLINE hn::Vec<LatticeTag<DF>> LatticeIndex(DF df, hn::Vec<HashTag<DF>> seed, hn::Vec<LatticeTag<DF>> x,
                                                hn::Vec<LatticeTag<DF>> y, hn::Vec<LatticeTag<DF>> z) {
    (void)df;
    const HashTag<DF> du;
    return FoldToIndex(du, HashXYZ(du, HashXY(du, HashX(du, seed, x), y), z));
}

// Entry `index` (0..127) of a 128-float table, per lane. A gather costs
// several times a vector operation per lane, and the noise looks up tables
// more than anything else; with AVX-512 the whole table fits in eight
// registers, so four two-register permutes (index bits 0..4) and three
// blends (bits 5 and 6) read it instead.
template <class DF>
HWY_INLINE hn::Vec<DF> LookUp128(DF df, const float* table, hn::Vec<LatticeTag<DF>> index) {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    if constexpr (hn::MaxLanes(DF()) == 16) {
        const __m512i i = index.raw;
        auto quarter = [&](int q) {
            return _mm512_permutex2var_ps(_mm512_loadu_ps(table + 32 * q), i, _mm512_loadu_ps(table + 32 * q + 16));
        };
        const __mmask16 bit5 = _mm512_test_epi32_mask(i, _mm512_set1_epi32(32));
        const __mmask16 bit6 = _mm512_test_epi32_mask(i, _mm512_set1_epi32(64));
        const __m512 low = _mm512_mask_blend_ps(bit5, quarter(0), quarter(1));
        const __m512 high = _mm512_mask_blend_ps(bit5, quarter(2), quarter(3));
        return hn::Vec<DF>{_mm512_mask_blend_ps(bit6, low, high)};
    }
#endif
    return hn::GatherIndex(df, table, index);
}

// A row of gradientTable per lane.
template <class DF>
struct GradientRows {
    hn::Vec<DF> x, y, z;
};

template <class DF>
HWY_INLINE GradientRows<DF> LookUpGradients(DF df, hn::Vec<LatticeTag<DF>> index) {
    return {LookUp128(df, gradientColumns.x, index), LookUp128(df, gradientColumns.y, index),
            LookUp128(df, gradientColumns.z, index)};
}

template <class DF>
HWY_INLINE hn::Vec<DF> LookUpValues(DF df, hn::Vec<LatticeTag<DF>> index) {
    return LookUp128(df, valueTable.data(), index);
}

// Row `index` of gradientTable in every lane.
template <class DF>
HWY_INLINE GradientRows<DF> BroadcastGradient(DF df, std::uint32_t index) {
    const NoiseGradient& g = gradientTable[index];
    return {hn::Set(df, g.x), hn::Set(df, g.y), hn::Set(df, g.z)};
}

// Whether every lane of v holds the same value.
template <class DI>
HWY_INLINE hn::Mask<DI> SameAsFirstLane(DI di, hn::Vec<DI> v) {
    return hn::Eq(v, hn::Set(di, hn::GetLane(v)));
}

// Whether every lane of three lattice coordinates names the same point: then
// its table row can be found once, in scalar code, and broadcast. Noise of
// low frequency puts neighbouring samples, and so often a whole vector, in
// one lattice cell.
template <class DI>
HWY_INLINE bool SamePointInEveryLane(DI di, hn::Vec<DI> x, hn::Vec<DI> y, hn::Vec<DI> z) {
    return hn::AllTrue(di, hn::And(hn::And(SameAsFirstLane(di, x), SameAsFirstLane(di, y)), SameAsFirstLane(di, z)));
}

// Whether a mask is the same in every lane.
template <class D>
HWY_INLINE bool Uniform(D d, hn::Mask<D> m) {
    return hn::AllTrue(d, m) || hn::AllFalse(d, m);
}

// noise_detail::lerp: a + t * (b - a).
template <class V>
HWY_INLINE V Lerp(V a, V b, V t) {
    return hn::Add(a, hn::Mul(t, hn::Sub(b, a)));
}

// noise_detail::dot: (g.x * x + g.y * y) + g.z * z.
template <class DF>
HWY_INLINE hn::Vec<DF> Dot(const GradientRows<DF>& g, hn::Vec<DF> x, hn::Vec<DF> y, hn::Vec<DF> z) {
    return hn::Add(hn::Add(hn::Mul(g.x, x), hn::Mul(g.y, y)), hn::Mul(g.z, z));
}

// noise_detail::fade; the interpolation is the same in every lane.
template <class DF>
HWY_INLINE hn::Vec<DF> Fade(DF df, Interpolation interpolation, hn::Vec<DF> f) {
    switch (interpolation) {
    case Interpolation::Linear:
        return f;
    case Interpolation::Hermite:
        return hn::Mul(hn::Mul(f, f), hn::Sub(hn::Set(df, 3.0f), hn::Mul(hn::Set(df, 2.0f), f)));
    case Interpolation::Quintic:
        break;
    }
    const auto f3 = hn::Mul(hn::Mul(f, f), f);
    const auto inner = hn::Sub(hn::Mul(f, hn::Set(df, 6.0f)), hn::Set(df, 15.0f));
    return hn::Mul(f3, hn::Add(hn::Mul(f, inner), hn::Set(df, 10.0f)));
}

// noise_detail::trilinear: eight corner values (x fastest, then y, then z)
// blended along x by wx, then y by wy, then z by wz.
template <class V>
HWY_INLINE V Trilinear(const V v[8], V wx, V wy, V wz) {
    const V y0z0 = Lerp(v[0], v[1], wx);
    const V y1z0 = Lerp(v[2], v[3], wx);
    const V y0z1 = Lerp(v[4], v[5], wx);
    const V y1z1 = Lerp(v[6], v[7], wx);
    const V z0 = Lerp(y0z0, y1z0, wy);
    const V z1 = Lerp(y0z1, y1z1, wy);
    return Lerp(z0, z1, wz);
}

// noise_detail::LatticeCell of each lane's point.
template <class DF>
struct LatticeCell {
    hn::Vec<LatticeTag<DF>> x0, y0, z0;  // lower corner
    hn::Vec<LatticeTag<DF>> x1, y1, z1;  // upper corner, wrapping
    hn::Vec<DF> dx0, dy0, dz0;           // point minus the lower corner
};

template <class DF>
HWY_INLINE LatticeCell<DF> LatticeCellOf(DF df, hn::Vec<DF> x, hn::Vec<DF> y, hn::Vec<DF> z) {
    const auto one = hn::Set(LatticeTag<DF>(), 1);
    LatticeCell<DF> c;
    c.x0 = FloorToLattice(df, x);
    c.y0 = FloorToLattice(df, y);
    c.z0 = FloorToLattice(df, z);
    c.x1 = hn::Add(c.x0, one);
    c.y1 = hn::Add(c.y0, one);
    c.z1 = hn::Add(c.z0, one);
    c.dx0 = hn::Sub(x, ToFloat(df, c.x0));
    c.dy0 = hn::Sub(y, ToFloat(df, c.y0));
    c.dz0 = hn::Sub(z, ToFloat(df, c.z0));
    return c;
}

// noise_detail::cornerIndices per lane, x fastest, then y, then z, for a hash
// in three stages (hashX(x), then hashXY(hx, y), then indexZ(hxy, z)), so
// that corners with equal x, or equal x and y, share those stages.
template <class DF, class HashX, class HashXY, class IndexZ>
HWY_INLINE void CornerIndexLanes(const LatticeCell<DF>& c, HashX hashX, HashXY hashXY, IndexZ indexZ,
                                 hn::Vec<LatticeTag<DF>> out[8]) {
    const auto hx0 = hashX(c.x0);
    const auto hx1 = hashX(c.x1);
    const auto h00 = hashXY(hx0, c.y0);
    const auto h10 = hashXY(hx1, c.y0);
    const auto h01 = hashXY(hx0, c.y1);
    const auto h11 = hashXY(hx1, c.y1);
    out[0] = indexZ(h00, c.z0);
    out[1] = indexZ(h10, c.z0);
    out[2] = indexZ(h01, c.z0);
    out[3] = indexZ(h11, c.z0);
    out[4] = indexZ(h00, c.z1);
    out[5] = indexZ(h10, c.z1);
    out[6] = indexZ(h01, c.z1);
    out[7] = indexZ(h11, c.z1);
}

// noise_detail::latticeIndex of the cell's corners, per lane.
template <class DF>
HWY_INLINE void SeededCornerIndexLanes(DF df, std::int32_t seed, const LatticeCell<DF>& c,
                                       hn::Vec<LatticeTag<DF>> out[8]) {
    (void)df;
    const HashTag<DF> du;
    const auto seedBits = hn::Set(du, static_cast<std::uint32_t>(seed));
    CornerIndexLanes(
        c, [&](auto x) { return HashX(du, seedBits, x); }, [&](auto hx, auto y) { return HashXY(du, hx, y); },
        [&](auto hxy, auto z) { return FoldToIndex(du, HashXYZ(du, hxy, z)); }, out);
}

// noise_detail::perturbIndex of the cell's corners, per lane: the unseeded
// h = ((x ^ y) * 15485863 ^ z) * 10057189, folded.
template <class DF>
HWY_INLINE void PerturbCornerIndexLanes(DF df, const LatticeCell<DF>& c, hn::Vec<LatticeTag<DF>> out[8]) {
    (void)df;
    const HashTag<DF> du;
    CornerIndexLanes(
        c, [&](auto x) { return hn::BitCast(du, x); },
        [&](auto hx, auto y) { return hn::Mul(hn::Xor(hx, hn::BitCast(du, y)), hn::Set(du, 15485863u)); },
        [&](auto hxy, auto z) {
            return FoldToIndex(du, hn::Mul(hn::Xor(hxy, hn::BitCast(du, z)), hn::Set(du, 10057189u)));
        },
        out);
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_NOISE_LATTICE_INL_H_
