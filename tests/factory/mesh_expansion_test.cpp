// The face normal where a side's corners collapse (the centre voxel's sides):
// still a sound unit normal, never NaN.
#include <gtest/gtest.h>

#include "factory/mesh_expansion.h"

namespace gravelkin {
namespace {

TEST(MeshExpansion, FaceNormalOfWholeAndCollapsedFaces) {
    const Vec3 fallback{0.0f, 0.0f, -1.0f};
    const Vec3 up{0.0f, 0.0f, 1.0f};
    struct Case {
        const char* what;
        FaceRecord face;
        Vec3 normal;
    };
    const Case cases[] = {
        {"a whole quad: the normalised cross product", {{0, 0, 0}, {2, 0, 0}, {2, 3, 0}, {0, 3, 0}, {}}, up},
        {"c0 = c1: the diagonals", {{0, 0, 0}, {0, 0, 0}, {2, 3, 0}, {0, 3, 0}, {}}, up},
        {"all corners at one point: the given normal", {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {}}, fallback},
    };
    for (const Case& c : cases) EXPECT_EQ(faceNormal(c.face, fallback), c.normal) << c.what;
}

}  // namespace
}  // namespace gravelkin
