#include "planet/far_terrain.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace gravelkin {

namespace {

// The solid sphere that terrain either is or covers: what hides a node.
constexpr double horizonSphereRadius = 288.0;
// Nodes built at once, at most: fewer than the factories.
constexpr std::size_t maxConcurrentJobs = 3;
// A key that nothing could be built for is asked for again after this many
// passes (about a second), not on every pass.
constexpr std::uint64_t retryPasses = 100;

constexpr std::uint8_t bit(Direction side) { return static_cast<std::uint8_t>(1u << side); }

}  // namespace

bool FarDrawList::drawsChunk(const ChunkKey& key) const {
    if (key.shell < (firstShell & ~1u) || key.shell > (lastShell | 1u)) return true;
    return chunkRegions.count(farNodeOfChunk(key)) != 0;
}

struct FarTerrain::Walk {
    Vec3 eye;
    const std::function<bool(const ChunkKey&)>* chunkReady;
    FarDrawList* list;
    std::vector<Request> requests;
    std::unordered_set<FarNodeKey, FarNodeKeyHasher> reached;  // kept in memory
    std::unordered_set<FarNodeKey, FarNodeKeyHasher> drawn;
};

FarTerrain::FarTerrain(float viewRadius, std::uint32_t firstShell, std::uint32_t lastShell, MemoryLedger* ledger)
    : viewRadius_(viewRadius), firstShell_(firstShell), lastShell_(lastShell), ledger_(ledger) {}

const FarNodeSphere& FarTerrain::sphereOf(const FarNodeKey& key) {
    auto found = spheres_.find(key);
    if (found == spheres_.end()) found = spheres_.emplace(key, farNodeSphere(key)).first;
    return found->second;
}

bool FarTerrain::hidden(const FarNodeSphere& sphere, const Vec3& eye) const {
    // Hidden when the whole bounding sphere lies inside the cone of sight
    // lines that meet the solid sphere, and no nearer than the farthest
    // point where such a line first meets it (the tangent length).
    const double ex = eye.x, ey = eye.y, ez = eye.z;
    const double eyeDistance = std::sqrt(ex * ex + ey * ey + ez * ez);
    if (eyeDistance <= horizonSphereRadius) return false;
    const double wx = sphere.centre.x - ex, wy = sphere.centre.y - ey, wz = sphere.centre.z - ez;
    const double distance = std::sqrt(wx * wx + wy * wy + wz * wz);
    const double tangent = std::sqrt(eyeDistance * eyeDistance - horizonSphereRadius * horizonSphereRadius);
    if (distance - sphere.radius < tangent || sphere.radius >= distance) return false;
    const double cosine = -(wx * ex + wy * ey + wz * ez) / (distance * eyeDistance);
    const double towardCentre = std::acos(std::clamp(cosine, -1.0, 1.0));
    const double coneHalfAngle = std::asin(horizonSphereRadius / eyeDistance);
    return towardCentre + std::asin(sphere.radius / distance) <= coneHalfAngle;
}

std::shared_ptr<const FarNode> FarTerrain::builtNode(const FarNodeKey& key) const {
    std::lock_guard<std::mutex> lock(nodesMutex_);
    const auto found = nodes_.find(key);
    if (found == nodes_.end() || found->second->incomplete) return nullptr;
    return found->second;
}

bool FarTerrain::chunksReady(const FarNodeKey& key, Walk& walk) const {
    for (const ChunkKey& chunk : farNodeChunks(key)) {
        if (!(*walk.chunkReady)(chunk)) return false;
    }
    return true;
}

