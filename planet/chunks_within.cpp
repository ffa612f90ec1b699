#include "planet/chunks_within.h"

#include <cmath>
#include <cstdint>

#include "geometry/level_table.h"
#include "camera/distance.h"

namespace gravelkin {

std::vector<ChunkKey> chunkKeysWithin(const Vec3& point, float radius) {
    std::vector<ChunkKey> keys;
    const float radiusSquared = radius * radius;
    const float pointRadius = std::sqrt(dot3(point, point));
    // Every centre of shell s lies at radius 32s + 16, so shells whose middle
    // is further than `radius` from |point| cannot hold one; a unit of slack
    // absorbs the rounding of the centres.
    const float lowest = pointRadius - radius - 17.0f;
    const float highest = pointRadius + radius - 15.0f;
    const auto firstShell = static_cast<std::uint32_t>(std::fmax(0.0f, std::floor(lowest / 32.0f)));
    const auto lastShell = static_cast<std::uint32_t>(std::fmax(0.0f, std::ceil(highest / 32.0f)));
    for (std::uint32_t shell = firstShell; shell <= lastShell; ++shell) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (std::uint32_t y = 0; y < side; ++y) {
                for (std::uint32_t x = 0; x < side; ++x) {
                    const ChunkKey key{x, shell, y, face};
                    if (distanceSquared(point, chunkCentre(key)) <= radiusSquared) keys.push_back(key);
                }
            }
        }
    }
    return keys;
}

}  // namespace gravelkin
