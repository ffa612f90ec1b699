#include "tools/soak/fault_injection.h"

#include <chrono>
#include <random>
#include <thread>

#include "voxel/voxel_block_memory.h"

namespace gravelkin::tools {

namespace {

std::atomic<std::uint64_t> faultSeed{1};
std::atomic<std::uint64_t> threadsSeeded{0};
// Read by the allocation hook, which takes no argument.
std::atomic<float> blockFailureRate{0.0f};
std::atomic<bool> faultsStopped{false};

bool faultsOver() { return faultsStopped.load(std::memory_order_relaxed); }

// A number in [0, 1) from this thread's own generator.
float draw() {
    thread_local std::mt19937_64 random(faultSeed.load() * 1000003u + threadsSeeded.fetch_add(1));
    return static_cast<float>(random() >> 40) / 16777216.0f;
}

void sleepMilliseconds(float low, float high) {
    const float ms = low + (high - low) * draw();
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(ms * 1000.0f)));
}

bool failThisBlock() {
    if (faultsOver() || draw() >= blockFailureRate.load(std::memory_order_relaxed)) return false;
    faultCounts().blockFailures.fetch_add(1, std::memory_order_relaxed);
    return true;
}

}  // namespace

FaultCounts& faultCounts() {
    static FaultCounts counts;
    return counts;
}

FaultSnapshot snapshotFaults() {
    const FaultCounts& c = faultCounts();
    return {c.bufferFailures.load(), c.bufferDelays.load(), c.generatorSleeps.load(), c.blockFailures.load()};
}

void seedFaults(std::uint64_t seed) {
    faultSeed.store(seed);
    faultsStopped.store(false);
}

void stopFaults() { faultsStopped.store(true); }

bool FaultyGraphicsDevice::survivesFaults() const {
    if (faultsOver()) return true;
    const float roll = draw();
    if (roll < rates_.bufferFailure) {
        faultCounts().bufferFailures.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    if (roll < rates_.bufferFailure + rates_.bufferDelay) {
        faultCounts().bufferDelays.fetch_add(1, std::memory_order_relaxed);
        sleepMilliseconds(1.0f, 10.0f);
    }
    return true;
}

VertexBuffer* FaultyGraphicsDevice::createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) {
    return survivesFaults() ? inner_.createVertexBuffer(vertices, count) : nullptr;
}

VertexBuffer* FaultyGraphicsDevice::createFaceBuffer(const ChunkFaces& faces) {
    return survivesFaults() ? inner_.createFaceBuffer(faces) : nullptr;
}

SleepyGenerator::SleepyGenerator(std::unique_ptr<const TerrainGeneratorBase> inner, const FaultRates& rates)
    : inner_(std::move(inner)), rates_(rates) {
    // The factories read the settings straight from the generator they get.
    seed = inner_->seed;
    surfaceRadius = inner_->surfaceRadius;
    solidBelowRadius = inner_->solidBelowRadius;
    emptyAboveRadius = inner_->emptyAboveRadius;
    solidFillVoxel = inner_->solidFillVoxel;
    biomePoints = inner_->biomePoints;
}

void SleepyGenerator::maybeSleep() const {
    if (faultsOver() || draw() >= rates_.generatorSleep) return;
    faultCounts().generatorSleeps.fetch_add(1, std::memory_order_relaxed);
    sleepMilliseconds(1.0f, 30.0f);
}

ChunkFillState SleepyGenerator::generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const {
    maybeSleep();
    return inner_->generate(key, voxels, cache);
}

ChunkFillState SleepyGenerator::generateReference(const ChunkKey& key, Voxel* voxels,
                                                  ColumnDirectionCache& cache) const {
    maybeSleep();
    return inner_->generateReference(key, voxels, cache);
}

ChunkFillState SleepyGenerator::classifyPieces(const ChunkKey& key, ColumnDirectionCache& cache,
                                               ChunkPieces& pieces) const {
    return inner_->classifyPieces(key, cache, pieces);
}

ChunkFillState SleepyGenerator::generateSparse(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache,
                                               const ChunkPieces& pieces) const {
    maybeSleep();
    return inner_->generateSparse(key, voxels, cache, pieces);
}

VoxelBlockFaults::VoxelBlockFaults(const FaultRates& rates) {
    blockFailureRate.store(rates.blockFailure);
    setVoxelBlockAllocationFault(failThisBlock);
}

VoxelBlockFaults::~VoxelBlockFaults() { setVoxelBlockAllocationFault(nullptr); }

}  // namespace gravelkin::tools
