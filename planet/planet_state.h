// What the planet's threads share: the chunk map, the request queue, the draw
// list, the streaming settings and the counters. The Planet owns one and
// keeps it private; the manager works on it, the factories reach it through
// PlanetFactoryHost, and tests build one to drive passes and jobs by hand on
// a single thread.
//
// Threads:
// - The renderer (main thread) locks drawListMutex, walks *drawList, looks
//   each key up in `chunks` with a read accessor and skips missing ones. It
//   takes accessors while holding drawListMutex, never the other way round.
// - The factories publish with addChunk and use `chunks`, `requests`,
//   `generator`, `device`, `activeJobs` and `stopRequested`.
// - The manager is the only one that erases from `chunks`, makes requests,
//   or touches spareDrawList.
// - Counters and sizes may be read by any thread.
//
// Nothing walks `chunks` while the threads run: TBB does not make a traversal
// safe against concurrent inserts, erases or finds. Instead every successful
// addChunk hands its chunk, under drawListMutex, to the manager, which keeps
// its own list of resident chunks (see manager.h).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "camera/vector_math.h"
#include "factory/chunk.h"
#include "factory/chunk_pipeline.h"
#include "planet/chunk_containers.h"
#include "planet/chunk_request_queue.h"
#include "planet/streaming_stats.h"
#include "device/graphics_device.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

// Where the planet streams around: the process-wide camera's position in the
// program, any fixed or scripted point in tests. Called from every streaming
// thread; it must be safe to call concurrently.
using PositionSource = Vec3 (*)();

struct PlanetState {
    PlanetState(GraphicsDevice& device, float viewRadius, std::unique_ptr<TerrainGeneratorBase> generator,
                PositionSource position, ChunkPipeline pipeline = ChunkPipeline::Fast);

    PlanetState(const PlanetState&) = delete;
    PlanetState& operator=(const PlanetState&) = delete;

    // Publishes a finished chunk. Ownership passes whatever the result. True:
    // inserted into `chunks` and appended to the draw list. False: a chunk
    // with that key was already there; the chunk passed in has been destroyed
    // when the call returns, and nothing else changed. Any thread.
    bool addChunk(std::unique_ptr<Chunk> chunk);

    // Nothing queued, nothing in flight, no job in progress.
    bool idle() const;

    Vec3 cameraPosition() const { return position(); }

    // A copy of the draw list.
    std::vector<ChunkKey> drawListSnapshot() const;

    GraphicsDevice& device;
    // Streaming radius: chunks within it are requested; chunks beyond
    // sqrt(1.3) times it are dropped.
    const float viewRadius;
    const ChunkPipeline pipeline;
    const PositionSource position;

    // Guards the drawList pointer, the array it points to and
    // publishedSinceTakeOver.
    mutable std::mutex drawListMutex;
    ChunkMap chunks;
    ChunkRequestQueue requests;
    // The keys the renderer draws. May hold keys erased since (readers skip
    // them) and a key twice (erased and published again before a rebuild).
    std::unique_ptr<std::vector<ChunkKey>> drawList;
    // The manager's second array, exchanged with drawList on a rebuild.
    std::unique_ptr<std::vector<ChunkKey>> spareDrawList;
    // Chunks published since the manager last took them over; see manager.h.
    std::vector<std::shared_ptr<Chunk>> publishedSinceTakeOver;
    const std::unique_ptr<const TerrainGeneratorBase> generator;

    // Release on set, acquire on read: a thread that sees it leaves its loop.
    std::atomic<bool> stopRequested{false};
    // Raised by a factory before it pops and lowered after the job, so that
    // idle() can never miss a request between the queue and its job.
    std::atomic<int> activeJobs{0};
    // Set by anyone who wants the invariants checked; the manager clears it
    // and audits after its next pass (Manager::audit).
    std::atomic<bool> auditRequested{false};
    StreamingCounters counters;
};

}  // namespace gravelkin
