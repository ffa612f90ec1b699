// Scatters the biome centres over the unit sphere.
//
// Candidates are random directions; a candidate closer than acos(0.97) (about
// 14 degrees) to any existing point is rejected, and so is one whose scarcest
// biome (the biome whose nearest point is farthest away) is not the biome
// whose turn it is. Accepted points therefore carry biomes 0, 1, 2, 3, 0, ...
// in strict rotation, each landing where its biome is currently scarcest.
// The scatter ends at 396 points (99 per biome) or after 10000 rejections in
// all, whichever comes first.
//
// Pure apart from the draws: the same sequence of values gives the same list.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "terrain/terrain_generator_base.h"

namespace gravelkin {

inline constexpr std::uint32_t maxBiomePoints = 396;
inline constexpr std::uint32_t maxBiomeRejections = 10000;
inline constexpr float minBiomePointDot = 0.97f;  // closer than this is rejected
inline constexpr std::int32_t biomeCount = 4;

// `draw` yields values 0 .. 32767; three are drawn per candidate, giving its
// z, y and x in that order as value - 16383.
std::vector<BiomePoint> scatterBiomePoints(const std::function<std::int32_t()>& draw);

}  // namespace gravelkin
