#include "planet/far_drawing.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace gravelkin {

namespace {

struct Pending {
    float distanceSquared;
    const FarDrawItem* item;
};

bool drawnBefore(const Pending& a, const Pending& b) {
    if (a.distanceSquared != b.distanceSquared) return a.distanceSquared < b.distanceSquared;
    const FarNodeKey& p = a.item->node->key;
    const FarNodeKey& q = b.item->node->key;
    return std::tie(p.level, p.face, p.band, p.y, p.x) < std::tie(q.level, q.face, q.band, q.y, q.x);
}

void drawMesh(const FarMesh& mesh, ChunkDrawSink& sink) {
    if (mesh.vertexCount != 0) sink.drawChunk(mesh.buffer, mesh.vertexCount);
}

void drawItem(const FarDrawItem& item, ChunkDrawSink& sink) {
    drawMesh(item.node->main, sink);
    for (const Direction side : allDirections) {
        if (item.skirtSides & (1u << side)) drawMesh(item.node->skirts[side], sink);
    }
}

}  // namespace

DrawWalkCounts drawFarNodes(const FarDrawList& list, ChunkDrawSink& sink, const Frustum* frustum, const Vec3* eye) {
    DrawWalkCounts counts;
    std::vector<Pending> pending;
    pending.reserve(list.items.size());
    for (const FarDrawItem& item : list.items) {
        const Box3& box = item.node->bounds;
        if (box.min.x > box.max.x) continue;  // nothing to draw
        if (frustum != nullptr && boxOutsideFrustum(*frustum, box)) {
            ++counts.culled;
            continue;
        }
        ++counts.drawn;
        float distanceSquared = 0.0f;
        if (eye != nullptr) {
            const Vec3 d = (box.min + box.max) * 0.5f - *eye;
            distanceSquared = dot3(d, d);
        }
        pending.push_back({distanceSquared, &item});
    }
    if (eye != nullptr) std::sort(pending.begin(), pending.end(), drawnBefore);
    for (const Pending& p : pending) drawItem(*p.item, sink);
    return counts;
}

}  // namespace gravelkin
