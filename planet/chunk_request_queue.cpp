#include "planet/chunk_request_queue.h"

#include <utility>

namespace gravelkin {

void ChunkRequestQueue::request(const ChunkKey& key, RequestKind kind, float priority) {
    // Mark first, push second. Every mark then has a record behind it that a
    // factory will pop and finish, which clears the mark: a factory that pops
    // and finishes the record at once still finds the mark to clear. Pushing
    // first would let that factory clear nothing, and the mark made afterwards
    // would stay for good, so the key would never be requested again.
    inFlight.insert(std::make_pair(key, kind));
    queue.push(ChunkRequest{key, kind, priority});
}

}  // namespace gravelkin
