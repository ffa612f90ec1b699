#include "planet/planet_manager_side.h"

#include <utility>

namespace gravelkin {

void PlanetManagerSide::takeOverPublished(std::vector<std::shared_ptr<Chunk>>& into) {
    std::lock_guard lock(state_.drawListMutex);
    into.swap(state_.publishedSinceTakeOver);
}

void PlanetManagerSide::installSpareDrawList(std::vector<std::shared_ptr<Chunk>>& into) {
    std::lock_guard lock(state_.drawListMutex);
    into.swap(state_.publishedSinceTakeOver);
    for (const std::shared_ptr<Chunk>& chunk : into) state_.spareDrawList->push_back(chunk->key);
    std::swap(state_.drawList, state_.spareDrawList);
}

}  // namespace gravelkin
