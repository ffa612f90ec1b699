// The Earth generator's biome kernel, one column per lane: each column's
// direction warped as biomeAt warps it, in the scalar generator's operation
// order, then the nearest biome point's biome.
#include "terrain/earth/earth_columns.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "terrain/earth/earth_biome_kernel.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include "hwy/highway.h"
#include "noise/noise_perturb-inl.h"
#include "noise/simd_batch-inl.h"
#include "terrain/earth/biome_cells.h"
#include "terrain/earth/terrain_generator_earth.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

namespace {

// nearestBiome over `count` points, pointAt(k) the k-th: the biome of the
// point with the largest dot product, scanned in order from -2.0, replaced
// only on a strictly larger one.
template <class DF, class PointAt>
HWY_INLINE hn::Vec<hn::RebindToSigned<DF>> NearestBiome(DF df, std::size_t count, PointAt pointAt, hn::Vec<DF> x,
                                                        hn::Vec<DF> y, hn::Vec<DF> z) {
    const hn::RebindToSigned<DF> di;
    auto best = hn::Set(df, -2.0f);
    auto biome = hn::Zero(di);
    for (std::size_t k = 0; k < count; ++k) {
        const BiomePoint& point = pointAt(k);
        const auto dot = hn::Add(hn::Add(hn::Mul(x, hn::Set(df, point.direction.x)),
                                         hn::Mul(y, hn::Set(df, point.direction.y))),
                                 hn::Mul(z, hn::Set(df, point.direction.z)));
        const auto nearer = hn::Gt(dot, best);
        best = hn::IfThenElse(nearer, dot, best);
        biome = hn::IfThenElse(hn::RebindMask(di, nearer), hn::Set(di, point.biome), biome);
    }
    return biome;
}

// BiomeCells::cellOf, lane by lane.
template <class DF>
HWY_INLINE hn::Vec<hn::RebindToSigned<DF>> CellOf(DF df, hn::Vec<DF> x, hn::Vec<DF> y, hn::Vec<DF> z) {
    const hn::RebindToSigned<DF> di;
    constexpr std::uint32_t side = BiomeCells::cellsPerSide;
    const auto ax = hn::Abs(x);
    const auto ay = hn::Abs(y);
    const auto az = hn::Abs(z);
    const auto xMajor = hn::And(hn::Ge(ax, ay), hn::Ge(ax, az));
    const auto yMajor = hn::AndNot(xMajor, hn::Ge(ay, az));
    const auto major = hn::IfThenElse(xMajor, x, hn::IfThenElse(yMajor, y, z));
    const auto first = hn::IfThenElse(xMajor, y, x);
    const auto second = hn::IfThenElse(hn::Or(xMajor, yMajor), z, y);
    const auto magnitude = hn::Abs(major);
    const auto index = [&](hn::Vec<DF> c) {
        const auto at = hn::Floor(hn::Mul(hn::Add(hn::Div(c, magnitude), hn::Set(df, 1.0f)),
                                          hn::Set(df, 0.5f * side)));
        const auto atLeastZero = hn::IfThenElse(hn::Ge(at, hn::Zero(df)), at, hn::Zero(df));  // NaN too: 0
        return hn::ConvertTo(di, hn::Min(atLeastZero, hn::Set(df, static_cast<float>(side - 1))));
    };
    const auto axis = hn::IfThenElse(hn::RebindMask(di, xMajor), hn::Zero(di),
                                     hn::IfThenElse(hn::RebindMask(di, yMajor), hn::Set(di, 1), hn::Set(di, 2)));
    const auto negative = hn::IfThenElseZero(hn::RebindMask(di, hn::Lt(major, hn::Zero(df))), hn::Set(di, 1));
    const auto face = hn::Add(hn::Add(axis, axis), negative);
    const auto sideI = hn::Set(di, static_cast<std::int32_t>(side));
    return hn::Add(hn::Mul(hn::Add(hn::Mul(face, sideI), index(first)), sideI), index(second));
}

}  // namespace

void EarthBiomes(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z,
                 std::int32_t* out, std::size_t count) {
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const NoiseLayer& warp = earth.biomeWarpNoise;
    const std::vector<BiomePoint>& points = earth.biomePoints;
    const bool useCells = earth.biomeCells.builtFrom(points);
    ForEachVector(df, count, [&](std::size_t k, std::size_t valid) {
        auto wx = LoadPart(df, x + k, valid);
        auto wy = LoadPart(df, y + k, valid);
        auto wz = LoadPart(df, z + k, valid);
        float frequency = warp.frequency;
        float amplitude = warp.perturbAmplitude;
        GradientPerturb(df, wx, wy, wz, frequency, amplitude);
        for (std::uint32_t octave = 1; octave < warp.octaves; ++octave) {
            frequency *= warp.lacunarity;
            amplitude *= warp.gain;
            GradientPerturb(df, wx, wy, wz, frequency, amplitude);
        }
        if (useCells) {
            // Where every lane lies in one cell, its candidates give the same
            // biome as all the points (biome_cells.h). A zero direction has
            // none: every point is equally near.
            const auto laneCells = CellOf(df, wx, wy, wz);
            const std::int32_t first = hn::GetLane(laneCells);
            const auto lengthSquared = hn::Add(hn::Add(hn::Mul(wx, wx), hn::Mul(wy, wy)), hn::Mul(wz, wz));
            const auto unused = hn::Not(hn::FirstN(df, valid));
            const bool oneCell = hn::AllTrue(
                df, hn::Or(unused, hn::And(hn::RebindMask(df, hn::Eq(laneCells, hn::Set(di, first))),
                                           hn::Ge(lengthSquared, hn::Set(df, 1e-6f)))));
            if (oneCell) {
                const auto cell = static_cast<std::uint32_t>(first);
                const std::uint16_t* candidates = earth.biomeCells.candidates(cell);
                const auto candidate = [&](std::size_t c) -> const BiomePoint& { return points[candidates[c]]; };
                StorePart(NearestBiome(df, earth.biomeCells.candidateCount(cell), candidate, wx, wy, wz), di,
                          out + k, valid);
                return;
            }
        }
        const auto point = [&](std::size_t p) -> const BiomePoint& { return points[p]; };
        StorePart(NearestBiome(df, points.size(), point, wx, wy, wz), di, out + k, valid);
    });
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace gravelkin {

HWY_EXPORT(EarthBiomes);

void earthBiomes(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z,
                 std::int32_t* out, std::size_t count) {
    HWY_DYNAMIC_DISPATCH(EarthBiomes)(earth, x, y, z, out, count);
}

}  // namespace gravelkin
#endif  // HWY_ONCE
