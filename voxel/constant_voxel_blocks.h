// The process-wide immutable voxel blocks of constant chunks: one block per
// distinct voxel value, shared by every chunk filled with that value.
//
// The build step asks for two: air (for chunks above the terrain band and for
// generated chunks that came out all air) and the generator's solid fill.
// A block is created the first time its value is asked for and lives until
// the process ends; it is never freed, so no chunk can outlive it, whatever
// thread drops the chunk last and whenever.
//
// Any thread may call it; creation is serialised by a lock.
#pragma once

#include <cstddef>

#include "voxel/voxel_volume.h"

namespace gravelkin {

// The shared block whose every voxel is `value`, bit for bit (0.0 and -0.0
// densities get different blocks).
const VoxelBlock& constantVoxelBlock(const Voxel& value);

// How many constant blocks exist (for tests and memory reports).
std::size_t constantVoxelBlockCount();

}  // namespace gravelkin
