// The SIMD instruction sets the terrain's fast paths are built for, and a way
// to pin them to one of them, so that tests can check each against the
// scalar reference and benchmarks can compare them.
//
// Normally every fast path runs on the best instruction set the CPU offers,
// chosen once at run time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravelkin {

struct SimdTarget {
    std::int64_t bits;  // Highway's target bit
    std::string name;   // e.g. "AVX2", "AVX3" (AVX-512), "SSE4", "SCALAR"
};

// The instruction sets compiled into the fast paths that this CPU can run,
// best first.
std::vector<SimdTarget> availableSimdTargets();

// The instruction set the fast paths run on now, as the run-time dispatch
// chooses it.
std::string currentSimdTarget();

// While alive, every fast path runs on `target` alone. Process-wide and not
// thread-safe: for tests and benchmarks, with no fast path running on
// another thread. The destructor returns to the automatic choice.
class ScopedSimdTarget {
public:
    explicit ScopedSimdTarget(const SimdTarget& target);
    ~ScopedSimdTarget();
    ScopedSimdTarget(const ScopedSimdTarget&) = delete;
    ScopedSimdTarget& operator=(const ScopedSimdTarget&) = delete;
};

}  // namespace gravelkin
