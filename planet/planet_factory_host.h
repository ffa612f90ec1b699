// The planet as its chunk factories see it: FactoryHost over a PlanetState.
//
// Threads: every factory thread calls it at once; each member touches only
// the concurrent containers and atomics of the state.
#pragma once

#include "factory/factory_host.h"
#include "planet/planet_state.h"

namespace gravelkin {

class PlanetFactoryHost final : public FactoryHost {
public:
    explicit PlanetFactoryHost(PlanetState& state) : state_(state) {}

    bool stopRequested() const override { return state_.stopRequested.load(std::memory_order_acquire); }
    bool beginJob(ChunkRequest& out) override;
    void endJob() override {
        state_.counters.finishedJobs.fetch_add(1, std::memory_order_relaxed);
        state_.activeJobs.fetch_sub(1, std::memory_order_seq_cst);
    }
    void finishRequest(const ChunkKey& key) override { state_.requests.finish(key); }
    std::shared_ptr<Chunk> findChunk(const ChunkKey& key) const override { return gravelkin::findChunk(state_.chunks, key); }
    bool publish(std::unique_ptr<Chunk> chunk) override { return state_.addChunk(std::move(chunk)); }
    void reportSkippedChunk(const ChunkKey& key) override;
    float viewRadius() const override { return state_.viewRadius; }
    Vec3 cameraPosition() const override { return state_.cameraPosition(); }
    const TerrainGeneratorBase& generator() const override { return *state_.generator; }
    GraphicsDevice& device() const override { return state_.device; }

private:
    PlanetState& state_;
};

}  // namespace gravelkin
