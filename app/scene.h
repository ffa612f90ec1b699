// The Scene: the camera and the planet, created once at start-up.
//
// The camera comes first: the planet's threads read the camera position
// through the process-wide pointer as soon as they run. Destruction goes the
// other way round, and on purpose not in member order: the planet's threads
// are stopped and joined (and its chunks, with their vertex buffers,
// released) before the camera they read is withdrawn.
//
// Threads: the main thread creates and destroys it.
#pragma once

#include <memory>

#include "camera/camera.h"
#include "camera/camera_input.h"
#include "cli/view_options.h"
#include "planet/planet.h"
#include "device/graphics_device.h"

namespace gravelkin {

struct Scene {
    // `input` and `device` must outlive the Scene. The camera starts at the
    // view's pose; the planet streams within its radius over its seed's
    // terrain.
    Scene(CameraInput& input, GraphicsDevice& device, const ViewOptions& view = {});
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    std::unique_ptr<Planet> planet;
    std::unique_ptr<Camera> camera;
};

}  // namespace gravelkin
