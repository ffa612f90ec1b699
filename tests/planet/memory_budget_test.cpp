// The memory budget. The radius in effect shrinks to the radius that fits
// (or by what the overshoot asks), a tenth at least, again only once drops
// are done, never below the floor; it grows back only when settled and well
// under budget, and not past where it bound until the camera has moved on.
// On a streaming planet, a budget too small for the radius makes it settle at
// a smaller radius with every chunk within it present.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "device/null_graphics_device.h"
#include "planet/chunks_within.h"
#include "planet/manager.h"
#include "planet/memory_budget.h"
#include "planet/planet.h"
#include "planet/radius_control.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t budget = 1000 * mebibyte;

RadiusInputs inputs(std::uint64_t usedMiB, bool settled = false, bool dropsPending = false, float fit = 0.0f) {
    RadiusInputs in;
    in.usedBytes = usedMiB * mebibyte;
    in.budgetBytes = budget;
    in.requestedRadius = 4000.0f;
    in.fitRadius = fit;
    in.settled = settled;
    in.dropsPending = dropsPending;
    return in;
}

float passes(RadiusControl& control, const RadiusInputs& in, int count) {
    for (int i = 0; i < count; ++i) control.update(in);
    return control.radius();
}

TEST(RadiusControlTest, ShrinksToWhatFitsThenByTheOvershootOnceDropsAreDone) {
    RadiusControl control(4000.0f);
    EXPECT_EQ(passes(control, inputs(999, true), 50), 4000.0f) << "under budget the requested radius stands";
    EXPECT_FALSE(control.hasBound());
    EXPECT_FLOAT_EQ(control.update(inputs(1100, false, false, 540.0f)), 540.0f);
    EXPECT_TRUE(control.hasBound());
    // While drops are owed the radius holds, however long.
    EXPECT_FLOAT_EQ(passes(control, inputs(1500, false, true, 100.0f), 20), 540.0f);
    // A fit radius beyond nine tenths still shrinks by a tenth.
    EXPECT_FLOAT_EQ(passes(control, inputs(1100, false, false, 530.0f), 5), 486.0f);
    // Without one, by the square root of the overshoot (x 0.95), at least a
    // tenth and at most a half.
    const float expected = 486.0f * std::sqrt(1000.0f / 1440.0f) * 0.95f;
    EXPECT_NEAR(passes(control, inputs(1440), 5), expected, 0.01f);
    EXPECT_FLOAT_EQ(passes(control, inputs(100000), 5), expected * 0.5f);
    // Never below the floor.
    EXPECT_EQ(passes(control, inputs(100000), 100), minEffectiveRadius);
}

TEST(RadiusControlTest, GrowsBackOnlyWhenSettledAndNotPastWhereItBoundUntilTheCameraMoves) {
    RadiusControl control(4000.0f);
    control.update(inputs(1100, false, false, 540.0f));
    control.update(inputs(1100, false, false, 540.0f));  // at full radius only the first bind is immediate
    EXPECT_FLOAT_EQ(control.radius(), 540.0f);
    EXPECT_FLOAT_EQ(passes(control, inputs(500, false), 50), 540.0f) << "unsettled: no growth";
    EXPECT_FLOAT_EQ(passes(control, inputs(900, true), 50), 540.0f) << "above 85% of the budget: no growth";
    EXPECT_FLOAT_EQ(passes(control, inputs(500, true), 200), 540.0f) << "not past where it bound";

    // A quarter of a radius away the old bound no longer holds.
    RadiusInputs moved = inputs(500, true);
    moved.eye = Vec3{0.0f, 0.0f, 200.0f};
    const float first = passes(control, moved, 10);
    EXPECT_FLOAT_EQ(first, 540.0f * 1.15f);
    EXPECT_EQ(passes(control, moved, 1000), 4000.0f);
}

TEST(RadiusControlTest, TheDefaultBudgetIsAQuarterOfTheMachineAtMost4GiB) {
    EXPECT_EQ(defaultMemoryBudget(8ull << 30), 2ull << 30);
    EXPECT_EQ(defaultMemoryBudget(64ull << 30), 4ull << 30);
    EXPECT_EQ(defaultMemoryBudget(0), 4ull << 30) << "unknown: the largest";
    EXPECT_GT(defaultMemoryBudget(), 0u);
}

bool settles(const Planet& planet, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (planet.stats().quietPasses >= 5) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(MemoryBudgetTest, ASmallBudgetSettlesAtASmallerRadiusWithEveryChunkWithinIt) {
    TestPosition position;
    NullGraphicsDevice device;
    auto planet = streamingPlanet(device, 300.0f);
    constexpr std::uint64_t smallBudget = 96ull << 20;
    planet->setMemoryBudget(smallBudget);
    ASSERT_TRUE(settles(*planet, 60s));
    const float radius = planet->effectiveRadius();
    EXPECT_LT(radius, 300.0f);
    EXPECT_GE(radius, 96.0f);
    EXPECT_LE(planet->memoryBytes(), smallBudget);
    EXPECT_GT(planet->memoryBytes(), smallBudget / 2) << "the budget is used, not left idle";
    for (const ChunkKey& key : chunkKeysWithin(cameraStartPosition, radius)) {
        ASSERT_NE(planet->findChunk(key), nullptr) << "missing within the radius in effect";
    }
}

// Some 74,000 air chunks lie within 1,000 units out here, more than the
// manager holds.
TEST(MemoryBudgetTest, OpenSpaceHoldsNoMoreChunksThanTheManagerTracks) {
    TestPosition position({0.0f, 0.0f, -3000.0f});
    NullGraphicsDevice device;
    auto planet = streamingPlanet(device, 1000.0f);
    ASSERT_TRUE(settles(*planet, 60s));
    EXPECT_LE(planet->chunkCount(), Manager::maxHeldChunks);
    EXPECT_LT(planet->effectiveRadius(), 1000.0f);
    for (const ChunkKey& key : chunkKeysWithin({0.0f, 0.0f, -3000.0f}, planet->effectiveRadius())) {
        ASSERT_NE(planet->findChunk(key), nullptr) << "missing within the radius in effect";
    }
}

}  // namespace
}  // namespace gravelkin::test
