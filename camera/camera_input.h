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
//
// Depends on: nothing.
#pragma once

namespace gravelkin {

// The keys the camera polls. The values are the Windows virtual-key codes the
// controls were first defined with; a platform layer maps them to its own
// codes and must not rely on them being anything else.
enum class CameraKey : int {
    Shift = 0x10,
    A = 0x41,
    D = 0x44,
    E = 0x45,
    Q = 0x51,
    S = 0x53,
    W = 0x57,
};

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
    // camera is steering with the mouse, true otherwise. On a platform with a
    // display counter (Windows' ShowCursor) each call is one counted step, so
    // after many hidden frames as many shown frames pass before the cursor
    // reappears; elsewhere it may simply set the visibility.
    virtual void setCursorVisible(bool visible) = 0;
};

}  // namespace gravelkin
