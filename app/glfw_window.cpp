#include "app/glfw_window.h"

#include <utility>

#include <GLFW/glfw3.h>

#include "app/frame_timer.h"

namespace gravelkin {

namespace {

std::string lastGlfwError() {
    const char* description = nullptr;
    glfwGetError(&description);
    return description != nullptr ? description : "no reason given";
}

void onKey(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    // Every other key is left alone here: the camera polls the keys it uses.
    if (key == GLFW_KEY_ESCAPE && action != GLFW_RELEASE) glfwSetWindowShouldClose(window, GLFW_TRUE);
    if (action == GLFW_PRESS) recordKeyPress(*static_cast<GlfwWindow*>(glfwGetWindowUserPointer(window)), key);
}

}  // namespace

void recordKeyPress(GlfwWindow& window, int key) {
    if (key == GLFW_KEY_F3) window.presses_.toggleOverlay = true;
    if (key == GLFW_KEY_F4) window.presses_.toggleFarTerrain = true;
    if (key == GLFW_KEY_F12) window.presses_.screenshot = true;
}

std::unique_ptr<GlfwSession> GlfwSession::create(std::string& error) {
    if (glfwInit() != GLFW_TRUE) {
        error = lastGlfwError();
        return nullptr;
    }
    return std::unique_ptr<GlfwSession>(new GlfwSession());
}

GlfwSession::~GlfwSession() { glfwTerminate(); }

std::unique_ptr<GlfwWindow> GlfwWindow::create(std::string& error) {
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_API);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 5);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_RED_BITS, 8);
    glfwWindowHint(GLFW_GREEN_BITS, 8);
    glfwWindowHint(GLFW_BLUE_BITS, 8);
    glfwWindowHint(GLFW_ALPHA_BITS, 8);
    glfwWindowHint(GLFW_DEPTH_BITS, 24);
    glfwWindowHint(GLFW_STENCIL_BITS, 8);
    glfwWindowHint(GLFW_SAMPLES, 0);
    glfwWindowHint(GLFW_DOUBLEBUFFER, GLFW_TRUE);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(windowClientWidth, windowClientHeight, windowTitle, nullptr, nullptr);
    if (window == nullptr) {
        error = lastGlfwError();
        return nullptr;
    }
    std::unique_ptr<GlfwWindow> result(new GlfwWindow(window));
    glfwSetWindowUserPointer(window, result.get());
    glfwSetKeyCallback(window, onKey);
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    glfwShowWindow(window);
    // What the renderer uses is what the window got: on a smaller screen the
    // client area may be smaller than asked for.
    glfwGetFramebufferSize(window, &result->clientWidth_, &result->clientHeight_);
    return result;
}

GlfwWindow::~GlfwWindow() { glfwDestroyWindow(window_); }

void GlfwWindow::setTitle(const std::string& title) { glfwSetWindowTitle(window_, title.c_str()); }

bool GlfwWindow::closeRequested() const { return glfwWindowShouldClose(window_) == GLFW_TRUE; }

void GlfwWindow::hide() { glfwHideWindow(window_); }

void GlfwWindow::present() { glfwSwapBuffers(window_); }

WindowKeyPresses GlfwWindow::takeKeyPresses() { return std::exchange(presses_, WindowKeyPresses{}); }

}  // namespace gravelkin
