// The two jobs a chunk factory serves, and the neighbour gathering that a mesh
// needs, as separate functions so that tests can run them on one thread.
//
// A Generate job builds a chunk's voxels and publishes it; a Mesh job gathers
// the chunk's six neighbours (four finer chunks where the next shell outward
// is divided twice as finely), meshes it and publishes the vertex buffer on
// it. Both end by clearing the request's in-flight mark, whatever their
// outcome.
//
// Threads: each factory thread runs the jobs with its own ChunkFactory and
// FactoryWorkspace; jobs of different threads run at once.
#pragma once

#include "factory/far_node_build.h"

#include <memory>

#include "factory/chunk.h"
#include "factory/chunk_pipeline.h"
#include "factory/chunk_request.h"
#include "factory/factory_host.h"
#include "geometry/neighbours.h"

namespace gravelkin {

class ChunkFactory;
struct ColumnDirectionCache;

// Owners of the direct neighbours, one per direction, that keep them alive
// while the chunk's raw `neighbours` pointers refer to them. Empty where the
// neighbour is four finer chunks.
struct NeighbourSlots {
    std::shared_ptr<Chunk> slot[directionCount];
};

// A factory thread's working state, kept from job to job.
struct FactoryWorkspace {
    FactoryWorkspace();
    // Emptied at the start of each mesh job (back to its initial buckets).
    void resetFineNeighbours();

    // The finer neighbours of the chunk being meshed; the entries of the last
    // mesh job stay alive until the next one (or the end of the thread).
    FineNeighbourMap fineNeighbours;
};

// Takes owners of the six neighbours of `chunk` from `host`, pointing
// chunk.neighbours at the direct ones and filling `fine` with the finer ones.
// False when one is missing; then the neighbour pointers are cleared again.
// Writes chunk.neighbours: only the thread that will mesh the chunk may call it.
bool gatherNeighbours(const FactoryHost& host, Chunk& chunk, NeighbourSlots& slots, FineNeighbourMap& fine);

// Meshes a chunk whose neighbours are gathered with the mesher of `pipeline`
// (mesher.h) into the calling thread's output, creates its vertex buffer on
// `device` and publishes it on the chunk (mesh_upload.h), then clears
// meshPending. A chunk with no face gets no buffer. False when the device
// could not create the buffer: the chunk then has nothing to draw, keeps
// meshPending set and counts the failure in bufferFailures, so that it may be
// meshed again. When a holding chunk is missing the mesher's
// std::out_of_range passes through, with nothing published and meshPending
// still set.
[[nodiscard]] bool meshGathered(Chunk& chunk, const FineNeighbourMap& fine, ColumnDirectionCache& cache, GraphicsDevice& device,
                  ChunkPipeline pipeline = ChunkPipeline::Fast);

// Builds the requested chunk and publishes it, unless the camera has moved so
// that its centre is beyond the view radius. A chunk whose voxel block cannot
// be allocated is published as a placeholder and reported to the host
// (skippedChunk in chunk_factory.h), so that the factory thread goes on.
void runGenerateJob(ChunkFactory& factory, FactoryHost& host, const ChunkRequest& request);

// Meshes the requested chunk, if it is still published, still unmeshed, and
// has all its neighbours.
void runMeshJob(ChunkFactory& factory, FactoryHost& host, FactoryWorkspace& workspace, const ChunkRequest& request);

// Pops one far-terrain node request, builds the node with `scratch` (made on
// first use) and hands it to the host. False when none was queued.
bool serveOneFarRequest(FactoryHost& host, std::unique_ptr<FarNodeScratch>& scratch);

// Pops one request and serves it. False when the queue was empty.
bool serveOneRequest(ChunkFactory& factory, FactoryHost& host, FactoryWorkspace& workspace);

}  // namespace gravelkin
