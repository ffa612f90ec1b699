// The program's shutdown order, shared by the program and its tests.
//
// 1. The Scene goes: the Planet stops and joins its manager and factories
//    (its orderly stop), then frees its chunks, whose vertex buffers are
//    queued back to the device; then the camera.
// 2. The renderer releases every object in its release order; its
//    VertexBuffers step frees the queued buffers. No thread can reach the
//    device by then.
// 3. The caller then destroys the window or headless context, and with it
//    the GL context.
//
// Threads: the main thread, with the GL context current.
#pragma once

#include <functional>
#include <memory>

#include "app/scene.h"
#include "render/renderer.h"

namespace gravelkin {

inline void shutDownScene(std::unique_ptr<Scene>& scene, Renderer& renderer,
                          const std::function<void(RendererObject)>& released = {}) {
    scene.reset();
    renderer.release(released);
}

}  // namespace gravelkin
