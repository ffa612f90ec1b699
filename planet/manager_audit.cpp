// The planet's invariants, checked by the manager between two passes, where
// its list of resident chunks is exact (manager.h):
// 1. every resident chunk is in the map under its key, the very same object:
//    the manager alone erases;
// 2. every resident chunk, and every chunk published since the last
//    take-over, has its key in the draw list: no chunk is lost to drawing;
// 3. the map holds at most the resident chunks, those published since the
//    take-over, and one chunk per factory between its insertion and its
//    hand-over: every chunk in the map is drawable or about to be handed over;
// 4. a chunk with a vertex count has its buffer;
// 5. every key in flight has a record in the request queue or a factory at
//    work on it: no request is left unfinished. Between passes no record
//    is being re-queued, so the keys in flight exceed the records queued by
//    at most the factories' jobs under way (the queue is read first: a
//    record popped after that read was counted, a job that ends only lowers
//    the keys in flight).
// Each broken one counts as one violation; the first of each kind an audit
// finds is written to standard error.

#include <cstdio>
#include <unordered_set>

#include "factory/chunk.h"
#include "planet/manager.h"

namespace gravelkin {

namespace {

// The most factories a planet runs: the chunks they may hold between
// inserting one into the map and handing it over, and the jobs under way.
constexpr std::size_t mostFactories = 8;

struct AuditTally {
    std::uint64_t violations = 0;
    bool reported[5] = {};

    void violation(int kind, const char* what, const ChunkKey& key) {
        ++violations;
        if (reported[kind]) return;
        reported[kind] = true;
        std::fprintf(stderr, "gravelkin: planet invariant broken: %s (chunk x %u, shell %u, y %u, face %u)\n", what,
                     static_cast<unsigned>(key.x), static_cast<unsigned>(key.shell), static_cast<unsigned>(key.y),
                     static_cast<unsigned>(key.face));
    }
};

}  // namespace

void Manager::audit() {
    AuditTally tally;
    std::unordered_set<ChunkKey, ChunkKeyHasher> drawn;
    std::size_t published = 0;
    std::size_t mapped = 0;
    {
        // Held while the map's size is read: no chunk can then move from
        // "inserted" to "handed over" under us.
        const LockedDrawList locked = state_.lockDrawList();
        drawn.insert(locked.drawList().begin(), locked.drawList().end());
        for (const std::shared_ptr<Chunk>& chunk : locked.publishedSinceTakeOver()) {
            if (drawn.count(chunk->key) == 0) tally.violation(1, "a published chunk is not in the draw list", chunk->key);
        }
        published = locked.publishedSinceTakeOver().size();
        mapped = state_.chunks().size();
    }
    for (const auto& [key, chunk] : resident_) {
        if (findChunk(state_.chunks(), key) != chunk) tally.violation(0, "a resident chunk is not in the map", key);
        if (drawn.count(key) == 0) tally.violation(1, "a resident chunk is not in the draw list", key);
        if (chunk->vertexCount.load(std::memory_order_acquire) != 0 && chunk->vertexBuffer == nullptr) {
            tally.violation(3, "a chunk with vertices has no buffer", key);
        }
    }
    if (mapped < resident_.size() || mapped > resident_.size() + published + mostFactories) {
        tally.violation(2, "the map holds chunks neither resident nor about to be handed over", ChunkKey{});
    }
    const std::size_t queued = state_.queuedRequests();
    if (state_.inFlightRequests() > queued + mostFactories) {
        tally.violation(4, "keys in flight with neither a queued record nor a job", ChunkKey{});
    }
    state_.counters().audits.fetch_add(1, std::memory_order_relaxed);
    state_.counters().auditViolations.fetch_add(tally.violations, std::memory_order_relaxed);
}

}  // namespace gravelkin
