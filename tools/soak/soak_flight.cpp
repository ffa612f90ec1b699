#include "tools/soak/soak_flight.h"

#include <algorithm>
#include <cmath>

namespace gravelkin::tools {

namespace {

// Per-frame chances of the sudden events: once every 8 s and every 12 s.
constexpr float reversalChance = SoakFlight::frameSeconds / 8.0f;
constexpr float jumpChance = SoakFlight::frameSeconds / 12.0f;
constexpr float maxHoverSeconds = 3.0f;
constexpr float minLegSeconds = 1.0f;
constexpr float maxLegSeconds = 12.0f;

float length(const Vec3& v) { return std::sqrt(dot3(v, v)); }

}  // namespace

SoakFlight::SoakFlight(std::uint64_t seed, const Vec3& start, const Dive& dive)
    : random_(seed), position_(start), previous_(start), target_(start), dive_(dive) {}

float SoakFlight::uniform(float low, float high) {
    // Top 24 bits: the same floats from the same seed with any library.
    const float unit = static_cast<float>(random_() >> 40) / 16777216.0f;
    return low + (high - low) * unit;
}

Vec3 SoakFlight::randomDirection() {
    for (;;) {
        const Vec3 v{uniform(-1.0f, 1.0f), uniform(-1.0f, 1.0f), uniform(-1.0f, 1.0f)};
        const float l = length(v);
        if (l > 0.05f && l <= 1.0f) return v * (1.0f / l);
    }
}

void SoakFlight::nextWaypoint() {
    const float region = uniform(0.0f, 1.0f);
    const float radius = region < 0.25f ? uniform(8.0f, 290.0f)
                         : region < 0.7f ? uniform(330.0f, 500.0f)
                                         : uniform(500.0f, outerRadius);
    previous_ = position_;
    target_ = randomDirection() * radius;
    speed_ = uniform(0.0f, maxSpeed);
    hoverLeft_ = speed_ < 1.0f ? uniform(0.0f, maxHoverSeconds) : 0.0f;
    legLeft_ = uniform(minLegSeconds, maxLegSeconds);
    ++tally_.waypoints;
}

Vec3 SoakFlight::step() {
    const Vec3 next = advance();
    const float r = length(next);
    tally_.nearest = std::min(tally_.nearest, r);
    tally_.farthest = std::max(tally_.farthest, r);
    return next;
}

Vec3 SoakFlight::advance() {
    ++tally_.frames;
    if (tally_.dives == 0 && static_cast<double>(tally_.frames) * frameSeconds >= dive_.atSeconds) {
        position_ = Vec3{diveRadius, 0.0f, 0.0f};
        previous_ = position_;
        target_ = position_;
        diveLeft_ = dive_.holdSeconds;
        ++tally_.dives;
        return position_;
    }
    if (diveLeft_ > 0.0) {
        diveLeft_ -= frameSeconds;
        if (diveLeft_ <= 0.0) nextWaypoint();
        return position_;
    }
    if (uniform(0.0f, 1.0f) < jumpChance) {
        Vec3 landed = position_ + randomDirection() * jumpLength;
        const float r = length(landed);
        if (r > outerRadius) landed = landed * (outerRadius / r);
        position_ = landed;
        ++tally_.jumps;
        return position_;
    }
    if (uniform(0.0f, 1.0f) < reversalChance) {
        const Vec3 back = previous_;
        previous_ = target_;
        target_ = back;
        ++tally_.reversals;
    }
    if (hoverLeft_ > 0.0f) {
        hoverLeft_ -= frameSeconds;
        if (hoverLeft_ <= 0.0f) nextWaypoint();
        return position_;
    }
    const Vec3 toTarget = target_ - position_;
    const float distance = length(toTarget);
    const float stride = speed_ * frameSeconds;
    legLeft_ -= frameSeconds;
    if (distance <= stride) {
        position_ = target_;
        nextWaypoint();
    } else {
        position_ = position_ + toTarget * (stride / distance);
        if (legLeft_ <= 0.0f) nextWaypoint();
    }
    return position_;
}

}  // namespace gravelkin::tools
