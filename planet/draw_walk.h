// The draw walk: what the planet hands the renderer each frame. It decides
// what is drawn, apart from the graphics calls that draw it.
//
// Once per frame the list is walked in order under drawListMutex; each key is
// looked up in `chunks` with a read accessor, and a chunk whose vertexCount
// (read with acquire, before vertexBuffer and bounds) is not 0 is handed to
// the sink: one bind and one draw. Keys not in the map, and chunks without a
// mesh, are skipped; a key listed twice is drawn twice. Given a frustum, a
// chunk whose bounds lie wholly outside it (boxOutsideFrustum, which never
// culls what could cover a pixel) is culled instead of drawn; without one the
// list is the whole decision.
//
// Given an eye, the chunks are drawn after the walk, nearest first (by their
// bounds' centres, ties by key). The order the list happens to have depends on
// when the factories published, and where two faces cover a pixel at exactly
// the same depth the first drawn keeps it: drawn in an order of their own, the
// same chunks give the same picture every time. Nearest first also lets the
// depth test turn most hidden pixels away before they are shaded. Without an
// eye, each chunk is drawn as the walk meets it, in list order.
//
// Lock order: drawListMutex first, then one entry's accessor at a time. The
// walk holds each chunk it draws, by the accessor or by a reference of its
// own, so a chunk is never destroyed while it is drawn: one the manager erases
// meanwhile goes when the walk lets it go.
//
// Threads: the main thread only (the sink issues graphics calls).
#pragma once

#include <functional>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "camera/frustum.h"
#include "geometry/chunk_key.h"
#include "planet/chunk_containers.h"
#include "device/graphics_device.h"

namespace gravelkin {

class PlanetDrawSide;

// Receives the chunks to draw.
class ChunkDrawSink {
public:
    // Binds `buffer` (48-byte stride, offset 0) and draws vertexCount vertices
    // as a triangle list.
    virtual void drawChunk(VertexBuffer* buffer, std::uint32_t vertexCount) = 0;

protected:
    ~ChunkDrawSink() = default;
};

// What one walk did with the meshed chunks it found.
struct DrawWalkCounts {
    std::size_t drawn = 0;
    std::size_t culled = 0;
};

// What the renderer draws from: the Planet's draw walk, or a test's own.
class ChunkDrawSource {
public:
    // Hands the chunks to draw to `sink`, culling against `frustum` unless it
    // is null, nearest `eye` first where one is given. Main thread.
    virtual DrawWalkCounts drawChunks(ChunkDrawSink& sink, const Frustum* frustum, const Vec3* eye) const = 0;

protected:
    ~ChunkDrawSource() = default;
};

// The walk over any draw list and map, culling against `frustum` unless it
// is null. drawList is read only once the mutex is held, since the manager
// swaps the pointer under it.
// `keep`, where given, leaves out the chunks it returns false for.
DrawWalkCounts drawListedChunks(std::mutex& drawListMutex, const std::unique_ptr<std::vector<ChunkKey>>& drawList,
                                const ChunkMap& chunks, ChunkDrawSink& sink, const Frustum* frustum = nullptr,
                                const Vec3* eye = nullptr,
                                const std::function<bool(const ChunkKey&)>* keep = nullptr);

// The walk over a planet's draw list and chunk map; with far terrain on,
// the chunks its draw list leaves to the nodes are left out and the nodes
// drawn after the chunks (far_drawing.h).
DrawWalkCounts drawListedChunks(const PlanetDrawSide& planet, ChunkDrawSink& sink, const Frustum* frustum = nullptr,
                                const Vec3* eye = nullptr);

}  // namespace gravelkin
