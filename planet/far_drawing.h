// Drawing a far-terrain draw list (far_terrain.h): each item's main mesh and
// the skirts it asks for, one sink draw per mesh, after the same frustum test
// as chunks (on the node's box), nearest the eye first where one is given
// (by the centres of the nodes' boxes, ties by key), for the same reasons
// as the chunk walk (draw_walk.h).
//
// Threads: the main thread (the sink issues graphics calls).
#pragma once

#include "camera/frustum.h"
#include "planet/draw_walk.h"
#include "planet/far_terrain.h"

namespace gravelkin {

// `drawn` counts nodes drawn, `culled` nodes outside the frustum.
DrawWalkCounts drawFarNodes(const FarDrawList& list, ChunkDrawSink& sink, const Frustum* frustum, const Vec3* eye);

}  // namespace gravelkin
