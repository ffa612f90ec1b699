// When the manager tries a chunk again after a failure to get memory: a chunk
// published as a placeholder (its voxel block could not be allocated), or one
// left without a mesh (the device could not create its vertex buffer).
//
// The delay, counted in manager passes (some 10-20 ms each), doubles with
// each failure of the same chunk: 8, 16, 32 ... up to retryDelayCap, a few
// seconds. A device or allocator that failed once is asked again a moment
// later; one that keeps failing is asked only every few seconds.
//
// Threads: the manager's own bookkeeping, like KnownChunkKeys.
#pragma once

#include <cstdint>
#include <iterator>
#include <unordered_map>

#include "geometry/chunk_key.h"

namespace gravelkin {

inline constexpr std::uint32_t retryDelayFirst = 8;    // passes
inline constexpr std::uint32_t retryDelayCap = 256;    // passes

// Passes to wait after the `failures`-th failure (1 for the first) before
// trying again: retryDelayFirst doubled failures - 1 times, at most
// retryDelayCap. 0 failures need no wait.
constexpr std::uint32_t retryDelayPasses(std::uint32_t failures) {
    if (failures == 0) return 0;
    std::uint32_t delay = retryDelayFirst;
    for (std::uint32_t doubled = 1; doubled < failures && delay < retryDelayCap; ++doubled) delay *= 2;
    return delay < retryDelayCap ? delay : retryDelayCap;
}

// The failures of chunk keys not yet made good, and the pass from which each
// may be tried again.
class RetryBackoff {
public:
    struct Entry {
        std::uint32_t failures = 0;
        std::uint64_t duePass = 0;
    };

    // Counts one more failure of `key` at pass `pass`.
    void fail(const ChunkKey& key, std::uint64_t pass);

    // Whether `key`, which has failed `failures` times in all by a count kept
    // elsewhere, may be tried at pass `pass`. A count not seen before is a
    // new failure: its delay starts now, and the answer is false. `failures`
    // is at least 1.
    bool due(const ChunkKey& key, std::uint32_t failures, std::uint64_t pass);

    void forget(const ChunkKey& key) { entries_.erase(key); }
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const Entry* find(const ChunkKey& key) const;

    // Calls visit(key, entry) for every entry.
    template <typename Visit>
    void forEach(Visit visit) const {
        for (const auto& [key, entry] : entries_) visit(key, entry);
    }

    // Forgets every entry for which `drop(key, entry)` is true.
    template <typename Drop>
    void forgetIf(Drop drop) {
        for (auto it = entries_.begin(); it != entries_.end();) {
            it = drop(it->first, it->second) ? entries_.erase(it) : std::next(it);
        }
    }

private:
    std::unordered_map<ChunkKey, Entry, ChunkKeyHasher> entries_;
};

}  // namespace gravelkin
