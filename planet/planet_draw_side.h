// The planet's shared state as the renderer's draw walk may use it: the draw
// list, its mutex and the chunk map, all for reading.
//
// Threads: the main thread. drawList may be read only with drawListMutex
// held, since the manager swaps the pointer under it (drawListedChunks does
// so); the map only with one accessor at a time, taken after the mutex.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "planet/planet_state.h"

namespace gravelkin {

class PlanetDrawSide {
public:
    explicit PlanetDrawSide(const PlanetState& state) : state_(state) {}

    std::mutex& drawListMutex() const { return state_.drawListMutex; }
    const std::unique_ptr<std::vector<ChunkKey>>& drawList() const { return state_.drawList; }
    const ChunkMap& chunks() const { return state_.chunks; }
    const FarTerrain& farTerrain() const { return state_.farTerrain; }

private:
    const PlanetState& state_;
};

}  // namespace gravelkin
