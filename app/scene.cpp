#include "app/scene.h"

namespace gravelkin {

Scene::Scene(CameraInput& input, GraphicsDevice& device, const ViewOptions& view) {
    camera = std::make_unique<Camera>(input);
    camera->setPosition(view.position);
    camera->setOrientation(view.yawDegrees, view.pitchDegrees);
    planet = std::make_unique<Planet>(device, view.viewRadius, ChunkPipeline::Fast, cameraPosition, view.seed);
    applyMemoryBudget(view, *planet);
}

Scene::~Scene() {
    // The planet's destructor stops and joins its threads before anything
    // of it goes; only then may the camera they read disappear.
    planet.reset();
    camera.reset();
}

}  // namespace gravelkin
