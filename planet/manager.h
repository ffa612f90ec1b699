// The manager's pass: which chunks the planet should hold around the camera.
//
// Each pass walks outward from the camera's chunk in eight octants (or
// replays the last walk while the camera stands still) and requests every
// missing chunk within viewRadius; drops chunks that have
// fallen beyond sqrt(1.3) x viewRadius (at most 64 a pass); asks for the mesh
// of every chunk whose neighbours are all present; rebuilds the draw list
// after more than 256 drops; and every 33rd pass re-sorts the waiting
// requests by the camera's new position.
//
// Near first (walk_ramp.cpp): when the camera arrives in a chunk not held
// (at the start, after a jump), the walk and the gap sweep reach only
// nearWalkRadius at first, and walkRampFactor times farther each pass, until
// they reach the radius in effect. A whole walk at radius 500 takes a few
// milliseconds, many more on two cores busy with the factories, and the
// meshes of the chunks it finds waiting are asked for only after it: near
// chunks then wait for the walk that requests far ones.
//
// The memory budget (manager_budget.cpp): "viewRadius" here is the radius in
// effect, which shrinks while the planet holds more than its budget (or more
// than maxHeldChunks chunks) and grows back where more fits
// (radius_control.h); requests stop for the rest of a pass once what the
// planet holds and is owed would pass the budget, and while over it up to
// 2048 chunks a pass are dropped.
//
// Failures to get memory are tried again after a delay that grows with each
// failure of the same chunk (retry_backoff.h): a placeholder within the
// radius (skippedChunk in factory/chunk_factory.h) is erased and its chunk
// requested anew; a chunk whose buffer could not be created (its
// bufferFailures count) gets its Mesh request again. A pass that leaves such
// a retry waiting is not quiet.
//
// Resident chunks. The pass needs every chunk in the planet's map, but a
// traversal of a tbb::concurrent_hash_map is not safe while the factories
// insert and find (a find may split a bucket under the traversal). So the
// manager never walks the map: addChunk hands every chunk it inserts to the
// manager, under drawListMutex, and the manager keeps them in its own list,
// `resident`, from which it also removes every chunk it erases. Since only
// the manager erases, `resident` is exactly the map's content, minus chunks
// published since the last hand-over, which the next pass picks up. No lock
// is added to the finds and inserts of the other threads.
//
// Threads: a Manager is used by one thread, the planet's manager thread, or a
// test driving passes by hand on a planet without threads; it reaches the
// planet only through the manager's side of its state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "planet/radius_control.h"

#include "factory/chunk.h"
#include "geometry/chunk_key.h"
#include "planet/known_chunk_keys.h"
#include "planet/planet_manager_side.h"
#include "planet/retry_backoff.h"
#include "planet/surroundings_watch.h"
#include "planet/walk_replay.h"

namespace gravelkin {

// One of the eight octants a pass walks around the camera's chunk: which way
// its rows, layers and columns run.
struct Octant {
    bool minusY;   // rows toward -y on the face, else +y
    bool outward;  // layers outward, else inward
    bool plusX;    // columns toward +x on the face, else -x
};

// The order a pass walks them in: the camera's own chunk belongs to the first
// alone (the skip rule in scan_octant.cpp).
inline constexpr Octant octantScanOrder[8] = {
    {true, true, true},  {false, true, true},  {true, false, true},  {true, true, false},
    {false, false, true}, {false, true, false}, {true, false, false}, {false, false, false},
};

// Steps per walk axis for a walk of `radius`: (radius truncated, shifted
// right by 5) + 1.
std::uint32_t walkLengthFor(float radius);

class Manager {
public:
    static constexpr float dropFactor = 1.3f;
    static constexpr std::size_t eraseBatchLimit = 64;
    // While the planet holds more than its memory budget, and until the
    // drops of a shrink of the radius it made are done: dropping the
    // farthest chunks is then what the pass is for.
    static constexpr std::size_t overBudgetEraseBatchLimit = 2048;
    // The most chunks the manager holds, whatever the budget: a radius of
    // thousands in open space holds millions of air chunks, cheap in memory
    // but each walked, mapped and looked up every pass. At the size of its
    // key table (about six times the start view's chunks).
    static constexpr std::size_t maxHeldChunks = KnownChunkKeys::capacity;
    static constexpr std::int32_t rebuildThreshold = 256;
    static constexpr std::int32_t reprioritiseInterval = 33;  // passes
    static constexpr std::uint32_t gapSweepInterval = 16;     // passes, at least, between gap sweeps
    // The first walk around a camera with nothing held: the surroundings a
    // user sees first (100 units) and their neighbours. Each pass then walks
    // walkRampFactor times farther.
    static constexpr float nearWalkRadius = 160.0f;
    static constexpr float walkRampFactor = 1.5f;
    // The most passes the ramp waits at nearWalkRadius for the surroundings'
    // meshes: a chunk there whose buffer keeps failing holds it no longer.
    static constexpr std::uint32_t maxRampHoldPasses = 16;

