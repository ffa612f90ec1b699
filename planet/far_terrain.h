// Far terrain: the planet beyond the streaming radius, drawn by coarser
// nodes (geometry/far_node_key.h), out to the whole planet.
//
// Each manager pass walks the node tree from the roots (level farTopLevel)
// and decides, for every part of the planet in sight, which piece draws it:
// - a node of level k is fine enough from 2^k x viewRadius on (measured to
//   the nearest point of its bounding sphere): its voxels, 2^k times a
//   full-resolution voxel, look no larger there than one does at the
//   streaming radius. Nearer, its children (the nodes of level k - 1, or for
//   level 1 the chunks) should draw it; where they cannot (chunks exist only
//   within the streaming radius), it goes on drawing;
// - a piece is drawn only once it is built (a node) or meshed (a chunk); a
//   node stays drawn until all of its children are, and the children stay
//   until the node that replaces them is built, so streaming leaves no hole
//   where something was drawn and, once settled, every part of the planet
//   is drawn by exactly one piece;
// - nodes hidden behind the solid sphere of radius 288 (below the eye's
//   horizon) are neither built nor drawn;
// - nodes still missing are requested, coarsest level first and nearest
//   first within a level, so the whole planet shows at once and sharpens;
//   a node too coarse for its distance only if it is a root or of level 1;
//   at most three are built at once, so factories stay free for chunks, and
//   none is started while the manager holds them (holdJobs);
// - nodes the walk no longer reaches are dropped.
// A drawn node draws its main mesh, and each skirt (far_mesher.h) whose
// side does not meet a drawn node of its own level.
//
// Threads: the manager calls pass(); the factories beginJob and finishJob;
// the main thread drawList(); enable, enabled, idle and stats any thread.
// They meet at three mutexes, none held while another is taken: the node
// map's (factories insert, the manager reads and erases), the request
// queue's, and the draw list's (the manager installs a new list, the main
// thread takes a shared owner of the current one).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "camera/vector_math.h"
#include "factory/far_node.h"
#include "geometry/chunk_key.h"
#include "geometry/far_node_key.h"

namespace gravelkin {

struct FarDrawItem {
    std::shared_ptr<const FarNode> node;
    std::uint8_t skirtSides = 0;  // bit per Direction: skirts to draw
};

struct FarDrawList {
    std::vector<FarDrawItem> items;
    // Level-1 nodes whose region the chunks draw; a chunk of the far
    // terrain's shells outside them is left to the nodes.
    std::unordered_set<FarNodeKey, FarNodeKeyHasher> chunkRegions;
    std::uint32_t firstShell = 0;
    std::uint32_t lastShell = 0;
    Vec3 eye{};  // where the walk that made the list looked from

    // Whether the chunk should be drawn beside the nodes.
    bool drawsChunk(const ChunkKey& key) const;
};

struct FarTerrainStats {
    std::uint64_t nodesByLevel[farTopLevel + 1] = {};  // built nodes held, by level
    std::uint64_t drawnNodes = 0;
    std::uint64_t drawnFaces = 0;   // main meshes and the skirts drawn
    std::uint64_t deviceBytes = 0;  // every held node's vertex data
    std::uint64_t queued = 0;
    std::uint64_t built = 0;        // nodes built since start
};

class FarTerrain {
public:
    // The terrain lies in shells firstShell .. lastShell (others are all
    // solid or all air).
    // Built nodes charge their vertex bytes to `ledger`, if given.
    FarTerrain(float viewRadius, std::uint32_t firstShell, std::uint32_t lastShell, MemoryLedger* ledger = nullptr);

    void enable(bool on) { enabled_.store(on, std::memory_order_release); }
    bool enabled() const { return enabled_.load(std::memory_order_acquire); }

    // --- Manager thread. ---
    // One walk from `eye`; chunkReady says whether a chunk is published and
    // meshed. While disabled, drops every node, request and draw item.
    void pass(const Vec3& eye, const std::function<bool(const ChunkKey&)>& chunkReady);

    // The hand-over invariant over the current draw list, seen from where
    // its walk looked: no piece drawn inside another drawn piece (no region
    // drawn twice), and, when `settled`, every part of the planet in sight
    // drawn. Returns the
    // violations; the first of each kind is written to standard error.
    // Manager thread, after a pass (far_terrain_audit.cpp).
    std::uint64_t audit(const std::function<bool(const ChunkKey&)>& chunkReady, bool settled);

    // While held, factories start no node (those being built finish): the
    // camera's surroundings come first.
    void holdJobs(bool held) { held_.store(held, std::memory_order_release); }

    // --- Factory threads. ---
    bool beginJob(FarNodeKey& out);
    void finishJob(const FarNodeKey& key, std::unique_ptr<FarNode> node);

    // --- Main thread. ---
    // The current list (null while disabled or before the first pass).
    std::shared_ptr<const FarDrawList> drawList() const;

    // Nothing queued or being built, and a pass has run since enabling (or
    // far terrain is off).
    bool idle() const;
    FarTerrainStats stats() const;

private:
    struct Request {
        FarNodeKey key;
        std::uint8_t level;
        float distance;
    };
    struct Walk;

    bool visit(const FarNodeKey& key, Walk& walk);
    bool visitBuilt(const FarNodeKey& key, Walk& walk);
    // What is built of the node's children (or its chunks), drawn.
    bool visitBuiltBelow(const FarNodeKey& key, Walk& walk);
    bool chunksReady(const FarNodeKey& key, Walk& walk) const;
    const FarNodeSphere& sphereOf(const FarNodeKey& key);
    bool hidden(const FarNodeSphere& sphere, const Vec3& eye) const;
    std::shared_ptr<const FarNode> builtNode(const FarNodeKey& key) const;
    std::uint8_t skirtSides(const FarNodeKey& key, const std::unordered_set<FarNodeKey, FarNodeKeyHasher>& drawn) const;
    void clear();

    const float viewRadius_;
    const std::uint32_t firstShell_;
    const std::uint32_t lastShell_;
    MemoryLedger* const ledger_;
    std::atomic<bool> enabled_{false};
    std::atomic<bool> held_{false};

    // Manager thread only.
    std::unordered_map<FarNodeKey, FarNodeSphere, FarNodeKeyHasher> spheres_;
    std::unordered_map<FarNodeKey, std::uint64_t, FarNodeKeyHasher> failedAt_;  // pass of the last failure
    std::uint64_t passes_ = 0;
    bool wasEnabled_ = false;

    mutable std::mutex nodesMutex_;
    std::unordered_map<FarNodeKey, std::shared_ptr<const FarNode>, FarNodeKeyHasher> nodes_;
    std::vector<FarNodeKey> failedKeys_;  // nothing could be built; the manager takes them
    std::uint64_t built_ = 0;

    mutable std::mutex requestMutex_;
    std::vector<Request> queue_;  // most urgent last
    std::unordered_set<FarNodeKey, FarNodeKeyHasher> inFlight_;
    bool passedSinceEnable_ = false;

    mutable std::mutex drawMutex_;
    std::shared_ptr<const FarDrawList> drawList_;
};

}  // namespace gravelkin
