#include "planet/planet.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <utility>

#include "factory/chunk_factory.h"
#include "planet/thread_name.h"
#include "terrain/terrain_generator_earth.h"

namespace gravelkin {

Planet::Planet(GraphicsDevice& graphicsDevice, float radius, PlanetThreads threads, ChunkPipeline chunkPipeline)
    : device(graphicsDevice),
      viewRadius(radius),
      pipeline(chunkPipeline),
      requests(std::make_unique<ChunkRequestQueue>()),
      drawList(std::make_unique<std::vector<ChunkKey>>()),
      spareDrawList(std::make_unique<std::vector<ChunkKey>>()),
      terrainGenerator(std::make_unique<TerrainGeneratorEarth>()) {
    if (threads == PlanetThreads::Start) startThreads();
}

void Planet::startThreads() {
    try {
        // The manager starts before the factories exist: it uses only what the
        // initialisers built, and its first requests wait in the queue.
        managerThread = std::make_unique<std::thread>([this] { runManager(); });
        nameThread(*managerThread, managerThreadName);
        for (int i = 0; i < factoryCount; ++i) {
            factories[i] = std::make_unique<ChunkFactory>(pipeline);
            ChunkFactory* factory = factories[i].get();
            factoryThreads[i] = std::make_unique<std::thread>([this, factory] { factory->run(*this); });
            const std::string name = factoryThreadNamePrefix + std::to_string(i + 1);
            nameThread(*factoryThreads[i], name.c_str());
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
    stopRequested.store(true, std::memory_order_release);
    if (managerThread && managerThread->joinable()) managerThread->join();
    for (auto& thread : factoryThreads) {
        if (thread && thread->joinable()) thread->join();
    }
}

bool Planet::addChunk(std::unique_ptr<Chunk> chunk) {
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

bool Planet::idle() const {
    // Queue first, jobs last: a factory raises activeJobs before it pops, so
    // a request that leaves the queue after we looked is still counted.
    return requests->queuedCount() == 0 && requests->inFlightCount() == 0 &&
           activeJobs.load(std::memory_order_seq_cst) == 0;
}

std::vector<ChunkKey> Planet::drawListSnapshot() const {
    std::lock_guard lock(drawListMutex);
    return *drawList;
}

std::vector<std::shared_ptr<const Chunk>> Planet::chunkSnapshot() const {
    std::vector<ChunkKey> keys = drawListSnapshot();
    std::unordered_set<ChunkKey, ChunkKeyHasher> seen;
    std::vector<std::shared_ptr<const Chunk>> result;
    result.reserve(keys.size());
    for (const ChunkKey& key : keys) {
        if (!seen.insert(key).second) continue;
        ChunkMap::const_accessor entry;
        if (chunks.find(entry, key)) result.push_back(entry->second);
    }
    return result;
}

}  // namespace gravelkin
