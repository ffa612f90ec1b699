// Working memory of the fast mesher, kept from chunk to chunk inside a
// MesherOutput (mesher.h): the solid masks, one layer's visible sides and the
// vertex array the faces are written into.
//
// Keeping it means a chunk's vertices go into pages that are already mapped
// and warm instead of a fresh array grown face by face. A vertex array that
// grew past keptVertices (an unusually busy chunk) is given back by trim(),
// once the vertices are used, so that an idle thread does not sit on it.
//
// One thread at a time.
#pragma once

#include <cstddef>
#include <memory>

#include "factory/mesher/solid_masks.h"
#include "factory/mesher/visible_sides.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

class MeshScratch {
public:
    // Several times what a surface chunk needs (3 MiB).
    static constexpr std::size_t keptVertices = std::size_t{1} << 16;

    ChunkVertex* vertices() const { return vertices_.get(); }
    std::size_t capacity() const { return capacity_; }
    // Room for at least `count` vertices, keeping the first `kept`.
    ChunkVertex* grow(std::size_t count, std::size_t kept);
    // Gives back a vertex array larger than keptVertices.
    void trim();

    SolidMasks masks;
    LayerSides sides;

private:
    std::unique_ptr<ChunkVertex[]> vertices_;
    std::size_t capacity_ = 0;
};

}  // namespace gravelkin
