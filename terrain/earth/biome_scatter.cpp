#include "terrain/earth/biome_scatter.h"

#include "geometry/face_mapping.h"

namespace gravelkin {

namespace {

constexpr std::int32_t noBiome = -1;

// The candidate's direction: three draws in the order z, y, x, centred on 0.
Vec4 drawDirection(const std::function<std::int32_t()>& draw) {
    const float z = static_cast<float>(draw() - 16383);
    const float y = static_cast<float>(draw() - 16383);
    const float x = static_cast<float>(draw() - 16383);
    return normaliseByInverseLength(Vec4{x, y, z, 0.0f});
}

// The biome whose nearest same-biome point is farthest from the candidate;
// ties go to the lower number (3 is taken only when strictly farther than the
// best of 0..2). A candidate with no acceptable choice is never due.
std::int32_t scarcestBiome(const float (&nearest)[biomeCount]) {
    float best = 1.0f;
    std::int32_t choice = noBiome;
    for (std::int32_t b = 0; b < 3; ++b) {
        if (nearest[b] < best) {
            best = nearest[b];
            choice = b;
        }
    }
    if (best > nearest[3]) choice = 3;
    return choice;
}

}  // namespace

std::vector<BiomePoint> scatterBiomePoints(const std::function<std::int32_t()>& draw) {
    std::vector<BiomePoint> points;
    points.reserve(maxBiomePoints);
    std::int32_t due = 0;  // the biome whose turn it is
    std::uint32_t rejected = 0;

    while (points.size() < maxBiomePoints) {
        if (rejected >= maxBiomeRejections) break;
        const Vec4 d = drawDirection(draw);

        float nearest[biomeCount] = {-2.0f, -2.0f, -2.0f, -2.0f};
        bool tooClose = false;
        for (const BiomePoint& point : points) {
            const float dot = dot3(d, point.direction);
            if (dot > nearest[point.biome]) nearest[point.biome] = dot;
            if (dot > minBiomePointDot) {
                tooClose = true;
                break;
            }
        }
        if (tooClose || scarcestBiome(nearest) != due) {
            ++rejected;
            continue;
        }
        points.push_back(BiomePoint{d, due});
        due = (due + 1) % biomeCount;
    }
    return points;
}

}  // namespace gravelkin
