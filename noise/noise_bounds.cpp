#include "noise/noise_bounds.h"

#include <array>
#include <cmath>

#include "noise/noise_tables.h"

namespace gravelkin {

namespace {

// The fade of each interpolation, in double; each rises monotonically from 0
// to 1 over [0, 1], so an interval of fractions fades to the interval of its
// ends' fades.
double fadeExact(Interpolation interpolation, double f) {
    switch (interpolation) {
    case Interpolation::Linear:
        return f;
    case Interpolation::Hermite:
        return f * f * (3.0 - 2.0 * f);
    case Interpolation::Quintic:
        break;
    }
    return f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
}

// a + t (b - a) for independent a in A, b in B and t in T within [0, 1]: the
// blend is linear in each, so its extremes lie at the ends.
Interval lerpBounds(Interval a, Interval b, Interval t) {
    const double lo = std::min((1.0 - t.lo) * a.lo + t.lo * b.lo, (1.0 - t.hi) * a.lo + t.hi * b.lo);
    const double hi = std::max((1.0 - t.lo) * a.hi + t.lo * b.hi, (1.0 - t.hi) * a.hi + t.hi * b.hi);
    return {lo, hi};
}

// Corner values (x fastest, then y, then z) blended along x, y, then z.
Interval trilinearBounds(const std::array<Interval, 8>& v, const Interval w[3]) {
    const Interval y0z0 = lerpBounds(v[0], v[1], w[0]);
    const Interval y1z0 = lerpBounds(v[2], v[3], w[0]);
    const Interval y0z1 = lerpBounds(v[4], v[5], w[0]);
    const Interval y1z1 = lerpBounds(v[6], v[7], w[0]);
    return lerpBounds(lerpBounds(y0z0, y1z0, w[1]), lerpBounds(y0z1, y1z1, w[1]), w[2]);
}

// The hull, over every lattice cell the box touches, of the cell's blend.
// cornerBounds(corner, fraction) gives a corner's values over the part of the
// box inside the cell, given the fractions' intervals along each axis.
template <class CornerBounds>
Interval latticeBounds(const NoiseLayer& layer, const NoiseBox& box, const CornerBounds& cornerBounds) {
    std::int32_t first[3];
    std::int32_t last[3];
    for (int k = 0; k < 3; ++k) {
        first[k] = static_cast<std::int32_t>(std::floor(box.lo[k]));
        last[k] = static_cast<std::int32_t>(std::floor(box.hi[k]));
    }
    Interval result{INFINITY, -INFINITY};
    std::int32_t cell[3];
    for (cell[2] = first[2]; cell[2] <= last[2]; ++cell[2]) {
        for (cell[1] = first[1]; cell[1] <= last[1]; ++cell[1]) {
            for (cell[0] = first[0]; cell[0] <= last[0]; ++cell[0]) {
                Interval fraction[3];
                Interval weight[3];
                for (int k = 0; k < 3; ++k) {
                    fraction[k] = {std::max(box.lo[k] - cell[k], 0.0), std::min(box.hi[k] - cell[k], 1.0)};
                    weight[k] = {fadeExact(layer.interpolation, fraction[k].lo),
                                 fadeExact(layer.interpolation, fraction[k].hi)};
                }
                std::array<Interval, 8> corners;
                for (int c = 0; c < 8; ++c) {
                    const std::int32_t corner[3] = {cell[0] + (c & 1), cell[1] + ((c >> 1) & 1),
                                                    cell[2] + ((c >> 2) & 1)};
                    Interval local[3];
                    for (int k = 0; k < 3; ++k) {
                        const double offset = corner[k] - cell[k];
                        local[k] = {fraction[k].lo - offset, fraction[k].hi - offset};
                    }
                    corners[c] = cornerBounds(corner, local);
                }
                result = hull(result, trilinearBounds(corners, weight));
            }
        }
    }
    return result;
}

// g . q for every q in the box of local offsets.
Interval dotBounds(const NoiseGradient& g, const Interval q[3]) {
    return q[0] * static_cast<double>(g.x) + q[1] * static_cast<double>(g.y) + q[2] * static_cast<double>(g.z);
}

}  // namespace

NoiseBox scaled(const NoiseBox& box, double k) {
    NoiseBox out;
    for (int i = 0; i < 3; ++i) {
        out.lo[i] = box.lo[i] * k;
        out.hi[i] = box.hi[i] * k;
    }
    return out;
}

Interval gradientNoiseBounds(const NoiseLayer& layer, std::int32_t seed, const NoiseBox& box) {
    const Interval blend = latticeBounds(layer, box, [seed](const std::int32_t corner[3], const Interval local[3]) {
        return dotBounds(gradientTable[latticeHash(seed, corner[0], corner[1], corner[2])], local);
    });
    return blend * 1.4;
}

Interval valueNoiseBounds(const NoiseLayer& layer, std::int32_t seed, const NoiseBox& box) {
    return latticeBounds(layer, box, [seed](const std::int32_t corner[3], const Interval*) {
        const double v = valueTable[latticeHash(seed, corner[0], corner[1], corner[2])];
        return Interval{v, v};
    });
}

// Simplex noise at p is 40 times the sum of four kernels, one per corner of
// the tetrahedron holding p: max(0, 0.6 - |q|^2)^4 (g . q), q the offset from
// the corner. The tetrahedron is one of six in a cell of the skewed lattice,
// named by the order of p's offsets from the cell's first corner: with axes
// a, b, c in decreasing order of offset, its corners are the cell's first,
// one step along a, one along a and b, and the last. Its offsets compare as
// the coordinates less the cell's do ((x - y) - (i - j) for x and y), so over
// the box each tetrahedron whose order some point could have (within a
// little slack, for float offsets that round across a face) is bounded by
// the sum of its own four kernels' bounds, and the noise by their hull. Over
// wide boxes that is looser than the global bound, which caps it.
Interval simplexNoiseBounds(std::int32_t seed, const NoiseBox& box) {
    constexpr double skew = 1.0 / 3.0;
    constexpr double unskew = 1.0 / 6.0;
    // Widened by a little so that a float skew that rounds across a lattice
    // line still finds its cell among these.
    constexpr double slack = 1e-3;
    const Interval cap{-simplexMagnitudeBound, simplexMagnitudeBound};
    const double sumLo = (box.lo[0] + box.lo[1] + box.lo[2]) * skew;
    const double sumHi = (box.hi[0] + box.hi[1] + box.hi[2]) * skew;
    std::int32_t first[3];
    std::int32_t cells[3];
    for (int k = 0; k < 3; ++k) {
        first[k] = static_cast<std::int32_t>(std::floor(box.lo[k] + sumLo - slack));
        cells[k] = static_cast<std::int32_t>(std::floor(box.hi[k] + sumHi + slack)) - first[k] + 1;
    }
    // The kernels of every lattice point those cells have for a corner.
    constexpr std::int32_t widest = 4;
    if (cells[0] > widest || cells[1] > widest || cells[2] > widest) return cap;
    const std::int32_t side[3] = {cells[0] + 1, cells[1] + 1, cells[2] + 1};
    std::array<Interval, (widest + 1) * (widest + 1) * (widest + 1)> kernels;
    const auto at = [&](std::int32_t a, std::int32_t b, std::int32_t c) { return (c * side[1] + b) * side[0] + a; };
    for (std::int32_t c = 0; c < side[2]; ++c) {
        for (std::int32_t b = 0; b < side[1]; ++b) {
            for (std::int32_t a = 0; a < side[0]; ++a) {
                const std::int32_t p[3] = {first[0] + a, first[1] + b, first[2] + c};
                const double t = static_cast<double>(p[0] + p[1] + p[2]) * unskew;
                Interval q[3];
                double nearest = 0.0;
                double farthest = 0.0;
                for (int k = 0; k < 3; ++k) {
                    const double corner = p[k] - t;
                    q[k] = {box.lo[k] - slack - corner, box.hi[k] + slack - corner};
                    const double lo2 = q[k].lo * q[k].lo;
                    const double hi2 = q[k].hi * q[k].hi;
                    nearest += (q[k].lo <= 0.0 && q[k].hi >= 0.0) ? 0.0 : std::min(lo2, hi2);
                    farthest += std::max(lo2, hi2);
                }
                Interval& kernel = kernels[static_cast<std::size_t>(at(a, b, c))];
                const double aHi = 0.6 - nearest;
                if (aHi <= 0.0) {
                    kernel = {0.0, 0.0};
                    continue;
                }
                const double aLo = std::max(0.0, 0.6 - farthest);
                const Interval a4{aLo * aLo * aLo * aLo, aHi * aHi * aHi * aHi};
                kernel = a4 * dotBounds(gradientTable[latticeHash(seed, p[0], p[1], p[2])], q);
            }
        }
    }
    // The largest difference of two coordinates over the box.
    const auto differenceHi = [&](int u, int v) { return box.hi[u] - box.lo[v] + slack; };
    constexpr int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    Interval sum{INFINITY, -INFINITY};
    for (std::int32_t c = 0; c < cells[2]; ++c) {
        for (std::int32_t b = 0; b < cells[1]; ++b) {
            for (std::int32_t a = 0; a < cells[0]; ++a) {
                const std::int32_t cell[3] = {first[0] + a, first[1] + b, first[2] + c};
                for (const auto& order : orders) {
                    const int x = order[0], y = order[1], z = order[2];
                    if (differenceHi(x, y) < cell[x] - cell[y] || differenceHi(y, z) < cell[y] - cell[z]) continue;
                    std::int32_t second[3] = {a, b, c};
                    ++second[x];
                    std::int32_t third[3] = {second[0], second[1], second[2]};
                    ++third[y];
                    const Interval corners = kernels[static_cast<std::size_t>(at(a, b, c))] +
                                             kernels[static_cast<std::size_t>(at(second[0], second[1], second[2]))] +
                                             kernels[static_cast<std::size_t>(at(third[0], third[1], third[2]))] +
                                             kernels[static_cast<std::size_t>(at(a + 1, b + 1, c + 1))];
                    sum = hull(sum, corners);
                }
            }
        }
    }
    if (sum.lo > sum.hi) return cap;
    return {std::max(40.0 * sum.lo, cap.lo), std::min(40.0 * sum.hi, cap.hi)};
}

namespace {

// The fractal of `layer.fractalKind`, octave by octave as the fractals step
// coordinates, seed and amplitude, with each octave's simplex value within
// simplexBounds(seed, the octave's box), or anywhere in the global cap when
// no box is given.
Interval fractalOver(const NoiseLayer& layer, const NoiseBox* box) {
    // Seeds, lacunarity steps and amplitudes as the fractals compute them (in
    // float: the amplitude's rounding is part of the function).
    std::uint32_t seed = static_cast<std::uint32_t>(layer.seed);
    NoiseBox octaveBox = box != nullptr ? *box : NoiseBox{};
    float amplitude = 1.0f;
    float total = 1.0f;
    const auto octave = [&]() {
        const Interval n = box != nullptr ? simplexNoiseBounds(static_cast<std::int32_t>(seed), octaveBox)
                                          : Interval{-simplexMagnitudeBound, simplexMagnitudeBound};
        switch (layer.fractalKind) {
        case FractalKind::Sum:
            return n;
        case FractalKind::Billow:
            return absolute(n) * 2.0 + Interval{-1.0, -1.0};
        case FractalKind::Ridge:
            break;
        }
        return Interval{1.0, 1.0} + absolute(n) * -1.0;
    };
    Interval result = octave();
    for (std::uint32_t i = 1; i < layer.octaves; ++i) {
        octaveBox = scaled(octaveBox, layer.lacunarity);
        seed += 1;
        amplitude *= layer.gain;
        total += amplitude;
        const Interval next = octave();
        result = result + next * (layer.fractalKind == FractalKind::Ridge ? -static_cast<double>(amplitude)
                                                                           : static_cast<double>(amplitude));
    }
    if (layer.fractalKind == FractalKind::Ridge) return result;
    return result * (1.0 / static_cast<double>(total));
}

}  // namespace

Interval fractalBounds(const NoiseLayer& layer, const NoiseBox& box) { return fractalOver(layer, &box); }

Interval fractalRange(const NoiseLayer& layer) { return fractalOver(layer, nullptr); }

}  // namespace gravelkin