    explicit Manager(PlanetManagerSide state);

    // One whole pass, without the sleep that follows it.
    void pass();

    // Requests the missing chunks within viewRadius in one octant around the
    // camera's chunk. See scan_octant.cpp.
    void scanOctant(const Octant& octant);

    // The eight octants' walks, or their replay when the camera has not moved
    // since the last walk (walk_replay.h).
    void walk();

    // Requests every missing chunk within viewRadius that the octant walk
    // missed: a flood fill from the camera's chunk. See sweep_gaps.cpp.
    void sweepGaps();

    // Takes over the chunks published since the last call.
    void takeOverPublished();

    // Chooses far chunks for erasure (into the erase batch) and requests the
    // meshes of near chunks whose neighbours are all present; a far chunk
    // gets no mesh. While the camera stands where the last pass over every
    // resident chunk left it, distances have not changed: only the far
    // chunks the erase batches have not taken yet, the chunks that arrived
    // since and those still waiting for a mesh are looked at. (After a jump
    // ten thousand chunks go, 64 a pass: each pass looked at every resident
    // chunk until the last had gone.)
    void mapPass(float dropThreshold);

    // Erases every placeholder within viewRadius whose retry delay is over,
    // and requests its chunk again.
    void retrySkippedChunks();

    // Erases the batch from the map, counting the erasures.
    void eraseStep();

    // Replaces the draw list by the keys of every resident chunk.
    void rebuildDrawList();

    // Pops every waiting request and requests it again with its squared
    // distance from the camera's position now.
    void reprioritise();

    // Steps per walk axis: (viewRadius truncated, shifted right by 5) + 1.
    std::uint32_t walkLength() const;

    // How far this pass's walk and gap sweep reach: the radius in effect, or
    // less while the walk ramps out from the camera (walk_ramp.cpp).
    float walkRadius() const;
    // Whether the walk is still ramping out from the camera.
    bool walkRamping() const { return rampRadius_ != 0.0f; }
    // Whether every chunk within surroundingsRadius of the camera is present
    // and meshed (or needs no mesh).
    bool surroundingsMeshed();

    // Checks the invariants that tie the resident chunks to the map and the
    // draw list, adding one audit and the violations found to the counters
    // (manager_audit.cpp). Between passes, on the manager's thread.
    void audit();

    const std::vector<ChunkKey>& eraseBatch() const { return eraseBatch_; }
    std::int32_t eraseCount() const { return eraseCount_; }
    std::int32_t passCount() const { return passCount_; }
    std::size_t residentCount() const { return resident_.size(); }
    // The keys waiting to be tried again: placeholders, and chunks whose
    // buffer could not be created.
    const RetryBackoff& skippedRetries() const { return skippedRetries_; }
    const RetryBackoff& meshRetries() const { return meshRetries_; }

private:
    // What one pass did; decides whether it was quiet.
    struct PassTally {
        std::uint64_t generateRequests = 0;
        std::uint64_t meshRequests = 0;
        std::uint64_t erased = 0;
        std::uint64_t sweptRequests = 0;  // of generateRequests, made by the gap sweep
        std::uint64_t chunkRetries = 0;   // placeholders erased to be built again
        std::uint64_t meshRetries = 0;    // of meshRequests, after a failed buffer
        std::uint64_t retriesWaiting = 0; // retries whose delay is not over yet
    };

    // Sweeps for gaps when the camera has moved since the last sweep and
    // gapSweepInterval passes have gone by; true while a sweep is owed.
    bool sweepIfDue();

    // Shrinks or grows the radius in effect against the memory budget,
    // before the walk.
    void controlRadius();
    // Starts the walk's ramp where the camera's own chunk is not held, or
    // widens it by a step; before the walk.
    void rampWalk();
    // What the planet holds plus what the requests not yet served will
    // bring, at ownedBytesPerRequest each.
    std::uint64_t memoryOwed() const;
    // Whether one more chunk may be requested: the memory owed fits the
    // budget. Once it does not, the pass requests no more chunks.
    bool requestFits();
    // The radius within which the resident chunks, nearest first, hold
    // fitShareOfBudget of the budget with whatever else the planet holds.
    float fitRadius(const RadiusInputs& in) const;

