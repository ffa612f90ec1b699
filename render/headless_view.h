// The pieces a headless frame of the planet is drawn with: an EGL context
// without a display, the renderer drawing offscreen, a still camera (the
// process-wide camera the planet streams around) and the planet with the
// real manager and factories. Made in that order, and torn down in the
// order their dependencies need: the planet's threads first, then the
// buffers they made, then the pipeline, then the context.
//
// The snapshot draws one pose with it; the flight check moves the camera
// and draws as it goes.
//
// Threads: the thread that creates it owns the EGL context and is the
// "main" thread for everything here until it is destroyed. One per process
// (the camera is the process-wide one).
#pragma once

#include <memory>
#include <string>

#include "camera/camera.h"
#include "camera/still_camera_input.h"
#include "planet/planet.h"
#include "render/egl_headless_context.h"
#include "render/headless_snapshot.h"
#include "render/renderer.h"

namespace gravelkin {

class HeadlessView {
public:
    // Sets up everything for `options` (pose, size, streaming radius, seed,
    // files, culling, far terrain; the depth mode and the planet's far
    // terrain both follow options.farTerrain). Null on failure, with the
    // reason in `error`.
    static std::unique_ptr<HeadlessView> create(const SnapshotOptions& options, std::string& error);
    ~HeadlessView();

    HeadlessView(const HeadlessView&) = delete;
    HeadlessView& operator=(const HeadlessView&) = delete;

    // Clears, sets the frame constants from the camera's view and draws the
    // planet's draw list; glFinish is left to the caller.
    DrawWalkCounts drawFrame();

    Renderer& renderer() { return *renderer_; }
    Camera& camera() { return *camera_; }
    Planet& planet() { return *planet_; }
    const std::string& rendererName() const { return rendererName_; }

private:
    HeadlessView() = default;

    std::string rendererName_;
    std::unique_ptr<EglHeadlessContext> context_;
    std::unique_ptr<Renderer> renderer_;
    StillCameraInput input_;
    std::unique_ptr<Camera> camera_;
    std::unique_ptr<Planet> planet_;
};

}  // namespace gravelkin
