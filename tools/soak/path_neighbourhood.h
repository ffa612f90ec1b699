// The chunk keys the manager may keep around the camera's recent path: every
// key within the drop radius of any position the camera held in a window of
// time, for the soak's bound on the chunks in the map (soak_watch.h).
//
// The path is sampled: a position is kept whenever the camera has moved more
// than `spacing` from the last one kept (a jump therefore keeps both ends).
// Every position flown lies within `spacing` of the sample kept before it, so
// keys within dropRadius + spacing of the samples cover every key within the
// drop radius of the path. Samples older than the window are dropped, except
// the newest of them, which still covers the positions flown after it.
//
// Threads: one, the soak's loop.
#pragma once

#include <cstddef>
#include <deque>

#include "camera/vector_math.h"

namespace gravelkin::tools {

class PathNeighbourhood {
public:
    PathNeighbourhood(float dropRadius, float spacing);

    // The camera's position at time `now` (seconds, not decreasing).
    void fly(const Vec3& position, double now);

    // How many keys lie within dropRadius + spacing of the positions flown
    // from `since` to the last call of fly(); forgets older samples.
    std::size_t keysSince(double since);

private:
    struct Sample {
        Vec3 position;
        double time;
    };

    const float radius_;
    const float spacing_;
    std::deque<Sample> samples_;
};

}  // namespace gravelkin::tools
