// Face groups: every face kept, in its order within its group, and a group
// left out for facing away only when each of its triangles is back-facing.
#include "device/face_groups.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace gravelkin::test {
namespace {

using Vector = std::array<double, 3>;

// The six sides of a unit cube at p, as packed faces wound so that
// (c1 - c0) x (c2 - c0) points out: c0 = p, c1 = p + u, c2 = p + u + v,
// c3 = p + v with u x v the side's outward normal.
void addCube(std::vector<Vector>& corners, const Vector& p) {
    const Vector x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1}, none{0, 0, 0};
    struct Side {
        Vector origin, u, v;
    };
    const Side sides[6] = {{x, y, z}, {none, z, y}, {y, z, x}, {none, x, z}, {z, x, y}, {none, y, x}};
    for (const Side& side : sides) {
        const Vector o{p[0] + side.origin[0], p[1] + side.origin[1], p[2] + side.origin[2]};
        const Vector& u = side.u;
        const Vector& v = side.v;
        corners.push_back(o);
        corners.push_back({o[0] + u[0], o[1] + u[1], o[2] + u[2]});
        corners.push_back({o[0] + u[0] + v[0], o[1] + u[1] + v[1], o[2] + u[2] + v[2]});
        corners.push_back({o[0] + v[0], o[1] + v[1], o[2] + v[2]});
    }
}

// Scattered cubes in a 32-unit chunk, turned by a random rotation, moved out
// to a random place and their corners jittered, so that no normal is an axis
// and no face quite flat. texcoord[0] numbers the faces.
std::vector<ChunkVertex> scatteredChunk(std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0), jitter(-0.03, 0.03), place(-600.0, 600.0);
    std::vector<Vector> corners;
    for (int cube = 0; cube < 60; ++cube) addCube(corners, {31 * unit(random), 31 * unit(random), 31 * unit(random)});
    // A random rotation from a random unit quaternion.
    double q[4];
    double length = 0.0;
    for (double& c : q) {
        c = unit(random) - 0.5;
        length += c * c;
    }
    for (double& c : q) c /= std::sqrt(length);
    const double w = q[0], a = q[1], b = q[2], c = q[3];
    const double r[3][3] = {{1 - 2 * (b * b + c * c), 2 * (a * b - w * c), 2 * (a * c + w * b)},
                            {2 * (a * b + w * c), 1 - 2 * (a * a + c * c), 2 * (b * c - w * a)},
                            {2 * (a * c - w * b), 2 * (b * c + w * a), 1 - 2 * (a * a + b * b)}};
    const Vector offset{place(random), place(random), place(random)};
    std::vector<ChunkVertex> vertices(corners.size());
    for (std::size_t k = 0; k < corners.size(); ++k) {
        for (int i = 0; i < 3; ++i) {
            const double turned = r[i][0] * corners[k][0] + r[i][1] * corners[k][1] + r[i][2] * corners[k][2];
            vertices[k].position[i] = static_cast<float>(turned + offset[i] + jitter(random));
        }
        vertices[k].texcoord[0] = static_cast<float>(k / 4);
    }
    return vertices;
}

// Faces given as their four corners, packed into groups from the triangle
// list c0 c1 c2 c0 c2 c3 that the mesher would hand over.
std::vector<FaceGroup> groupFaces(std::vector<ChunkVertex>& corners) {
    std::vector<ChunkVertex> list;
    for (std::size_t q = 0; q < corners.size() / 4; ++q) {
        for (const int c : {0, 1, 2, 0, 2, 3}) list.push_back(corners[4 * q + c]);
    }
    return packFaceGroups(list.data(), static_cast<std::uint32_t>(list.size()), corners.data());
}

// (eye - c0) . ((c1 - c0) x (c2 - c0)): negative where the triangle is
// back-facing to the eye.
double facing(const Vec3& eye, const float* c0, const float* c1, const float* c2) {
    const Vector u{double{c1[0]} - c0[0], double{c1[1]} - c0[1], double{c1[2]} - c0[2]};
    const Vector v{double{c2[0]} - c0[0], double{c2[1]} - c0[1], double{c2[2]} - c0[2]};
    const Vector n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    return (eye.x - c0[0]) * n[0] + (eye.y - c0[1]) * n[1] + (eye.z - c0[2]) * n[2];
}

TEST(FaceGroupsTest, KeepEveryFaceInItsOrderWithinAGroupAndBoxEveryCorner) {
    std::mt19937 random(7);
    std::vector<ChunkVertex> corners = scatteredChunk(random);
    const std::size_t quads = corners.size() / 4;
    const std::vector<FaceGroup> groups = groupFaces(corners);
    ASSERT_EQ(corners.size(), quads * 4);
    std::vector<int> seen(quads, 0);
    std::uint32_t next = 0;
    for (const FaceGroup& group : groups) {
        EXPECT_EQ(group.firstQuad, next);
        EXPECT_GT(group.quads, 0u);
        next += group.quads;
        for (std::uint32_t q = group.firstQuad; q < group.firstQuad + group.quads; ++q) {
            const auto id = static_cast<std::size_t>(corners[4 * q].texcoord[0]);
            ++seen[id];
            if (q > group.firstQuad) {
                EXPECT_LT(corners[4 * (q - 1)].texcoord[0], corners[4 * q].texcoord[0]);
            }
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(corners[4 * q + c].texcoord[0], corners[4 * q].texcoord[0]);  // whole faces moved
                const float* p = corners[4 * q + c].position;
                EXPECT_TRUE(p[0] >= group.box.min.x && p[0] <= group.box.max.x && p[1] >= group.box.min.y &&
                            p[1] <= group.box.max.y && p[2] >= group.box.min.z && p[2] <= group.box.max.z);
            }
        }
    }
    EXPECT_EQ(next, quads);
    for (std::size_t id = 0; id < quads; ++id) EXPECT_EQ(seen[id], 1) << "face " << id;
    // Six sides, each split into at most `cells` parts.
    EXPECT_LE(groups.size(), 6 * cells);
}

