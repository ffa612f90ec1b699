// The per-frame constant record the vertex stage reads, and the fixed
// projections it is built with.
//
// The record is uploaded whole, 112 bytes, to uniform block binding 0 every
// frame; the shader declares the same four fields in the same order. Only
// viewProjection changes from frame to frame; the light values are fixed at
// start-up.
//
// Threads: plain values and pure functions; the renderer builds and uploads
// the record on the main thread.
#pragma once

#include <cstddef>

#include "camera/frustum.h"
#include "camera/vector_math.h"

namespace gravelkin {

struct FrameConstants {
    Mat4 viewProjection;  // offset 0, row 0 first, never transposed
    Vec4 lightDirection;  // offset 64, toward the light
    Vec4 lightColor;      // offset 80
    Vec4 ambientColor;    // offset 96
};

static_assert(sizeof(FrameConstants) == 112, "the uniform block is exactly 112 bytes");
static_assert(offsetof(FrameConstants, lightDirection) == 64);
static_assert(offsetof(FrameConstants, lightColor) == 80);
static_assert(offsetof(FrameConstants, ambientColor) == 96);

// The projection never follows the window: it is made for the designed
// 1440 x 900 client area even when the window measures smaller.
inline constexpr float projectionFieldOfViewDegrees = 70.0f;
inline constexpr float projectionFieldOfViewRadians = 1.2217305f;  // 70 degrees; half of it is 0.61086524
inline constexpr float projectionAspectRatio = 1.6f;               // 1440 / 900
inline constexpr float projectionNear = 0.1f;
inline constexpr float projectionFar = 1000.0f;

// How view depth becomes buffer depth. Standard: fixedProjection into a
// 24-bit fixed-point buffer, nearer is less. ReversedInfinite:
// reversedInfiniteProjection into a 32-bit float buffer, nearer is greater;
// floats are finest near 0, which this mode gives the far distances, so
// surfaces thousands of units away still sort.
enum class DepthMode { Standard, ReversedInfinite };

// Left-handed, row-vector perspective: view depth near maps to 0, far to 1.
Mat4 fixedProjection();
// The same field of view, aspect and near plane with no far plane: view
// depth near maps to 1, and depth d to near / d, toward 0 at infinity.
Mat4 reversedInfiniteProjection();
Mat4 projectionFor(DepthMode mode);

// The record with the start-up light values: the direction (0.5, 1, -0.2, 1)
// with all four components divided by the length of the first three, white
// light, ambient 0.2. viewProjection is the identity until the first frame.
FrameConstants initialFrameConstants();

// viewProjection = view x projectionFor(mode): a world position p (w = 1)
// reaches clip space as p x viewProjection.
void setView(FrameConstants& constants, const Mat4& view, DepthMode mode = DepthMode::Standard);

// The volume the vertex stage clips to with these constants: the shader
// writes p x viewProjection unchanged, and the renderer clips depth 0 to w
// (glClipControl with GL_ZERO_TO_ONE), the volume frustum.h takes from the
// matrix. For the reversed projection that is the near plane and the four
// sides; its depth-0 plane lies at infinity and holds every point.
Frustum viewFrustum(const FrameConstants& constants);

}  // namespace gravelkin
