// A scripted stand-in for the platform input, recording what the camera asks.
//
// The test sets which keys are held, whether our window is in front and where
// the cursor is (in client coordinates); the fake answers the camera's polls
// from that and logs every call, so tests can check both the answers' effect
// and the order and count of the polls. Placing the cursor moves it, as on a
// real desktop. Not thread-safe: one thread drives both fake and camera.
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
    int cursorX = 256;  // client coordinates
    int cursorY = 256;
    // Screen position of the client area's top-left corner.
    int clientOriginX = 0;
    int clientOriginY = 0;
    bool cursorReadSucceeds = true;
    bool cursorPlaceSucceeds = true;

    // Log.
    std::vector<CameraKey> keyPolls;
    int foregroundPolls = 0;
    int cursorReads = 0;
    std::vector<std::pair<int, int>> clientPlacements;
    std::vector<std::pair<int, int>> screenPlacements;
    std::vector<bool> visibilityCalls;

    void press(CameraKey key) { held.insert(key); }
    void releaseAll() { held.clear(); }
    void clearLog() {
        keyPolls.clear();
        foregroundPolls = 0;
        cursorReads = 0;
        clientPlacements.clear();
        screenPlacements.clear();
        visibilityCalls.clear();
    }

    bool keyDown(CameraKey key) override {
        keyPolls.push_back(key);
        return held.contains(key);
    }

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

    bool placeCursorClient(int x, int y) override {
        clientPlacements.emplace_back(x, y);
        if (!cursorPlaceSucceeds) return false;
        cursorX = x;
        cursorY = y;
        return true;
    }

    bool placeCursorScreen(int x, int y) override {
        screenPlacements.emplace_back(x, y);
        if (!cursorPlaceSucceeds) return false;
        cursorX = x - clientOriginX;
        cursorY = y - clientOriginY;
        return true;
    }

    void setCursorVisible(bool visible) override { visibilityCalls.push_back(visible); }
};

}  // namespace gravelkin::test