TEST(FaceGroupsTest, LeaveOutOnlyGroupsWhoseEveryTriangleFacesAwayFromTheEye) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> around(-250.0, 250.0);
    std::size_t facesLeftOut = 0;
    std::size_t facesTested = 0;
    for (int chunk = 0; chunk < 40; ++chunk) {
        std::vector<ChunkVertex> corners = scatteredChunk(random);
        const std::vector<FaceGroup> groups = groupFaces(corners);
        const float* anchor = corners[0].position;
        for (int e = 0; e < 50; ++e) {
            // Eyes near and far, some inside the chunk.
            const double scale = e % 5 == 0 ? 0.1 : 1.0;
            const Vec3 eye{static_cast<float>(anchor[0] + scale * around(random)),
                           static_cast<float>(anchor[1] + scale * around(random)),
                           static_cast<float>(anchor[2] + scale * around(random))};
            for (const FaceGroup& group : groups) {
                facesTested += group.quads;
                if (!facesAwayFrom(group, eye)) continue;
                facesLeftOut += group.quads;
                for (std::uint32_t q = group.firstQuad; q < group.firstQuad + group.quads; ++q) {
                    const ChunkVertex* f = &corners[4 * q];
                    ASSERT_LT(facing(eye, f[0].position, f[1].position, f[2].position), 0.0);
                    ASSERT_LT(facing(eye, f[0].position, f[2].position, f[3].position), 0.0);
                }
            }
        }
    }
    // From outside a chunk about half its faces face away; most of those go.
    EXPECT_GT(facesLeftOut, facesTested / 4);
}

TEST(FaceGroupsTest, RunsDrawExactlyTheGroupsLeftInJoiningNeighbours) {
    std::mt19937 random(5);
    std::vector<ChunkVertex> corners = scatteredChunk(random);
    const std::vector<FaceGroup> groups = groupFaces(corners);
    const float* p = corners[0].position;
    // Looking along +x from beside the chunk: some groups face away, some lie
    // behind the eye.
    const Vec3 eye{p[0] + 10.0f, p[1] + 3.0f, p[2] - 7.0f};
    const Mat4 view = lookToLH({eye.x, eye.y, eye.z, 1}, {1, 0, 0, 0}, {0, 1, 0, 0});
    const Frustum frustum = frustumFromViewProjection(multiply(view, perspectiveFovLH(0.8f, 1.6f, 0.1f, 1000.0f)));
    std::vector<QuadRun> runs(groups.size());
    FaceCounts counts;
    runs.resize(runsToDraw(groups, eye, frustum, runs.data(), counts));
    EXPECT_EQ(counts.drawn + counts.facingAway + counts.outsideFrustum, corners.size() / 4);
    EXPECT_GT(counts.facingAway, 0u);
    EXPECT_GT(counts.outsideFrustum, 0u);
    std::uint64_t drawn = 0;
    std::size_t run = 0;
    bool previousIn = false;
    for (const FaceGroup& group : groups) {
        const bool in = !facesAwayFrom(group, eye) && !boxOutsideFrustum(frustum, group.box);
        if (in && !previousIn) {
            ASSERT_LT(run, runs.size());
            EXPECT_EQ(runs[run].firstQuad, group.firstQuad);  // a run starts after each group left out
            ++run;
        }
        if (in) {
            EXPECT_LE(group.firstQuad + group.quads, runs[run - 1].firstQuad + runs[run - 1].quads);
        }
        drawn += in ? group.quads : 0;
        previousIn = in;
    }
    EXPECT_EQ(run, runs.size());
    EXPECT_EQ(drawn, counts.drawn);
}

TEST(FaceGroupsTest, FacesWithoutANormalAreNeverLeftOut) {
    std::mt19937 random(3);
    std::vector<ChunkVertex> corners = scatteredChunk(random);
    // A face collapsed to a point, in the middle of the list.
    for (int c = 1; c < 4; ++c) {
        for (int k = 0; k < 3; ++k) corners[40 + c].position[k] = corners[40].position[k];
    }
    const std::vector<FaceGroup> groups = groupFaces(corners);
    const FaceGroup* holder = nullptr;
    for (const FaceGroup& group : groups) {
        for (std::uint32_t q = group.firstQuad; q < group.firstQuad + group.quads; ++q) {
            if (corners[4 * q].texcoord[0] == 10.0f) holder = &group;
        }
    }
    ASSERT_NE(holder, nullptr);
    EXPECT_FALSE(holder->cullable);
    const float* p = corners[0].position;
    for (const Vec3 eye : {Vec3{p[0] + 500, p[1], p[2]}, Vec3{p[0], p[1] - 500, p[2]}, Vec3{p[0], p[1], p[2] + 500}}) {
        EXPECT_FALSE(facesAwayFrom(*holder, eye));
    }
}

}  // namespace
}  // namespace gravelkin::test
