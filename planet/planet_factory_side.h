// The planet's shared state as its chunk factories may use it (through
// PlanetFactoryHost): pop requests and finish them, count their jobs, look
// published chunks up and publish their own, and read the settings, the
// generator and the device. They may not erase chunks, make requests or
// touch the draw list.
//
// Threads: every factory thread at once; each member touches only the
// concurrent containers and atomics of the state. A test or benchmark that
// plays the factories on one thread may use it too.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "planet/planet_state.h"

namespace gravelkin {

class PlanetFactorySide {
public:
    explicit PlanetFactorySide(PlanetState& state) : state_(state) {}

    // Acquire: once it reads true the factory leaves its loop.
    bool stopRequested() const { return state_.stopRequested.load(std::memory_order_acquire); }

    // The most urgent request, or false when none is queued.
    bool tryPopRequest(ChunkRequest& out) { return state_.requests.tryPop(out); }
    // Clears the in-flight mark of a request whose job has ended (see
    // ChunkRequestQueue::finish).
    void finishRequest(const ChunkKey& key, JobEnd end = JobEnd::NoChunk) { state_.requests.finish(key, end); }

    // Raised before a pop, lowered after the job or after a pop that found
    // nothing (seq_cst, read by PlanetState::idle).
    void raiseActiveJobs() { state_.activeJobs.fetch_add(1, std::memory_order_seq_cst); }
    void lowerActiveJobs() { state_.activeJobs.fetch_sub(1, std::memory_order_seq_cst); }
    void countFinishedJob() { state_.counters.finishedJobs.fetch_add(1, std::memory_order_relaxed); }
    // Counts a chunk published as a placeholder; the count before this one.
    std::uint64_t countSkippedChunk() {
        return state_.counters.skippedChunks.fetch_add(1, std::memory_order_relaxed);
    }
    // Counts a mesh whose buffer could not be created; the count before this one.
    std::uint64_t countFailedBuffer() {
        return state_.counters.failedBuffers.fetch_add(1, std::memory_order_relaxed);
    }

    // A shared owner of the published chunk under `key`, or null.
    std::shared_ptr<Chunk> findChunk(const ChunkKey& key) const { return gravelkin::findChunk(state_.chunks, key); }
    // See PlanetState::addChunk.
    bool addChunk(std::unique_ptr<Chunk> chunk) { return state_.addChunk(std::move(chunk)); }

    FarTerrain& farTerrain() { return state_.farTerrain; }

    // The radius in effect (PlanetState::effectiveRadius).
    float viewRadius() const { return state_.effectiveRadius(); }
    MemoryLedger& memoryLedger() { return state_.memory; }
    Vec3 cameraPosition() const { return state_.cameraPosition(); }
    const TerrainGeneratorBase& generator() const { return *state_.generator; }
    GraphicsDevice& device() const { return state_.device; }

private:
    PlanetState& state_;
};

}  // namespace gravelkin
