#include "render/gl/headless_snapshot.h"

#include <chrono>
#include <memory>
#include <thread>

#include <epoxy/gl.h>

#include "camera/still_camera_input.h"
#include "planet/planet.h"
#include "render/gl/egl_headless_context.h"
#include "render/gl/renderer.h"

namespace gravelkin {

namespace {

// Counts what the renderer is handed, on its way to the renderer.
class CountingSink final : public ChunkDrawSink {
public:
    explicit CountingSink(Renderer& renderer) : renderer_(renderer) {}
    void drawChunk(VertexBuffer* buffer, std::uint32_t vertexCount) override {
        ++drawn;
        renderer_.drawChunk(buffer, vertexCount);
    }
    std::size_t drawn = 0;

private:
    Renderer& renderer_;
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

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
    std::unique_ptr<Renderer> renderer = Renderer::create(settings, result.error);
    if (!renderer) return result;

    StillCameraInput input;
    auto camera = std::make_unique<Camera>(input);
    camera->setPosition(options.position);
    camera->setOrientation(options.yawDegrees, options.pitchDegrees);
    auto planet = std::make_unique<Planet>(renderer->device(), options.viewRadius, ChunkPipeline::Fast,
                                           cameraPosition, options.seed);

    const Clock::time_point start = Clock::now();
    for (;;) {
        // Uploading as the chunks arrive keeps the copies waiting for the
        // main thread few.
        renderer->device().processPending();
        const bool quiet = planet->idle() && planet->stats().quietPasses >= static_cast<std::uint64_t>(options.quietPasses);
        if (quiet) {
            result.converged = true;
            break;
        }
        if (secondsSince(start) > options.timeLimitSeconds) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.streamSeconds = secondsSince(start);

    SnapshotOverlay drawOverlay = options.overlay ? options.overlay() : SnapshotOverlay();
    CountingSink sink(*renderer);
    double timedSeconds = 0.0;
    float previousFrameSeconds = 0.0f;
    const int frames = options.timedFrames < 1 ? 1 : options.timedFrames;
    for (int frame = 0; frame < frames; ++frame) {
        const Clock::time_point frameStart = Clock::now();
        renderer->clear();
        renderer->setFrameConstants(camera->viewMatrix());
        renderer->device().processPending();
        sink.drawn = 0;
        planet->drawChunks(sink);
        if (drawOverlay) drawOverlay(*planet, *camera, previousFrameSeconds);
        glFinish();
        const double seconds = secondsSince(frameStart);
        previousFrameSeconds = static_cast<float>(seconds);
        if (frame > 0 || frames == 1) timedSeconds += seconds;
    }
    result.frameMilliseconds = 1000.0 * timedSeconds / (frames > 1 ? frames - 1 : 1);
    result.chunksDrawn = sink.drawn;
    result.chunksResident = planet->chunkSnapshot().size();
    result.image = renderer->readColor();
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
