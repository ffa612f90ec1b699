// The planet's memory budget by default: a quarter of the machine's physical
// memory, at most 4 GiB. A quarter leaves the desktop, the graphics driver
// and the process's own overhead room on any machine; 4 GiB holds the
// default radius anywhere on the planet several times over.
//
// Any thread.
#pragma once

#include <cstdint>

namespace gravelkin {

inline constexpr std::uint64_t mebibyte = 1024ull * 1024ull;
inline constexpr std::uint64_t maxDefaultMemoryBudget = 4096ull * mebibyte;

// physicalBytes / 4, at most maxDefaultMemoryBudget; 0 physical (unknown)
// gives the maximum.
std::uint64_t defaultMemoryBudget(std::uint64_t physicalBytes);
// The same for this machine.
std::uint64_t defaultMemoryBudget();

}  // namespace gravelkin
