#include "render/headless_snapshot.h"

#include <chrono>
#include <memory>
#include <thread>

#include <epoxy/gl.h>

#include "planet/planet.h"
#include "render/headless_view.h"

namespace gravelkin {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

bool streamingConverged(const Planet& planet, int quietPasses) {
    return planet.idle() && planet.stats().quietPasses >= static_cast<std::uint64_t>(quietPasses);
}

bool streamUntilConverged(Planet& planet, GlGraphicsDevice& device, int quietPasses, double timeLimitSeconds) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        // Uploading as the chunks arrive keeps the copies waiting for the
        // main thread few.
        device.processPending();
        if (streamingConverged(planet, quietPasses)) return true;
        if (secondsSince(start) > timeLimitSeconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

SnapshotResult renderSnapshot(const SnapshotOptions& options) {
    SnapshotResult result;
    std::unique_ptr<HeadlessView> view = HeadlessView::create(options, result.error);
    if (!view) return result;
    result.rendererName = view->rendererName();
    Renderer& renderer = view->renderer();
    Planet& planet = view->planet();

    const Clock::time_point start = Clock::now();
    result.converged = streamUntilConverged(planet, renderer.device(), options.quietPasses, options.timeLimitSeconds);
    result.streamSeconds = secondsSince(start);

    SnapshotOverlay drawOverlay = options.overlay ? options.overlay() : SnapshotOverlay();
    DrawWalkCounts counts;
    double timedSeconds = 0.0;
    float previousFrameSeconds = 0.0f;
    const int frames = options.timedFrames < 1 ? 1 : options.timedFrames;
    for (int frame = 0; frame < frames; ++frame) {
        const Clock::time_point frameStart = Clock::now();
        counts = view->drawFrame();
        if (drawOverlay) drawOverlay(planet, view->camera(), previousFrameSeconds);
        glFinish();
        const double seconds = secondsSince(frameStart);
        previousFrameSeconds = static_cast<float>(seconds);
        if (frame > 0 || frames == 1) timedSeconds += seconds;
    }
    result.frameMilliseconds = 1000.0 * timedSeconds / (frames > 1 ? frames - 1 : 1);
    result.chunksDrawn = counts.drawn;
    result.chunksCulled = counts.culled;
    result.facesDrawn = renderer.lastFaceCounts().drawn;
    result.facesFacingAway = renderer.lastFaceCounts().facingAway;
    result.facesOutside = renderer.lastFaceCounts().outsideFrustum;
    result.chunksResident = planet.chunkSnapshot().size();
    result.image = renderer.readColor();
    result.viewProjection = renderer.frameConstants().viewProjection;
    result.eye = view->camera().position();
    // The overlay's GL objects go while the context is current.
    drawOverlay = nullptr;
    view.reset();
    result.ok = true;
    return result;
}

}  // namespace gravelkin
