#include "app/frame_timer.h"

#include <cmath>
#include <cstdio>

namespace gravelkin {

float clampFrameSeconds(float seconds) { return seconds >= maxFrameSeconds ? maxFrameSeconds : seconds; }

std::string frameRateTitle(int framesPerSecond) {
    char title[100];
    std::snprintf(title, sizeof title, "Gravelkin - FPS: %d", framesPerSecond);
    return title;
}

FrameTimer::FrameTimer(std::int64_t frequency, std::int64_t start) : frequency_(frequency), previous_(start) {}

FrameTimer::Frame FrameTimer::tick(std::int64_t now) {
    Frame frame;
    ++frames_;
    frame.seconds = static_cast<float>(now - previous_) / static_cast<float>(frequency_);
    previous_ = now;
    seconds_ = seconds_ + frame.seconds;
    if (seconds_ >= titleRefreshSeconds) {
        frame.refreshTitle = true;
        frame.framesPerSecond = static_cast<int>(std::roundf(static_cast<float>(frames_) / seconds_));
        frames_ = 0;
        seconds_ = 0.0f;
    }
    frame.clampedSeconds = clampFrameSeconds(frame.seconds);
    return frame;
}

}  // namespace gravelkin
