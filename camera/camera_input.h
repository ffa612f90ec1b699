// The platform input the free-fly camera polls once per frame.
//
// The camera never sees window messages: each frame it asks for the state of
// seven keys, whether our window is in front, and where the cursor is, and it
// puts the cursor back at a fixed client position. A platform layer
// implements this interface over its own key and cursor calls; tests
// implement it with a scripted fake.
//
// Threads: the camera calls it from the main thread only, so implementations
// need no locking of their own.
#pragma once

namespace gravelkin {

// The keys the camera polls, named by their key caps and listed in the order
// the camera polls them. A platform layer maps each to its own key codes (X
// keysyms, GLFW keys); the values only number the keys from 0 to
// cameraKeyCount - 1.
enum class CameraKey : int {
    Shift,
    W,
    S,
    A,
    D,
    Q,
    E,
};

inline constexpr int cameraKeyCount = 7;

class CameraInput {
public:
    virtual ~CameraInput() = default;

    // True while the key is held, whether or not our window has the focus.
    virtual bool keyDown(CameraKey key) = 0;

    // True when our main window is the foreground window.
    virtual bool isForeground() = 0;

    // The cursor in client coordinates of the main window. Returns false when
    // either reading the cursor or converting it to client coordinates fails;
    // x and y then hold nothing meaningful.
    virtual bool readCursorClient(int& x, int& y) = 0;

    // Moves the cursor to a client position of the main window. Returns false
    // when the conversion to screen coordinates or the move fails.
    virtual bool placeCursorClient(int x, int y) = 0;

    // Moves the cursor to a position on the screen (not the window). Used once,
    // when the camera is created. A platform that can only place the cursor
    // relative to its window may treat the position as a client position.
    // Returns false when the move fails.
    virtual bool placeCursorScreen(int x, int y) = 0;

    // Called once per frame: false while our window is in front and the
    // camera is steering with the mouse, true otherwise. Implementations set
    // the visibility; being called every frame, they should skip calls that
    // change nothing.
    virtual void setCursorVisible(bool visible) = 0;
};

}  // namespace gravelkin
