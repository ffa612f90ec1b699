// The chunk factory's worker loop and its two jobs.

#include <chrono>
#include <thread>

#include "camera/distance.h"
#include "factory/chunk_factory.h"
#include "factory/factory_jobs.h"
#include "factory/mesh_upload.h"
#include "factory/mesher/mesher.h"
#include "factory/thread_priority.h"
#include "factory/mesher/voxel_sides.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"

namespace gravelkin {

namespace {

constexpr auto emptyQueuePoll = std::chrono::milliseconds(1);
// Below the renderer, above the manager.
constexpr int factoryNiceIncrement = 1;
constexpr std::size_t fineNeighbourBuckets = 8;

}  // namespace

FactoryWorkspace::FactoryWorkspace() : fineNeighbours(fineNeighbourBuckets) {
    fineNeighbours.max_load_factor(1.0f);
}

void FactoryWorkspace::resetFineNeighbours() {
    // Only an outward step can split, so a job keeps at most four entries:
    // the map never outgrows its first buckets, and clear() leaves it as new.
    fineNeighbours.clear();
}

bool gatherNeighbours(const FactoryHost& host, Chunk& chunk, NeighbourSlots& slots, FineNeighbourMap& fine) {
    for (const Direction side : allDirections) {
        const NeighbourStep<ChunkKey> step = chunkNeighbour(chunk.key, side);
        bool found = true;
        if (step.split) {
            for (const ChunkKey& key : fineKeysFrom(step.address).keys) {
                std::shared_ptr<Chunk> neighbour = host.findChunk(key);
                if (!neighbour) {
                    found = false;
                    break;
                }
                fine.emplace(key, std::move(neighbour));  // an existing entry stays
            }
            chunk.neighbours[side] = nullptr;  // the mesher looks in `fine` instead
        } else if (std::shared_ptr<Chunk> neighbour = host.findChunk(step.address)) {
            chunk.neighbours[side] = neighbour.get();
            slots.slot[side] = std::move(neighbour);
        } else {
            found = false;
        }
        if (!found) {
            // The slots that kept the pointers valid go at the end of the job:
            // leave no pointer behind that could outlive them.
            for (Chunk*& pointer : chunk.neighbours) pointer = nullptr;
            return false;
        }
    }
    return true;
}

bool meshGathered(Chunk& chunk, const FineNeighbourMap& fine, ColumnDirectionCache& cache, GraphicsDevice& device,
                  ChunkPipeline pipeline) {
    chunk.fineNeighbours = &fine;
    resetForChunk(cache, chunk.key);
    cache.columnOffset = 0.0f;  // the mesher places column corners
    MesherOutput& output = threadMesherOutput();
    const MesherInput input{chunk, cache};
    if (pipeline == ChunkPipeline::Reference) {
        meshChunkReference(input, output);
    } else {
        meshChunk(input, output);
    }
    // Uploaded straight from the output's memory, which the thread keeps.
    const bool published = output.faces.count == 0 || publishMesh(chunk, device, output.faces);
    output.trim();
    // Without its buffer the chunk still wants a mesh: the manager asks again
    // after a delay that grows with the count.
    if (published) {
        chunk.meshedAt = stampNow();
        chunk.meshPending.store(false, std::memory_order_release);
    } else {
        chunk.bufferFailures.fetch_add(1, std::memory_order_release);
    }
    chunk.fineNeighbours = nullptr;
    return published;
}

void runGenerateJob(ChunkFactory& factory, FactoryHost& host, const ChunkRequest& request) {
    const float radius = host.viewRadius();
    bool published = false;
    // The camera may have moved since the request: a chunk exactly at the
    // radius is still built, one beyond it is dropped, and the manager asks
    // again if it comes back into range.
    if (distanceSquared(host.cameraPosition(), chunkCentre(request.key)) <= radius * radius) {
        // No check for a published chunk first: the in-flight mark keeps the
        // manager from requesting the key twice, and publish rejects a
        // duplicate anyway.
        // A chunk without memory for its voxels becomes a placeholder, counted
        // once; with no memory even for that, nothing is published and the
        // manager asks again on a later pass.
        std::unique_ptr<Chunk> chunk = factory.buildChunkOrPlaceholder(request.key, host.generator());
        if (chunk && isSkippedChunk(*chunk)) host.reportSkippedChunk(request.key);
        if (chunk && host.memoryLedger() != nullptr) chunk->chargeTo(*host.memoryLedger());
        if (chunk) published = host.publish(std::move(chunk));
    }
    host.finishRequest(request.key, published ? JobEnd::ChunkInMap : JobEnd::NoChunk);
}

void runMeshJob(ChunkFactory& factory, FactoryHost& host, FactoryWorkspace& workspace, const ChunkRequest& request) {
    // meshPending is re-checked here: a second Mesh request can reach us after
    // an earlier job meshed the chunk (the manager read the flag just before
    // that job ended). A chunk has at most one request queued or in progress
    // at a time, since the manager requests only keys not in flight and a key
    // stays in flight until its job ends; so two jobs never mesh the same
    // chunk at once, and this check keeps them from meshing it one after the
    // other.
    std::shared_ptr<Chunk> chunk = host.findChunk(request.key);
    const JobEnd end = chunk ? JobEnd::ChunkInMap : JobEnd::NoChunk;
    if (chunk && !chunk->meshPending.load(std::memory_order_acquire)) chunk.reset();
    NeighbourSlots slots;
    if (chunk) {
        workspace.resetFineNeighbours();
        if (gatherNeighbours(host, *chunk, slots, workspace.fineNeighbours) &&
            !meshGathered(*chunk, workspace.fineNeighbours, factory.cache, host.device(), factory.pipeline)) {
            host.reportFailedBuffer(request.key);
        }
        // A failed gathering or buffer creation leaves meshPending set: the
        // manager asks again once it finds every neighbour present, and after
        // a failed creation only once the chunk's retry delay is over.
    }
    host.finishRequest(request.key, end);
    // The slots and our owner of the chunk go after the mark, as the scope
    // ends; the chunk is destroyed here if the manager erased it meanwhile.
}

bool serveOneRequest(ChunkFactory& factory, FactoryHost& host, FactoryWorkspace& workspace) {
    ChunkRequest request;
    if (!host.beginJob(request)) return false;
    if (request.kind == RequestKind::Mesh) {
        runMeshJob(factory, host, workspace, request);
    } else {
        runGenerateJob(factory, host, request);
    }
    host.endJob();
    return true;
}

bool serveOneFarRequest(FactoryHost& host, std::unique_ptr<FarNodeScratch>& scratch) {
    FarNodeKey key;
    if (!host.beginFarJob(key)) return false;
    std::unique_ptr<FarNode> node;
    try {
        if (!scratch) scratch = std::make_unique<FarNodeScratch>();
        node = buildFarNode(key, host.generator(), host.device(), *scratch);
    } catch (const std::bad_alloc&) {
        // Out of memory for one node: the far terrain goes without it and the
        // manager may ask again; the chunks near the camera come first.
        node.reset();
    }
    host.finishFarJob(key, std::move(node));
    return true;
}

void ChunkFactory::run(FactoryHost& host) {
    lowerCurrentThreadPriority(factoryNiceIncrement);
    FactoryWorkspace workspace;
    std::unique_ptr<FarNodeScratch> farScratch;
    // Chunk requests first: a node is built only when no chunk waits.
    while (!host.stopRequested()) {
        if (serveOneRequest(*this, host, workspace)) continue;
        if (!serveOneFarRequest(host, farScratch)) std::this_thread::sleep_for(emptyQueuePoll);
    }
    // The workspace goes as the thread ends, releasing the finer neighbours
    // the last mesh job kept.
}

}  // namespace gravelkin
