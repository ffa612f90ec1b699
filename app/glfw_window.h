// The main window: 1440 x 900 client pixels titled "Gravelkin", with an
// OpenGL 4.5 core context (24-bit depth, 8-bit stencil) that the renderer
// draws into, presented by a buffer swap without waiting for the display.
//
// F3, F4 and F12 presses are kept until the frame loop takes them (the
// overlay's toggle, far terrain's toggle and the screenshot), so a press
// between two frames is not lost.
// Escape and the close button both ask the window to close; the frame loop
// sees it before its next frame, hides the window at once and ends. The
// window itself is destroyed last at shutdown, since the GL context that
// every renderer object lives in goes with it. The renderer keeps the
// client size measured at start-up, so the window is not resizable.
//
// Threads: the main thread only (GLFW's rule).
#pragma once

#include <memory>
#include <string>

struct GLFWwindow;

namespace gravelkin {

inline constexpr int windowClientWidth = 1440;
inline constexpr int windowClientHeight = 900;

// GLFW's lifetime: initialised for as long as this lives.
class GlfwSession {
public:
    // Null, with GLFW's reason in `error`, when GLFW cannot start (no
    // display to connect to).
    static std::unique_ptr<GlfwSession> create(std::string& error);
    ~GlfwSession();
    GlfwSession(const GlfwSession&) = delete;
    GlfwSession& operator=(const GlfwSession&) = delete;

private:
    GlfwSession() = default;
};

// Keys pressed since the frame loop last asked.
struct WindowKeyPresses {
    bool toggleOverlay = false;     // F3
    bool toggleFarTerrain = false;  // F4
    bool screenshot = false;        // F12
};

class GlfwWindow {
public:
    // Creates and shows the window, makes its context current and sets the
    // swap interval to 0. Null, with the reason in `error`, when no window
    // with an OpenGL 4.5 core context can be made.
    static std::unique_ptr<GlfwWindow> create(std::string& error);
    ~GlfwWindow();
    GlfwWindow(const GlfwWindow&) = delete;
    GlfwWindow& operator=(const GlfwWindow&) = delete;

    GLFWwindow* handle() const { return window_; }

    // The client size in pixels as measured after the window was shown.
    int clientWidth() const { return clientWidth_; }
    int clientHeight() const { return clientHeight_; }

    void setTitle(const std::string& title);
    // Escape was pressed or the window was asked to close.
    bool closeRequested() const;
    // Takes the window off the screen at once, while shutdown goes on.
    void hide();
    void present();
    // The presses since the last call; clears them.
    WindowKeyPresses takeKeyPresses();

private:
    explicit GlfwWindow(GLFWwindow* window) : window_(window) {}

    GLFWwindow* window_;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    WindowKeyPresses presses_;

    friend void recordKeyPress(GlfwWindow& window, int key);
};

}  // namespace gravelkin
