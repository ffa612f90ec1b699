// Far terrain on or off: what the renderer and the planet each need to hear.
//
// The renderer draws far terrain with reversed infinite depth (far terrain
// lies far beyond the standard projection's far plane); without it, with
// the standard depth of every other frame. tellPlanetFarTerrain is the one
// place where the program and the snapshot hand the choice to the planet,
// at start-up and at each switch.
//
// Threads: the main thread.
#pragma once

#include "planet/planet.h"
#include "render/frame_constants.h"

namespace gravelkin {

inline DepthMode depthModeFor(bool farTerrain) {
    return farTerrain ? DepthMode::ReversedInfinite : DepthMode::Standard;
}

inline void tellPlanetFarTerrain(Planet& planet, bool farTerrain) { planet.enableFarTerrain(farTerrain); }

}  // namespace gravelkin
