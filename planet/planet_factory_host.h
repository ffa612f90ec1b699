// The planet as its chunk factories see it: FactoryHost over the factories'
// side of a PlanetState.
//
// Threads: every factory thread calls it at once; each member touches only
// the concurrent containers and atomics of the state.
#pragma once

#include "factory/factory_host.h"
#include "planet/planet_factory_side.h"

namespace gravelkin {

class PlanetFactoryHost final : public FactoryHost {
public:
    explicit PlanetFactoryHost(PlanetFactorySide state) : state_(state) {}

    bool stopRequested() const override { return state_.stopRequested(); }
    bool beginJob(ChunkRequest& out) override;
    void endJob() override {
        state_.countFinishedJob();
        state_.lowerActiveJobs();
    }
    void finishRequest(const ChunkKey& key, JobEnd end) override { state_.finishRequest(key, end); }
    std::shared_ptr<Chunk> findChunk(const ChunkKey& key) const override { return state_.findChunk(key); }
    bool publish(std::unique_ptr<Chunk> chunk) override { return state_.addChunk(std::move(chunk)); }
    void reportSkippedChunk(const ChunkKey& key) override;
    void reportFailedBuffer(const ChunkKey& key) override;
    bool beginFarJob(FarNodeKey& out) override { return state_.farTerrain().beginJob(out); }
    void finishFarJob(const FarNodeKey& key, std::unique_ptr<FarNode> node) override {
        state_.farTerrain().finishJob(key, std::move(node));
        state_.countFinishedJob();
    }
    float viewRadius() const override { return state_.viewRadius(); }
    MemoryLedger* memoryLedger() override { return &state_.memoryLedger(); }
    Vec3 cameraPosition() const override { return state_.cameraPosition(); }
    const TerrainGeneratorBase& generator() const override { return state_.generator(); }
    GraphicsDevice& device() const override { return state_.device(); }

private:
    PlanetFactorySide state_;
};

}  // namespace gravelkin
