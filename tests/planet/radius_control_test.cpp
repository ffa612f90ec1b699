// The radius in effect against the memory budget: shrinks at once to inside
// the arrivals, then by what the overshoot asks once drops are done, never
// below the floor; grows back only when settled and well under budget, and
// not past where it bound until the camera has moved on.

#include <gtest/gtest.h>

#include <cmath>

#include "planet/memory_budget.h"
#include "planet/radius_control.h"

namespace gravelkin::test {
namespace {

constexpr std::uint64_t budget = 1000 * mebibyte;

RadiusInputs inputs(std::uint64_t usedMiB, bool settled = false, bool dropsPending = false, float arrivals = 0.0f) {
    RadiusInputs in;
    in.usedBytes = usedMiB * mebibyte;
    in.budgetBytes = budget;
    in.requestedRadius = 4000.0f;
    in.arrivalRadius = arrivals;
    in.settled = settled;
    in.dropsPending = dropsPending;
    return in;
}

float passes(RadiusControl& control, const RadiusInputs& in, int count) {
    for (int i = 0; i < count; ++i) control.update(in);
    return control.radius();
}

TEST(RadiusControlTest, UnderBudgetTheRequestedRadiusStands) {
    RadiusControl control(4000.0f);
    EXPECT_EQ(passes(control, inputs(999, true), 50), 4000.0f);
    EXPECT_FALSE(control.hasBound());
}

TEST(RadiusControlTest, ShrinksInsideTheArrivalsThenByTheOvershootOnceDropsAreDone) {
    RadiusControl control(4000.0f);
    EXPECT_FLOAT_EQ(control.update(inputs(1100, false, false, 600.0f)), 540.0f);
    EXPECT_TRUE(control.hasBound());
    // While drops are owed the radius holds, however long.
    EXPECT_FLOAT_EQ(passes(control, inputs(1500, false, true), 20), 540.0f);
    // Then it shrinks as the square root of the overshoot asks (x 0.95),
    // at least a tenth and at most a half.
    const float expected = 540.0f * std::sqrt(1000.0f / 1440.0f) * 0.95f;
    EXPECT_NEAR(passes(control, inputs(1440), 5), expected, 0.01f);
    EXPECT_FLOAT_EQ(passes(control, inputs(100000), 5), expected * 0.5f);
    // Never below the floor.
    EXPECT_EQ(passes(control, inputs(100000), 100), minEffectiveRadius);
}

TEST(RadiusControlTest, GrowsBackWhenSettledButNotPastWhereItBoundUntilTheCameraMoves) {
    RadiusControl control(4000.0f);
    control.update(inputs(1100, false, false, 600.0f));  // bound at 600, now 540
    EXPECT_FLOAT_EQ(passes(control, inputs(500, false), 50), 540.0f) << "unsettled: no growth";
    EXPECT_FLOAT_EQ(passes(control, inputs(900, true), 50), 540.0f) << "above 85% of the budget: no growth";
    EXPECT_FLOAT_EQ(passes(control, inputs(500, true), 200), 570.0f) << "95% of where it bound";

    // A quarter of a radius away the old bound no longer holds.
    RadiusInputs moved = inputs(500, true);
    moved.eye = Vec3{0.0f, 0.0f, 200.0f};
    EXPECT_EQ(passes(control, moved, 1000), 4000.0f);
}

TEST(RadiusControlTest, TheDefaultBudgetIsAQuarterOfTheMachineAtMost4GiB) {
    EXPECT_EQ(defaultMemoryBudget(8ull << 30), 2ull << 30);
    EXPECT_EQ(defaultMemoryBudget(64ull << 30), 4ull << 30);
    EXPECT_EQ(defaultMemoryBudget(0), 4ull << 30) << "unknown: the largest";
    EXPECT_GT(defaultMemoryBudget(), 0u);
}

}  // namespace
}  // namespace gravelkin::test
