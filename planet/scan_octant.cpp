// The octant walk: from the camera's chunk, N layers (outward or inward), in
// each layer N rows, in each row N cells, requesting every missing chunk whose
// centre is within viewRadius. Eight scans with the three signs cover all
// directions; the skip rule gives each of the planes k = 0, i = 0 and m = 0
// (the first row, layer and column) to exactly one of the two scans that
// would otherwise both walk it.

#include <algorithm>

#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "geometry/position_lookup.h"
#include "camera/distance.h"
#include "planet/manager.h"
#include "planet/neighbours_present.h"
#include "planet/transform_direction.h"

namespace gravelkin {

namespace {

// One step that keeps heading the same way across a face edge: the key moves,
// and each direction carried along is re-expressed on the new face.
ChunkKey stepAlong(const ChunkKey& from, Direction& heading) {
    const ChunkKey to = chunkNeighbour(from, heading).address;
    heading = transformDirection(heading, from.face, to.face);
    return to;
}

}  // namespace

void Manager::walk() {
    const Vec3 camera = state_.cameraPosition();
    if (!replay_.replays(camera)) {
        replay_.start(camera);
        for (const Octant& octant : octantScanOrder) {
            scanOctant(octant);
            if (requestsStopped_) break;
        }
        replay_.finish(state_.cameraPosition());
        // A walk cut short by the budget, or by the ramp, is no record of the whole.
        if (requestsStopped_ || rampRadius_ != 0.0f) replay_.forget();
        return;
    }
    // The same keys, requests and order as a walk from here; those held by
    // now need no more looks while the camera stays, and those found in
    // flight or published none until a job ends without a chunk. The count
    // is read before the looks. Held keys leave the list only on a replay
    // that looks at every key, or on every few: a settled key asks for
    // nothing, held or not.
    const std::uint64_t endsWithoutChunk = state_.requestsEndedWithoutChunk();
    const bool settledHolds = replay_.settledHolds(endsWithoutChunk);
    const bool prune = !settledHolds || replay_.pruneDue();
    std::vector<WalkReplay::Unheld>& unheld = replay_.unheld();
    std::size_t kept = 0;
    for (WalkReplay::Unheld& visit : unheld) {
        if (visit.settled && !prune) {
            unheld[kept++] = visit;
            continue;
        }
        const KnownChunkKey& known = known_(visit.key);
        if (known.held) continue;
        if (!visit.settled || !settledHolds) {
            visit.settled = contains(state_.chunks(), visit.key) || state_.isInFlight(visit.key);
            if (!visit.settled && requestFits()) {
                state_.request(visit.key, RequestKind::Generate,
                               distanceSquared(state_.cameraPosition(), known.centre));
                ++tally_.generateRequests;
                visit.settled = true;
            }
        }
        unheld[kept++] = visit;
    }
    unheld.resize(kept);
    replay_.looked(endsWithoutChunk);
    // A camera that moved meanwhile gets a whole walk next pass.
    if (!replay_.replays(state_.cameraPosition())) replay_.forget();
}

void Manager::scanOctant(const Octant& octant) {
    const bool minusY = octant.minusY;
    const bool outward = octant.outward;
    const bool plusX = octant.plusX;
    const float radius = walkRadius();
    const float radiusSquared = radius * radius;
    const std::uint32_t n = walkLengthFor(radius);
    const ChunkMap& chunks = state_.chunks();

    // The start comes from one copy of the camera position; every distance
    // below reads the camera afresh, so one scan may see it move.
    const Vec3 start = state_.cameraPosition();
    const ChunkKey startKey = chunkKeyAt(start.x, start.y, start.z);

    // Face 5's axes run against face 0's: carry the signs onto the start face.
    const Direction rowDirection = transformDirection(minusY ? MinusY : PlusY, 0, startKey.face);
    const Direction columnDirection = transformDirection(plusX ? PlusX : MinusX, 0, startKey.face);
    Direction layerDirection = outward ? Outward : Inward;

    frontier_.assign(1, startKey);
    for (std::uint32_t i = 0; i < n; ++i) {
        next_.clear();
        for (const ChunkKey& first : frontier_) {
            ChunkKey rowStart = first;
            Direction rowStep = rowDirection;  // from this row's start to the next's
            Direction rowColumnStep = columnDirection;  // along the row, on its start's face
            for (std::uint32_t k = 0; k < n; ++k) {
                ChunkKey cur = rowStart;
                Direction columnStep = rowColumnStep;
                for (std::uint32_t m = 0; m < n; ++m) {
                    const bool skipped = (k == 0 && !minusY) || (i == 0 && !outward) || (m == 0 && !plusX);
                    if (!skipped) {
                        const KnownChunkKey& known = known_(cur);
                        const float d2 = distanceSquared(state_.cameraPosition(), known.centre);
                        if (d2 > radiusSquared) break;
                        // A chunk the manager holds is in the map: no shared lookup.
                        if (!known.held) {
                            replay_.visitUnheld(cur);
                            if (!contains(chunks, cur) && !state_.isInFlight(cur)) {
                                if (!requestFits()) return;
                                state_.request(cur, RequestKind::Generate, d2);
                                ++tally_.generateRequests;
                            }
                        }
                    }
                    cur = stepAlong(cur, columnStep);  // in-face steps never split
                }

                // Next row: the column direction turns with the row's face.
                const std::uint8_t oldFace = rowStart.face;
                rowStart = stepAlong(rowStart, rowStep);
                rowColumnStep = transformDirection(rowColumnStep, oldFace, rowStart.face);
                if (distanceSquared(state_.cameraPosition(), known_(rowStart).centre) > radiusSquared) break;
                // Several frontier keys (a finer layer) walk side by side; a
                // first row that runs into another's start would redo its walk.
                if (k == 0 && frontier_.size() > 1 &&
                    std::find(frontier_.begin(), frontier_.end(), rowStart) != frontier_.end()) {
                    break;
                }
            }

            const NeighbourStep<ChunkKey> layer = chunkNeighbour(first, layerDirection);
            if (layer.split) {
                for (const ChunkKey& fine : fineKeysFrom(layer.address).keys) next_.push_back(fine);
            } else {
                next_.push_back(layer.address);
            }
        }
        // An inward walk that passed through shell 0 came out on the opposite
        // face: from there on it heads outward.
        if (!next_.empty() && next_.front().face != frontier_.front().face) {
            layerDirection = opposite(layerDirection);
        }
        frontier_.swap(next_);
    }
}

}  // namespace gravelkin
