// The planet's shared state as its manager may use it: the only side that
// erases chunks, makes requests, takes over the chunks published since its
// last take-over and swaps in a rebuilt draw list. It reads the map but
// publishes nothing, and never finishes a request (the factories do).
//
// Threads: the planet's manager thread alone, or a test or benchmark that
// plays the manager on one thread. Members that reach the draw list or the
// chunks published since the take-over lock drawListMutex themselves.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "planet/planet_state.h"

namespace gravelkin {

// The draw list and the chunks published since the last take-over, read with
// drawListMutex held for as long as this lives. No chunk accessor may be
// taken while it lives (the lock order is drawListMutex first).
class LockedDrawList {
public:
    const std::vector<ChunkKey>& drawList() const { return drawList_; }
    const std::vector<std::shared_ptr<Chunk>>& publishedSinceTakeOver() const { return published_; }

private:
    friend class PlanetManagerSide;
    // The pointer is read once the lock is held (lock_ comes first).
    LockedDrawList(std::mutex& mutex, const std::unique_ptr<std::vector<ChunkKey>>& drawList,
                   const std::vector<std::shared_ptr<Chunk>>& published)
        : lock_(mutex), drawList_(*drawList), published_(published) {}

    std::lock_guard<std::mutex> lock_;
    const std::vector<ChunkKey>& drawList_;
    const std::vector<std::shared_ptr<Chunk>>& published_;
};

class PlanetManagerSide {
public:
    explicit PlanetManagerSide(PlanetState& state) : state_(state) {}

    // The radius the manager streams to: the planet's viewRadius, or less
    // while the memory budget binds (radius_control.h).
    float viewRadius() const { return state_.effectiveRadius(); }
    float requestedRadius() const { return state_.viewRadius; }
    void setEffectiveRadius(float radius) { state_.radiusInEffect.store(radius, std::memory_order_relaxed); }
    std::uint64_t memoryBytes() const { return state_.memoryBytes(); }
    std::uint64_t memoryBudget() const { return state_.memoryBudget(); }
    FarTerrain& farTerrain() { return state_.farTerrain; }
    Vec3 cameraPosition() const { return state_.cameraPosition(); }
    // Acquire: once it reads true the manager leaves its loop.
    bool stopRequested() const { return state_.stopRequested.load(std::memory_order_acquire); }
    // Whether an audit was asked for since the last call, clearing the ask.
    bool takeAuditRequest() { return state_.auditRequested.exchange(false, std::memory_order_acq_rel); }
    bool idle() const { return state_.idle(); }
    StreamingCounters& counters() { return state_.counters; }

    // Lookups only: finds, counts and the size; never a traversal.
    const ChunkMap& chunks() const { return state_.chunks; }
    // Erases `key`'s entry, waiting for every accessor on it; whether there
    // was one.
    bool eraseChunk(const ChunkKey& key) { return state_.chunks.erase(key); }

    // See ChunkRequestQueue.
    void request(const ChunkKey& key, RequestKind kind, float priority) { state_.requests.request(key, kind, priority); }
    bool tryPopRequest(ChunkRequest& out) { return state_.requests.tryPop(out); }
    bool isInFlight(const ChunkKey& key) const { return state_.requests.isInFlight(key); }
    std::uint64_t requestsEndedWithoutChunk() const { return state_.requests.endsWithoutChunk(); }
    std::size_t queuedRequests() const { return state_.requests.queuedCount(); }
    std::size_t inFlightRequests() const { return state_.requests.inFlightCount(); }

    // Swaps the chunks published since the last take-over into `into` (which
    // should be empty), under drawListMutex.
    void takeOverPublished(std::vector<std::shared_ptr<Chunk>>& into);
    // The array the next rebuild fills; the manager's own, no lock needed.
    std::vector<ChunkKey>& spareDrawList() { return *state_.spareDrawList; }
    // Under drawListMutex: takes over the chunks published since the last
    // take-over into `into` (which should be empty), appends their keys to
    // the spare array, so that none is missing from drawing, and exchanges
    // the spare array with the draw list.
    void installSpareDrawList(std::vector<std::shared_ptr<Chunk>>& into);
    // Holds drawListMutex until the result goes.
    LockedDrawList lockDrawList() const {
        return LockedDrawList(state_.drawListMutex, state_.drawList, state_.publishedSinceTakeOver);
    }

private:
    PlanetState& state_;
};

}  // namespace gravelkin
