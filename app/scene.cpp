#include "app/scene.h"

namespace gravelkin {

Scene::Scene(CameraInput& input, GraphicsDevice& device) {
    camera = std::make_unique<Camera>(input);
    planet = std::make_unique<Planet>(device);
}

Scene::~Scene() {
    // The planet's destructor stops and joins its threads before anything
    // of it goes; only then may the camera they read disappear.
    planet.reset();
    camera.reset();
}

}  // namespace gravelkin
