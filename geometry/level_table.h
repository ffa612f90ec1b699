// The shell subdivision level table and the chunk grid derived from it.
//
// Entry r of the process-wide table holds L(r): a face side carries 2^L(r)
// voxel columns at integer radius r. The table grows lazily, under
// levelTableLock, so that a column never becomes wider than 2.0 units.
//
// Any thread may call these functions. Reads of an entry already covered take
// no lock; growth is serialised by levelTableLock.
#pragma once

#include <cstdint>
#include <mutex>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

// Serialises growth of the level table. Readers of covered entries never take it.
extern std::mutex levelTableLock;

// Makes the table cover index r (length at least r + 1).
void ensureLevels(std::uint32_t r);

// L(r); grows the table when r is not yet covered.
std::uint8_t columnLevel(std::uint32_t r);

// Current number of entries (for tests and diagnostics).
std::uint32_t levelTableLength();

// Width, at radius r + 1, of the column at the middle of face 0 when a face
// side has n columns (n a power of two).
float columnChord(std::uint32_t r, std::uint32_t n);

// 2^(L(32*shell + 31) - 5): at least 1.
std::int32_t chunksPerSide(std::uint32_t shell);

// 32 >> (L(r | 31) - L(r)): 32 at the outer layer of every shell, halving
// inward at each radius where the level drops.
std::uint32_t columnsPerChunk(std::uint32_t r);

// World position of the chunk's centre: the face direction at the middle of
// the chunk times the radius of the middle of its shell.
Vec3 chunkCentre(const ChunkKey& key);

}  // namespace gravelkin
