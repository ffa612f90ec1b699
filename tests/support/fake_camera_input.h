// A scripted stand-in for the platform input, recording what the camera asks.
//
// The test sets which keys are held, whether our window is in front and where
// the cursor is; the fake answers the camera's polls from that and logs the
// cursor calls. The screen and the client area share their origin, so placing
// the cursor at a screen or a client position puts it at the same (x, y).
// Used by the camera, app and rendering suites. Not thread-safe: one thread
// drives both the fake and the camera.
#pragma once

#include <set>
#include <utility>
#include <vector>

#include "camera/camera_input.h"

namespace gravelkin::test {

class FakeCameraInput final : public CameraInput {
public:
    // Script.
    std::set<CameraKey> held;
    bool foreground = true;
    int cursorX = 256;
    int cursorY = 256;
    bool cursorReadSucceeds = true;
    bool cursorPlaceSucceeds = true;

    // Log.
    int foregroundPolls = 0;
    int cursorReads = 0;
    std::vector<std::pair<int, int>> clientPlacements;
    std::vector<std::pair<int, int>> screenPlacements;
    std::vector<bool> visibilityCalls;

    bool keyDown(CameraKey key) override { return held.contains(key); }

    bool isForeground() override {
        ++foregroundPolls;
        return foreground;
    }

    bool readCursorClient(int& x, int& y) override {
        ++cursorReads;
        if (!cursorReadSucceeds) return false;
        x = cursorX;
        y = cursorY;
        return true;
    }

    bool placeCursorClient(int x, int y) override { return place(clientPlacements, x, y); }
    bool placeCursorScreen(int x, int y) override { return place(screenPlacements, x, y); }
    void setCursorVisible(bool visible) override { visibilityCalls.push_back(visible); }

private:
    bool place(std::vector<std::pair<int, int>>& log, int x, int y) {
        log.emplace_back(x, y);
        if (!cursorPlaceSucceeds) return false;
        cursorX = x;
        cursorY = y;
        return true;
    }
};

}  // namespace gravelkin::test
