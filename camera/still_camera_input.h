// Camera input with no keys held and the window never in front: the camera
// stays where it is put. For headless tools and tests, which move the camera
// with setPosition.
#pragma once

#include "camera/camera_input.h"

namespace gravelkin {

class StillCameraInput final : public CameraInput {
public:
    bool keyDown(CameraKey) override { return false; }
    bool isForeground() override { return false; }
    bool readCursorClient(int&, int&) override { return false; }
    bool placeCursorClient(int, int) override { return true; }
    bool placeCursorScreen(int, int) override { return true; }
    void setCursorVisible(bool) override {}
};

}  // namespace gravelkin
