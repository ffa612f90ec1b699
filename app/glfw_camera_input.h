// The camera's input on GLFW, with X11 for the keys.
//
// The seven camera keys must act whether or not our window has the focus.
// GLFW reports keys to the focused window only, so on X11 the whole keyboard
// is read with XQueryKeymap on GLFW's display, once per frame in
// pollKeyboard(); where there is no X11 display GLFW's own key state is used.
// The cursor is read and placed in client coordinates, hidden while the
// window is in front and shown otherwise (GLFW has no display counter).
//
// Threads: the main thread only.
#pragma once

#include <array>
#include <cstdint>

#include "camera/camera_input.h"

struct GLFWwindow;

namespace gravelkin {

class GlfwCameraInput final : public CameraInput {
public:
    explicit GlfwCameraInput(GLFWwindow* window);

    // Takes this frame's snapshot of the keyboard. Call once per frame before
    // the camera's update.
    void pollKeyboard();

    bool keyDown(CameraKey key) override;
    bool isForeground() override;
    bool readCursorClient(int& x, int& y) override;
    bool placeCursorClient(int x, int y) override;
    bool placeCursorScreen(int x, int y) override;
    void setCursorVisible(bool visible) override;

private:
    GLFWwindow* window_;
    void* x11Display_ = nullptr;  // Display*, or null without X11
    // The X key codes of each camera key, by CameraKey number (two for
    // Shift), 0 where unmapped.
    std::array<std::array<std::uint8_t, 2>, cameraKeyCount> keyCodes_{};
    char keymap_[32] = {};
    bool cursorVisible_ = true;
};

}  // namespace gravelkin
