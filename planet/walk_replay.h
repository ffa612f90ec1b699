// What the octant walk found around one camera position, so that later
// passes from the same position need not walk again.
//
// The walk's path depends only on the camera's position and the radius: from
// one position it visits the same keys in the same order every pass, and
// for a key the manager holds it does nothing. While the camera stands still
// a held key stays held (only chunks beyond the drop distance are erased,
// and placeholders, which the manager hands back through released()), so a
// pass from the recorded position only has to look again at the keys that
// were not held, in the walk's order: it makes exactly the requests a whole
// walk would. At rest the manager's passes then cost a fraction of a
// walk, which is most of what it spends while the planet streams in.
//
// The octant scans meet on their shared planes and the frontiers of a finer
// layer overlap, so a walk visits many keys more than once (26,700 visits
// of unheld keys at the start view, for 10,690 keys). A record that will be
// replayed keeps each key's first visit only: a later visit in the same walk
// finds the key in flight from the first and asks for nothing.
//
// A replay remembers which keys it found in flight or published, and the
// planet's count of jobs that ended without a chunk when it looked. While
// that count stays the same, such a key is still in flight or in the map,
// so the next replay need only see whether the manager holds it yet: no
// look into the shared maps, which was most of a pass while the planet
// streams in.
//
// Threads: the manager's, like the walk.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

class WalkReplay {
public:
    // Whether the walk recorded from `camera` is whole and may stand in for
    // a walk from there. Positions compare bit for bit.
    bool replays(const Vec3& camera) const { return whole_ && sameBits(camera, camera_); }

    // Starts recording a walk from `camera`, forgetting the last one.
    void start(const Vec3& camera) {
        camera_ = camera;
        whole_ = false;
        recording_ = true;
        unheld_.clear();
        lookedAt_.reset();
        replays_ = 0;
    }
    // A key within the radius that the walk found not held, in walk order;
    // ignored outside a recording (a walk driven by hand).
    void visitUnheld(const ChunkKey& key) {
        if (recording_) unheld_.push_back({key, false});
    }
    // Ends the recording: whole when the camera stood at the recorded
    // position from start to end.
    void finish(const Vec3& camera) {
        recording_ = false;
        whole_ = sameBits(camera, camera_);
        if (whole_) keepFirstVisits();
    }
    // A held key within the radius that the manager released while the
    // camera stands still (a placeholder erased to be built again): the
    // replay looks at it again, as the walk would (last in its order).
    void released(const ChunkKey& key) {
        if (whole_) unheld_.push_back({key, false});
    }
    // Forgets the recording.
    void forget() { whole_ = false; }

    // A key found not held, and whether the last look found it in flight
    // or published.
    struct Unheld {
        ChunkKey key;
        bool settled;
    };
    // The keys found not held, in walk order; the replay removes those that
    // have become held and keeps `settled` up to date.
    std::vector<Unheld>& unheld() { return unheld_; }

    // Whether the keys marked settled are still settled: the last replay
    // looked with this count of jobs that ended without a chunk.
    bool settledHolds(std::uint64_t endsWithoutChunk) const { return lookedAt_ == endsWithoutChunk; }
    // A replay looked at every key not marked settled (or at all of them)
    // after reading this count.
    void looked(std::uint64_t endsWithoutChunk) {
        lookedAt_ = endsWithoutChunk;
        ++replays_;
    }
    // Whether this replay should drop the keys held by now even where it
    // need not look at them: every pruneInterval-th replay.
    bool pruneDue() const { return replays_ % pruneInterval == 0; }
    static constexpr std::uint32_t pruneInterval = 8;

private:
    void keepFirstVisits() {
        std::unordered_set<ChunkKey, ChunkKeyHasher> seen;
        seen.reserve(unheld_.size());
        std::size_t kept = 0;
        for (const Unheld& visit : unheld_) {
            if (seen.insert(visit.key).second) unheld_[kept++] = visit;
        }
        unheld_.resize(kept);
    }

    Vec3 camera_{};
    bool whole_ = false;
    bool recording_ = false;
    std::vector<Unheld> unheld_;
    std::optional<std::uint64_t> lookedAt_;
    std::uint32_t replays_ = 0;
};

}  // namespace gravelkin
