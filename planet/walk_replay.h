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
// Threads: the manager's, like the walk.
#pragma once

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
    }
    // A key within the radius that the walk found not held, in walk order;
    // ignored outside a recording (a walk driven by hand).
    void visitUnheld(const ChunkKey& key) {
        if (recording_) unheld_.push_back(key);
    }
    // Ends the recording: whole when the camera stood at the recorded
    // position from start to end.
    void finish(const Vec3& camera) {
        recording_ = false;
        whole_ = sameBits(camera, camera_);
    }
    // A held key within the radius that the manager released while the
    // camera stands still (a placeholder erased to be built again): the
    // replay looks at it again, as the walk would (last in its order).
    void released(const ChunkKey& key) {
        if (whole_) unheld_.push_back(key);
    }
    // Forgets the recording.
    void forget() { whole_ = false; }

    // The keys found not held, in walk order; the replay removes those that
    // have become held.
    std::vector<ChunkKey>& unheld() { return unheld_; }

private:
    Vec3 camera_{};
    bool whole_ = false;
    bool recording_ = false;
    std::vector<ChunkKey> unheld_;
};

}  // namespace gravelkin
