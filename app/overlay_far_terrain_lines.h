// The statistics overlay's lines on the far terrain (planet/far_terrain.h),
// as text for the panel to draw under the chunk lines: the built nodes held
// by level (1 to farTopLevel), the nodes drawn and their faces drawn (main
// meshes and skirts), the held nodes' vertex memory in MiB and the node
// requests queued. No lines while the far terrain is off, so the panel then
// shows only its other lines.
//
// Threads: any; it reads only `figures`.
#pragma once

#include <string>
#include <vector>

#include "app/overlay_figures.h"

namespace gravelkin {

std::vector<std::string> farTerrainLines(const OverlayFigures& figures);

}  // namespace gravelkin
