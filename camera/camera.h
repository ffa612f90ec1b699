// Layer camera (camera/), the ground floor: vectors, matrices and the squared
// distance; the Camera, its input interface and the process-wide camera
// position.
//
// The free-fly camera: the user's eye, and the point the planet streams around.
//
// Keys move it (W/S along the view, A/D sideways, Q/E down/up, Shift four
// times faster) and the mouse turns it while our window is in front, with the
// cursor held at client (256, 256). Angles are in degrees; positive yaw turns
// from +z toward +x, positive pitch looks down. The frame is left-handed with
// y up; with yaw 0 and pitch 0 the camera looks along +z.
//
// Threads: the main thread creates, updates and destroys the camera and asks
// for its view. Any thread may read its position (position(),
// cameraPosition()) while the main thread moves it: each component is stored
// as a whole 32-bit value, so a reader never sees a torn float, but it may
// see components from two consecutive frames.
#pragma once

#include <atomic>

#include "camera/camera_input.h"
#include "camera/vector_math.h"

namespace gravelkin {

// Where every camera starts: on the surface of the radius-400 sphere, above
// the origin.
inline constexpr Vec3 cameraStartPosition{0.0f, 400.0f, 0.0f};

// Degrees to radians: pi / 180 as a float literal, the bits every camera
// angle is converted with.
inline constexpr float cameraDegreesToRadians = 0.017453292f;

class Camera {
public:
    // The client position the cursor is held at during mouse look.
    static constexpr int cursorCentreX = 256;
    static constexpr int cursorCentreY = 256;
    // Mouse look keeps pitch within [-pitchLimit, pitchLimit] so that the view
    // direction never becomes parallel to up.
    static constexpr float pitchLimit = 85.0f;

    // Sets the start values (position (0, 400, 0), up +y, 30 units/s,
    // 0.4 degrees per pixel, yaw and pitch 0), publishes this camera as the
    // process-wide camera, then moves the cursor to screen position
    // (256, 256). The input must outlive the camera.
    explicit Camera(CameraInput& input);
    // Withdraws this camera from the process-wide pointer if it is still the
    // one published there. Threads that may be reading it must have stopped:
    // a reader that took the pointer just before is not waited for. (The
    // program stops the planet's threads, its readers, before the camera.)
    ~Camera();

    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // Polls the keys and the mouse once and moves and turns the camera.
    // frameSeconds is the frame time, already clamped by the frame loop (to at
    // most 0.1); it is not clamped again here. Main thread only.
    void update(float frameSeconds);

    // Unit vector the camera looks along, w = 0:
    // (cos pitch * sin yaw, -sin pitch, cos pitch * cos yaw). Main thread.
    Vec4 forwardDirection() const;

    // Left-handed look-at view from the position toward the point one unit
    // along the forward direction, with up +y. Main thread.
    Mat4 viewMatrix() const;

    // The eye position. Any thread.
    Vec3 position() const;
    // Moves the eye (x, y, z; the fourth component is kept). Main thread;
    // also for tests and headless tools that steer without input.
    void setPosition(const Vec3& p);

    // Sets the heading and elevation in degrees, as given (no clamping).
    // Main thread; for tests and headless tools. Interactive use changes them
    // only through mouse look.
    void setOrientation(float yawDegrees, float pitchDegrees);

    float yaw() const { return yaw_; }
    float pitch() const { return pitch_; }
    float moveSpeed() const { return moveSpeed_; }
    float lookSensitivity() const { return lookSensitivity_; }
    const Vec4& up() const { return up_; }

private:
    Vec4 loadPosition() const;
    void storePosition(const Vec4& p);
    void mouseLook();

    CameraInput& input_;

    // Read by other threads without a lock: relaxed atomics, one per
    // component. Only the main thread stores.
    std::atomic<float> positionX_;
    std::atomic<float> positionY_;
    std::atomic<float> positionZ_;
    std::atomic<float> positionW_;  // carried along; nothing reads it

    // Main thread only.
    Vec4 up_;
    float moveSpeed_;
    float lookSensitivity_;
    float yaw_;    // degrees, unbounded
    float pitch_;  // degrees, within [-85, 85] after any mouse look
};

// The process-wide camera, or null while none exists. Any thread.
Camera* processCamera();

// The process-wide camera's position. Any thread. Before a camera exists (or
// after it is gone) this is cameraStartPosition, where a new camera would
// start, so streaming code run without a camera (headless tools, tests) sees
// the usual start point instead of crashing.
Vec3 cameraPosition();

}  // namespace gravelkin
