// The draw walk: what the planet hands the renderer each frame. It decides
// what is drawn, apart from the graphics calls that draw it.
//
// Once per frame the list is walked in order under drawListMutex; each key is
// looked up in `chunks` with a read accessor, and a chunk whose vertexCount
// (read with acquire, before vertexBuffer) is not 0 is handed to the sink:
// one bind and one draw. Keys not in the map, and chunks without a mesh, are
// skipped; a key listed twice is drawn twice. There is no culling or sorting:
// the list is the decision.
//
// Lock order: drawListMutex first, then one entry's accessor at a time.
// Holding the accessor keeps the manager from erasing the entry, so a chunk is
// never destroyed while it is drawn.
//
// Threads: the main thread only (the sink issues graphics calls).
//
// Depends on: the planet's state (the draw list and the chunk map), the device
// seam.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "geometry/chunk_key.h"
#include "planet/chunk_containers.h"
#include "render/device/graphics_device.h"

namespace gravelkin {

struct PlanetState;

// Receives the chunks to draw.
class ChunkDrawSink {
public:
    // Binds `buffer` (48-byte stride, offset 0) and draws vertexCount vertices
    // as a triangle list.
    virtual void drawChunk(VertexBuffer* buffer, std::uint32_t vertexCount) = 0;

protected:
    ~ChunkDrawSink() = default;
};

// The walk over any draw list and map. drawList is read only once the mutex
// is held, since the manager swaps the pointer under it.
void drawListedChunks(std::mutex& drawListMutex, const std::unique_ptr<std::vector<ChunkKey>>& drawList,
                      const ChunkMap& chunks, ChunkDrawSink& sink);

// The walk over a planet state's draw list and chunk map.
void drawListedChunks(const PlanetState& state, ChunkDrawSink& sink);

}  // namespace gravelkin
