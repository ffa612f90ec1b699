#include "planet/manager.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <thread>
#include <utility>

#include "geometry/level_table.h"
#include "camera/distance.h"
#include "planet/neighbours_present.h"
#include "planet/freed_memory.h"
#include "factory/thread_priority.h"
#include "factory/chunk_factory.h"

namespace gravelkin {

namespace {

constexpr auto passSleep = std::chrono::milliseconds(10);
// The manager yields to the factories, and both to the renderer.
constexpr int managerNiceIncrement = 2;

}  // namespace

namespace {

// A chunk draws its part of the far terrain's planet once it is published
// (not as a placeholder) and meshed.
std::function<bool(const ChunkKey&)> chunkReadiness(const ChunkMap& chunks) {
    return [&chunks](const ChunkKey& key) {
        return chunkWhere(chunks, key, [](const Chunk& chunk) {
            return !isSkippedChunk(chunk) && !chunk.meshPending.load(std::memory_order_acquire);
        });
    };
}

}  // namespace

void passFarTerrain(PlanetManagerSide& state, Manager& manager) {
    FarTerrain& far = state.farTerrain();
    if (far.enabled()) {
        // Far nodes wait while the ground around the camera is still being
        // built: on two cores three node jobs would halve its pace. Once the
        // chunks' work has run out, nothing more will come there, and the
        // nodes go ahead whatever it holds; but while the walk ramps out,
        // the chunks' work runs out for a moment before each mesh request.
        const bool walkRamping = manager.walkRamping();
        const bool chunkWork = state.queuedRequests() > 0 || state.inFlightRequests() > 0 || walkRamping;
        const bool hold = chunkWork && !manager.surroundingsMeshed();
        far.holdJobs(hold);
        // The far terrain's whole pass waits too while the walk ramps out:
        // its first, which lays out the whole planet's nodes, takes tens of
        // milliseconds, and the next mesh requests would wait for it.
        if (hold && walkRamping) return;
    }
    far.pass(state.cameraPosition(), chunkReadiness(state.chunks()));
}

void auditFarTerrain(PlanetManagerSide& state) {
    const std::uint64_t violations =
        state.farTerrain().audit(chunkReadiness(state.chunks()), state.idle());
    state.counters().auditViolations.fetch_add(violations, std::memory_order_relaxed);
}

void runManager(PlanetManagerSide state) {
    lowerCurrentThreadPriority(managerNiceIncrement);
    Manager manager(state);
    while (!state.stopRequested()) {
        manager.pass();
        passFarTerrain(state, manager);
        if (state.takeAuditRequest()) {
            // Before the chunks' audit, which counts the audit as done.
            auditFarTerrain(state);
            manager.audit();
        }
        std::this_thread::sleep_for(passSleep);
    }
}

Manager::Manager(PlanetManagerSide state) : state_(state), radiusControl_(state.requestedRadius()) {
    eraseBatch_.reserve(eraseBatchLimit);
}


std::uint32_t Manager::walkLength() const { return walkLengthFor(state_.viewRadius()); }

void Manager::pass() {
    const bool idleAtStart = state_.idle();
    tally_ = PassTally{};
    ++passNumber_;

    controlRadius();
    rampWalk();
    const float radius = state_.viewRadius();
    const float dropThreshold = radius * radius * dropFactor;
    // While the walk ramps out, the meshes of the chunks that arrived since
    // the last pass are asked for before the walk too: its requests can wait
    // for them, and the ground round the camera is what a user sees first.
    // Only where the map pass looks at the new arrivals alone.
    if (rampRadius_ != 0.0f && mappedWhole_ && sameBits(state_.cameraPosition(), mappedAt_)) mapPass(dropThreshold);
    requestsStopped_ = false;
    walk();

    mapPass(dropThreshold);
    // After the map pass, so that the meshes found waiting are asked for
    // before the sweep's requests.
    const bool sweepOwed = sweepIfDue();
    retrySkippedChunks();
    eraseStep();
    pruneRetries();

    if (eraseCount_ > rebuildThreshold) {
        rebuildDrawList();
        eraseCount_ = 0;
        // Hundreds of chunks have gone since the last rebuild: their memory
        // goes back to the system, or a long flight's resident set creeps.
        if (!trimOwed_) trimOwedSince_ = passNumber_;
        trimOwed_ = true;
    }
    // Not while the walk ramps out: the trim walks the whole heap (up to a
    // tenth of a second after a jump), and the surroundings would wait. But
    // a flight that keeps outrunning the streaming keeps restarting the ramp,
    // and freed memory must not pile up meanwhile: a trim waits
    // maxRampHoldPasses passes at most.
    if (trimOwed_ && (rampRadius_ == 0.0f || passNumber_ - trimOwedSince_ >= maxRampHoldPasses)) {
        returnFreedMemoryToTheSystem();
        trimOwed_ = false;
    }
    if (passCount_ < reprioritiseInterval - 1) {
        ++passCount_;
    } else {
        passCount_ = 0;
        reprioritise();
    }

    // A pass whose requests the budget stopped still owes them; so does one
    // with a retry waiting.
    const bool quiet = idleAtStart && !sweepOwed && rampRadius_ == 0.0f && !requestsStopped_ &&
                       tally_.generateRequests == 0 &&
                       tally_.meshRequests == 0 && tally_.erased == 0 && tally_.retriesWaiting == 0 && state_.idle();
    quietPasses_ = quiet ? quietPasses_ + 1 : 0;

    StreamingCounters& counters = state_.counters();
    constexpr auto relaxed = std::memory_order_relaxed;
    counters.generateRequests.fetch_add(tally_.generateRequests, relaxed);
    counters.meshRequests.fetch_add(tally_.meshRequests, relaxed);
    counters.erasedChunks.fetch_add(tally_.erased, relaxed);
    counters.sweptRequests.fetch_add(tally_.sweptRequests, relaxed);
    counters.chunkRetries.fetch_add(tally_.chunkRetries, relaxed);
    counters.meshRetries.fetch_add(tally_.meshRetries, relaxed);
    counters.quietPasses.store(quietPasses_, relaxed);
    counters.passes.fetch_add(1, relaxed);
}

bool Manager::sweepIfDue() {
    if (!(state_.cameraPosition() == sweptAt_) || rampSweepOwed_) sweepOwed_ = true;
    if (passesSinceSweep_ < gapSweepInterval) ++passesSinceSweep_;
    // A step of the walk's ramp out from the camera is swept at once: the
    // walk alone misses chunks, near the camera too where it stands above a
    // level step. (A change of the radius in effect waits for the interval:
    // in open space a sweep visits tens of thousands of keys.)
    if (sweepOwed_ && (passesSinceSweep_ >= gapSweepInterval || rampSweepOwed_)) {
        sweepGaps();
        passesSinceSweep_ = 0;
        // A sweep the budget cut short is owed again.
        sweepOwed_ = requestsStopped_;
    }
    return sweepOwed_;
}

void Manager::takeOverPublished() {
    state_.takeOverPublished(handedOver_);
    for (std::shared_ptr<Chunk>& chunk : handedOver_) hold(std::move(chunk));
    handedOver_.clear();
}

void Manager::hold(std::shared_ptr<Chunk> chunk) {
    const ChunkKey key = chunk->key;
    if (isSkippedChunk(*chunk)) {
        skippedRetries_.fail(key, passNumber_);
    } else if (!skippedRetries_.empty()) {
        skippedRetries_.forget(key);
    }
    known_.setHeld(key, chunk->centre);
    resident_.insert_or_assign(key, std::move(chunk));
    arrived_.push_back(key);
}

Manager::MapLook Manager::mapChunk(const ChunkKey& key, const Chunk& chunk, float dropThreshold,
                                   std::optional<ChunkKey>* missing) {
    if (missing != nullptr) missing->reset();
    const float d2 = distanceSquared(state_.cameraPosition(), chunk.centre);
    if (d2 > dropThreshold) {
        // A chunk beyond the drop distance goes once a batch has room for
        // it: no mesh for it. Asking meant neighbour look-ups for every
        // such chunk, every pass: after long flights and jumps the passes
        // slowed with the map, erasures fell behind and the map grew
        // without bound (180,000 chunks after ten minutes).
        if (eraseBatch_.size() < eraseLimit_ && !state_.isInFlight(key)) {
            eraseBatch_.push_back(key);
            return MapLook::Dropped;
        }
        return MapLook::DropLeft;
    }
    // Near. The flag is read before the in-flight test. A mesh job that ends
    // between the two reads leaves the flag seen set and the key no longer
    // in flight, so a second Mesh request may follow a finished mesh; the
    // factory re-checks the flag under the entry's write accessor, which
    // makes that request harmless.
    if (!chunk.meshPending.load(std::memory_order_acquire) || state_.isInFlight(key)) return MapLook::Near;
    // Read after the in-flight test: a job that failed to create the buffer
    // raised the count before it finished its request, so a failure is never
    // mistaken for a chunk not yet tried, and retried at once.
    const std::uint32_t failures = chunk.bufferFailures.load(std::memory_order_acquire);
    if (failures != 0 && !meshRetries_.due(key, failures, passNumber_)) {
        ++tally_.retriesWaiting;
        return MapLook::Near;
    }
    const std::optional<ChunkKey> gap = firstMissingNeighbour(state_.chunks(), key);
    if (!gap) {
        state_.request(key, RequestKind::Mesh, d2);
        ++tally_.meshRequests;
        if (failures != 0) ++tally_.meshRetries;
    } else if (missing != nullptr) {
        *missing = gap;
    }
    return MapLook::Near;
}

void Manager::mapPass(float dropThreshold) {
    takeOverPublished();
    const Vec3 camera = state_.cameraPosition();
    const bool still = mappedWhole_ && sameBits(camera, mappedAt_);
    mappedAt_ = camera;
    mappedWhole_ = true;
    // Maps a chunk not looked at before, remembering it while it waits for
    // its mesh or for room in an erase batch.
    const auto mapAndNote = [&](const ChunkKey& key, const Chunk& chunk) {
        std::optional<ChunkKey> missing;
        const MapLook look = mapChunk(key, chunk, dropThreshold, &missing);
        if (look == MapLook::DropLeft) {
            dropsLeft_.push_back(key);
        } else if (look == MapLook::Near && chunk.meshPending.load(std::memory_order_acquire)) {
            awaitingMesh_.push_back({key, missing});
        }
    };
    std::size_t kept = 0;
    if (!still) {
        awaitingMesh_.clear();
        dropsLeft_.clear();
        for (const auto& [key, chunk] : resident_) mapAndNote(key, *chunk);
    } else {
        // The far chunks left by earlier passes, then the chunks that waited
        // for a mesh at the last pass, in the same orders, then those that
        // arrived since. With the camera and the radius where they were, a
        // far chunk stays far; once the batch is full, the rest wait as
        // they are.
        for (std::size_t k = 0; k < dropsLeft_.size(); ++k) {
            if (eraseBatch_.size() >= eraseLimit_) {
                const auto rest = dropsLeft_.begin() + static_cast<std::ptrdiff_t>(k);
                if (kept != k) std::copy(rest, dropsLeft_.end(), dropsLeft_.begin() + static_cast<std::ptrdiff_t>(kept));
                kept += dropsLeft_.size() - k;
                break;
            }
            const ChunkKey key = dropsLeft_[k];
            const auto found = resident_.find(key);
            if (found == resident_.end()) continue;
            if (mapChunk(key, *found->second, dropThreshold) == MapLook::DropLeft) dropsLeft_[kept++] = key;
        }
        dropsLeft_.resize(kept);
        kept = 0;
        for (AwaitingMesh& waiting : awaitingMesh_) {
            const auto found = resident_.find(waiting.key);
            if (found == resident_.end() || !found->second->meshPending.load(std::memory_order_acquire)) continue;
            // While the camera stays, nothing but that neighbour's arrival
            // changes what the look would find: the chunk is not in flight
            // and its failures stay as they were, with no job for it.
            if (!waiting.missing || contains(state_.chunks(), *waiting.missing)) {
                mapChunk(waiting.key, *found->second, dropThreshold, &waiting.missing);
            }
            awaitingMesh_[kept++] = waiting;
        }
        awaitingMesh_.resize(kept);
        for (const ChunkKey& key : arrived_) {
            const auto found = resident_.find(key);
            if (found != resident_.end()) mapAndNote(key, *found->second);
        }
    }
    arrived_.clear();
    // The camera moved during the pass: the next one looks at every chunk.
    if (!sameBits(state_.cameraPosition(), camera)) mappedWhole_ = false;
}

void Manager::retrySkippedChunks() {
    if (skippedRetries_.empty()) return;
    const float radius = state_.viewRadius();
    const float radiusSquared = radius * radius;
    struct Due {
        ChunkKey key;
        float distanceSquared;
    };
    std::vector<Due> due;
    skippedRetries_.forEach([&](const ChunkKey& key, const RetryBackoff::Entry& entry) {
        const auto found = resident_.find(key);
        // Not held: erased and asked for again (pruneRetries forgets the key
        // if that request comes to nothing).
        if (found == resident_.end() || !isSkippedChunk(*found->second)) return;
        // Beyond the radius the chunk is not needed: the placeholder goes
        // with the far chunks, or is retried once the camera comes nearer.
        const float d2 = distanceSquared(state_.cameraPosition(), found->second->centre);
        if (d2 > radiusSquared) return;
        // In flight only in the moment between its publication and the end
        // of its job.
        if (passNumber_ < entry.duePass || state_.isInFlight(key)) {
            ++tally_.retriesWaiting;
        } else {
            due.push_back({key, d2});
        }
    });
    for (const Due& retry : due) {
        // Neighbours meshed while the placeholder stood here keep their
        // meshes: the faces they show toward it lie inside solid ground once
        // the chunk is built, or are the right ones where it is air.
        release(retry.key);
        replay_.released(retry.key);
        state_.request(retry.key, RequestKind::Generate, retry.distanceSquared);
        ++tally_.generateRequests;
        ++tally_.chunkRetries;
    }
}

void Manager::pruneRetries() {
    if (!skippedRetries_.empty()) {
        // A key neither held nor in flight nor published since the take-over:
        // its last request came to nothing (the camera moved away), and a new
        // approach starts afresh. In flight is read before the map: a job
        // publishes before it finishes its request.
        skippedRetries_.forgetIf([&](const ChunkKey& key, const RetryBackoff::Entry&) {
            return resident_.count(key) == 0 && !state_.isInFlight(key) && !contains(state_.chunks(), key);
        });
    }
    if (!meshRetries_.empty()) {
        meshRetries_.forgetIf([&](const ChunkKey& key, const RetryBackoff::Entry&) {
            const auto found = resident_.find(key);
            return found == resident_.end() || !found->second->meshPending.load(std::memory_order_acquire);
        });
    }
}

void Manager::eraseStep() {
    while (!eraseBatch_.empty()) {
        const ChunkKey key = eraseBatch_.back();
        release(key);
        skippedRetries_.forget(key);
        meshRetries_.forget(key);
        eraseBatch_.pop_back();
    }
}

void Manager::release(const ChunkKey& key) {
    // Waits for every accessor on the entry, so a chunk being drawn or
    // copied out by a factory is not pulled from under it.
    if (state_.eraseChunk(key)) {
        ++eraseCount_;
        ++tally_.erased;
    }
    // Our own owner goes last; the chunk is destroyed here unless a factory
    // still holds it.
    known_.setReleased(key);
    resident_.erase(key);
}

void Manager::rebuildDrawList() {
    takeOverPublished();
    std::vector<ChunkKey>& rebuilt = state_.spareDrawList();
    rebuilt.clear();
    rebuilt.reserve(resident_.size());
    for (const auto& entry : resident_) rebuilt.push_back(entry.first);
    // Chunks published since the take-over above were appended to the array
    // being replaced; the install carries their keys over so that none is
    // missing from drawing until the next rebuild. They reach `resident`
    // below.
    state_.installSpareDrawList(handedOver_);
    for (std::shared_ptr<Chunk>& chunk : handedOver_) hold(std::move(chunk));
    handedOver_.clear();
    state_.counters().drawListRebuilds.fetch_add(1, std::memory_order_relaxed);
}

void Manager::reprioritise() {
    struct PendingRequest {
        ChunkKey key;
        RequestKind kind;
    };
    std::vector<PendingRequest> pending;
    ChunkRequest popped;
    while (state_.tryPopRequest(popped)) pending.push_back({popped.key, popped.kind});
    // First in, first out; the keys normally stay in flight meanwhile, so
    // request() leaves their marks as they are.
    for (const PendingRequest& p : pending) {
        state_.request(p.key, p.kind, distanceSquared(state_.cameraPosition(), known_(p.key).centre));
    }
    state_.counters().reprioritisations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace gravelkin
