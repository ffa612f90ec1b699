// The figures the statistics overlay shows, gathered on the main thread: the
// frame times of the last few seconds, the chunk census, the streaming
// counters, the process's resident memory and, while it is on, the far
// terrain's statistics (refreshed four times a second, since a census walks
// every published chunk), and the camera's place.
//
// Threads: the main thread; the planet's statistics are read as it streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"
#include "planet/chunk_census.h"
#include "planet/far_terrain.h"
#include "planet/planet.h"
#include "planet/streaming_stats.h"

namespace gravelkin {

struct OverlayFigures {
    float framesPerSecond = 0.0f;            // over the recorded frames
    std::vector<float> frameMilliseconds;    // oldest first
    ChunkCensus chunks;
    std::size_t queued = 0;
    std::size_t inFlight = 0;
    StreamingStats streaming;
    long residentKiB = -1;                   // -1 where /proc cannot tell
    Vec3 camera{0.0f, 0.0f, 0.0f};
    float distanceFromCentre = 0.0f;
    ChunkKey cameraChunk;
    float viewRadius = 0.0f;
    float effectiveRadius = 0.0f;            // viewRadius, or less while the budget binds
    std::uint64_t memoryBytes = 0;           // the planet's own account
    std::uint64_t memoryBudget = 0;
    bool farTerrain = false;                 // whether the planet draws far terrain
    FarTerrainStats far;                     // all zero while it does not
};

class OverlayFigureRecorder {
public:
    static constexpr float historySeconds = 5.0f;
    static constexpr float refreshSeconds = 0.25f;
    static constexpr std::size_t maxFrames = 4096;

    // One frame's time; the oldest frames go once the rest span
    // historySeconds, or beyond maxFrames.
    void recordFrame(float seconds);

    // The figures with the camera at `camera`; the census, the queue counts,
    // the streaming counters, the memory and the far terrain's statistics are
    // refreshed on the first call, whenever refreshSeconds of recorded frames
    // have passed since the last refresh, and when the far terrain has been
    // switched on or off since (so its lines never show another state's
    // figures).
    const OverlayFigures& update(const Planet& planet, const Vec3& camera);

private:
    std::deque<float> seconds_;
    float total_ = 0.0f;
    float sinceRefresh_ = 0.0f;
    bool refreshed_ = false;
    OverlayFigures figures_;
};

}  // namespace gravelkin
