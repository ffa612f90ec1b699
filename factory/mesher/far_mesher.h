// The mesher of far-terrain nodes: a node's sampled voxels (terrain/
// far_block.h) in, the faces of its blocky mesh out, split so that the level
// boundaries can be closed without drawing hidden faces elsewhere.
//
// Every solid voxel is a curved box on the node's uniform grid (32 columns a
// side at every layer, each layer 2^level units thick), and a side of it
// becomes a face:
// - inside the node, where the voxel across is not solid: the main mesh;
// - on the node's boundary, where the margin sample across is not solid: the
//   main mesh (the same face the node next door, sampling the same point,
//   shows);
// - on a boundary side across which the margin is solid (PlusY, MinusY,
//   MinusX, PlusX and Outward): that side's skirt. A node drawn beside one of
//   its own level needs none (the neighbour's solid meets its solid), but
//   beside another level or chunks, whose surface differs, the skirt closes
//   the node so that no line of sight finds a gap. A lateral skirt is one
//   quad per run of such voxels up a boundary column;
// - the inward side's boundary needs no skirt: a line of sight that meets
//   the sphere within travels inward, so it can only enter a node through
//   its outward or lateral sides.
// Where the band below has another grid, the node also shows the outward
// faces of the margin samples below that are solid under its own air: the
// node below closes its top only as a skirt.
//
// Pure; any thread, each with its own output.
#pragma once

#include <array>
#include <vector>

#include "factory/mesher/face_record.h"
#include "terrain/far_block.h"

namespace gravelkin {

struct FarMeshFaces {
    std::vector<FaceRecord> main;
    std::array<std::vector<FaceRecord>, directionCount> skirts;  // by side; Inward stays empty
};

// Meshes `block` (sampled for block.key) into `out`, replacing what it held.
void meshFarBlock(const FarBlock& block, FarMeshFaces& out);

}  // namespace gravelkin
