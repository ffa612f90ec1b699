// What the manager's walk knows about the chunk keys it visits: each key's
// centre, and whether the manager holds that key's chunk.
//
// Every pass measures the distance from the camera to each chunk its walk
// visits, some ten thousand at the default radius, and asks whether the
// chunk is already present. A chunk's centre costs a trip through the
// cube-sphere mapping (square roots, an arc cosine, sines and cosines) but
// never changes (the level table only grows), so it is computed once and
// kept; the values are exactly chunkCentre's. A chunk the manager holds is
// certainly in the planet's map, since only the manager erases: for those
// keys the walk needs no lookup in the shared map, whose every find takes a
// bucket lock.
//
// An open-addressing table (linear probing, at most half full), since the
// walk looks up every key it visits on every pass.
//
// Bounded: past `capacity` keys (a camera that travels far), the keys of
// chunks not held are forgotten and come back as the walk visits them. Held
// keys are never forgotten; there are as many as the manager holds chunks,
// up to `capacity`. A forgetting leaves room for a quarter of the capacity
// more, so the table holds at most twice the capacity.
//
// Threads: one owner (the manager thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

struct KnownChunkKey {
    Vec3 centre;
    bool held = false;  // the manager holds the key's chunk
    std::uint32_t sweep = 0;  // the last gap sweep that reached the key
};

class KnownChunkKeys {
public:
    // Some four times the keys a pass at radius 500 visits.
    static constexpr std::size_t capacity = std::size_t{1} << 16;

    KnownChunkKeys();

    // The key's entry; its centre is computed on the first request only. The
    // reference is valid until the next call that adds a key.
    const KnownChunkKey& operator()(const ChunkKey& key);

    // The key's entry if gap sweep `sweep` (never 0) has not reached the key
    // yet, which it now has; null if it has. Same validity as operator().
    const KnownChunkKey* visitOnce(const ChunkKey& key, std::uint32_t sweep);

    // Records that the manager now holds the chunk of `key`, whose centre is
    // `centre` (the chunk's own, the same value).
    void setHeld(const ChunkKey& key, const Vec3& centre);
    // Records that it no longer does.
    void setReleased(const ChunkKey& key);

    std::size_t size() const { return count_; }

private:
    struct Slot {
        ChunkKey key;
        bool used = false;
        KnownChunkKey known;
    };

    // The slot holding `key`, added (with its centre) if missing.
    Slot& entry(const ChunkKey& key);
    // The slot holding `key`, or the empty slot where it belongs.
    Slot& slotFor(const ChunkKey& key);
    // Makes room for one more key: grows the table, or forgets the keys not
    // held once `capacity` is reached.
    void reserveOneMore();
    void rebuild(std::size_t slotCount, bool keepUnheld);

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    int shift_ = 0;  // 64 - log2(slot count)
};

}  // namespace gravelkin
