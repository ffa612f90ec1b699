// Parameterises a test over every SIMD instruction set the fast paths are
// built for and this CPU can run, each test pinned to one of them; the test
// name ends in the instruction set's name, e.g. ".../AVX2". Main thread only:
// pinning is process-wide.
#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include "noise/simd_targets.h"

namespace gravelkin {

// How GoogleTest shows a target parameter: by name (found by argument-dependent
// lookup, so it lives in the target's namespace).
inline void PrintTo(const SimdTarget& target, std::ostream* out) { *out << target.name; }

}  // namespace gravelkin

namespace gravelkin::test {

class OnEachSimdTarget : public ::testing::TestWithParam<SimdTarget> {
protected:
    OnEachSimdTarget() : pinned_(GetParam()) {}
    // The fast paths really run on the pinned instruction set.
    void SetUp() override { ASSERT_EQ(currentSimdTarget(), GetParam().name); }

private:
    ScopedSimdTarget pinned_;
};

}  // namespace gravelkin::test

#define GRAVELKIN_ON_EACH_SIMD_TARGET(fixture)                                                        \
    INSTANTIATE_TEST_SUITE_P(Simd, fixture, ::testing::ValuesIn(::gravelkin::availableSimdTargets()), \
                             [](const auto& info) { return info.param.name; })
