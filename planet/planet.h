// Layer planet (planet/): the Planet and its private state, the manager, the
// chunk maps and request queue, the draw walk, the factories' host.
//
// The one world object: it owns the chunks, the request queue shared with the
// workers, the list of keys the renderer draws, the terrain generator, and the
// six threads that stream chunks around the camera (one manager, five chunk
// factories). Its state is private; each caller gets what it needs:
// - the renderer: drawChunks, the draw walk (draw_walk.h) over the draw side;
// - the factories: PlanetFactoryHost, over the factories' side;
// - the manager thread: the manager's side;
// - tools and tests: the read-only statistics below.
//
// Threads: the owning thread constructs and destroys the Planet and may call
// stop(); the statistics may be read from any thread.
//
// Lifetime: the destructor stops and joins the six threads before any member
// goes, so the chunks, and the vertex buffers they own, are released on the
// destroying thread after no worker can touch them; the graphics device must
// outlive the Planet.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "camera/camera.h"
#include "factory/chunk.h"
#include "factory/chunk_factory.h"
#include "factory/chunk_pipeline.h"
#include "planet/draw_walk.h"
#include "planet/planet_draw_side.h"
#include "planet/planet_factory_host.h"
#include "planet/planet_state.h"
#include "planet/streaming_stats.h"
#include "device/graphics_device.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

class Planet final : public ChunkDrawSource {
public:
    static constexpr int factoryCount = 5;
    static constexpr float defaultViewRadius = 500.0f;
    // Thread names: the manager, and the factories with 1..5 appended.
    static constexpr const char* managerThreadName = "gk-manager";
    static constexpr const char* factoryThreadNamePrefix = "gk-factory-";

    // Builds the state with the Earth generator, then starts the manager
    // thread and the five factories. `viewRadius` is the streaming radius in
    // world units. Buffers are created on `device`, which must outlive the
    // Planet. The factories build and mesh with `pipeline` (the plain one
    // only for comparisons; see chunk_pipeline.h). The planet streams around
    // `position`, by default the process-wide camera, over the Earth terrain
    // of `seed`.
    explicit Planet(GraphicsDevice& device, float viewRadius = defaultViewRadius,
                    ChunkPipeline pipeline = ChunkPipeline::Fast, PositionSource position = cameraPosition,
                    std::int32_t seed = defaultTerrainSeed);
    // The same over the terrain of `generator` (tools wrap the Earth one to
    // inject faults); it must be safe to call from every factory at once.
    Planet(GraphicsDevice& device, float viewRadius, ChunkPipeline pipeline, PositionSource position,
           std::unique_ptr<TerrainGeneratorBase> generator);
    // Stops and joins the threads, then releases the chunks and containers.
    ~Planet();

    Planet(const Planet&) = delete;
    Planet& operator=(const Planet&) = delete;

    // Sets the stop flag and waits for the manager and the factories to leave
    // their loops. Idempotent. Owning thread only. Afterwards no thread of the
    // Planet runs, and forEachChunk may be called.
    void stop();

    // The renderer's walk over the draw list, culling against `frustum`
    // unless it is null, nearest `eye` first where one is given: main
    // thread; see draw_walk.h.
    DrawWalkCounts drawChunks(ChunkDrawSink& sink, const Frustum* frustum = nullptr,
                              const Vec3* eye = nullptr) const override {
        return drawListedChunks(PlanetDrawSide(state_), sink, frustum, eye);
    }

    // --- Statistics: any thread; snapshots of a moving system. ---

    // Far terrain (far_terrain.h): off at construction. Any thread; the
    // manager builds or drops the nodes in its next pass.
    void enableFarTerrain(bool on) { state_.enableFarTerrain(on); }
    bool farTerrainEnabled() const { return state_.farTerrainEnabled(); }
    FarTerrainStats farTerrainStats() const { return state_.farTerrainStats(); }

    float viewRadius() const { return state_.viewRadius; }
    // The radius streamed to now: viewRadius, or less while the memory
    // budget binds.
    float effectiveRadius() const { return state_.effectiveRadius(); }
    // What the planet holds in memory by its own account (chunk records, own
    // voxel blocks, chunk meshes and far-terrain nodes' vertices), and what
    // it may hold. Any thread; the budget may change while it streams.
    std::uint64_t memoryBytes() const { return state_.memoryBytes(); }
    std::uint64_t memoryBudget() const { return state_.memoryBudget(); }
    void setMemoryBudget(std::uint64_t bytes) { state_.setMemoryBudget(bytes); }
    std::size_t pendingRequests() const { return state_.queuedRequests(); }
    std::size_t inFlightCount() const { return state_.inFlightRequests(); }
    // Factory jobs popped and not yet finished.
    int activeJobCount() const { return state_.activeJobCount(); }
    // Nothing queued, nothing in flight, no job in progress (chunks, and the
    // far terrain's nodes while it is on).
    bool idle() const { return state_.idle(); }
    StreamingStats stats() const { return state_.stats(); }
    // Asks the manager to check the planet's invariants after its next pass
    // (manager_audit.cpp); stats().audits grows once it has.
    void requestAudit() { state_.requestAudit(); }
    std::size_t chunkCount() const { return state_.chunkCount(); }
    // The published chunk under `key`, or null.
    std::shared_ptr<const Chunk> findChunk(const ChunkKey& key) const { return state_.findChunk(key); }
    // Whether every chunk a mesh of `key` needs is published.
    bool neighboursPublished(const ChunkKey& key) const { return state_.neighboursPublished(key); }
    // A copy of the draw list.
    std::vector<ChunkKey> drawListSnapshot() const { return state_.drawListSnapshot(); }
    // Shared owners of the chunks now published, one per key. Built from the
    // draw list, which holds every published key; a key being published at
    // this very moment may be missing.
    std::vector<std::shared_ptr<const Chunk>> chunkSnapshot() const;
    // Visits every chunk in the map. Only once stopped: a traversal is not
    // safe while the threads insert, find and erase (std::logic_error).
    void forEachChunk(const std::function<void(const Chunk&)>& visit) const;

private:
    void startThreads();
    bool threadsStarted() const;

    PlanetState state_;
    PlanetFactoryHost host_{PlanetFactorySide(state_)};
    std::array<std::unique_ptr<ChunkFactory>, factoryCount> factories_;
    std::unique_ptr<std::thread> managerThread_;
    std::array<std::unique_ptr<std::thread>, factoryCount> factoryThreads_;
};

}  // namespace gravelkin
