// Walks arrays of samples one SIMD vector at a time, the last partial vector
// through zero-padded copies, so that batch kernels need neither padded
// arrays nor a scalar tail of their own (which would be a second code path to
// keep bit-identical). The padding lanes are computed and thrown away.
//
// Included once per SIMD target; see noise_lattice-inl.h.

#if defined(GRAVELKIN_TERRAIN_SIMD_BATCH_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GRAVELKIN_TERRAIN_SIMD_BATCH_INL_H_
#undef GRAVELKIN_TERRAIN_SIMD_BATCH_INL_H_
#else
#define GRAVELKIN_TERRAIN_SIMD_BATCH_INL_H_
#endif

#include <cstddef>
#include <cstring>

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Calls body(k, valid) for k = 0, N, 2N, ... below count, N = Lanes(d), with
// valid = min(N, count - k) elements from k on.
template <class D, class Body>
HWY_INLINE void ForEachVector(D d, std::size_t count, Body body) {
    const std::size_t lanes = hn::Lanes(d);
    std::size_t k = 0;
    for (; k + lanes <= count; k += lanes) body(k, lanes);
    if (k < count) body(k, count - k);
}

// The `valid` elements at p, zeros after them.
template <class D>
HWY_INLINE hn::Vec<D> LoadPart(D d, const hn::TFromD<D>* p, std::size_t valid) {
    if (HWY_LIKELY(valid == hn::Lanes(d))) return hn::LoadU(d, p);
    alignas(HWY_MAX_BYTES) hn::TFromD<D> part[HWY_MAX_BYTES / sizeof(hn::TFromD<D>)] = {};
    std::memcpy(part, p, valid * sizeof(hn::TFromD<D>));
    return hn::LoadU(d, part);
}

// Stores the first `valid` lanes of v at p, and nothing beyond.
template <class D>
HWY_INLINE void StorePart(hn::Vec<D> v, D d, hn::TFromD<D>* p, std::size_t valid) {
    if (HWY_LIKELY(valid == hn::Lanes(d))) return hn::StoreU(v, d, p);
    alignas(HWY_MAX_BYTES) hn::TFromD<D> part[HWY_MAX_BYTES / sizeof(hn::TFromD<D>)];
    hn::StoreU(v, d, part);
    std::memcpy(p, part, valid * sizeof(hn::TFromD<D>));
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#endif  // GRAVELKIN_TERRAIN_SIMD_BATCH_INL_H_
