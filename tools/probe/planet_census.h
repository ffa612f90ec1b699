// What a stopped planet holds, as stream_probe reports it: chunks by fill
// state and by mesh step, those missing within the radius, faces, and what
// the chunks' records and voxel blocks take in memory. Only once the
// planet's threads have stopped (Planet::stop).
#pragma once

#include <cstddef>
#include <cstdint>

#include "camera/vector_math.h"
#include "planet/planet.h"

namespace gravelkin::tools {

inline double mib(std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// What the chunks of a stopped planet hold in memory: their records, the
// voxel blocks of their own, and the shared constant blocks. Vertex data
// lives on the graphics device and is reported apart.
struct ChunkMemory {
    std::uint64_t records = 0;
    std::uint64_t ownBlocks = 0;
    std::uint64_t bytes = 0;
};

// What a stopped planet holds.
struct Census {
    std::size_t byFill[4] = {0, 0, 0, 0};
    std::size_t meshed = 0, withFaces = 0, unmeshed = 0, unmeshedReady = 0;
    std::size_t within = 0, missing = 0;
    std::uint64_t vertices = 0;
    ChunkMemory memory;
};

Census takeCensus(const Planet& planet, const Vec3& eye);

// Prints the census and the planet's streaming counters, "name: value" lines.
void printChunks(const Census& census, const Planet& planet);

}  // namespace gravelkin::tools
