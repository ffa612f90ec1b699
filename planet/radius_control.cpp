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
constexpr float ceilingShare = 0.95f;
constexpr float moveToForget = 0.25f;
// Passes between two steps, so that requests and drops catch up.
constexpr std::uint32_t passesBetweenShrinks = 5;
constexpr std::uint32_t passesBetweenGrowths = 10;

}  // namespace

RadiusControl::RadiusControl(float requestedRadius) : radius_(requestedRadius), ceiling_(requestedRadius) {}

float RadiusControl::update(const RadiusInputs& in) {
    ++passesSinceChange_;
    const float floor = std::min(in.requestedRadius, minEffectiveRadius);
    const float before = radius_;
    const double used = static_cast<double>(in.usedBytes);
    const double budget = static_cast<double>(in.budgetBytes);
    if (used > budget) {
        if (radius_ >= in.requestedRadius) {
            // The budget binds at the full radius: what is out to the
            // arrivals fits no longer, so nothing beyond them is asked for.
            hasBound_ = true;
            boundAt_ = in.eye;
            const float arrivals = in.arrivalRadius > 0.0f ? in.arrivalRadius : radius_;
            ceiling_ = std::min(radius_, arrivals);
            radius_ = std::max(floor, ceiling_ * shrinkStep);
        } else if (!in.dropsPending && passesSinceChange_ >= passesBetweenShrinks) {
            // Near the ground what a radius holds grows about as its square.
            const auto share = static_cast<float>(std::sqrt(budget / used));
            ceiling_ = radius_;
            boundAt_ = in.eye;
            radius_ = std::max(floor, radius_ * std::clamp(share * ceilingShare, minShrinkStep, shrinkStep));
        }
    } else if (used < budget * growBelowShare && in.settled && radius_ < in.requestedRadius &&
               passesSinceChange_ >= passesBetweenGrowths) {
        if (distanceSquared(in.eye, boundAt_) > moveToForget * moveToForget * ceiling_ * ceiling_) {
            ceiling_ = in.requestedRadius;
        }
        const float limit = ceiling_ >= in.requestedRadius ? in.requestedRadius : ceiling_ * ceilingShare;
        radius_ = std::max(radius_, std::min(limit, radius_ * growStep));
    }
    if (radius_ != before) passesSinceChange_ = 0;
    return radius_;
}

}  // namespace gravelkin
