// The radius the planet streams to while its memory budget binds.
//
// Each manager pass tells the control what the planet holds against its
// budget; the control answers with the radius in effect:
// - over budget, the radius shrinks: at once to just inside the farthest
//   chunks arriving now (requests beyond are no longer made and the
//   farthest chunks are dropped first), then, once the drops of the last
//   step are done, by what the overshoot asks (memory near the ground grows
//   as the radius squared; a tenth to a half a step), never below
//   minEffectiveRadius, so the nearest chunks are always kept;
// - well under budget (below 85%) and settled, it grows back by up to 15% a
//   step toward the requested radius, but not past 95% of the radius where
//   the budget last bound unless the camera has since moved a quarter of a
//   radius away: somewhere else the same radius may need less.
//
// Pure state, no clock: one owner (the manager thread), or a test.
#pragma once

#include <cstdint>

#include "camera/vector_math.h"

namespace gravelkin {

// The radius kept whatever the budget: the ground around the camera.
inline constexpr float minEffectiveRadius = 96.0f;

struct RadiusInputs {
    std::uint64_t usedBytes = 0;
    std::uint64_t budgetBytes = 0;
    float requestedRadius = 0.0f;
    // The farthest of the chunks that arrived in this pass (0: none did).
    float arrivalRadius = 0.0f;
    // No chunk request waits or is being served.
    bool settled = false;
    // Chunks beyond the drop distance still wait to be dropped.
    bool dropsPending = false;
    Vec3 eye{};
};

class RadiusControl {
public:
    explicit RadiusControl(float requestedRadius);

    // One pass: the radius in effect from now on.
    float update(const RadiusInputs& in);
    float radius() const { return radius_; }
    // Whether the budget has ever bound.
    bool hasBound() const { return hasBound_; }

private:
    float radius_;
    float ceiling_;  // radius_ grows back no further than this
    Vec3 boundAt_{};
    bool hasBound_ = false;
    std::uint32_t passesSinceChange_ = 0;
};

}  // namespace gravelkin
