// The frame loop's clock arithmetic: the frame time, the clamp that the
// camera sees, and the frame-rate title refreshed about five times a second.
//
// The arithmetic is single precision throughout, so the figure shown for a
// given run of clock readings is fixed to the bit:
// dt = float(now - previous) / float(frequency);
// the seconds add up in a float; once they reach 0.2 (the test is >=) the
// title shows roundf(frames / seconds), where the frame count includes the
// frame being rendered, and both restart from 0. The clamp to 0.1 s applies
// only to what the camera sees; the average counts the full time.
//
// Threads: plain values; the main thread owns its timer.
#pragma once

#include <cstdint>
#include <string>

namespace gravelkin {

inline constexpr float titleRefreshSeconds = 0.2f;
inline constexpr float maxFrameSeconds = 0.1f;
inline constexpr const char* windowTitle = "Gravelkin";

// dt, or 0.1 when dt >= 0.1.
float clampFrameSeconds(float seconds);

// "Gravelkin - FPS: <framesPerSecond>", formatted into a 100-character
// buffer, ample for any int.
std::string frameRateTitle(int framesPerSecond);

class FrameTimer {
public:
    struct Frame {
        float seconds = 0.0f;         // unclamped frame time
        float clampedSeconds = 0.0f;  // what the camera moves by
        bool refreshTitle = false;    // this frame refreshes the title
        int framesPerSecond = 0;      // meaningful when refreshTitle
    };

    // `frequency` ticks per second; `start` is the reading the first frame's
    // time runs from.
    FrameTimer(std::int64_t frequency, std::int64_t start);

    // One frame, ending at the reading `now`.
    Frame tick(std::int64_t now);

    int framesSinceTitle() const { return frames_; }
    float secondsSinceTitle() const { return seconds_; }

private:
    std::int64_t frequency_;
    std::int64_t previous_;
    int frames_ = 0;
    float seconds_ = 0.0f;
};

}  // namespace gravelkin
