// The sky: the colour the renderer clears to, and the bytes an RGBA8 target
// holds after that clear.
//
// The float-to-byte rounding is the driver's (0.9 x 255 lies a hair below
// 229.5); these are the bytes glReadPixels gives, which a rendering test
// checks.
//
// Threads: constants.
#pragma once

#include <cstdint>

namespace gravelkin {

inline constexpr float clearColor[4] = {0.4f, 0.6f, 0.9f, 1.0f};
inline constexpr std::uint8_t clearColorBytes[4] = {102, 153, 230, 255};

}  // namespace gravelkin