// Whether the node's region is wholly drawn by what this visit put in the
// walk; requests what is missing.
bool FarTerrain::visit(const FarNodeKey& key, Walk& walk) {
    if (!farNodeOverlapsShells(key, firstShell_, lastShell_)) return true;
    const FarNodeSphere& sphere = sphereOf(key);
    if (hidden(sphere, walk.eye)) return true;
    walk.reached.insert(key);

    const Vec3 offset = sphere.centre - walk.eye;
    const float nearest = std::sqrt(dot3(offset, offset)) - sphere.radius;
    const float fineEnoughFrom = static_cast<float>(1u << key.level) * viewRadius_;
    const std::shared_ptr<const FarNode> node = builtNode(key);
    const auto requestThis = [&] {
        walk.requests.push_back({key, key.level, std::max(0.0f, nearest)});
    };

    if (nearest < fineEnoughFrom) {
        // The finer pieces should draw it: they go in a list of their own,
        // kept only if they cover it or nothing else can.
        FarDrawList finer;
        std::unordered_set<FarNodeKey, FarNodeKeyHasher> finerDrawn;
        FarDrawList* outer = walk.list;
        walk.list = &finer;
        std::swap(walk.drawn, finerDrawn);
        bool covered = true;
        if (key.level == 1) {
            covered = chunksReady(key, walk);
            finer.chunkRegions.insert(key);
        } else {
            for (const FarNodeKey& child : farNodeChildren(key)) covered = visit(child, walk) && covered;
        }
        walk.list = outer;
        std::swap(walk.drawn, finerDrawn);
        if (covered || !node) {
            for (FarDrawItem& item : finer.items) walk.list->items.push_back(std::move(item));
            walk.list->chunkRegions.insert(finer.chunkRegions.begin(), finer.chunkRegions.end());
            walk.drawn.insert(finerDrawn.begin(), finerDrawn.end());
            // Where a node is too coarse, only a root (which shows the
            // planet at once) or a level-1 node (the chunks stream to R only,
            // so they may never cover it) is built: a level in between would
            // be built only to be replaced.
            if (!covered && (key.level == farTopLevel || key.level == 1)) requestThis();
            return covered;
        }
        walk.list->items.push_back({node, 0});
        walk.drawn.insert(key);
        return true;
    }

    if (node) {
        walk.list->items.push_back({node, 0});
        walk.drawn.insert(key);
        return true;
    }
    requestThis();
    // Until it comes, what is built below it stays.
    return visitBuiltBelow(key, walk);
}

bool FarTerrain::visitBuiltBelow(const FarNodeKey& key, Walk& walk) {
    if (key.level == 1) {
        walk.list->chunkRegions.insert(key);
        return chunksReady(key, walk);
    }
    bool covered = true;
    for (const FarNodeKey& child : farNodeChildren(key)) covered = visitBuilt(child, walk) && covered;
    return covered;
}

// Draws what is already built of the node's region, requesting nothing.
bool FarTerrain::visitBuilt(const FarNodeKey& key, Walk& walk) {
    if (!farNodeOverlapsShells(key, firstShell_, lastShell_)) return true;
    const FarNodeSphere& sphere = sphereOf(key);
    if (hidden(sphere, walk.eye)) return true;
    if (std::shared_ptr<const FarNode> node = builtNode(key)) {
        walk.reached.insert(key);
        walk.list->items.push_back({std::move(node), 0});
        walk.drawn.insert(key);
        return true;
    }
    return visitBuiltBelow(key, walk);
}

std::uint8_t FarTerrain::skirtSides(const FarNodeKey& key,
                                    const std::unordered_set<FarNodeKey, FarNodeKeyHasher>& drawn) const {
    std::uint8_t sides = 0;
    for (const Direction side : {PlusY, MinusY, MinusX, PlusX}) {
        const FarNodeStep step = farNodeNeighbour(key, side);
        if (!step.sameGrid || drawn.count(step.key) == 0) sides |= bit(side);
    }
    // Above: every square of the band above that lies over this one.
    const std::uint32_t m = farNodeGrid(key.level, key.band);
    const std::uint32_t above = farNodeGrid(key.level, key.band + 1);
    bool aboveDrawn = true;
    if (above >= m) {
        const std::uint32_t ratio = above / m;
        for (std::uint32_t x = key.x * ratio; x < (key.x + 1) * ratio && aboveDrawn; ++x) {
            for (std::uint32_t y = key.y * ratio; y < (key.y + 1) * ratio && aboveDrawn; ++y) {
                aboveDrawn = drawn.count({x, key.band + 1, y, key.face, key.level}) != 0;
            }
        }
    } else {
        aboveDrawn = false;
    }
    if (!aboveDrawn) sides |= bit(Outward);
    return sides;
}

void FarTerrain::clear() {
    {
        std::lock_guard<std::mutex> lock(requestMutex_);
        queue_.clear();
        passedSinceEnable_ = false;
    }
    {
        std::lock_guard<std::mutex> lock(drawMutex_);
        drawList_.reset();
    }
    std::unordered_map<FarNodeKey, std::shared_ptr<const FarNode>, FarNodeKeyHasher> dropped;
    {
        std::lock_guard<std::mutex> lock(nodesMutex_);
        dropped.swap(nodes_);
        failedKeys_.clear();
    }
    failedAt_.clear();
}

