#include "app/glfw_camera_input.h"

#include <cmath>

#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace gravelkin {

namespace {

// The X keysyms and GLFW keys of each camera key, by CameraKey number. Either
// Shift key counts, so both the left and the right one speed the camera up.
struct KeyMapping {
    KeySym symbols[2];
    int glfwKeys[2];
};

constexpr KeyMapping keyMappings[cameraKeyCount] = {
    {{XK_Shift_L, XK_Shift_R}, {GLFW_KEY_LEFT_SHIFT, GLFW_KEY_RIGHT_SHIFT}},  // Shift
    {{XK_w, NoSymbol}, {GLFW_KEY_W, GLFW_KEY_UNKNOWN}},
    {{XK_s, NoSymbol}, {GLFW_KEY_S, GLFW_KEY_UNKNOWN}},
    {{XK_a, NoSymbol}, {GLFW_KEY_A, GLFW_KEY_UNKNOWN}},
    {{XK_d, NoSymbol}, {GLFW_KEY_D, GLFW_KEY_UNKNOWN}},
    {{XK_q, NoSymbol}, {GLFW_KEY_Q, GLFW_KEY_UNKNOWN}},
    {{XK_e, NoSymbol}, {GLFW_KEY_E, GLFW_KEY_UNKNOWN}},
};

}  // namespace

GlfwCameraInput::GlfwCameraInput(GLFWwindow* window) : window_(window) {
    Display* display = glfwGetX11Display();
    x11Display_ = display;
    for (std::size_t i = 0; i < keyCodes_.size(); ++i) {
        for (int s = 0; s < 2; ++s) {
            const KeySym symbol = keyMappings[i].symbols[s];
            keyCodes_[i][s] =
                display != nullptr && symbol != NoSymbol ? static_cast<std::uint8_t>(XKeysymToKeycode(display, symbol))
                                                         : 0;
        }
    }
}

void GlfwCameraInput::pollKeyboard() {
    if (x11Display_ != nullptr) XQueryKeymap(static_cast<Display*>(x11Display_), keymap_);
}

bool GlfwCameraInput::keyDown(CameraKey key) {
    const auto index = static_cast<std::size_t>(key);
    if (index >= keyCodes_.size()) return false;
    if (x11Display_ != nullptr) {
        for (std::uint8_t code : keyCodes_[index])
            if (code != 0 && (keymap_[code / 8] & (1 << (code % 8))) != 0) return true;
        return false;
    }
    for (int glfwKey : keyMappings[index].glfwKeys)
        if (glfwKey != GLFW_KEY_UNKNOWN && glfwGetKey(window_, glfwKey) == GLFW_PRESS) return true;
    return false;
}

bool GlfwCameraInput::isForeground() { return glfwGetWindowAttrib(window_, GLFW_FOCUSED) == GLFW_TRUE; }

bool GlfwCameraInput::readCursorClient(int& x, int& y) {
    double cursorX = 0.0;
    double cursorY = 0.0;
    glfwGetError(nullptr);  // forget older errors: only this call's count
    glfwGetCursorPos(window_, &cursorX, &cursorY);
    if (glfwGetError(nullptr) != GLFW_NO_ERROR) return false;
    x = static_cast<int>(std::floor(cursorX));
    y = static_cast<int>(std::floor(cursorY));
    return true;
}

bool GlfwCameraInput::placeCursorClient(int x, int y) {
    glfwGetError(nullptr);
    glfwSetCursorPos(window_, static_cast<double>(x), static_cast<double>(y));
    return glfwGetError(nullptr) == GLFW_NO_ERROR;
}

bool GlfwCameraInput::placeCursorScreen(int x, int y) {
    if (x11Display_ == nullptr) return placeCursorClient(x, y);
    auto* display = static_cast<Display*>(x11Display_);
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XFlush(display);
    return true;
}

void GlfwCameraInput::setCursorVisible(bool visible) {
    // Only a change reaches the X server; the camera calls this every frame.
    if (visible == cursorVisible_) return;
    cursorVisible_ = visible;
    glfwSetInputMode(window_, GLFW_CURSOR, visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
}

}  // namespace gravelkin
