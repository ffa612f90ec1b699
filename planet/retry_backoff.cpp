#include "planet/retry_backoff.h"

namespace gravelkin {

void RetryBackoff::fail(const ChunkKey& key, std::uint64_t pass) {
    Entry& entry = entries_[key];
    ++entry.failures;
    entry.duePass = pass + retryDelayPasses(entry.failures);
}

bool RetryBackoff::due(const ChunkKey& key, std::uint32_t failures, std::uint64_t pass) {
    Entry& entry = entries_[key];
    if (entry.failures != failures) {
        entry.failures = failures;
        entry.duePass = pass + retryDelayPasses(failures);
        return false;
    }
    return pass >= entry.duePass;
}

const RetryBackoff::Entry* RetryBackoff::find(const ChunkKey& key) const {
    const auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : &found->second;
}

}  // namespace gravelkin
