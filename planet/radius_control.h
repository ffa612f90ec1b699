// The radius the planet streams to while its memory budget binds.
//
// Each manager pass tells the control what the planet holds against its
// budget; the control answers with the radius in effect:
// - over budget, the radius shrinks to the one whose chunks hold the
//   manager's target share of the budget (fitRadius; where that is not
//   known, by what the overshoot asks, memory near the ground growing as the
//   radius squared), by a tenth at least: requests beyond are no longer
//   made and the farthest chunks are dropped first. It shrinks again only
//   once the drops of the last step are done, and never below
//   minEffectiveRadius, so the nearest chunks are always kept;
// - well under budget (below 85%) and settled, it grows back by up to 15% a
//   step toward the requested radius, but not past where the budget last
//   bound unless the camera has since moved a quarter of a radius away:
//   somewhere else the same radius may need less.
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
    // The radius within which the chunks held hold no more than the share
    // of the budget a shrink aims at (0: not known).
    float fitRadius = 0.0f;
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
    // Whether a pass over budget with these inputs would shrink the radius:
    // fitRadius is worth working out only then.
    bool shrinkDue(const RadiusInputs& in) const;
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
