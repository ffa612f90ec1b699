// Face groups: every face kept whole, in its order within its group, the
// groups in side order; and a group left out for facing away only when each
// of its triangles is back-facing, whatever its faces' vertex normals say.
// Their boxes come from cornerBox, which takes four corners at a time and
// must give the box includePoint makes over them one by one.
#include "device/face_groups.h"
#include "device/face_bounds.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace gravelkin::test {
namespace {

using Vector = std::array<double, 3>;

Vector plus(const Vector& a, const Vector& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vector minus(const Vector& a, const Vector& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vector times(const Vector& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double dot(const Vector& a, const Vector& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vector cross(const Vector& a, const Vector& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vector unit(const Vector& v) { return times(v, 1.0 / std::sqrt(dot(v, v))); }
Vector position(const ChunkVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }

// A face mesh as the mesher hands it over. Each face carries the vertex
// normal the mesher gives it, (c1 - c0) x (c3 - c0) made unit, and its
// number in texcoord[0].
struct Mesh {
    std::vector<ChunkVertex> corners;
    std::vector<Direction> sides;

    void add(const std::array<Vector, 4>& c, Direction side) {
        const float id = static_cast<float>(sides.size());
        const Vector n = unit(cross(minus(c[1], c[0]), minus(c[3], c[0])));
        for (const Vector& p : c) {
            corners.push_back(
                {{float(p[0]), float(p[1]), float(p[2])}, {}, {id, 0}, {float(n[0]), float(n[1]), float(n[2])}});
        }
        sides.push_back(side);
    }
    ChunkFaces faces() const { return {corners.data(), sides.data(), static_cast<std::uint32_t>(sides.size())}; }
};

struct Packed {
    explicit Packed(const Mesh& mesh)
        : corners(mesh.corners.size()), groups(packFaceGroups(mesh.faces(), corners.data())) {}
    std::vector<ChunkVertex> corners;
    std::vector<FaceGroup> groups;
};

// The side each of a cube's sides is labelled with: +x, -x, +y, -y, +z, -z.
constexpr Direction cubeSides[6] = {Direction::PlusX, Direction::MinusX, Direction::Outward,
                                    Direction::Inward, Direction::PlusY,  Direction::MinusY};

// Scattered unit cubes in a 32-unit chunk, turned by a random rotation, moved
// out to a random place and their corners jittered, so that no normal is an
// axis and no face quite flat.
Mesh scatteredChunk(std::mt19937& random) {
    std::uniform_real_distribution<double> unitInterval(0.0, 1.0), jitter(-0.03, 0.03), place(-600.0, 600.0);
    const Vector axis = unit({unitInterval(random) - 0.5, unitInterval(random) - 0.5, unitInterval(random) - 0.5});
    const double angle = 6.28318530718 * unitInterval(random);
    const Vector offset{place(random), place(random), place(random)};
    const auto moved = [&](const Vector& p) {  // Rodrigues' rotation about `axis`
        const Vector r = plus(plus(times(p, std::cos(angle)), times(cross(axis, p), std::sin(angle))),
                              times(axis, dot(axis, p) * (1 - std::cos(angle))));
        return plus(plus(r, offset), {jitter(random), jitter(random), jitter(random)});
    };
    // Each side as c0 = origin, c1 = origin + u, c2 = origin + u + v,
    // c3 = origin + v, with u x v pointing out of the cube.
    const Vector x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1}, none{0, 0, 0};
    const Vector sides[6][3] = {{x, y, z}, {none, z, y}, {y, z, x}, {none, x, z}, {z, x, y}, {none, y, x}};
    Mesh mesh;
    for (int cube = 0; cube < 60; ++cube) {
        const Vector p{31 * unitInterval(random), 31 * unitInterval(random), 31 * unitInterval(random)};
        for (int s = 0; s < 6; ++s) {
            const Vector o = plus(p, sides[s][0]), u = sides[s][1], v = sides[s][2];
            mesh.add({moved(o), moved(plus(o, u)), moved(plus(plus(o, u), v)), moved(plus(o, v))}, cubeSides[s]);
        }
    }
    return mesh;
}

// (eye - c0) . ((c1 - c0) x (c2 - c0)) in double: negative where the
// triangle is back-facing to the eye.
double facing(const Vec3& eye, const ChunkVertex& c0, const ChunkVertex& c1, const ChunkVertex& c2) {
    const Vector p = position(c0);
    return dot(minus(Vector{eye.x, eye.y, eye.z}, p), cross(minus(position(c1), p), minus(position(c2), p)));
}

// Checks that every group left out for facing away from `eye` has each of its
// triangles back-facing; returns the faces left out.
std::size_t expectOnlyBackFacingLeftOut(const Packed& packed, const Vec3& eye) {
    std::size_t leftOut = 0;
    for (const FaceGroup& group : packed.groups) {
        if (!facesAwayFrom(group, eye)) continue;
        leftOut += group.quads;
        for (std::uint32_t q = group.firstQuad; q < group.firstQuad + group.quads; ++q) {
            const ChunkVertex* f = &packed.corners[4 * q];
            if (facing(eye, f[0], f[1], f[2]) >= 0.0 || facing(eye, f[0], f[2], f[3]) >= 0.0) {
                ADD_FAILURE() << "face " << f[0].texcoord[0] << " faces the eye (" << eye.x << ", " << eye.y << ", "
                              << eye.z << ") but its group is left out";
                return leftOut;
            }
        }
    }
    return leftOut;
}

TEST(FaceBoundsTest, TheCornerBoxIsTheBoxOfEveryCorner) {
    std::mt19937 random(17);
    std::uniform_real_distribution<float> coordinate(-700.0f, 700.0f);
    for (std::size_t count = 0; count < 14; ++count) {
        std::vector<ChunkVertex> corners(count);
        Box3 expected;
        for (ChunkVertex& corner : corners) {
            for (float& p : corner.position) p = coordinate(random);
            corner.color[0] = 1e31f;  // the red channel beside z is no coordinate
            includePoint(expected, {corner.position[0], corner.position[1], corner.position[2]});
        }
        const Box3 box = cornerBox(corners.data(), count);
        EXPECT_EQ(box.min, expected.min) << count << " corners";
        EXPECT_EQ(box.max, expected.max) << count << " corners";
    }
}

TEST(FaceGroupsTest, KeepEveryFaceWholeInItsOrderWithinAGroupAndGroupSideBySide) {
    std::mt19937 random(7);
    const Mesh mesh = scatteredChunk(random);
    const std::size_t faces = mesh.sides.size();
    const Packed packed(mesh);
    std::vector<int> seen(faces, 0);
    std::uint32_t next = 0;
    std::size_t sideRank = 0;
    for (const FaceGroup& group : packed.groups) {
        EXPECT_EQ(group.firstQuad, next);
        ASSERT_GT(group.quads, 0u);
        next += group.quads;
        const auto first = static_cast<std::size_t>(packed.corners[4 * group.firstQuad].texcoord[0]);
        const Direction side = mesh.sides[first];
        // The sides in the order their first faces come: the cube's order.
        while (sideRank < 6 && cubeSides[sideRank] != side) ++sideRank;
        ASSERT_LT(sideRank, 6u) << "a group of a side already passed";
        for (std::uint32_t q = group.firstQuad; q < group.firstQuad + group.quads; ++q) {
            const auto id = static_cast<std::size_t>(packed.corners[4 * q].texcoord[0]);
            ++seen[id];
            EXPECT_EQ(mesh.sides[id], side) << "one side per group";
            if (q > group.firstQuad) {
                EXPECT_LT(packed.corners[4 * (q - 1)].texcoord[0], packed.corners[4 * q].texcoord[0]);
            }
            EXPECT_EQ(std::memcmp(&packed.corners[4 * q], &mesh.corners[4 * id], 4 * sizeof(ChunkVertex)), 0)
                << "face " << id << " copied whole";
            for (int c = 0; c < 4; ++c) {
                const float* p = packed.corners[4 * q + c].position;
                EXPECT_TRUE(p[0] >= group.box.min.x && p[0] <= group.box.max.x && p[1] >= group.box.min.y &&
                            p[1] <= group.box.max.y && p[2] >= group.box.min.z && p[2] <= group.box.max.z);
                const Vector centre{group.centre[0], group.centre[1], group.centre[2]};
                const Vector offset = minus(position(packed.corners[4 * q + c]), centre);
                EXPECT_LE(std::sqrt(dot(offset, offset)), group.radius);
            }
        }
    }
    EXPECT_EQ(next, faces);
    for (std::size_t id = 0; id < faces; ++id) EXPECT_EQ(seen[id], 1) << "face " << id;
    // Six sides, each split into at most `cells` parts.
    EXPECT_GE(packed.groups.size(), 6u);
    EXPECT_LE(packed.groups.size(), 6 * cells);
}

// Eyes at `distance` from `centre` in directions spread evenly over the
// sphere (a Fibonacci lattice).
std::vector<Vec3> eyesAround(const Vector& centre, double distance, int count) {
    std::vector<Vec3> eyes;
    const double golden = 3.0 - std::sqrt(5.0);
    for (int k = 0; k < count; ++k) {
        const double y = 1.0 - 2.0 * (k + 0.5) / count;
        const double r = std::sqrt(1.0 - y * y);
        const double a = 3.14159265358979 * golden * k;
        eyes.push_back({static_cast<float>(centre[0] + distance * r * std::cos(a)),
                        static_cast<float>(centre[1] + distance * y),
                        static_cast<float>(centre[2] + distance * r * std::sin(a))});
    }
    return eyes;
}

// Honest vertex normals, seen by eyes near and far (some inside the chunk);
// then misleading ones, each turned by up to some 45 degrees and one side's
// reversed outright, which may only widen a group's cone.
TEST(FaceGroupsTest, LeaveOutOnlyGroupsWhoseEveryTriangleFacesAwayFromTheEye) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> around(-250.0, 250.0), tilt(-0.6, 0.6);
    std::size_t leftOut[2] = {}, tested[2] = {};
    for (int chunk = 0; chunk < 50; ++chunk) {
        const bool misleading = chunk >= 40;
        Mesh mesh = scatteredChunk(random);
        for (std::size_t f = 0; misleading && f < mesh.sides.size(); ++f) {
            const float* n = mesh.corners[4 * f].normal;
            Vector turned = unit(plus({n[0], n[1], n[2]}, {tilt(random), tilt(random), tilt(random)}));
            if (mesh.sides[f] == Direction::Outward) turned = times(turned, -1.0);
            for (int c = 0; c < 4; ++c) {
                for (int k = 0; k < 3; ++k) mesh.corners[4 * f + c].normal[k] = static_cast<float>(turned[k]);
            }
        }
        const Packed packed(mesh);
        const float* anchor = mesh.corners[0].position;
        std::vector<Vec3> eyes = eyesAround({anchor[0] + 16.0, anchor[1] + 16.0, anchor[2] + 16.0}, 120.0, 300);
        if (!misleading) {
            eyes.clear();
            for (int e = 0; e < 50; ++e) {
                const double scale = e % 5 == 0 ? 0.1 : 1.0;
                eyes.push_back({static_cast<float>(anchor[0] + scale * around(random)),
                                static_cast<float>(anchor[1] + scale * around(random)),
                                static_cast<float>(anchor[2] + scale * around(random))});
            }
        }
        for (const Vec3& eye : eyes) {
            tested[misleading] += mesh.sides.size();
            leftOut[misleading] += expectOnlyBackFacingLeftOut(packed, eye);
        }
    }
    // From outside a chunk about half its faces face away; most of those go.
    EXPECT_GT(leftOut[0], tested[0] / 4);
    EXPECT_GT(leftOut[1], 0u);
}

// Outward sides at a small radius, their corners on the sphere but not on one
// circle: each face's two triangles fold about its diagonal, away from the
// vertex normal, which an eye grazing the face tells apart.
TEST(FaceGroupsTest, QuadsOnASphereAreBoundedByTheirTrianglesNotTheirVertexNormal) {
    Mesh mesh;
    const double radius = 1.5;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const auto corner = [&](int di, int dj) {  // a sheared grid: its cells are not rectangles
                return times(unit({0.4 * (i + di) + 0.25 * (j + dj) - 0.9, 1.0, 0.4 * (j + dj) - 0.6}), radius);
            };
            mesh.add({corner(0, 0), corner(0, 1), corner(1, 1), corner(1, 0)}, Direction::Outward);
        }
    }
    double widestFold = 0.0;
    for (std::size_t f = 0; f < mesh.sides.size(); ++f) {
        const ChunkVertex* c = &mesh.corners[4 * f];
        const Vector t0 = unit(cross(minus(position(c[1]), position(c[0])), minus(position(c[2]), position(c[0]))));
        const Vector t1 = unit(cross(minus(position(c[2]), position(c[0])), minus(position(c[3]), position(c[0]))));
        widestFold = std::max(widestFold, std::acos(std::min(1.0, dot(t0, t1))));
    }
    ASSERT_GT(widestFold, 0.05) << "the faces must not be flat for the test to mean anything";
    const Packed packed(mesh);
    std::size_t leftOut = 0;
    for (const double distance : {3.0, 8.0, 40.0, 400.0}) {
        for (const Vec3& eye : eyesAround({0.0, radius, 0.0}, distance, 4000)) {
            leftOut += expectOnlyBackFacingLeftOut(packed, eye);
        }
    }
    EXPECT_GT(leftOut, 0u);
}

// No cone bounds these groups, so none is ever left out: faces of one side
// sharing their first corner (as near the planet's centre) whose normals turn
// through 225 degrees, more than a right angle from any axis between them;
// and a face collapsed to a point, in the middle of a chunk's list.
TEST(FaceGroupsTest, GroupsWithoutAConeAreNeverLeftOut) {
    Mesh fan;
    for (int k = 0; k < 6; ++k) {
        const double a = k * 3.14159265358979 / 4;
        const Vector n{std::cos(a), 0.0, std::sin(a)}, u{0.0, 0.01, 0.0};
        const Vector v = times(cross(n, u), 100.0);  // u x v points along n
        fan.add({Vector{0, 0, 0}, u, plus(u, v), v}, Direction::Inward);
    }
    const Packed fanned(fan);
    ASSERT_EQ(fanned.groups.size(), 1u);
    EXPECT_FALSE(fanned.groups[0].cullable);
    for (const Vec3& eye : eyesAround({0, 0, 0}, 50.0, 200)) EXPECT_FALSE(facesAwayFrom(fanned.groups[0], eye));

    std::mt19937 random(3);
    Mesh mesh = scatteredChunk(random);
    for (int c = 1; c < 4; ++c) {
        for (int k = 0; k < 3; ++k) mesh.corners[40 + c].position[k] = mesh.corners[40].position[k];
    }
    const Packed packed(mesh);
    const FaceGroup* holder = nullptr;
    for (const FaceGroup& group : packed.groups) {
        for (std::uint32_t q = group.firstQuad; q < group.firstQuad + group.quads; ++q) {
            if (packed.corners[4 * q].texcoord[0] == 10.0f) holder = &group;
        }
    }
    ASSERT_NE(holder, nullptr);
    EXPECT_FALSE(holder->cullable);
    for (const Vec3& eye : eyesAround(position(mesh.corners[0]), 500.0, 200)) EXPECT_FALSE(facesAwayFrom(*holder, eye));
}

TEST(FaceGroupsTest, RunsDrawExactlyTheGroupsLeftInJoiningNeighbours) {
    std::mt19937 random(5);
    const Mesh mesh = scatteredChunk(random);
    const Packed packed(mesh);
    const std::vector<FaceGroup>& groups = packed.groups;
    const float* p = mesh.corners[0].position;
    // Looking along +x from beside the chunk: some groups face away, some lie
    // behind the eye.
    const Vec3 eye{p[0] + 10.0f, p[1] + 3.0f, p[2] - 7.0f};
    const Mat4 view = lookToLH({eye.x, eye.y, eye.z, 1}, {1, 0, 0, 0}, {0, 1, 0, 0});
    const Frustum frustum = frustumFromViewProjection(multiply(view, perspectiveFovLH(0.8f, 1.6f, 0.1f, 1000.0f)));
    std::vector<QuadRun> runs(groups.size());
    FaceCounts counts;
    runs.resize(runsToDraw(groups, eye, frustum, runs.data(), counts));
    EXPECT_EQ(counts.drawn + counts.facingAway + counts.outsideFrustum, mesh.sides.size());
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

}  // namespace
}  // namespace gravelkin::test
