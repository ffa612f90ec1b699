#include "render/headless_snapshot.h"

#include <chrono>
#include <memory>
#include <thread>

#include <epoxy/gl.h>

#include "camera/still_camera_input.h"
#include "planet/planet.h"
#include "render/egl_headless_context.h"
#include "render/far_terrain_switch.h"
#include "render/renderer.h"

namespace gravelkin {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

bool streamUntilConverged(Planet& planet, GlGraphicsDevice& device, int quietPasses, double timeLimitSeconds) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        // Uploading as the chunks arrive keeps the copies waiting for the
        // main thread few.
        device.processPending();
        if (planet.idle() && planet.stats().quietPasses >= static_cast<std::uint64_t>(quietPasses)) return true;
        if (secondsSince(start) > timeLimitSeconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

SnapshotResult renderSnapshot(const SnapshotOptions& options) {
    SnapshotResult result;
    std::unique_ptr<EglHeadlessContext> context = EglHeadlessContext::create(result.error);
    if (!context) return result;
    result.rendererName = context->rendererName();

    RendererSettings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.offscreen = true;
    settings.shaderPath = options.shaderPath;
    settings.texturePath = options.texturePath;
    settings.cull = options.cull;
    settings.depthMode = depthModeFor(options.farTerrain);
    std::unique_ptr<Renderer> renderer = Renderer::create(settings, result.error);
    if (!renderer) return result;

    StillCameraInput input;
    auto camera = std::make_unique<Camera>(input);
    camera->setPosition(options.position);
    camera->setOrientation(options.yawDegrees, options.pitchDegrees);
    auto planet = std::make_unique<Planet>(renderer->device(), options.viewRadius, ChunkPipeline::Fast,
                                           cameraPosition, options.seed);
    tellPlanetFarTerrain(*planet, options.farTerrain);

    const Clock::time_point start = Clock::now();
    result.converged =
        streamUntilConverged(*planet, renderer->device(), options.quietPasses, options.timeLimitSeconds);
    result.streamSeconds = secondsSince(start);

    SnapshotOverlay drawOverlay = options.overlay ? options.overlay() : SnapshotOverlay();
    DrawWalkCounts counts;
    double timedSeconds = 0.0;
    float previousFrameSeconds = 0.0f;
    const int frames = options.timedFrames < 1 ? 1 : options.timedFrames;
    for (int frame = 0; frame < frames; ++frame) {
        const Clock::time_point frameStart = Clock::now();
        renderer->clear();
        renderer->setFrameConstants(camera->viewMatrix());
        counts = renderer->drawChunksOf(*planet);
        if (drawOverlay) drawOverlay(*planet, *camera, previousFrameSeconds);
        glFinish();
        const double seconds = secondsSince(frameStart);
        previousFrameSeconds = static_cast<float>(seconds);
        if (frame > 0 || frames == 1) timedSeconds += seconds;
    }
    result.frameMilliseconds = 1000.0 * timedSeconds / (frames > 1 ? frames - 1 : 1);
    result.chunksDrawn = counts.drawn;
    result.chunksCulled = counts.culled;
    result.facesDrawn = renderer->lastFaceCounts().drawn;
    result.facesFacingAway = renderer->lastFaceCounts().facingAway;
    result.facesOutside = renderer->lastFaceCounts().outsideFrustum;
    result.chunksResident = planet->chunkSnapshot().size();
    result.image = renderer->readColor();
    result.viewProjection = renderer->frameConstants().viewProjection;
    result.eye = camera->position();
    drawOverlay = nullptr;

    // Threads first, then the buffers they made, then the pipeline.
    planet.reset();
    camera.reset();
    renderer->release();
    renderer.reset();
    context.reset();
    result.ok = true;
    return result;
}

}  // namespace gravelkin
