// A flight along straight legs at a steady speed, and the view of the
// planet's centre from any point of it.
//
// Inputs: the points the flight passes through, in order (at least one),
// and the speed in units per second (above 0). at(t) is the position t
// seconds after leaving the first point: on the leg reached by then, and the
// last point from seconds() on.
//
// Threads: plain values.
#pragma once

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "camera/camera.h"
#include "camera/vector_math.h"

namespace gravelkin::tools {

class FlightPath {
public:
    FlightPath(std::vector<Vec3> points, float speed) : points_(std::move(points)), speed_(speed) {}

    double seconds() const {
        double length = 0.0;
        for (std::size_t i = 1; i < points_.size(); ++i) length += legLength(i);
        return length / speed_;
    }

    Vec3 at(double t) const {
        double left = std::max(0.0, t) * speed_;
        for (std::size_t i = 1; i < points_.size(); ++i) {
            const double length = legLength(i);
            if (left < length) {
                const float along = static_cast<float>(left / length);
                return points_[i - 1] + (points_[i] - points_[i - 1]) * along;
            }
            left -= length;
        }
        return points_.back();
    }

private:
    double legLength(std::size_t i) const {
        const Vec3 d = points_[i] - points_[i - 1];
        return std::sqrt(static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
                         static_cast<double>(d.z) * d.z);
    }

    std::vector<Vec3> points_;
    float speed_;
};

struct LookAngles {
    float yawDegrees;
    float pitchDegrees;
};

// Yaw and pitch (as Camera::setOrientation takes them) that look from `eye`
// at the world origin, the planet's centre. The pitch stops at
// Camera::pitchLimit: straight up or down the camera's look-at, whose up is
// +y, has no sideways direction.
inline LookAngles lookAtCentre(const Vec3& eye) {
    const double x = eye.x, y = eye.y, z = eye.z;
    const double distance = std::sqrt(x * x + y * y + z * z);
    if (distance == 0.0) return {0.0f, 0.0f};
    constexpr double degrees = 180.0 / 3.14159265358979323846;
    // Forward is (cos p sin yaw, -sin p, cos p cos yaw) = -eye / distance.
    const double pitch = std::asin(y / distance) * degrees;
    const double yaw = (x == 0.0 && z == 0.0) ? 0.0 : std::atan2(-x, -z) * degrees;
    const double limit = Camera::pitchLimit;
    return {static_cast<float>(yaw), static_cast<float>(std::clamp(pitch, -limit, limit))};
}

}  // namespace gravelkin::tools
