#include "app/program.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include <GLFW/glfw3.h>

#include "app/data_folder.h"
#include "app/frame_timer.h"
#include "app/glfw_camera_input.h"
#include "app/glfw_window.h"
#include "app/overlay_figures.h"
#include "app/scene.h"
#include "app/screenshot_file.h"
#include "app/shutdown.h"
#include "app/overlay_panel.h"
#include "app/view_snapshot.h"
#include "render/far_terrain_switch.h"
#include "render/headless_snapshot.h"
#include "render/renderer.h"

namespace gravelkin {

namespace {

constexpr auto startupPause = std::chrono::milliseconds(20);

// The files the program reads: by their plain names in the working folder,
// by full paths in an installed data folder.
struct DataFiles {
    std::string shaders = "shaders.hlsl";
    std::string texture = "assets/seamless_rock.jpg";
};

DataFiles dataFilesIn(const DataFolderSearch& search) {
    DataFiles files;
    if (*search.found != search.lookedIn.front()) {
        files.shaders = (*search.found / files.shaders).string();
        files.texture = (*search.found / files.texture).string();
    }
    return files;
}

// In the working folder, as screenshots are: never beside an installed
// program, whose folder a user may not be able to write to.
constexpr const char* headlessImageName = "gravelkin-start-view.png";

int renderStartViewHeadless(const std::string& reason, const ProgramOptions& options, const DataFiles& files) {
    std::fprintf(stderr,
                 "gravelkin: no display to open a window on (%s); set DISPLAY to run interactively. Rendering the "
                 "start view headless instead.\n",
                 reason.c_str());
    SnapshotOptions snapshotOptions = snapshotOptionsFor(options.view);
    snapshotOptions.shaderPath = files.shaders;
    snapshotOptions.texturePath = files.texture;
    const SnapshotResult snapshot = renderSnapshot(snapshotOptions);
    if (!snapshot.ok) {
        std::fprintf(stderr, "gravelkin: the headless rendering failed too: %s\n", snapshot.error.c_str());
        return exitNoDisplay;
    }
    std::error_code cwdError;
    const std::filesystem::path path = std::filesystem::current_path(cwdError) / headlessImageName;
    std::string failure;
    if (cwdError || !writePngFile(path, snapshot.image, failure)) {
        std::fprintf(stderr, "gravelkin: %s; run it from a folder you can write to\n",
                     cwdError ? ("cannot tell the working folder: " + cwdError.message()).c_str() : failure.c_str());
        return exitStartFailure;
    }
    std::fprintf(stderr, "gravelkin: wrote the start view (%dx%d, %zu chunks, %.1f ms a frame on %s) to %s\n",
                 snapshot.image.width, snapshot.image.height, snapshot.chunksDrawn, snapshot.frameMilliseconds,
                 snapshot.rendererName.c_str(), path.c_str());
    return exitNoDisplay;
}

std::int64_t clockNow() { return static_cast<std::int64_t>(glfwGetTimerValue()); }

// What the frame loop does only when asked: the statistics overlay (made on
// its first showing) and screenshots.
class FrameExtras {
public:
    FrameExtras(const Renderer& renderer, bool overlayShown) : renderer_(renderer), overlayShown_(overlayShown) {}

    void apply(const WindowKeyPresses& presses, const Planet& planet, const Camera& camera, float frameSeconds) {
        if (presses.toggleOverlay) overlayShown_ = !overlayShown_;
        figures_.recordFrame(frameSeconds);
        if (overlayShown_ && makeOverlay()) overlay_->draw(figures_.update(planet, camera.position()), frameSeconds);
        if (presses.screenshot) takeScreenshot();
    }

private:
    bool makeOverlay() {
        if (overlay_ || overlayFailed_) return !overlayFailed_;
        std::string error;
        overlay_ = OverlayPanel::create(renderer_.width(), renderer_.height(), error);
        overlayFailed_ = !overlay_;
        if (overlayFailed_) std::fprintf(stderr, "gravelkin: no statistics overlay: %s\n", error.c_str());
        return !overlayFailed_;
    }

    void takeScreenshot() const {
        std::error_code error;
        std::string message;
        if (saveScreenshot(renderer_.readColor(), std::filesystem::current_path(error), std::time(nullptr), message)) {
            std::fprintf(stderr, "gravelkin: screenshot written to %s\n", message.c_str());
        } else {
            std::fprintf(stderr, "gravelkin: no screenshot: %s\n", message.c_str());
        }
    }

