#include "render/headless_view.h"

#include "render/far_terrain_switch.h"

namespace gravelkin {

std::unique_ptr<HeadlessView> HeadlessView::create(const SnapshotOptions& options, std::string& error) {
    std::unique_ptr<HeadlessView> view(new HeadlessView());
    view->context_ = EglHeadlessContext::create(error);
    if (!view->context_) return nullptr;
    view->rendererName_ = view->context_->rendererName();

    RendererSettings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.offscreen = true;
    settings.shaderPath = options.shaderPath;
    settings.texturePath = options.texturePath;
    settings.cull = options.cull;
    settings.depthMode = depthModeFor(options.farTerrain);
    view->renderer_ = Renderer::create(settings, error);
    if (!view->renderer_) return nullptr;

    view->camera_ = std::make_unique<Camera>(view->input_);
    view->camera_->setPosition(options.position);
    view->camera_->setOrientation(options.yawDegrees, options.pitchDegrees);
    view->planet_ = std::make_unique<Planet>(view->renderer_->device(), options.viewRadius, ChunkPipeline::Fast,
                                             cameraPosition, options.seed);
    if (options.memoryBudgetBytes != 0) view->planet_->setMemoryBudget(options.memoryBudgetBytes);
    tellPlanetFarTerrain(*view->planet_, options.farTerrain);
    return view;
}

HeadlessView::~HeadlessView() {
    // Threads first, then the buffers they made, then the pipeline.
    planet_.reset();
    camera_.reset();
    if (renderer_) renderer_->release();
    renderer_.reset();
    context_.reset();
}

DrawWalkCounts HeadlessView::drawFrame() {
    renderer_->clear();
    renderer_->setFrameConstants(camera_->viewMatrix());
    return renderer_->drawChunksOf(*planet_);
}

}  // namespace gravelkin
