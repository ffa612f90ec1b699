// The classic C runtime pseudo-random generator, as our own small object.
//
// The biome layout must be the same on every run and must not depend on
// whatever else in the process draws from the shared rand(), so the scatter
// draws from an instance of this instead: state starts at 1 (the runtime's
// unseeded state), each draw is state = state * 214013 + 2531011 (mod 2^32),
// and the value is bits 16..30 of the new state, 0 .. 32767.
//
// One object per user; not thread-safe.
#pragma once

#include <cstdint>

namespace gravelkin {

class ClassicRandom {
public:
    static constexpr std::int32_t maxValue = 32767;

    constexpr ClassicRandom() = default;
    constexpr explicit ClassicRandom(std::uint32_t state) : state_(state) {}

    // The next value, 0 .. 32767.
    constexpr std::int32_t next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<std::int32_t>((state_ >> 16) & 0x7FFFu);
    }
    constexpr std::int32_t operator()() { return next(); }

    constexpr std::uint32_t state() const { return state_; }

private:
    std::uint32_t state_ = 1;
};

}  // namespace gravelkin