    const Renderer& renderer_;
    bool overlayShown_;
    bool overlayFailed_ = false;
    OverlayFigureRecorder figures_;
    std::unique_ptr<OverlayPanel> overlay_;
};

// F4: the renderer and the planet switch together; when the renderer cannot,
// neither does, and `farTerrain` keeps its value.
void toggleFarTerrain(bool& farTerrain, Renderer& renderer, Planet& planet) {
    std::string error;
    if (!renderer.setDepthMode(depthModeFor(!farTerrain), error)) {
        std::fprintf(stderr, "gravelkin: far terrain stays %s: %s\n", farTerrain ? "on" : "off", error.c_str());
        return;
    }
    farTerrain = !farTerrain;
    tellPlanetFarTerrain(planet, farTerrain);
}

void runFrames(GlfwWindow& window, Renderer& renderer, Scene& scene, GlfwCameraInput& input, bool overlayShown,
               bool farTerrain) {
    Camera& camera = *scene.camera;
    Planet& planet = *scene.planet;
    FrameExtras extras(renderer, overlayShown);
    FrameTimer timer(static_cast<std::int64_t>(glfwGetTimerFrequency()), clockNow());
    for (;;) {
        glfwPollEvents();
        if (window.closeRequested()) break;

        // Keys arrive only in the poll above; switching before the clear
        // keeps each frame in one depth mode from clear to present.
        const WindowKeyPresses presses = window.takeKeyPresses();
        if (presses.toggleFarTerrain) toggleFarTerrain(farTerrain, renderer, planet);
        const FrameTimer::Frame frame = timer.tick(clockNow());
        if (frame.refreshTitle) window.setTitle(frameRateTitle(frame.framesPerSecond));
        renderer.clear();
        input.pollKeyboard();
        camera.update(frame.clampedSeconds);
        renderer.setFrameConstants(camera.viewMatrix());
        renderer.drawChunksOf(planet);
        extras.apply(presses, planet, camera, frame.seconds);
        renderer.finishFrame();
        window.present();
    }
}

}  // namespace

int runProgram(const ProgramOptions& options) {
    std::error_code cwdError;
    const DataFolderSearch data =
        findDataFolder(std::filesystem::current_path(cwdError), executableFolder(), GRAVELKIN_DATA_FROM_BIN);
    if (!data.found) {
        std::fprintf(stderr,
                     "gravelkin: cannot find shaders.hlsl and assets/: looked in %s. Run it from the source folder, "
                     "or install it with cmake --install.\n",
                     data.lookedInText().c_str());
        return exitStartFailure;
    }
    const DataFiles files = dataFilesIn(data);

    std::string error;
    std::unique_ptr<GlfwSession> glfw = GlfwSession::create(error);
    if (!glfw) return renderStartViewHeadless(error, options, files);

    std::unique_ptr<GlfwWindow> window = GlfwWindow::create(error);
    if (!window) {
        std::fprintf(stderr,
                     "gravelkin: cannot open a 1440x900 window with an OpenGL 4.5 core context: %s\n"
                     "gravelkin: Gravelkin needs OpenGL 4.5 (Mesa's llvmpipe provides it in software)\n",
                     error.c_str());
        return exitStartFailure;
    }

    RendererSettings settings;
    settings.width = window->clientWidth();
    settings.height = window->clientHeight();
    settings.shaderPath = files.shaders;
    settings.texturePath = files.texture;
    settings.depthMode = depthModeFor(options.view.farTerrain);
    std::unique_ptr<Renderer> renderer = Renderer::create(settings, error);
    if (!renderer) {
        std::fprintf(stderr, "gravelkin: start-up failed: %s\n", error.c_str());
        return exitStartFailure;
    }

    std::this_thread::sleep_for(startupPause);

    GlfwCameraInput input(window->handle());
    auto scene = std::make_unique<Scene>(input, renderer->device(), options.view);
    tellPlanetFarTerrain(*scene->planet, options.view.farTerrain);
    runFrames(*window, *renderer, *scene, input, options.overlay, options.view.farTerrain);

    window->hide();
    glfwPollEvents();
    shutDownScene(scene, *renderer);
    renderer.reset();
    window.reset();
    return 0;
}

}  // namespace gravelkin
