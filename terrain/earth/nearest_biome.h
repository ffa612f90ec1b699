// The biome of a (warped) direction: that of the biome point with the largest
// dot product with it.
//
// Points are scanned in list order from a best of -2.0 and only a strictly
// larger dot product replaces the best, so the earlier of two equally near
// points wins. With no points the biome is 0.
#pragma once

#include <cstdint>
#include <vector>

#include "terrain/terrain_generator_base.h"

namespace gravelkin {

inline std::int32_t nearestBiome(const std::vector<BiomePoint>& points, const Vec4& w) {
    float best = -2.0f;
    std::int32_t biome = 0;
    for (const BiomePoint& point : points) {
        const float dot = dot3(w, point.direction);
        if (dot > best) {
            best = dot;
            biome = point.biome;
        }
    }
    return biome;
}

}  // namespace gravelkin
