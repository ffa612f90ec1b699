// Conservative bounds of the noise family over a box: for every point p of
// the box, the exact (real-number) value of the noise function at p lies
// within the returned interval. Interval arithmetic in double precision over
// each lattice cell the box touches; no point is sampled.
//
// They bound the functions as written in real numbers; the float evaluation
// differs from that by rounding only (a few units in the last place of each
// operation), which callers cover with a margin of their own.
//
// Pure; any thread.
#pragma once

#include <algorithm>
#include <cstdint>

#include "noise/noise.h"

namespace gravelkin {

struct Interval {
    double lo;
    double hi;
};

inline Interval operator+(Interval a, Interval b) { return {a.lo + b.lo, a.hi + b.hi}; }
inline Interval operator*(Interval a, double k) { return k >= 0.0 ? Interval{a.lo * k, a.hi * k} : Interval{a.hi * k, a.lo * k}; }
inline Interval operator*(Interval a, Interval b) {
    const double p[4] = {a.lo * b.lo, a.lo * b.hi, a.hi * b.lo, a.hi * b.hi};
    return {std::min({p[0], p[1], p[2], p[3]}), std::max({p[0], p[1], p[2], p[3]})};
}
inline Interval hull(Interval a, Interval b) { return {std::min(a.lo, b.lo), std::max(a.hi, b.hi)}; }
inline Interval absolute(Interval a) {
    if (a.lo >= 0.0) return a;
    if (a.hi <= 0.0) return {-a.hi, -a.lo};
    return {0.0, std::max(-a.lo, a.hi)};
}

// An axis-aligned box of noise-space points, lo[k] <= hi[k].
struct NoiseBox {
    double lo[3];
    double hi[3];
};

// The box with every coordinate multiplied by k > 0.
NoiseBox scaled(const NoiseBox& box, double k);

// |simplexNoise3| never exceeds this anywhere: 40 times the largest sum,
// over the points of a simplex, of its four corners' kernel magnitudes
// max(0, 0.6 - r^2)^4 r, which a fine grid puts at 1.003, plus the most that
// sum can rise between grid points (its slope is at most 4 x 0.1296). The
// noise suite recomputes both.
inline constexpr double simplexMagnitudeBound = 1.1;

Interval gradientNoiseBounds(const NoiseLayer& layer, std::int32_t seed, const NoiseBox& box);
Interval valueNoiseBounds(const NoiseLayer& layer, std::int32_t seed, const NoiseBox& box);
Interval simplexNoiseBounds(std::int32_t seed, const NoiseBox& box);

// The fractal of `layer.fractalKind` over the box: fractalSum, fractalBillow
// or fractalRidge, octave by octave as they step coordinates, seed and
// amplitude.
Interval fractalBounds(const NoiseLayer& layer, const NoiseBox& box);

// The same anywhere: from the global cap of simplex noise alone. Looser, and
// free of the per-octave lattice walks.
Interval fractalRange(const NoiseLayer& layer);

}  // namespace gravelkin
