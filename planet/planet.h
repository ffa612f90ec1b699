// The one world object: it owns the chunks, the request queue shared with the
// workers, the list of keys the renderer draws, the terrain generator, and the
// six threads that stream chunks around the camera (one manager, five chunk
// factories).
//
// Threads:
// - The owning thread constructs and destroys the Planet and may call stop().
// - The renderer (main thread) locks drawListMutex, walks *drawList, looks
//   each key up in `chunks` with a read accessor and skips missing ones. It
//   takes accessors while holding drawListMutex, never the other way round.
// - The factories call addChunk and use `chunks`, `requests`,
//   `terrainGenerator`, `viewRadius`, `device` and `stopRequested`.
// - The manager thread (runManager) is the only one that erases from `chunks`,
//   makes requests, or touches spareDrawList.
// - The diagnostic accessors may be called from any thread.
//
// Nothing walks `chunks` while the threads run: TBB does not make a traversal
// safe against concurrent inserts, erases or finds. Instead every successful
// addChunk hands its chunk, under drawListMutex, to the manager, which keeps
// its own list of resident chunks (see manager.h).
//
// Lifetime: the destructor stops and joins the six threads before any member
// goes, so the chunks, and the vertex buffers they own, are released on the
// destroying thread after no worker can touch them; the graphics device must
// outlive the Planet.
//
// Depends on: chunk_containers, chunk_request_queue, factory, terrain, render.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "factory/chunk.h"
#include "factory/chunk_pipeline.h"
#include "planet/chunk_containers.h"
#include "planet/chunk_request_queue.h"
#include "planet/streaming_stats.h"
#include "render/graphics_device.h"

namespace gravelkin {

class ChunkFactory;
class TerrainGeneratorEarth;

// Whether the constructor starts the manager and the factories. None is for
// tests that drive the containers, the manager's passes and the factory jobs
// by hand on one thread.
enum class PlanetThreads { Start, None };

class Planet {
public:
    static constexpr int factoryCount = 5;
    static constexpr float defaultViewRadius = 500.0f;
    // Thread names: the manager, and the factories with 1..5 appended.
    static constexpr const char* managerThreadName = "gk-manager";
    static constexpr const char* factoryThreadNamePrefix = "gk-factory-";

    // Builds the containers and the generator, then starts the manager thread
    // and the five factories (unless `threads` is None). `viewRadius` is the
    // streaming radius in world units. Buffers are created on `device`, which
    // must outlive the Planet. The factories build and mesh with `pipeline`
    // (the plain one only for comparisons; see chunk_pipeline.h).
    explicit Planet(GraphicsDevice& device, float viewRadius = defaultViewRadius,
                    PlanetThreads threads = PlanetThreads::Start, ChunkPipeline pipeline = ChunkPipeline::Fast);
    // Stops and joins the threads, then releases the chunks and containers.
    ~Planet();

    Planet(const Planet&) = delete;
    Planet& operator=(const Planet&) = delete;

    // Publishes a finished chunk. Ownership passes to the Planet whatever the
    // result. True: inserted into `chunks` and appended to the draw list.
    // False: a chunk with that key was already there; the chunk passed in has
    // been destroyed when the call returns, and nothing else changed.
    // Any thread; called by the factories.
    bool addChunk(std::unique_ptr<Chunk> chunk);

    // Sets stopRequested and waits for the manager and the factories to leave
    // their loops. Idempotent. Owning thread only. Afterwards no thread of the
    // Planet runs, and the containers may be examined (even traversed).
    void stop();

    // The manager thread body: passes until stopRequested is seen.
    void runManager();

    // --- Diagnostics: any thread; snapshots of a moving system. ---

    std::size_t pendingRequests() const { return requests->queuedCount(); }
    std::size_t inFlightCount() const { return requests->inFlightCount(); }
    // Factory jobs popped and not yet finished.
    int activeJobCount() const { return activeJobs.load(std::memory_order_seq_cst); }
    // Nothing queued, nothing in flight, no job in progress.
    bool idle() const;
    StreamingStats stats() const { return counters.snapshot(); }
    // A copy of the draw list.
    std::vector<ChunkKey> drawListSnapshot() const;
    // Shared owners of the chunks now in `chunks`, one per key. Built from the
    // draw list, which holds every published key; a key being published at
    // this very moment may be missing.
    std::vector<std::shared_ptr<const Chunk>> chunkSnapshot() const;

    // --- State, in construction order. ---

    GraphicsDevice& device;
    // Streaming radius: chunks within it are requested; chunks beyond
    // sqrt(1.3) times it are dropped.
    const float viewRadius;
    const ChunkPipeline pipeline;

    // Guards the drawList pointer, the array it points to and
    // publishedSinceTakeOver.
    mutable std::mutex drawListMutex;
    ChunkMap chunks;
    std::unique_ptr<ChunkRequestQueue> requests;
    // The keys the renderer draws. May hold keys erased since (readers skip
    // them) and a key twice (erased and published again before a rebuild).
    std::unique_ptr<std::vector<ChunkKey>> drawList;
    // The manager's second array, exchanged with drawList on a rebuild.
    std::unique_ptr<std::vector<ChunkKey>> spareDrawList;
    // Chunks published since the manager last took them over; see manager.h.
    std::vector<std::shared_ptr<Chunk>> publishedSinceTakeOver;
    std::unique_ptr<TerrainGeneratorEarth> terrainGenerator;
    std::array<std::unique_ptr<ChunkFactory>, factoryCount> factories;

    // Release on set, acquire on read: a thread that sees it leaves its loop.
    std::atomic<bool> stopRequested{false};
    // Raised by a factory before it pops and lowered after the job, so that
    // "idle" can never miss a request between the queue and its job.
    std::atomic<int> activeJobs{0};
    StreamingCounters counters;

    std::unique_ptr<std::thread> managerThread;
    std::array<std::unique_ptr<std::thread>, factoryCount> factoryThreads;

private:
    void startThreads();
};

}  // namespace gravelkin
