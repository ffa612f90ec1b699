// When a stopped planet's streaming settled, read from its chunks' stamps
// (Chunk::builtAt, meshedAt): the moment the last chunk was built or meshed,
// after which the picture no longer changed, and the moment the last of a
// given set of chunks (the camera's surroundings) was meshed. Both are taken
// where the factories did the work, not by watching from outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/chunk_key.h"
#include "planet/planet.h"

namespace gravelkin {

struct SettleMoments {
    // stampNow() values; 0 where nothing counted.
    std::int64_t lastChange = 0;
    std::int64_t lastSurroundingMeshed = 0;
    // Of the surroundings: how many were meshed (or all air), and how many
    // were missing or still unmeshed.
    std::size_t surroundingsMeshed = 0;
    std::size_t surroundingsUnmeshed = 0;
};

// Only once the planet has stopped (Planet::stop).
SettleMoments settleMoments(const Planet& planet, const std::vector<ChunkKey>& surroundings);

}  // namespace gravelkin
