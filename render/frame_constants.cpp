#include "render/frame_constants.h"

namespace gravelkin {

Mat4 fixedProjection() {
    return perspectiveFovLH(projectionFieldOfViewRadians, projectionAspectRatio, projectionNear, projectionFar);
}

Mat4 reversedInfiniteProjection() {
    return perspectiveFovReversedInfiniteLH(projectionFieldOfViewRadians, projectionAspectRatio, projectionNear);
}

Mat4 projectionFor(DepthMode mode) {
    return mode == DepthMode::ReversedInfinite ? reversedInfiniteProjection() : fixedProjection();
}

FrameConstants initialFrameConstants() {
    FrameConstants constants{};
    constants.viewProjection = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    // normalise3 divides the fourth component too (w ends up about 0.88);
    // the shader reads only xyz, so w carries no meaning.
    constants.lightDirection = normalise3(Vec4{0.5f, 1.0f, -0.2f, 1.0f});
    constants.lightColor = {1.0f, 1.0f, 1.0f, 1.0f};
    constants.ambientColor = {0.2f, 0.2f, 0.2f, 1.0f};
    return constants;
}

void setView(FrameConstants& constants, const Mat4& view, DepthMode mode) {
    constants.viewProjection = multiply(view, projectionFor(mode));
}

Frustum viewFrustum(const FrameConstants& constants) { return frustumFromViewProjection(constants.viewProjection); }

}  // namespace gravelkin
