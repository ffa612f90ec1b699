// Pending and in-flight chunk requests, shared by the manager and the chunk
// factories.
//
// A key's life as a request: request() marks it in flight and queues a record;
// a factory pops the record, does the job and calls finish(), which clears the
// mark. reprioritise pops records and requests them again while their keys
// stay marked.
//
// Threads: request() is called by the manager thread only; tryPop() by the
// factories and the manager; finish() by the factories; isInFlight() and the
// size queries by anyone. Nothing here blocks for longer than one container
// operation.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <tbb/concurrent_priority_queue.h>

#include "planet/chunk_containers.h"

namespace gravelkin {

class ChunkRequestQueue {
public:
    // Marks `key` in flight (leaving an existing mark as it is), then queues a
    // record for it. A key already in flight still gets a second record.
    void request(const ChunkKey& key, RequestKind kind, float priority);

    // The record with the smallest priority, or false when the queue is empty.
    bool tryPop(ChunkRequest& out) { return queue.try_pop(out); }

    // Clears the in-flight mark of a key whose job has ended, whatever its
    // outcome. Returns whether a mark was removed. A job that leaves no chunk
    // is counted after its mark is gone, so that whoever reads the count and
    // then finds a key in flight knows: until the count moves, the key stays
    // in flight or has its chunk in the map. (Counted first, the count could
    // be read after it moved and the mark found before it went: the key would
    // be trusted while nothing brings it.)
    bool finish(const ChunkKey& key, JobEnd end) {
        const bool marked = inFlight.erase(key);
        if (end == JobEnd::NoChunk) endsWithoutChunk_.fetch_add(1, std::memory_order_seq_cst);
        return marked;
    }
    std::uint64_t endsWithoutChunk() const { return endsWithoutChunk_.load(std::memory_order_seq_cst); }

    bool isInFlight(const ChunkKey& key) const { return contains(inFlight, key); }

    // Snapshots for diagnostics; exact only when no other thread is working.
    std::size_t queuedCount() const { return queue.size(); }
    std::size_t inFlightCount() const { return inFlight.size(); }

    tbb::concurrent_priority_queue<ChunkRequest, ChunkRequestCompare> queue;
    InFlightMap inFlight;

private:
    std::atomic<std::uint64_t> endsWithoutChunk_{0};
};

}  // namespace gravelkin
