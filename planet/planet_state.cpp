#include "planet/planet_state.h"

#include <stdexcept>
#include <utility>

#include "planet/memory_budget.h"
#include "planet/neighbours_present.h"

namespace gravelkin {

namespace {

std::unique_ptr<TerrainGeneratorBase> required(std::unique_ptr<TerrainGeneratorBase> generator) {
    if (!generator) throw std::invalid_argument("Planet: no terrain generator given");
    return generator;
}

}  // namespace

namespace {

// The shells that are neither all solid fill nor all air, as the build step
// decides (chunk_build.cpp); a generator that fills no shell ends its range
// at radius 8191, far beyond any flight.
std::uint32_t firstTerrainShell(const TerrainGeneratorBase& terrain) { return terrain.solidBelowRadius / 32; }
std::uint32_t lastTerrainShell(const TerrainGeneratorBase& terrain) {
    return std::min<std::uint32_t>(terrain.emptyAboveRadius / 32, 255);
}

}  // namespace

PlanetState::PlanetState(GraphicsDevice& graphicsDevice, float radius, std::unique_ptr<TerrainGeneratorBase> terrain,
                         PositionSource positionSource, ChunkPipeline chunkPipeline)
    : viewRadius(radius),
      pipeline(chunkPipeline),
      device(graphicsDevice),
      position(positionSource),
      budgetBytes(defaultMemoryBudget()),
      radiusInEffect(radius),
      drawList(std::make_unique<std::vector<ChunkKey>>()),
      spareDrawList(std::make_unique<std::vector<ChunkKey>>()),
      generator(required(std::move(terrain))),
      farTerrain(radius, firstTerrainShell(*generator), lastTerrainShell(*generator), &memory) {}

bool PlanetState::addChunk(std::unique_ptr<Chunk> chunk) {
    const ChunkKey key = chunk->key;
    // Two owners: the prepared map entry and the one handed to the manager.
    std::shared_ptr<Chunk> owner(std::move(chunk));
    ChunkMap::value_type prepared(key, owner);
    bool inserted;
    {
        // The map moves the prepared pair into a new entry only when the key
        // is absent; otherwise the pair is left as it was.
        ChunkMap::const_accessor entry;
        inserted = chunks.insert(entry, std::move(prepared));
    }
    if (!inserted) {
        // The last two owners go here, after the accessor: the duplicate is
        // destroyed exactly once, before we return.
        prepared.second.reset();
        owner.reset();
        return false;
    }
    // The accessor is released first: no thread may take drawListMutex while
    // holding an accessor (the renderer nests them the other way).
    std::lock_guard lock(drawListMutex);
    drawList->push_back(key);
    publishedSinceTakeOver.push_back(std::move(owner));
    return true;
}

bool PlanetState::idle() const {
    // Queue first, jobs last: a factory raises activeJobs before it pops, so
    // a request that leaves the queue after we looked is still counted.
    return requests.queuedCount() == 0 && requests.inFlightCount() == 0 &&
           activeJobs.load(std::memory_order_seq_cst) == 0 && farTerrain.idle();
}

bool PlanetState::neighboursPublished(const ChunkKey& key) const { return neighboursPresent(chunks, key); }

std::vector<ChunkKey> PlanetState::drawListSnapshot() const {
    std::lock_guard lock(drawListMutex);
    return *drawList;
}

void PlanetState::forEachChunk(const std::function<void(const Chunk&)>& visit) const {
    for (const auto& entry : chunks) visit(*entry.second);
}

}  // namespace gravelkin
