// What the planet holds in memory, kept as it changes: chunk records and
// their own voxel blocks, chunk meshes and far-terrain nodes' vertices, each
// charged when it is made and credited when it goes. The memory budget is
// judged against it, so it must not drift: whatever charges a thing credits
// exactly the same amount when the thing goes.
//
// Threads: any; relaxed atomics, since the figure is a running total read
// for decisions that tolerate a moment's lag.
#pragma once

#include <atomic>
#include <cstdint>

namespace gravelkin {

// What holding a published chunk costs beyond its record: the map's entry,
// its shared owner, the manager's entries and the draw list's key (about
// 600 bytes a chunk measured in open space, where chunks hold nothing else).
inline constexpr std::uint64_t chunkBookkeepingBytes = 512;

class MemoryLedger {
public:
    void charge(std::uint64_t bytes) { bytes_.fetch_add(bytes, std::memory_order_relaxed); }
    void credit(std::uint64_t bytes) { bytes_.fetch_sub(bytes, std::memory_order_relaxed); }
    std::uint64_t bytes() const { return bytes_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> bytes_{0};
};

// One thing's account with the ledger: what it has charged, credited back
// exactly when the thing (which holds this as a member) goes. Without a
// ledger nothing is charged.
//
// Threads: open() and add() by the one thread that may change the thing;
// bytes() any thread.
class LedgerCharge {
public:
    LedgerCharge() = default;
    LedgerCharge(const LedgerCharge&) = delete;
    LedgerCharge& operator=(const LedgerCharge&) = delete;
    ~LedgerCharge() {
        if (ledger_ != nullptr) ledger_->credit(bytes());
    }

    // From now on charges go to `ledger`, starting with `bytes`. Once.
    void open(MemoryLedger& ledger, std::uint64_t bytes) {
        ledger_ = &ledger;
        add(bytes);
    }
    // Charges `bytes` more, if a ledger was opened.
    void add(std::uint64_t bytes) {
        if (ledger_ == nullptr) return;
        charged_.fetch_add(bytes, std::memory_order_relaxed);
        ledger_->charge(bytes);
    }
    std::uint64_t bytes() const { return charged_.load(std::memory_order_relaxed); }

private:
    MemoryLedger* ledger_ = nullptr;
    std::atomic<std::uint64_t> charged_{0};
};

}  // namespace gravelkin
