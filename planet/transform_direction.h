// Keeps a walk heading the same way when a step crosses from one cube face to
// another: a face's axes are turned relative to its neighbours', so an in-face
// direction has to be re-expressed on the face it arrives on.
//
// Pure; any thread may call it.
#pragma once

#include <cstdint>

#include "geometry/neighbours.h"

namespace gravelkin {

// `direction` as seen on `toFace` when the walk arrives there from
// `fromFace`. Outward and Inward, and every direction when the faces are
// equal, come back unchanged; so do face pairs that share their axes.
Direction transformDirection(Direction direction, std::uint8_t fromFace, std::uint8_t toFace);

}  // namespace gravelkin
