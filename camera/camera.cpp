#include "camera/camera.h"

#include <cmath>

namespace gravelkin {

namespace {

// Published with release and read with acquire, so a thread that finds a
// camera here also sees the start values set before it was published.
constinit std::atomic<Camera*> publishedCamera{nullptr};

// A quarter turn, added to the heading to get the sideways direction.
constexpr float quarterTurn = 1.5707964f;

constexpr float shiftSpeedFactor = 4.0f;

}  // namespace

Camera::Camera(CameraInput& input)
    : input_(input),
      positionX_(cameraStartPosition.x),
      positionY_(cameraStartPosition.y),
      positionZ_(cameraStartPosition.z),
      positionW_(0.0f),
      up_{0.0f, 1.0f, 0.0f, 0.0f},
      moveSpeed_(30.0f),
      lookSensitivity_(0.4f),
      yaw_(0.0f),
      pitch_(0.0f) {
    // Published only once every field holds its start value: a reader
    // must never find a half-built camera.
    publishedCamera.store(this, std::memory_order_release);
    input_.placeCursorScreen(cursorCentreX, cursorCentreY);
}

Camera::~Camera() {
    Camera* expected = this;
    publishedCamera.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

Vec4 Camera::loadPosition() const {
    return {positionX_.load(std::memory_order_relaxed), positionY_.load(std::memory_order_relaxed),
            positionZ_.load(std::memory_order_relaxed), positionW_.load(std::memory_order_relaxed)};
}

void Camera::storePosition(const Vec4& p) {
    positionX_.store(p.x, std::memory_order_relaxed);
    positionY_.store(p.y, std::memory_order_relaxed);
    positionZ_.store(p.z, std::memory_order_relaxed);
    positionW_.store(p.w, std::memory_order_relaxed);
}

Vec3 Camera::position() const { return xyz(loadPosition()); }

void Camera::setPosition(const Vec3& p) {
    storePosition({p.x, p.y, p.z, positionW_.load(std::memory_order_relaxed)});
}

void Camera::setOrientation(float yawDegrees, float pitchDegrees) {
    yaw_ = yawDegrees;
    pitch_ = pitchDegrees;
}

Vec4 Camera::forwardDirection() const {
    const Mat4 rotation =
        rotationPitchYawRoll(pitch_ * cameraDegreesToRadians, yaw_ * cameraDegreesToRadians, 0.0f);
    // Transforming +z as a point adds row 3 (w = 1); a direction has w = 0.
    const Vec4 f = transformPoint({0.0f, 0.0f, 1.0f, 0.0f}, rotation);
    return {f.x, f.y, f.z, 0.0f};
}

Mat4 Camera::viewMatrix() const {
    const Vec4 eye = loadPosition();
    return lookAtLH(eye, eye + forwardDirection(), up_);
}

void Camera::update(float frameSeconds) {
    float stepScale = frameSeconds;
    if (input_.keyDown(CameraKey::Shift)) stepScale = stepScale * shiftSpeedFactor;
    const float step = stepScale * moveSpeed_;

    // Each key sees the position the previous one left. The moves are made on
    // a copy and published once, so other threads see whole-frame moves only.
    Vec4 p = loadPosition();
    if (input_.keyDown(CameraKey::W)) p = p + forwardDirection() * step;
    if (input_.keyDown(CameraKey::S)) p = p - forwardDirection() * step;
    // Sideways is the heading turned a quarter right: (cos yaw, 0, -sin yaw).
    const float theta = yaw_ * cameraDegreesToRadians + quarterTurn;
    const Vec4 sideways{std::sin(theta), 0.0f, std::cos(theta), 0.0f};
    if (input_.keyDown(CameraKey::A)) p = p - sideways * step;
    if (input_.keyDown(CameraKey::D)) p = p + sideways * step;
    if (input_.keyDown(CameraKey::Q)) p = p - up_ * step;
    if (input_.keyDown(CameraKey::E)) p = p + up_ * step;
    storePosition(p);

    // Keys act whatever window is in front; the mouse steers only ours, so
    // that the user can use the cursor elsewhere.
    if (input_.isForeground()) {
        input_.setCursorVisible(false);
        mouseLook();
    } else {
        input_.setCursorVisible(true);
    }
}

void Camera::mouseLook() {
    int cursorX = 0;
    int cursorY = 0;
    // Without a reading there is no travel to apply; leaving the cursor where
    // it is lets the next frame measure the whole travel.
    if (!input_.readCursorClient(cursorX, cursorY)) return;

    const int dx = cursorX - cursorCentreX;
    const int dy = cursorY - cursorCentreY;
    yaw_ = yaw_ + static_cast<float>(dx) * lookSensitivity_;
    pitch_ = pitch_ + static_cast<float>(dy) * lookSensitivity_;

    // The clamp below runs even when re-centring fails, so pitch stays in
    // range whatever the platform did with the cursor.
    input_.placeCursorClient(cursorCentreX, cursorCentreY);

    pitch_ = std::fmin(pitchLimit, std::fmax(-pitchLimit, pitch_));
}

Vec3 cameraPosition() {
    const Camera* camera = publishedCamera.load(std::memory_order_acquire);
    if (camera == nullptr) return cameraStartPosition;
    return camera->position();
}

Camera* processCamera() { return publishedCamera.load(std::memory_order_acquire); }

}  // namespace gravelkin
