// What the planet's threads share: the chunk map, the request queue, the draw
// list, the streaming settings and the counters. Every member that changes is
// private. The owner (the Planet, or a test or benchmark that drives passes
// and jobs by hand on one thread) holds the state, uses what is public below,
// and hands each other party the side of it that party may use:
// - the factories, through PlanetFactoryHost: PlanetFactorySide
//   (planet_factory_side.h), which publishes with addChunk, pops and
//   finishes requests and looks chunks up;
// - the manager thread: PlanetManagerSide (planet_manager_side.h), the only
//   one that erases from `chunks`, makes requests, or touches spareDrawList
//   and the chunks published since its last take-over;
// - the renderer's draw walk, on the main thread: PlanetDrawSide
//   (planet_draw_side.h), which reads drawList and `chunks`.
//
// Lock order: drawListMutex first, then one entry's accessor in `chunks`;
// nobody takes drawListMutex while holding an accessor.
//
// Nothing walks `chunks` while the threads run: TBB does not make a traversal
// safe against concurrent inserts, erases or finds. Instead every successful
// addChunk hands its chunk, under drawListMutex, to the manager, which keeps
// its own list of resident chunks (see manager.h).
#pragma once

#include "planet/far_terrain.h"

#include <atomic>
#include <cstddef>
#include <functional>
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

class PlanetState {
public:
    // Throws std::invalid_argument when `generator` is null.
    PlanetState(GraphicsDevice& device, float viewRadius, std::unique_ptr<TerrainGeneratorBase> generator,
                PositionSource position, ChunkPipeline pipeline = ChunkPipeline::Fast);

    PlanetState(const PlanetState&) = delete;
    PlanetState& operator=(const PlanetState&) = delete;

    // --- Settings, fixed at construction: any thread. ---

    // Streaming radius: chunks within it are requested; chunks beyond
    // sqrt(1.3) times it are dropped.
    const float viewRadius;
    const ChunkPipeline pipeline;

    // --- Memory: any thread. ---

    // What the planet holds (memory_ledger.h), and what it may hold; while
    // it is over, the manager streams to a smaller radius (radius_control.h).
    std::uint64_t memoryBytes() const { return memory.bytes(); }
    std::uint64_t memoryBudget() const { return budgetBytes.load(std::memory_order_relaxed); }
    void setMemoryBudget(std::uint64_t bytes) { budgetBytes.store(bytes, std::memory_order_relaxed); }
    // The radius the planet streams to now: viewRadius, or less while the
    // memory budget binds.
    float effectiveRadius() const { return radiusInEffect.load(std::memory_order_relaxed); }

    // --- Snapshots of a moving system: any thread. ---

    // Nothing queued, nothing in flight, no job in progress.
    bool idle() const;
    std::size_t queuedRequests() const { return requests.queuedCount(); }
    std::size_t inFlightRequests() const { return requests.inFlightCount(); }
    // Factory jobs popped and not yet finished.
    int activeJobCount() const { return activeJobs.load(std::memory_order_seq_cst); }
    StreamingStats stats() const { return counters.snapshot(); }
    std::size_t chunkCount() const { return chunks.size(); }
    // The published chunk under `key`, or null.
    std::shared_ptr<const Chunk> findChunk(const ChunkKey& key) const { return gravelkin::findChunk(chunks, key); }
    // Whether every chunk a mesh of `key` needs is published.
    bool neighboursPublished(const ChunkKey& key) const;
    // A copy of the draw list.
    std::vector<ChunkKey> drawListSnapshot() const;

    // --- Requests to the threads: any thread. ---

    // Far terrain on or off; the manager builds or drops it in its next pass.
    void enableFarTerrain(bool on) { farTerrain.enable(on); }
    bool farTerrainEnabled() const { return farTerrain.enabled(); }
    FarTerrainStats farTerrainStats() const { return farTerrain.stats(); }

    // Asks the manager to check the invariants after its next pass.
    void requestAudit() { auditRequested.store(true, std::memory_order_release); }
    // Release: a thread that sees the flag (acquire) leaves its loop.
    void requestStop() { stopRequested.store(true, std::memory_order_release); }

    // Visits every chunk in the map. Only while no other thread uses the
    // state (a traversal is not safe against concurrent finds).
    void forEachChunk(const std::function<void(const Chunk&)>& visit) const;

private:
    friend class PlanetFactorySide;
    friend class PlanetManagerSide;
    friend class PlanetDrawSide;

    // Publishes a finished chunk. Ownership passes whatever the result. True:
    // inserted into `chunks` and appended to the draw list. False: a chunk
    // with that key was already there; the chunk passed in has been destroyed
    // when the call returns, and nothing else changed. Any thread.
    bool addChunk(std::unique_ptr<Chunk> chunk);

    Vec3 cameraPosition() const { return position(); }

    GraphicsDevice& device;
    const PositionSource position;

    // Before the chunks and the far terrain, which credit it as they go.
    MemoryLedger memory;
    std::atomic<std::uint64_t> budgetBytes;
    // Written by the manager only.
    std::atomic<float> radiusInEffect;

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
    FarTerrain farTerrain;
};

}  // namespace gravelkin
