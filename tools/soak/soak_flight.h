// The soak's flight: a seeded random path through and around the planet,
// advanced one fixed 10 ms frame at a time, so that a seed gives the same
// path whatever the machine's speed.
//
// It flies from waypoint to waypoint, each drawn from one of three regions:
// the solid core (radius 8 to 290), the terrain band (330 to 500) and open
// space (500 to 2,400: up to 2,000 units above the surface), at a speed drawn
// anew per leg from 0 to 120 units per second (a leg at speed 0 hovers for up
// to 3 s). A leg lasts at most 1 to 12 s, drawn per leg, before the next
// waypoint is drawn wherever the camera is, so that a slow leg toward a far
// point does not take minutes: ten minutes visit a hundred waypoints or so.
// About once every 8 s it turns back toward the last waypoint, and about once
// every 12 s it jumps 1,000 units in one frame (pulled back within 2,400 of
// the centre).
//
// Once, at a time given, it dives: it jumps to 8 units from the centre and
// hovers there for a time given, with no jumps or turns. There the whole
// terrain band lies within the streaming radius, the largest working set any
// position has; diving at the start of the soak's early window makes that
// window's peak resident set the ceiling a later window reaches unless
// memory leaks or creeps, whatever the random path visits.
//
// Threads: one, the soak's loop.
#pragma once

#include <cstdint>
#include <random>

#include "camera/vector_math.h"

namespace gravelkin::tools {

struct FlightTally {
    std::uint64_t waypoints = 0;
    std::uint64_t reversals = 0;
    std::uint64_t jumps = 0;
    std::uint64_t dives = 0;
    std::uint64_t frames = 0;
    // The nearest to and farthest from the centre the camera has been.
    float nearest = 1e30f;
    float farthest = 0.0f;
};

class SoakFlight {
public:
    static constexpr float frameSeconds = 0.01f;
    static constexpr float maxSpeed = 120.0f;
    static constexpr float jumpLength = 1000.0f;
    static constexpr float outerRadius = 2400.0f;

    struct Dive {
        double atSeconds;
        double holdSeconds;
    };
    static constexpr float diveRadius = 8.0f;

    SoakFlight(std::uint64_t seed, const Vec3& start, const Dive& dive);

    // Advances one frame; returns the camera's new position.
    Vec3 step();

    Vec3 position() const { return position_; }
    const FlightTally& tally() const { return tally_; }

private:
    // step() without the tally of distances from the centre.
    Vec3 advance();
    float uniform(float low, float high);
    Vec3 randomDirection();
    // Draws the next waypoint and the leg's speed.
    void nextWaypoint();

    std::mt19937_64 random_;
    Vec3 position_;
    Vec3 previous_;
    Vec3 target_;
    float speed_ = 0.0f;
    float hoverLeft_ = 0.0f;
    float legLeft_ = 0.0f;
    Dive dive_;
    double diveLeft_ = 0.0;
    FlightTally tally_;
};

}  // namespace gravelkin::tools
