// The mesher: one chunk's voxels and its neighbours in, the faces of its
// blocky mesh out (device/chunk_faces.h). Nothing here touches a graphics
// device or publishes anything on the chunk: the caller uploads the faces and
// publishes them (factory_jobs.h, mesh_upload.h).
//
// The mesh: every solid voxel (density < 0, or NaN) is a curved box on the
// sphere, and each of its sides whose neighbouring voxel is not solid
// (density >= 0, or NaN) becomes one face: four corner records and the side
// (mesh_expansion.h).
// Faces come layer by layer from the outermost inwards, i-major, j-minor, and
// per voxel in the order of allDirections (geometry/neighbours.h). The
// outward sides of a layer below a level step (the layer above is divided
// more finely) are always drawn.
//
// Two meshers give the same faces, bit for bit: meshChunk, the fast
// one the factory threads run, and meshChunkReference, the plain one it is
// tested and measured against.
//
// Threads: may be called from several threads at once, each with its own
// cache and output, while no one writes the voxels of the chunk or of its
// neighbours.
#pragma once

#include <cstdint>
#include <vector>

#include "factory/chunk.h"
#include "factory/mesher/mesh_scratch.h"
#include "geometry/column_direction_cache.h"
#include "geometry/neighbours.h"
#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

struct MesherInput {
    // The chunk meshed: its key and voxels. chunk.neighbours[d] is the one
    // chunk across side d, or null where four finer chunks lie across it;
    // those are then entries of *chunk.fineNeighbours.
    const Chunk& chunk;
    // Reset for chunk.key with columnOffset 0.0 (column corners); left at the
    // grid of the chunk's innermost layer.
    ColumnDirectionCache& cache;
};

// Where the mesh goes. A caller keeps one output per thread and reuses it
// (threadMesherOutput): its memory stays from one chunk to the next, so that
// the faces go into pages that are already mapped and warm.
struct MesherOutput {
    // The faces of the last call; none when it has no face or the call threw.
    // Valid until the next call or trim().
    ChunkFaces faces;

    // What the faces point into: the fast mesher's working memory and face
    // arrays, and the reference mesher's face arrays.
    MeshScratch scratch;
    std::vector<ChunkVertex> referenceCorners;
    std::vector<Direction> referenceSides;

    // Once the faces are used: gives back the reference mesher's arrays and
    // fast arrays larger than MeshScratch::keptFaces, so that an idle thread
    // does not sit on them; forgets the mesh.
    void trim();
};

// Meshes input.chunk into output, the fast way: whole rows of voxels at a
// time (solid_masks.h, visible_sides.h), faces written straight into
// output.scratch (face_writer.h).
// Throws std::out_of_range (missingHoldingChunkText, neighbour_voxel.h) when
// a voxel whose side needs its neighbour lies in no chunk the input holds.
void meshChunk(const MesherInput& input, MesherOutput& output);

// The same mesh, bit for bit, and the same error, the plain way: every solid
// voxel asks for each of its six neighbours, the faces are gathered, then
// expanded into output.referenceCorners and output.referenceSides.
void meshChunkReference(const MesherInput& input, MesherOutput& output);

// The calling thread's output, made on first use and kept until the thread
// ends.
MesherOutput& threadMesherOutput();

}  // namespace gravelkin
