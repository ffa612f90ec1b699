// The instruction-set list and the pinning of Highway's dynamic dispatch.
// This file is compiled once per target too, so that currentSimdTarget can
// ask the dispatch itself which target it picks.
#include "noise/simd_targets.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "noise/simd_targets.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include "hwy/highway.h"
#include "hwy/targets.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

const char* TargetOfThisCode() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace gravelkin {

HWY_EXPORT(TargetOfThisCode);

std::vector<SimdTarget> availableSimdTargets() {
    // Highway lists targets from its lowest bit, which is the best target.
    std::vector<SimdTarget> targets;
    for (std::int64_t bits : hwy::SupportedAndGeneratedTargets()) targets.push_back({bits, hwy::TargetName(bits)});
    return targets;
}

std::string currentSimdTarget() { return HWY_DYNAMIC_DISPATCH(TargetOfThisCode)(); }

ScopedSimdTarget::ScopedSimdTarget(const SimdTarget& target) {
    // Also resets the dispatch, so that the next call chooses again.
    hwy::SetSupportedTargetsForTest(target.bits);
}

ScopedSimdTarget::~ScopedSimdTarget() { hwy::SetSupportedTargetsForTest(0); }

}  // namespace gravelkin
#endif  // HWY_ONCE
