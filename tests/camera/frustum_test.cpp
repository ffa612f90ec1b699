#include "camera/frustum.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace gravelkin::test {
namespace {

// The program's projection (70 degrees, 1.6 : 1, 0.1 to 1000) from an eye at
// (0, 400, 0) looking along +x: view right is -z, up is +y, forward +x.
const Vec3 eye{0.0f, 400.0f, 0.0f};
const Mat4 viewProjection = multiply(lookToLH({eye.x, eye.y, eye.z, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}),
                                     perspectiveFovLH(1.2217305f, 1.6f, 0.1f, 1000.0f));

// A box in view coordinates (right, up, forward) placed in the world.
Box3 viewBox(Vec3 low, Vec3 high) {
    Box3 box;
    includePoint(box, eye + Vec3{low.z, low.y, -low.x});
    includePoint(box, eye + Vec3{high.z, high.y, -high.x});
    return box;
}

// At view depth 10 the picture spans 11.2 units either side and 7 up and
// down; a box is culled only when a unit or more beyond a side, and beyond
// the far plane only when clear of what the vertex stage's rounding could keep.
TEST(FrustumTest, ABoxIsOutsideOnlyWhenMoreThanTheMarginBeyondOnePlane) {
    const Frustum frustum = frustumFromViewProjection(viewProjection);
    struct Case {
        Vec3 low, high;
        bool outside;
    };
    const Case cases[] = {
        {{-1, -1, 9}, {1, 1, 11}, false},          // on the axis
        {{-500, -500, 5}, {500, 500, 6}, false},   // around the whole view
        {{-20, -1, 10}, {-14, 1, 10}, true},       // left
        {{-20, -1, 10}, {-12, 1, 10}, false},      // left, within the margin
        {{14, -1, 10}, {20, 1, 10}, true},         // right
        {{-1, 9, 10}, {1, 12, 10}, true},          // above
        {{-1, -12, 10}, {1, -9, 10}, true},        // below
        {{-1, -1, -5}, {1, 1, -1}, true},          // behind the eye
        {{-1, -1, -5}, {1, 1, -0.5f}, false},      // behind the near plane, within the margin
        {{-1, -1, 1100}, {1, 1, 1110}, true},      // beyond the far plane
        {{-1, -1, 1002}, {1, 1, 1010}, false},     // beyond it, within the rounding of w - z
    };
    for (const Case& c : cases) {
        EXPECT_EQ(boxOutsideFrustum(frustum, viewBox(c.low, c.high)), c.outside)
            << c.low.x << " " << c.low.y << " " << c.low.z << " to " << c.high.x << " " << c.high.y << " " << c.high.z;
    }
}

// Over 50 random views through `projection`, checks that no point the vertex
// stage keeps (clip coordinates inside the volume, computed as the shader
// computes them) is culled, even with no margin beyond the bound on
// rounding. Every other point lies within 1000 units of the eye on each axis,
// the rest within `farReach`. Returns how many points were kept.
int expectNoKeptPointCulled(const Mat4& projection, std::uint32_t seed, float farReach) {
    std::uint32_t state = seed;
    const auto next = [&](float low, float high) {
        state = state * 1664525u + 1013904223u;
        return low + (high - low) * static_cast<float>(state >> 8) / 16777216.0f;
    };
    int kept = 0;
    for (int view = 0; view < 50; ++view) {
        const Vec4 from{next(-600, 600), next(-600, 600), next(-600, 600), 1};
        const Vec4 direction{next(-1, 1), next(-1, 1), next(-1, 1), 0};
        const Mat4 m = multiply(lookToLH(from, direction, {0, 1, 0, 0}), projection);
        const Frustum frustum = frustumFromViewProjection(m, 0.0f);
        for (int point = 0; point < 2000; ++point) {
            const float reach = point % 2 == 0 ? 1000.0f : farReach;
            const Vec4 p{from.x + next(-reach, reach), from.y + next(-reach, reach), from.z + next(-reach, reach), 1};
            const Vec4 clip = transformPoint(p, m);
            const bool inside = -clip.w <= clip.x && clip.x <= clip.w && -clip.w <= clip.y && clip.y <= clip.w &&
                                0.0f <= clip.z && clip.z <= clip.w;
            if (!inside) continue;
            ++kept;
            Box3 box;
            includePoint(box, xyz(p));
            EXPECT_FALSE(boxOutsideFrustum(frustum, box)) << p.x << " " << p.y << " " << p.z;
        }
    }
    return kept;
}

// The reversed infinite projection's points reach out to a million units,
// where the standard projection has long clipped everything.
TEST(FrustumTest, NoPointTheClipVolumeKeepsIsCulled) {
    EXPECT_GT(expectNoKeptPointCulled(perspectiveFovLH(1.2217305f, 1.6f, 0.1f, 1000.0f), 12345, 1000.0f), 1000);
    EXPECT_GT(expectNoKeptPointCulled(perspectiveFovReversedInfiniteLH(1.2217305f, 1.6f, 0.1f), 6789, 1e6f), 1000);
}

// The reversed infinite projection from the same eye: the depth-0 plane is at
// infinity, so nothing ahead is ever beyond it, and the near plane comes from
// w - z.
TEST(FrustumTest, AReversedInfiniteFrustumHasANearPlaneAndNoFarOne) {
    const Mat4 reversed = multiply(lookToLH({eye.x, eye.y, eye.z, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}),
                                   perspectiveFovReversedInfiniteLH(1.2217305f, 1.6f, 0.1f));
    const Frustum frustum = frustumFromViewProjection(reversed, 0.0f);
    const auto pointOutside = [&](Vec3 view) { return boxOutsideFrustum(frustum, viewBox(view, view)); };
    EXPECT_FALSE(pointOutside({0, 0, 0.11f}));  // just inside the near plane
    EXPECT_TRUE(pointOutside({0, 0, 0.09f}));   // just outside it
    EXPECT_TRUE(pointOutside({0, 0, -5}));      // behind the eye
    EXPECT_TRUE(pointOutside({0, 0, -1e6f}));
    EXPECT_FALSE(pointOutside({0, 0, 2000}));
    EXPECT_FALSE(pointOutside({0, 0, 1e6f}));   // far beyond the standard far plane
    EXPECT_FALSE(pointOutside({-1e6f, 0.5e6f, 1e6f}));  // the top left of the picture, a million ahead
    EXPECT_TRUE(pointOutside({-1.2e6f, 0, 1e6f}));      // left of it
    EXPECT_TRUE(pointOutside({0, -0.8e6f, 1e6f}));      // below it
    // With the usual margin, boxes near the eye are kept, as for the standard
    // projection.
    EXPECT_FALSE(boxOutsideFrustum(frustumFromViewProjection(reversed), viewBox({-1, -1, -0.5f}, {1, 1, -0.5f})));
}

}  // namespace
}  // namespace gravelkin::test
