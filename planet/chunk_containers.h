// The containers that join the manager, the chunk factories and the renderer:
// the chunk map, the in-flight map and the request record with its ordering.
//
// Both maps are tbb::concurrent_hash_map: finds, inserts and erases may run
// on any thread at once. A plain traversal is NOT safe while other threads
// insert, erase or even find (a find may lazily split a bucket under the
// traversal), so no code here walks a live map; see planet.h for how the
// manager keeps its own list of resident chunks instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <tbb/concurrent_hash_map.h>

#include "factory/chunk.h"
#include "factory/chunk_request.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

// Hash and equality of ChunkKey for the TBB maps: the same multiply-and-xor
// hash as the standard containers use, over the four fields only.
struct ChunkKeyHashCompare {
    std::size_t hash(const ChunkKey& key) const { return static_cast<std::size_t>(chunkKeyHash(key)); }
    bool equal(const ChunkKey& a, const ChunkKey& b) const { return a == b; }
};

// Every generated chunk, by key. The entry is one shared owner of its chunk.
using ChunkMap = tbb::concurrent_hash_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHashCompare>;

// Keys with a request waiting or being worked on. Only presence matters; the
// kind is stored for diagnostics and never read by the streaming logic.
using InFlightMap = tbb::concurrent_hash_map<ChunkKey, RequestKind, ChunkKeyHashCompare>;

// Orders the priority queue so that the smallest priority is popped first.
struct ChunkRequestCompare {
    bool operator()(const ChunkRequest& a, const ChunkRequest& b) const { return a.priority > b.priority; }
};

// True when `key` has an entry in `map`. Takes no accessor: the lookup holds
// the bucket lock for its own duration only.
template <typename Map>
bool contains(const Map& map, const ChunkKey& key) {
    return map.count(key) != 0;
}

// Whether there is a chunk under `key` for which `test` holds. The read
// accessor is held while `test` looks at the chunk, so keep it short; no
// owner is copied (two atomic updates of a count the factories share).
template <typename Test>
bool chunkWhere(const ChunkMap& chunks, const ChunkKey& key, Test test) {
    ChunkMap::const_accessor entry;
    return chunks.find(entry, key) && test(static_cast<const Chunk&>(*entry->second));
}

// A shared owner of the chunk under `key`, or null when there is none. The
// read accessor is held only while the pointer is copied out.
inline std::shared_ptr<Chunk> findChunk(const ChunkMap& chunks, const ChunkKey& key) {
    ChunkMap::const_accessor entry;
    if (!chunks.find(entry, key)) return nullptr;
    return entry->second;
}

}  // namespace gravelkin
