// Faults injected while the planet streams, each through a seam the planet
// already has, so that the default path carries none of them:
// - FaultyGraphicsDevice wraps a device: it fails a fraction of the buffer
//   creations, of vertex and face buffers alike (returns null, as a device
//   out of memory does), and delays a further fraction by 1-10 ms;
// - SleepyGenerator wraps a terrain generator (its settings copied): a
//   fraction of its calls first sleep 1-30 ms;
// - VoxelBlockFaults sets the voxel block allocation hook
//   (setVoxelBlockAllocationFault) so that a fraction of the allocations
//   throw std::bad_alloc, and removes it again when it goes.
// The draws come from per-thread generators seeded from one seed. Every
// fault is counted in the process-wide FaultCounts. stopFaults() ends them
// all at once (the faulty objects then pass every call straight through), so
// that a soak can judge what the planet makes of them once they are over.
//
// Threads: the device's creation, the generator's calls and the allocation
// hook run on every factory thread at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "device/graphics_device.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin::tools {

struct FaultRates {
    float bufferFailure = 0.05f;
    float bufferDelay = 0.10f;
    float generatorSleep = 0.05f;
    float blockFailure = 0.02f;
};

struct FaultCounts {
    std::atomic<std::uint64_t> bufferFailures{0};
    std::atomic<std::uint64_t> bufferDelays{0};
    std::atomic<std::uint64_t> generatorSleeps{0};
    std::atomic<std::uint64_t> blockFailures{0};
};

// The faults injected in this process so far.
FaultCounts& faultCounts();

struct FaultSnapshot {
    std::uint64_t bufferFailures = 0;
    std::uint64_t bufferDelays = 0;
    std::uint64_t generatorSleeps = 0;
    std::uint64_t blockFailures = 0;
};
FaultSnapshot snapshotFaults();

// Seeds the per-thread draws and lets the faults begin (again); call before
// any faulty object is used.
void seedFaults(std::uint64_t seed);

// No fault is injected from now on, until seedFaults. Any thread.
void stopFaults();

class FaultyGraphicsDevice final : public GraphicsDevice {
public:
    FaultyGraphicsDevice(GraphicsDevice& inner, const FaultRates& rates) : inner_(inner), rates_(rates) {}
    VertexBuffer* createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) override;
    VertexBuffer* createFaceBuffer(const ChunkFaces& faces) override;

private:
    // Draws this creation's fault: false when it is to fail, after a delay
    // when it is to be delayed.
    bool survivesFaults() const;

    GraphicsDevice& inner_;
    const FaultRates rates_;
};

class SleepyGenerator final : public TerrainGeneratorBase {
public:
    SleepyGenerator(std::unique_ptr<const TerrainGeneratorBase> inner, const FaultRates& rates);
    ChunkFillState generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const override;
    ChunkFillState generateReference(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const override;
    ChunkFillState classifyPieces(const ChunkKey& key, ColumnDirectionCache& cache,
                                  ChunkPieces& pieces) const override;
    ChunkFillState generateSparse(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache,
                                  const ChunkPieces& pieces) const override;
    // Far nodes as the inner generator samples them, unslowed: the faults
    // aimed at chunks stay on chunks.
    bool sampleFarBlock(const FarNodeKey& key, FarBlock& block) const override {
        return inner_->sampleFarBlock(key, block);
    }

private:
    void maybeSleep() const;

    std::unique_ptr<const TerrainGeneratorBase> inner_;
    const FaultRates rates_;
};

class VoxelBlockFaults {
public:
    explicit VoxelBlockFaults(const FaultRates& rates);
    ~VoxelBlockFaults();
    VoxelBlockFaults(const VoxelBlockFaults&) = delete;
    VoxelBlockFaults& operator=(const VoxelBlockFaults&) = delete;
};

}  // namespace gravelkin::tools
