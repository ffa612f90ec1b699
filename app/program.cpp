#include "app/program.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include <GLFW/glfw3.h>

#include "app/frame_timer.h"
#include "app/glfw_camera_input.h"
#include "app/glfw_window.h"
#include "app/scene.h"
#include "app/shutdown.h"
#include "render/gl/headless_snapshot.h"
#include "render/gl/renderer.h"

namespace gravelkin {

namespace {

constexpr auto startupPause = std::chrono::milliseconds(20);

// Beside the executable: inside the build folder, never in the sources.
std::string headlessImagePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::current_path(error) : executable.parent_path();
    return (folder / "gravelkin-start-view.png").string();
}

int renderStartViewHeadless(const std::string& reason) {
    std::fprintf(stderr,
                 "gravelkin: no display to open a window on (%s); set DISPLAY to run interactively. Rendering the "
                 "start view headless instead.\n",
                 reason.c_str());
    const SnapshotResult snapshot = renderSnapshot(SnapshotOptions{});
    if (!snapshot.ok) {
        std::fprintf(stderr, "gravelkin: the headless rendering failed too: %s\n", snapshot.error.c_str());
        return exitNoDisplay;
    }
    const std::string path = headlessImagePath();
    if (!writePng(path, snapshot.image)) {
        std::fprintf(stderr, "gravelkin: cannot write %s\n", path.c_str());
        return exitNoDisplay;
    }
    std::fprintf(stderr, "gravelkin: wrote the start view (%dx%d, %zu chunks, %.1f ms a frame on %s) to %s\n",
                 snapshot.image.width, snapshot.image.height, snapshot.chunksDrawn, snapshot.frameMilliseconds,
                 snapshot.rendererName.c_str(), path.c_str());
    return exitNoDisplay;
}

std::int64_t clockNow() { return static_cast<std::int64_t>(glfwGetTimerValue()); }

}  // namespace

int runProgram() {
    std::string error;
    std::unique_ptr<GlfwSession> glfw = GlfwSession::create(error);
    if (!glfw) return renderStartViewHeadless(error);

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
    std::unique_ptr<Renderer> renderer = Renderer::create(settings, error);
    if (!renderer) {
        std::fprintf(stderr, "gravelkin: start-up failed: %s\n", error.c_str());
        return exitStartFailure;
    }

    std::this_thread::sleep_for(startupPause);

    GlfwCameraInput input(window->handle());
    auto scene = std::make_unique<Scene>(input, renderer->device());
    Camera& camera = *scene->camera;
    Planet& planet = *scene->planet;

    FrameTimer timer(static_cast<std::int64_t>(glfwGetTimerFrequency()), clockNow());
    for (;;) {
        glfwPollEvents();
        if (window->closeRequested()) break;

        const FrameTimer::Frame frame = timer.tick(clockNow());
        if (frame.refreshTitle) window->setTitle(frameRateTitle(frame.framesPerSecond));
        renderer->clear();
        input.pollKeyboard();
        camera.update(frame.clampedSeconds);
        renderer->setFrameConstants(camera.viewMatrix());
        renderer->drawPlanet(planet);
        window->present();
    }

    window->hide();
    glfwPollEvents();
    shutDownScene(scene, *renderer);
    renderer.reset();
    window.reset();
    return 0;
}

}  // namespace gravelkin
