// The manager's side of the memory budget: requests stop once what the
// planet holds and is owed would pass the budget (or the chunk cap), and the
// radius in effect follows the budget (radius_control.h).
#include "planet/manager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "camera/distance.h"
#include "planet/memory_budget.h"

namespace gravelkin {

namespace {

// A guess at what a requested chunk will hold: a mixed chunk with its voxel
// block and mesh holds about 100-200 KiB, an air or rock chunk a few hundred
// bytes. Requests are served nearest first, so those owed at any moment are
// mostly the ground's.
constexpr std::uint64_t ownedBytesPerRequest = 64 * 1024;
// A shrink keeps the chunks that hold this share of the budget: meshes still
// to come and the next steps' requests need the rest.
constexpr double fitShareOfBudget = 0.8;

}  // namespace

std::uint64_t Manager::memoryOwed() const {
    const std::uint64_t owedRequests = state_.queuedRequests() + state_.inFlightRequests();
    return state_.memoryBytes() + owedRequests * ownedBytesPerRequest;
}

bool Manager::requestFits() {
    if (requestsStopped_) return false;
    // The map, not resident_: chunks published since the last take-over count.
    const std::size_t owedChunks = state_.chunks().size() + state_.queuedRequests() + state_.inFlightRequests();
    if (memoryOwed() + ownedBytesPerRequest <= state_.memoryBudget() && owedChunks < maxHeldChunks) return true;
    requestsStopped_ = true;
    return false;
}

float Manager::fitRadius(const RadiusInputs& in) const {
    struct Held {
        float distanceSquared;
        std::uint64_t bytes;
    };
    std::vector<Held> held;
    held.reserve(resident_.size());
    std::uint64_t chunkBytes = 0;
    for (const auto& [key, chunk] : resident_) {
        held.push_back({distanceSquared(in.eye, chunk->centre), chunk->chargedBytes()});
        chunkBytes += held.back().bytes;
    }
    // What is not the chunks' (far-terrain nodes) stays whatever the radius.
    const std::uint64_t others = state_.memoryBytes() > chunkBytes ? state_.memoryBytes() - chunkBytes : 0;
    const auto target = static_cast<std::uint64_t>(static_cast<double>(in.budgetBytes) * fitShareOfBudget);
    if (others >= target) return minEffectiveRadius;
    std::sort(held.begin(), held.end(), [](const Held& a, const Held& b) { return a.distanceSquared < b.distanceSquared; });
    std::uint64_t sum = others;
    float radiusSquared = 0.0f;
    const auto countTarget = static_cast<std::size_t>(static_cast<double>(maxHeldChunks) * fitShareOfBudget);
    std::size_t count = 0;
    for (const Held& chunk : held) {
        sum += chunk.bytes;
        if (sum > target || ++count > countTarget) break;
        radiusSquared = chunk.distanceSquared;
    }
    return std::sqrt(radiusSquared);
}

void Manager::controlRadius() {
    RadiusInputs in;
    // Requests stopped with nothing left to serve: not one more chunk fits,
    // which binds as surely as going over.
    const bool starved = requestsStopped_ && state_.queuedRequests() == 0 && state_.inFlightRequests() == 0;
    in.usedBytes = starved ? std::max(state_.memoryBytes(), state_.memoryBudget() + 1) : state_.memoryBytes();
    in.budgetBytes = state_.memoryBudget();
    in.requestedRadius = state_.requestedRadius();
    in.settled = state_.queuedRequests() == 0 && state_.inFlightRequests() == 0;
    in.dropsPending = !dropsDone();
    in.eye = state_.cameraPosition();
    if (in.usedBytes > in.budgetBytes && radiusControl_.shrinkDue(in)) in.fitRadius = fitRadius(in);
    // A shrink's drops are done once a map pass has left none for later.
    if (dropsDone()) shrinkDropsOwed_ = false;
    const float before = radiusControl_.radius();
    const float radius = radiusControl_.update(in);
    if (radius < before) shrinkDropsOwed_ = true;
    // The shrink's drops free what the budget needs, and until they are done
    // the radius cannot shrink again: at 64 a pass, the ten thousand air
    // chunks a shrink drops in open space would take a hundred and fifty
    // passes.
    eraseLimit_ = in.usedBytes > in.budgetBytes || shrinkDropsOwed_ ? overBudgetEraseBatchLimit : eraseBatchLimit;
    if (radius == before) return;
    state_.setEffectiveRadius(radius);
    // The walk's replay, the map's last look and the gap sweep were for the
    // old radius.
    replay_.forget();
    mappedWhole_ = false;
    sweepOwed_ = true;
    if (!budgetReported_ && radius < before) {
        budgetReported_ = true;
        std::fprintf(stderr,
                     "gravelkin: the planet reached what it may hold (its memory budget of %llu MiB, or %zu chunks); "
                     "it streams to %.0f units instead of %.0f, and more again where it fits. --memory-budget MIB "
                     "sets the budget.\n",
                     static_cast<unsigned long long>(in.budgetBytes / mebibyte), maxHeldChunks,
                     static_cast<double>(radius), static_cast<double>(in.requestedRadius));
    }
}

}  // namespace gravelkin
