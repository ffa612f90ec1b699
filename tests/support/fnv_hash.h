// FNV-1a over the bytes of 32-bit words, for golden hashes of values whose
// every bit matters.
#pragma once

#include <bit>
#include <cstdint>

namespace gravelkin::test {

class FnvHash {
public:
    void mix(std::uint32_t word) {
        for (int b = 0; b < 4; ++b) value_ = (value_ ^ ((word >> (8 * b)) & 255u)) * 1099511628211ull;
    }
    void mix(float value) { mix(std::bit_cast<std::uint32_t>(value)); }
    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 14695981039346656037ull;
};

}  // namespace gravelkin::test
