#include "geometry/level_table.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "geometry/face_mapping.h"

namespace gravelkin {

std::mutex levelTableLock;

// Readers of covered entries take no lock. The scheme:
//  - entries live in an array with spare capacity; growth within capacity
//    writes only entries at or beyond the published length, which no reader
//    looks at, and then publishes the new length with release ordering;
//  - growth beyond capacity copies into a new array (at least twice as large),
//    publishes the array before the length, and keeps the superseded array
//    alive until exit, because a reader may still hold its pointer;
//  - a reader loads the length with acquire ordering and then the array
//    pointer; any array it can see covers every index below that length, and
//    an entry, once written, never changes.
// Doubling keeps the retired arrays to less than the size of the live one.
namespace {

std::atomic<const std::uint8_t*> tableData{nullptr};
std::atomic<std::uint32_t> tableLength{0};
std::uint64_t tableCapacity = 0;                              // guarded by levelTableLock
std::vector<std::unique_ptr<std::uint8_t[]>> tableArrays;     // guarded by levelTableLock

}  // namespace

void ensureLevels(std::uint32_t r) {
    std::lock_guard<std::mutex> lock(levelTableLock);
    const std::uint32_t oldLength = tableLength.load(std::memory_order_relaxed);
    if (r < oldLength) return;

    const std::uint64_t newLength = std::uint64_t{r} + 1;
    std::uint8_t* entries;
    if (newLength > tableCapacity) {
        const std::uint64_t capacity = std::max(newLength, tableCapacity * 2);
        auto fresh = std::make_unique<std::uint8_t[]>(capacity);
        const std::uint8_t* old = tableData.load(std::memory_order_relaxed);
        for (std::uint32_t i = 0; i < oldLength; ++i) fresh[i] = old[i];
        entries = fresh.get();
        tableArrays.push_back(std::move(fresh));
        tableCapacity = capacity;
    } else {
        entries = tableArrays.back().get();
    }

    if (oldLength == 0) entries[0] = 0;
    for (std::uint64_t i = std::max<std::uint64_t>(oldLength, 1); i < newLength; ++i) {
        const std::uint8_t previous = entries[i - 1];
        const bool tooWide = columnChord(static_cast<std::uint32_t>(i), 1u << previous) > 2.0f;
        entries[i] = static_cast<std::uint8_t>(previous + (tooWide ? 1 : 0));
    }

    tableData.store(entries, std::memory_order_release);
    tableLength.store(static_cast<std::uint32_t>(newLength), std::memory_order_release);
}

std::uint8_t columnLevel(std::uint32_t r) {
    if (r >= tableLength.load(std::memory_order_acquire)) ensureLevels(r);
    return tableData.load(std::memory_order_acquire)[r];
}

std::uint32_t levelTableLength() { return tableLength.load(std::memory_order_acquire); }

float columnChord(std::uint32_t r, std::uint32_t n) {
    const Vec4 c0 = normaliseByInverseLength({1.0f, 1.0f, 1.0f, 0.0f});
    const Vec4 c1 = normaliseByInverseLength({-1.0f, 1.0f, 1.0f, 0.0f});
    const float step = 1.0f / static_cast<float>(n);
    const float t0 = static_cast<float>(n >> 1) * step;
    const Vec4 a = slerpCubeEdge(c0, c1, t0);
    const Vec4 b = negateComponent(a, 1);
    const Vec4 d = slerpUnit(a, b, t0) - slerpUnit(a, b, t0 + step);
    return static_cast<float>(r + 1) * length3(d);
}

std::int32_t chunksPerSide(std::uint32_t shell) {
    return std::int32_t{1} << (columnLevel(32 * shell + 31) - 5);
}

std::uint32_t columnsPerChunk(std::uint32_t r) {
    return 32u >> (columnLevel(r | 31u) - columnLevel(r));
}

Vec3 chunkCentre(const ChunkKey& key) {
    const float n = static_cast<float>(chunksPerSide(key.shell));
    const float u = (static_cast<float>(key.x) + 0.5f) * (1.0f / n);
    const float v = (static_cast<float>(key.y) + 0.5f) * (1.0f / n);
    const Vec4 direction = faceDirection(key.face, u, v);
    return xyz(direction * static_cast<float>(32 * key.shell + 16));
}

}  // namespace gravelkin
