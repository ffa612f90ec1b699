// Which implementation builds and meshes chunks.
//
// Fast is what the program runs: the SIMD generator, which samples only the
// pieces of a chunk that the density bounds leave undecided, the mesher that
// works on whole rows, and constant chunks on shared voxel blocks. Reference
// is the plain implementation the fast one is tested against: the scalar
// generator sampling every voxel, the mesher that asks every voxel for each
// of its six neighbours, and every chunk with a voxel block of its own.
//
// Both give every chunk the same fill state, every voxel the same solidity
// and every solid voxel the same colour, and so the same meshes, bit for bit.
// Densities may differ: where the fast pipeline's bounds prove a piece air or
// deep rock, its voxels hold the air voxel or the solid fill voxel instead of
// their own density. Reference exists to check that, and to measure what the
// fast paths gain (stream_probe --reference).
#pragma once

namespace gravelkin {

enum class ChunkPipeline { Fast, Reference };

}  // namespace gravelkin
