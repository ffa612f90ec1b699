#include "app/overlay_figures.h"

#include <cmath>

#include "app/process_memory.h"
#include "geometry/position_lookup.h"

namespace gravelkin {

void OverlayFigureRecorder::recordFrame(float seconds) {
    seconds_.push_back(seconds);
    total_ += seconds;
    sinceRefresh_ += seconds;
    while (seconds_.size() > maxFrames || (seconds_.size() > 1 && total_ - seconds_.front() >= historySeconds)) {
        total_ -= seconds_.front();
        seconds_.pop_front();
    }
}

const OverlayFigures& OverlayFigureRecorder::update(const Planet& planet, const Vec3& camera) {
    figures_.frameMilliseconds.assign(seconds_.begin(), seconds_.end());
    for (float& value : figures_.frameMilliseconds) value *= 1000.0f;
    figures_.framesPerSecond = total_ > 0.0f ? static_cast<float>(seconds_.size()) / total_ : 0.0f;
    figures_.camera = camera;
    figures_.distanceFromCentre = std::sqrt(camera.x * camera.x + camera.y * camera.y + camera.z * camera.z);
    figures_.cameraChunk = chunkKeyAt(camera.x, camera.y, camera.z);
    figures_.viewRadius = planet.viewRadius();
    figures_.effectiveRadius = planet.effectiveRadius();
    figures_.memoryBytes = planet.memoryBytes();
    figures_.memoryBudget = planet.memoryBudget();
    const bool farTerrain = planet.farTerrainEnabled();
    if (!refreshed_ || sinceRefresh_ >= refreshSeconds || farTerrain != figures_.farTerrain) {
        figures_.chunks = takeChunkCensus(planet.chunkSnapshot());
        figures_.queued = planet.pendingRequests();
        figures_.inFlight = planet.inFlightCount();
        figures_.streaming = planet.stats();
        figures_.residentKiB = residentKiB();
        figures_.farTerrain = farTerrain;
        figures_.far = farTerrain ? planet.farTerrainStats() : FarTerrainStats{};
        refreshed_ = true;
        sinceRefresh_ = 0.0f;
    }
    return figures_;
}

}  // namespace gravelkin
