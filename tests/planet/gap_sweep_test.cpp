// Every chunk whose centre lies within the radius is requested, wherever the
// camera is: the octant walk with the gap sweep, against a brute-force
// enumeration. The walk alone misses up to a thousand chunks from some of
// these positions (past a shell whose grid doubles, and round cube corners).
// From a camera with nothing held the walk ramps out, nearest first, until
// the surroundings are meshed; across a face edge it keeps its heading.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "camera/distance.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "planet/chunks_within.h"
#include "planet/manager.h"
#include "planet/surroundings_watch.h"
#include "planet/transform_direction.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

constexpr float radius = 500.0f;

// Pops every waiting request, clearing its in-flight mark or leaving it as
// for a job still running.
enum class Marks { Clear, Keep };
KeySet drainRequests(TestState& state, Marks marks = Marks::Clear) {
    PlanetFactorySide factories = state.factorySide();
    KeySet keys;
    ChunkRequest request;
    while (factories.tryPopRequest(request)) {
        keys.insert(request.key);
        if (marks == Marks::Clear) factories.finishRequest(request.key);
    }
    return keys;
}

// Names the first few keys of `keys` that `other` lacks.
std::string lacking(const std::vector<ChunkKey>& keys, const KeySet& other) {
    std::string text;
    std::size_t count = 0;
    for (const ChunkKey& k : keys) {
        if (other.count(k) == 0 && ++count <= 4) {
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

// From a fresh planet the first pass requests exactly the chunks near the
// camera, and once the walk reaches the radius every chunk within it has been
// requested, once. Unserved, the surroundings are never meshed: the ramp
// waits for them only so long. The near walk must reach every neighbour a
// mesh of the surroundings needs, or the ramp would wait for meshes that
// cannot come.
TEST(GapSweepTest, PassesRequestExactlyTheChunksWithinTheRadiusFromEveryPosition) {
    for (const Vec3& eye : testPositions()) {
        SCOPED_TRACE(::testing::Message() << "camera at " << eye.x << " " << eye.y << " " << eye.z);
        float farthest = 0.0f;
        for (const ChunkKey& key : chunkKeysWithin(eye, surroundingsRadius)) {
            for (const Direction d : allDirections) {
                for (const ChunkKey& neighbour : chunkKeysAcross(key, d)) {
                    farthest = std::fmax(farthest, std::sqrt(distanceSquared(eye, chunkCentre(neighbour))));
                }
            }
        }
        EXPECT_LE(farthest, Manager::nearWalkRadius) << "a neighbour of the surroundings beyond the near walk";

        TestPosition position(eye);
        NullGraphicsDevice device;
        TestState state(device, radius);
        Manager manager(state.managerSide());
        manager.pass();
        KeySet requested = drainRequests(state, Marks::Keep);
        const std::vector<ChunkKey> near = chunkKeysWithin(eye, Manager::nearWalkRadius);
        EXPECT_EQ(requested.size(), near.size());
        EXPECT_EQ(state.stats().generateRequests, near.size()) << "a key requested twice";
        EXPECT_EQ(lacking(near, requested), "0 lacking") << "chunks near the camera not requested first";
        int passes = 1;
        for (; manager.walkRadius() < radius; ++passes) {
            manager.pass();
            const KeySet more = drainRequests(state, Marks::Keep);
            for (const ChunkKey& key : more) EXPECT_TRUE(requested.insert(key).second) << "requested twice";
        }
        EXPECT_LE(passes, static_cast<int>(Manager::maxRampHoldPasses) + 4)
            << "passes before the walk reached the radius";
        const std::vector<ChunkKey> within = chunkKeysWithin(eye, radius);
        EXPECT_EQ(requested.size(), within.size());
        EXPECT_EQ(lacking(within, requested), "0 lacking") << "chunks within the radius never requested";
    }
}

// The walk stays near the camera until the surroundings are meshed, then
// reaches the radius within a few passes, keeping what it held.
TEST(GapSweepTest, TheWalkWaitsNearTheCameraUntilTheSurroundingsAreMeshed) {
    TestPosition position;
    const Vec3 eye = testPosition();
    NullGraphicsDevice device;
    TestState state(device, radius);
    PlanetFactorySide factories = state.factorySide();
    Manager manager(state.managerSide());
    const float nearSquared = Manager::nearWalkRadius * Manager::nearWalkRadius;

    std::vector<Chunk*> built;
    const auto serve = [&] {
        ChunkRequest request;
        while (factories.tryPopRequest(request)) {
            if (request.kind == RequestKind::Generate) {
                EXPECT_LE(distanceSquared(eye, chunkCentre(request.key)), nearSquared) << "far request too soon";
                auto chunk = std::make_unique<Chunk>(request.key, airVoxel);
                built.push_back(chunk.get());
                ASSERT_TRUE(factories.addChunk(std::move(chunk)));
            }
            factories.finishRequest(request.key);
        }
    };
    for (int pass = 0; pass < 5; ++pass) {
        manager.pass();
        EXPECT_EQ(manager.walkRadius(), Manager::nearWalkRadius);
        serve();
    }
    ASSERT_EQ(built.size(), chunkKeysWithin(eye, Manager::nearWalkRadius).size());

    for (Chunk* chunk : built) chunk->meshPending.store(false);
    std::uint32_t passes = 0;
    while (manager.walkRadius() < radius && passes < 4) {
        manager.pass();
        ++passes;
        drainRequests(state);
    }
    EXPECT_EQ(manager.walkRadius(), radius) << "after " << passes << " passes";
    EXPECT_EQ(state.chunkCount(), built.size()) << "a chunk held during the ramp was dropped";
}

// After the camera moves, passes are not quiet until a sweep of the whole
// radius has run from the new position (once the walk has ramped out there,
// at its longest here); while the camera rests, no further sweep runs.
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
    while (swept == 0 && passes < Manager::maxRampHoldPasses + Manager::gapSweepInterval) {
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

TEST(SurroundingsWatchTest, MeshedOnlyWhenEveryNearChunkIsAndAskedAgainAfterAMove) {
    const Vec3 eye{0.0f, 400.0f, 0.0f};
    const std::vector<ChunkKey> near = chunkKeysWithin(eye, 100.0f);
    ASSERT_GT(near.size(), 10u);

    KeySet meshedKeys(near.begin(), near.end() - 1);
    std::size_t asked = 0;
    const auto meshed = [&](const ChunkKey& key) {
        ++asked;
        return meshedKeys.count(key) > 0;
    };
    SurroundingsWatch watch;
    EXPECT_FALSE(watch.meshed(eye, 100.0f, meshed));
    asked = 0;
    EXPECT_FALSE(watch.meshed(eye, 100.0f, meshed));
    EXPECT_EQ(asked, 1u) << "chunks already seen meshed are not asked again";

    meshedKeys.insert(near.back());
    EXPECT_TRUE(watch.meshed(eye, 100.0f, meshed));

    // A step away brings chunks the set does not hold.
    EXPECT_FALSE(watch.meshed(Vec3{0.0f, 400.0f, 64.0f}, 100.0f, meshed));
    // A smaller radius is a new list too, and all of it is meshed here.
    EXPECT_TRUE(watch.meshed(eye, 50.0f, meshed));
}

// Across every face edge, the carried direction keeps the walk heading away
// from the edge it crossed: stepping back against it returns to the start,
// and stepping on with it does not.
TEST(TransformDirectionTest, KeepsAWalkHeadingTheSameWayAcrossEveryEdge) {
    const std::uint32_t shell = 12;
    const auto n = static_cast<std::uint32_t>(chunksPerSide(shell));
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (Direction d : {PlusY, MinusY, PlusX, MinusX}) {
            for (std::uint32_t along : {0u, 5u, n - 1}) {
                // A cell on the edge that d leaves the face across.
                ChunkKey start{along, shell, along, face};
                if (d == PlusY) start.y = n - 1;
                if (d == MinusY) start.y = 0;
                if (d == PlusX) start.x = n - 1;
                if (d == MinusX) start.x = 0;
                SCOPED_TRACE(::testing::Message() << "face " << int(face) << " direction " << int(d) << " along "
                                                << along);
                const ChunkKey across = chunkNeighbour(start, d).address;
                ASSERT_NE(across.face, face);
                const Direction carried = transformDirection(d, face, across.face);
                EXPECT_EQ(chunkNeighbour(across, opposite(carried)).address, start);
                const ChunkKey onward = chunkNeighbour(across, carried).address;
                EXPECT_EQ(onward.face, across.face);
                EXPECT_NE(onward, start);
                EXPECT_EQ(transformDirection(Outward, face, across.face), Outward);
                EXPECT_EQ(transformDirection(Inward, face, across.face), Inward);
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
