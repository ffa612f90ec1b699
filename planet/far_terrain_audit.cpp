// FarTerrain::audit: the hand-over invariant, checked on the draw list the
// last pass installed. Pieces are the drawn nodes and the level-1 regions
// handed to the chunks. Once settled, every region in sight must be drawn
// exactly once: by a drawn node, by a chunk region whose chunks are all
// meshed, or by its children, each drawn so.
#include <cstdio>
#include <unordered_set>

#include "planet/far_terrain.h"

namespace gravelkin {

namespace {

using KeySet = std::unordered_set<FarNodeKey, FarNodeKeyHasher>;

void report(bool& reported, const char* what, const FarNodeKey& key) {
    if (reported) return;
    reported = true;
    std::fprintf(stderr,
                 "gravelkin: far terrain invariant broken: %s (node level %u, band %u, x %u, y %u, face %u)\n", what,
                 static_cast<unsigned>(key.level), static_cast<unsigned>(key.band), static_cast<unsigned>(key.x),
                 static_cast<unsigned>(key.y), static_cast<unsigned>(key.face));
}

bool ancestorIn(const FarNodeKey& key, const KeySet& drawn) {
    for (FarNodeKey up = key; up.level < farTopLevel;) {
        up = farNodeParent(up);
        if (drawn.count(up) != 0) return true;
    }
    return false;
}

}  // namespace

std::uint64_t FarTerrain::audit(const std::function<bool(const ChunkKey&)>& chunkReady, bool settled) {
    const std::shared_ptr<const FarDrawList> list = drawList();
    if (!list) return 0;
    std::uint64_t violations = 0;
    bool reported[3] = {};
    KeySet drawn;
    for (const FarDrawItem& item : list->items) {
        if (!drawn.insert(item.node->key).second) {
            ++violations;
            report(reported[0], "a node is drawn twice", item.node->key);
        }
    }
    for (const FarNodeKey& key : drawn) {
        if (ancestorIn(key, drawn)) {
            ++violations;
            report(reported[0], "a node is drawn inside a drawn node", key);
        }
    }
    for (const FarNodeKey& key : list->chunkRegions) {
        if (drawn.count(key) != 0 || ancestorIn(key, drawn)) {
            ++violations;
            report(reported[1], "chunks draw inside a drawn node", key);
        }
    }
    if (!settled) return violations;

    // Every region in sight drawn, once everything asked for is there.
    const std::function<bool(const FarNodeKey&)> covered = [&](const FarNodeKey& key) {
        if (!farNodeOverlapsShells(key, firstShell_, lastShell_) || hidden(sphereOf(key), list->eye)) return true;
        if (drawn.count(key) != 0) return true;
        if (key.level == 1) {
            if (list->chunkRegions.count(key) == 0) return false;
            for (const ChunkKey& chunk : farNodeChunks(key)) {
                if (!chunkReady(chunk)) return false;
            }
            return true;
        }
        for (const FarNodeKey& child : farNodeChildren(key)) {
            if (!covered(child)) return false;
        }
        return true;
    };
    for (const FarNodeKey& root : farRootNodes(firstShell_, lastShell_)) {
        if (!covered(root)) {
            ++violations;
            report(reported[2], "part of the planet in sight is drawn by nothing once settled", root);
        }
    }
    return violations;
}

}  // namespace gravelkin
