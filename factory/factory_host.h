// What a chunk factory needs of the world it builds for, and nothing more:
// the next request, the published chunks, publishing, the stop flag, the
// streaming radius, the camera position, the generator and the device. The
// planet implements it; tests implement it with a few lines of their own.
//
// Threads: every member may be called by several factory threads at once.
#pragma once

#include "factory/far_node.h"

#include <memory>

#include "camera/vector_math.h"
#include "factory/chunk.h"
#include "factory/chunk_request.h"
#include "device/graphics_device.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

class FactoryHost {
public:
    // Set once the factories are to leave their loops (acquire).
    virtual bool stopRequested() const = 0;

    // Counts a job as started and pops the most urgent request into `out`.
    // False when nothing was queued; the job is then not counted. A job that
    // started is counted until endJob, so that "nothing queued, nothing in
    // flight, no job running" never misses a request between the queue and
    // its job.
    virtual bool beginJob(ChunkRequest& out) = 0;
    virtual void endJob() = 0;

    // Clears the in-flight mark of a request whose job has ended, whatever
    // its outcome, so that the key may be requested again; `end` says
    // whether the key's chunk is left in the chunk map.
    virtual void finishRequest(const ChunkKey& key, JobEnd end) = 0;

    // A shared owner of the published chunk under `key`, or null.
    virtual std::shared_ptr<Chunk> findChunk(const ChunkKey& key) const = 0;

    // Publishes a finished chunk; ownership passes whatever the result. False
    // when a chunk with that key was already published (the one passed in is
    // then destroyed before the call returns).
    virtual bool publish(std::unique_ptr<Chunk> chunk) = 0;

    // Counts a chunk whose voxels could not be allocated and that is
    // published as a placeholder (skippedChunk in chunk_factory.h). Called
    // once per placeholder.
    virtual void reportSkippedChunk(const ChunkKey& key) = 0;

    // Counts a chunk whose vertex buffer the device could not create; it
    // stays without a mesh until a later mesh job succeeds. Called once per
    // failure.
    virtual void reportFailedBuffer(const ChunkKey& key) = 0;

    // Chunks whose centres lie within this distance of the camera are built.
    virtual float viewRadius() const = 0;
    virtual Vec3 cameraPosition() const = 0;

    // Far terrain, for hosts that have it. beginFarJob pops the most urgent
    // node request into `out` and counts the job as running until
    // finishFarJob, which hands over what was built (null where nothing
    // could be); false when none is queued. A host without far terrain never
    // has one.
    virtual bool beginFarJob(FarNodeKey& /*out*/) { return false; }
    // Where built chunks charge their memory; null: nowhere.
    virtual MemoryLedger* memoryLedger() { return nullptr; }
    virtual void finishFarJob(const FarNodeKey& /*key*/, std::unique_ptr<FarNode> /*node*/) {}

    virtual const TerrainGeneratorBase& generator() const = 0;
    virtual GraphicsDevice& device() const = 0;

protected:
    ~FactoryHost() = default;
};

}  // namespace gravelkin
