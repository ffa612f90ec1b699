#include "planet/known_chunk_keys.h"

#include <bit>
#include <utility>

#include "geometry/level_table.h"

namespace gravelkin {

namespace {

constexpr std::size_t initialSlots = std::size_t{1} << 12;

}  // namespace

KnownChunkKeys::KnownChunkKeys() { rebuild(initialSlots, true); }

KnownChunkKeys::Slot& KnownChunkKeys::slotFor(const ChunkKey& key) {
    // Fibonacci hashing spreads the key hash over the high bits.
    std::size_t index = static_cast<std::size_t>((chunkKeyHash(key) * 0x9E3779B97F4A7C15ull) >> shift_);
    const std::size_t mask = slots_.size() - 1;
    while (slots_[index].used && !(slots_[index].key == key)) index = (index + 1) & mask;
    return slots_[index];
}

void KnownChunkKeys::rebuild(std::size_t slotCount, bool keepUnheld) {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slotCount));
    shift_ = 64 - std::countr_zero(slotCount);
    count_ = 0;
    for (const Slot& slot : old) {
        if (!slot.used || !(keepUnheld || slot.known.held)) continue;
        slotFor(slot.key) = slot;
        ++count_;
    }
}

void KnownChunkKeys::reserveOneMore() {
    if (2 * (count_ + 1) <= slots_.size()) return;
    if (count_ >= capacity) {
        rebuild(slots_.size(), false);
        // Where the held keys alone nearly fill the table (the manager holds
        // up to `capacity` chunks where the budget binds in open space),
        // forgetting down to them would come round again every few keys,
        // rehashing all of them each time. So a forgetting must leave room
        // for a quarter of the capacity, or the table doubles.
        if (2 * (count_ + capacity / 4) <= slots_.size()) return;
    }
    rebuild(2 * slots_.size(), true);
}

KnownChunkKeys::Slot& KnownChunkKeys::entry(const ChunkKey& key) {
    Slot* slot = &slotFor(key);
    if (!slot->used) {
        reserveOneMore();
        slot = &slotFor(key);
        *slot = Slot{key, true, KnownChunkKey{chunkCentre(key), false, 0}};
        ++count_;
    }
    return *slot;
}

const KnownChunkKey& KnownChunkKeys::operator()(const ChunkKey& key) { return entry(key).known; }

const KnownChunkKey* KnownChunkKeys::visitOnce(const ChunkKey& key, std::uint32_t sweep) {
    KnownChunkKey& known = entry(key).known;
    if (known.sweep == sweep) return nullptr;
    known.sweep = sweep;
    return &known;
}

void KnownChunkKeys::setHeld(const ChunkKey& key, const Vec3& centre) {
    Slot* slot = &slotFor(key);
    if (!slot->used) {
        reserveOneMore();
        slot = &slotFor(key);
        ++count_;
    }
    const std::uint32_t sweep = slot->used ? slot->known.sweep : 0;
    *slot = Slot{key, true, KnownChunkKey{centre, true, sweep}};
}

void KnownChunkKeys::setReleased(const ChunkKey& key) {
    Slot& slot = slotFor(key);
    if (slot.used) slot.known.held = false;
}

}  // namespace gravelkin
