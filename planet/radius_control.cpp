#include "planet/radius_control.h"

#include <algorithm>
#include <cmath>

#include "camera/distance.h"

namespace gravelkin {

namespace {

constexpr float shrinkStep = 0.9f;
constexpr float minShrinkStep = 0.5f;
constexpr float growStep = 1.15f;
constexpr float growBelowShare = 0.85f;
constexpr float ceilingShare = 0.95f;  // of the square root's estimate
constexpr float moveToForget = 0.25f;
// Passes between two steps, so that requests and drops catch up.
constexpr std::uint32_t passesBetweenShrinks = 5;
constexpr std::uint32_t passesBetweenGrowths = 10;

}  // namespace

RadiusControl::RadiusControl(float requestedRadius) : radius_(requestedRadius), ceiling_(requestedRadius) {}

bool RadiusControl::shrinkDue(const RadiusInputs& in) const {
    // passesSinceChange_ counts this pass too once update() runs.
    return radius_ >= in.requestedRadius || (!in.dropsPending && passesSinceChange_ + 1 >= passesBetweenShrinks);
}

float RadiusControl::update(const RadiusInputs& in) {
    const float floor = std::min(in.requestedRadius, minEffectiveRadius);
    const float before = radius_;
    const double used = static_cast<double>(in.usedBytes);
    const double budget = static_cast<double>(in.budgetBytes);
    if (used > budget) {
        if (shrinkDue(in)) {
            // Near the ground what a radius holds grows about as its square.
            const auto share = static_cast<float>(std::sqrt(budget / used));
            const float estimate = radius_ * std::clamp(share * ceilingShare, minShrinkStep, shrinkStep);
            const float target = in.fitRadius > 0.0f ? in.fitRadius : estimate;
            hasBound_ = true;
            boundAt_ = in.eye;
            radius_ = std::max(floor, std::min(target, radius_ * shrinkStep));
            ceiling_ = radius_;
        }
    } else if (used < budget * growBelowShare && in.settled && radius_ < in.requestedRadius &&
               passesSinceChange_ + 1 >= passesBetweenGrowths) {
        if (distanceSquared(in.eye, boundAt_) > moveToForget * moveToForget * ceiling_ * ceiling_) {
            ceiling_ = in.requestedRadius;
        }
        const float limit = ceiling_ >= in.requestedRadius ? in.requestedRadius : ceiling_;
        radius_ = std::max(radius_, std::min(limit, radius_ * growStep));
    }
    passesSinceChange_ = radius_ != before ? 0 : passesSinceChange_ + 1;
    return radius_;
}

}  // namespace gravelkin
