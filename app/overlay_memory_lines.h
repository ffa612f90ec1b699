// The statistics overlay's lines on the streaming radius and the planet's
// memory: the radius asked for and, while the memory budget binds, the
// smaller one in effect; what the planet holds by its own account against
// its budget.
//
// Threads: any; it reads only `figures`.
#pragma once

#include <string>

#include "app/overlay_figures.h"

namespace gravelkin {

std::string radiusLine(const OverlayFigures& figures);
std::string memoryLine(const OverlayFigures& figures);

}  // namespace gravelkin