    PlanetManagerSide state_;
    RadiusControl radiusControl_;
    bool budgetReported_ = false;
    bool requestsStopped_ = false;  // this pass found the budget full
    bool shrinkDropsOwed_ = false;  // the radius shrank; its drops are not all done
    std::size_t eraseLimit_ = eraseBatchLimit;
    std::vector<ChunkKey> eraseBatch_;
    std::int32_t eraseCount_ = 0;  // erasures since the last rebuild
    std::int32_t passCount_ = 0;   // drives reprioritise
    std::uint64_t passNumber_ = 0; // passes begun: the retries' clock
    std::uint64_t quietPasses_ = 0;
    PassTally tally_;
    // Adds a chunk handed over by addChunk to resident_ and known_, noting a
    // placeholder as one more failure of its key.
    void hold(std::shared_ptr<Chunk> chunk);
    // Forgets the retries of keys that no longer wait for one.
    void pruneRetries();
    // Erases the chunk of `key` from the map, counting the erasure, and lets
    // the manager's own hold of it go.
    void release(const ChunkKey& key);
    // What mapPass's look at one chunk found.
    enum class MapLook {
        Near,
        Dropped,  // far, and in the erase batch
        DropLeft, // far, but the batch is full or the chunk is in flight
    };
    // mapPass's look at one chunk: whether it is far; a near one waiting for
    // its mesh is requested when it may be.
    // A near chunk whose mesh waits for a neighbour gets that neighbour's
    // key in `missing`, where given.
    MapLook mapChunk(const ChunkKey& key, const Chunk& chunk, float dropThreshold,
                     std::optional<ChunkKey>* missing = nullptr);
    // Whether every far chunk the last whole look found is in an erase batch
    // by now, and that look stands for where the camera is.
    bool dropsDone() const { return mappedWhole_ && dropsLeft_.empty(); }

    std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher> resident_;
    // Keys whose chunk was published as a placeholder, kept while it is
    // erased and built again, so that each further failure waits longer; and
    // chunks whose buffer could not be created, by their own count.
    RetryBackoff skippedRetries_;
    RetryBackoff meshRetries_;
    std::vector<std::shared_ptr<Chunk>> handedOver_;  // reused between passes
    // Holds the same keys as resident_ (marked held), and the centres the
    // walk has needed.
    KnownChunkKeys known_;
    // mapPass's memory: where the camera stood at the last pass over every
    // resident chunk, whether that look still stands (the camera and the
    // radius unchanged since), the far chunks not yet in an erase batch, the
    // chunks that arrived since, and the near chunks still waiting for their
    // meshes (some may have been meshed since).
    Vec3 mappedAt_{};
    bool mappedWhole_ = false;
    std::vector<ChunkKey> dropsLeft_;
    std::vector<ChunkKey> arrived_;
    struct AwaitingMesh {
        ChunkKey key;
        std::optional<ChunkKey> missing;  // the neighbour the last look missed
    };
    std::vector<AwaitingMesh> awaitingMesh_;
    // The last walk from a position, while walk() records or replays it.
    WalkReplay replay_;
    // Reused by scanOctant between calls.
    std::vector<ChunkKey> frontier_;
    std::vector<ChunkKey> next_;
    // The gap sweep's state: its number (marks in known_), where the camera
    // was, passes since, and its queue, reused.
    std::uint32_t sweepNumber_ = 0;
    Vec3 sweptAt_{};
    bool sweepOwed_ = true;
    std::uint32_t passesSinceSweep_ = gapSweepInterval;
    std::vector<ChunkKey> sweepQueue_;
    bool rampSweepOwed_ = false;  // the walk's ramp has stepped since the last sweep
    // The walk's reach while it ramps out; 0 once it reaches the radius. The
    // ramp started last in the camera's chunk rampStart_.
    float rampRadius_ = 0.0f;
    std::optional<ChunkKey> rampStart_;
    std::uint32_t rampHeldPasses_ = 0;
    // Chunks have gone in hundreds since the heap was last trimmed; owed
    // since that pass.
    bool trimOwed_ = false;
    std::uint64_t trimOwedSince_ = 0;
    SurroundingsWatch surroundings_;
};

// The manager thread body: passes, 10 ms apart, until the stop flag is seen;
// after a pass, an audit when one has been asked for (auditRequested).
void runManager(PlanetManagerSide state);

// The far terrain's pass (far_terrain.h) from the camera, after the chunks'
// pass: a chunk counts as drawn once it is published and meshed. Node jobs
// are held while chunk work waits (or the manager's walk ramps out) and the
// camera's surroundings are not yet meshed (surroundings_watch.h).
void passFarTerrain(PlanetManagerSide& state, Manager& manager);
// The far terrain's audit (FarTerrain::audit), settled when the planet is
// idle; its violations join the audit's count.
void auditFarTerrain(PlanetManagerSide& state);

}  // namespace gravelkin
