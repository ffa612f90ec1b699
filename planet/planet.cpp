#include "planet/planet.h"

#include <stdexcept>
#include <string>
#include <unordered_set>

#include "planet/thread_name.h"
#include "planet/manager.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin {

Planet::Planet(GraphicsDevice& device, float viewRadius, ChunkPipeline pipeline, PositionSource position,
               std::int32_t seed)
    : Planet(device, viewRadius, pipeline, position, std::make_unique<TerrainGeneratorEarth>(seed)) {}

Planet::Planet(GraphicsDevice& device, float viewRadius, ChunkPipeline pipeline, PositionSource position,
               std::unique_ptr<TerrainGeneratorBase> generator)
    : state_(device, viewRadius, std::move(generator), position, pipeline) {
    startThreads();
}

void Planet::startThreads() {
    try {
        // The manager starts before the factories exist: it uses only the
        // state, and its first requests wait in the queue.
        managerThread_ = std::make_unique<std::thread>([this] { runManager(PlanetManagerSide(state_)); });
        nameThread(*managerThread_, managerThreadName);
        for (int i = 0; i < factoryCount; ++i) {
            factories_[i] = std::make_unique<ChunkFactory>(state_.pipeline);
            ChunkFactory* factory = factories_[i].get();
            factoryThreads_[i] = std::make_unique<std::thread>([this, factory] { factory->run(host_); });
            const std::string name = factoryThreadNamePrefix + std::to_string(i + 1);
            nameThread(*factoryThreads_[i], name.c_str());
        }
    } catch (...) {
        // A thread that cannot be created would leave the others running
        // against a half-built object: stop the ones that did start.
        stop();
        throw;
    }
}

Planet::~Planet() { stop(); }

void Planet::stop() {
    state_.requestStop();
    if (managerThread_ && managerThread_->joinable()) managerThread_->join();
    for (auto& thread : factoryThreads_) {
        if (thread && thread->joinable()) thread->join();
    }
}

bool Planet::threadsStarted() const {
    if (managerThread_ && managerThread_->joinable()) return true;
    for (const auto& thread : factoryThreads_) {
        if (thread && thread->joinable()) return true;
    }
    return false;
}

std::vector<std::shared_ptr<const Chunk>> Planet::chunkSnapshot() const {
    const std::vector<ChunkKey> keys = drawListSnapshot();
    std::unordered_set<ChunkKey, ChunkKeyHasher> seen;
    std::vector<std::shared_ptr<const Chunk>> result;
    result.reserve(keys.size());
    for (const ChunkKey& key : keys) {
        if (!seen.insert(key).second) continue;
        if (std::shared_ptr<const Chunk> chunk = findChunk(key)) result.push_back(std::move(chunk));
    }
    return result;
}

void Planet::forEachChunk(const std::function<void(const Chunk&)>& visit) const {
    if (threadsStarted()) throw std::logic_error("Planet::forEachChunk: stop() the planet before walking its chunks");
    state_.forEachChunk(visit);
}

}  // namespace gravelkin