void FarTerrain::pass(const Vec3& eye, const std::function<bool(const ChunkKey&)>& chunkReady) {
    ++passes_;
    if (!enabled()) {
        if (wasEnabled_) clear();
        wasEnabled_ = false;
        return;
    }
    wasEnabled_ = true;

    auto list = std::make_shared<FarDrawList>();
    list->firstShell = firstShell_;
    list->lastShell = lastShell_;
    list->eye = eye;
    Walk walk{eye, &chunkReady, list.get(), {}, {}, {}};
    for (const FarNodeKey& root : farRootNodes(firstShell_, lastShell_)) visit(root, walk);
    for (FarDrawItem& item : list->items) item.skirtSides = skirtSides(item.node->key, walk.drawn);

    std::vector<std::shared_ptr<const FarNode>> dropped;
    {
        std::lock_guard<std::mutex> lock(nodesMutex_);
        for (const FarNodeKey& key : failedKeys_) failedAt_[key] = passes_;
        failedKeys_.clear();
        for (auto it = nodes_.begin(); it != nodes_.end();) {
            if (walk.reached.count(it->first) == 0) {
                dropped.push_back(std::move(it->second));
                it = nodes_.erase(it);
            } else {
                ++it;
            }
        }
    }
    {
        std::lock_guard<std::mutex> lock(drawMutex_);
        drawList_ = std::move(list);
    }

    std::vector<Request> wanted;
    wanted.reserve(walk.requests.size());
    for (const Request& request : walk.requests) {
        const auto failed = failedAt_.find(request.key);
        if (failed != failedAt_.end()) {
            if (passes_ - failed->second < retryPasses) continue;
            failedAt_.erase(failed);
        }
        wanted.push_back(request);
    }
    // Most urgent last: coarsest level first, then nearest.
    std::sort(wanted.begin(), wanted.end(), [](const Request& a, const Request& b) {
        return std::tie(a.level, b.distance) < std::tie(b.level, a.distance);
    });
    std::lock_guard<std::mutex> lock(requestMutex_);
    queue_.clear();
    for (const Request& request : wanted) {
        if (inFlight_.count(request.key) == 0) queue_.push_back(request);
    }
    passedSinceEnable_ = true;
    // `dropped` releases the nodes' buffers here, outside every lock.
}

bool FarTerrain::beginJob(FarNodeKey& out) {
    if (!enabled() || held_.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> lock(requestMutex_);
    // The other factories stay free for the chunk requests that come while
    // nodes are built: a node takes about as long as a chunk.
    if (inFlight_.size() >= maxConcurrentJobs) return false;
    while (!queue_.empty()) {
        const Request request = queue_.back();
        queue_.pop_back();
        if (!inFlight_.insert(request.key).second) continue;
        out = request.key;
        return true;
    }
    return false;
}

void FarTerrain::finishJob(const FarNodeKey& key, std::unique_ptr<FarNode> node) {
    if (node && ledger_ != nullptr) node->chargeTo(*ledger_);
    std::shared_ptr<const FarNode> replaced;
    {
        std::lock_guard<std::mutex> lock(nodesMutex_);
        if (node && enabled()) {
            ++built_;
            std::shared_ptr<const FarNode>& slot = nodes_[key];
            replaced = std::move(slot);
            slot = std::move(node);
            if (slot->incomplete) failedKeys_.push_back(key);
        } else {
            failedKeys_.push_back(key);
        }
    }
    std::lock_guard<std::mutex> lock(requestMutex_);
    inFlight_.erase(key);
}

std::shared_ptr<const FarDrawList> FarTerrain::drawList() const {
    if (!enabled()) return nullptr;
    std::lock_guard<std::mutex> lock(drawMutex_);
    return drawList_;
}

bool FarTerrain::idle() const {
    if (!enabled()) return true;
    std::lock_guard<std::mutex> lock(requestMutex_);
    return passedSinceEnable_ && queue_.empty() && inFlight_.empty();
}

FarTerrainStats FarTerrain::stats() const {
    FarTerrainStats stats;
    {
        std::lock_guard<std::mutex> lock(nodesMutex_);
        for (const auto& [key, node] : nodes_) {
            if (key.level <= farTopLevel) ++stats.nodesByLevel[key.level];
            stats.deviceBytes += node->deviceBytes();
        }
        stats.built = built_;
    }
    {
        std::lock_guard<std::mutex> lock(requestMutex_);
        stats.queued = queue_.size();
    }
    if (const std::shared_ptr<const FarDrawList> list = drawList()) {
        stats.drawnNodes = list->items.size();
        for (const FarDrawItem& item : list->items) {
            stats.drawnFaces += item.node->main.faces;
            for (const Direction side : allDirections) {
                if (item.skirtSides & bit(side)) stats.drawnFaces += item.node->skirts[side].faces;
            }
        }
    }
    return stats;
}

}  // namespace gravelkin
