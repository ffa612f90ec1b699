// Every chunk whose centre lies within the radius is requested, wherever the
// camera is: the octant walk with the gap sweep, against a brute-force
// enumeration. The walk alone misses up to a thousand chunks from some of
// these positions (past a shell whose grid doubles, and round cube corners).

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "planet/chunks_within.h"
#include "planet/manager.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {


constexpr float radius = 500.0f;

// Pops every waiting request, clearing its in-flight mark as a factory would.
KeySet drainRequests(TestState& state) {
    PlanetFactorySide factories = state.factorySide();
    KeySet keys;
    ChunkRequest request;
    while (factories.tryPopRequest(request)) {
        keys.insert(request.key);
        factories.finishRequest(request.key);
    }
    return keys;
}

// Names the first few keys of `keys` that `other` lacks.
std::string lacking(const std::vector<ChunkKey>& keys, const KeySet& other) {
    std::string text;
    std::size_t count = 0;
    for (const ChunkKey& k : keys) {
        if (other.count(k) != 0) continue;
        if (++count <= 4) {
            text += " (x " + std::to_string(k.x) + " shell " + std::to_string(k.shell) + " y " + std::to_string(k.y) +
                    " face " + std::to_string(k.face) + ")";
        }
    }
    return std::to_string(count) + " lacking" + text;
}

std::vector<Vec3> testPositions() {
    std::vector<Vec3> positions = {
        {0.0f, 400.0f, 0.0f},        // the start
        {0.0f, 0.0f, 0.0f},          // the centre
        {0.0f, 100.0f, 0.5f},        // inside the solid core
        {300.0f, 300.0f, 0.0f},      // on a face edge
        {-231.0f, 231.0f, -231.0f},  // on a cube corner
        {0.0f, 0.0f, -639.5f},       // just inside and outside the shell where the grid doubles
        {0.0f, 0.0f, -640.5f},
        {0.0f, 650.5f, 0.0f},  // just inside and outside a radius where the level rises
        {0.0f, 651.5f, 0.0f},
        {5.0f, -899.0f, 7.0f},
    };
    std::mt19937 random(20261207);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), distance(0.0f, 900.0f);
    while (positions.size() < 60) {
        const Vec3 d{unit(random), unit(random), unit(random)};
        const float length = std::sqrt(dot3(d, d));
        if (length < 0.1f || length > 1.0f) continue;
        const float r = distance(random) / length;
        positions.push_back(Vec3{d.x * r, d.y * r, d.z * r});
    }
    return positions;
}

TEST(GapSweepTest, OnePassRequestsExactlyTheChunksWithinTheRadiusFromEveryPosition) {
    for (const Vec3& eye : testPositions()) {
        SCOPED_TRACE(::testing::Message() << "camera at " << eye.x << " " << eye.y << " " << eye.z);
        TestPosition position(eye);
        NullGraphicsDevice device;
        TestState state(device, radius);
        Manager manager(state.managerSide());
        manager.pass();
        const KeySet requested = drainRequests(state);
        const std::vector<ChunkKey> within = chunkKeysWithin(eye, radius);
        EXPECT_EQ(requested.size(), within.size());
        EXPECT_EQ(lacking(within, requested), "0 lacking") << "chunks within the radius never requested";
    }
}

// After the camera moves, passes are not quiet until a sweep has run from
// the new position, and that sweep comes within gapSweepInterval passes;
// while the camera rests, no further sweep runs.
TEST(GapSweepTest, FollowsAMovedCameraWithinTheIntervalAndOwesQuietUntilThen) {
    TestPosition position(Vec3{0.0f, -400.0f, 0.0f});
    NullGraphicsDevice device;
    TestState state(device, radius);
    Manager manager(state.managerSide());
    manager.pass();
    drainRequests(state);
    const std::uint64_t sweptBefore = state.stats().sweptRequests;

    const Vec3 moved{0.0f, 400.0f, 0.0f};  // the walk alone misses 148 chunks here
    position.set(moved);
    KeySet requested;
    std::uint32_t passes = 0;
    std::uint64_t swept = 0;
    while (swept == 0 && passes < Manager::gapSweepInterval) {
        manager.pass();
        ++passes;
        EXPECT_EQ(state.stats().quietPasses, 0u) << "quiet while a sweep is owed";
        for (const ChunkKey& key : drainRequests(state)) requested.insert(key);
        swept = state.stats().sweptRequests - sweptBefore;
    }
    EXPECT_GT(swept, 0u);
    EXPECT_EQ(lacking(chunkKeysWithin(moved, radius), requested), "0 lacking");
    for (std::uint32_t i = 0; i <= Manager::gapSweepInterval; ++i) {
        drainRequests(state);
        manager.pass();
    }
    EXPECT_EQ(state.stats().sweptRequests - sweptBefore, swept) << "a still camera is swept once";
}

}  // namespace
}  // namespace gravelkin::test
