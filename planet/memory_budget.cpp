#include "planet/memory_budget.h"

#include <unistd.h>

#include <algorithm>

namespace gravelkin {

std::uint64_t defaultMemoryBudget(std::uint64_t physicalBytes) {
    if (physicalBytes == 0) return maxDefaultMemoryBudget;
    return std::min(physicalBytes / 4, maxDefaultMemoryBudget);
}

std::uint64_t defaultMemoryBudget() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    const std::uint64_t physical =
        pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) : 0;
    return defaultMemoryBudget(physical);
}

}  // namespace gravelkin
