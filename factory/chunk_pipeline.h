// Which implementation builds and meshes chunks.
//
// Fast is what the program runs: the SIMD generator, the mesher that works
// on whole rows, and constant chunks on shared voxel blocks. Reference is the
// plain implementation the fast one is tested against: the scalar generator,
// the mesher that asks every voxel for each of its six neighbours, and every
// chunk with a voxel block of its own. Both produce the same chunks and
// meshes, bit for bit; Reference exists to check that, and to measure what
// the fast paths gain (stream_probe --reference).
#pragma once

namespace gravelkin {

enum class ChunkPipeline { Fast, Reference };

}  // namespace gravelkin
