#include "factory/mesher/mesh_scratch.h"

#include <algorithm>

namespace gravelkin {

namespace {

// A surface chunk has one to two thousand faces.
constexpr std::size_t firstCapacity = std::size_t{1} << 14;

}  // namespace

ChunkVertex* MeshScratch::grow(std::size_t count, std::size_t kept) {
    if (count <= capacity_) return vertices_.get();
    const std::size_t capacity = std::max({count, capacity_ * 2, firstCapacity});
    // Default-initialised: the mesher writes every vertex it hands on.
    std::unique_ptr<ChunkVertex[]> grown(new ChunkVertex[capacity]);
    std::copy(vertices_.get(), vertices_.get() + kept, grown.get());
    vertices_ = std::move(grown);
    capacity_ = capacity;
    return vertices_.get();
}

void MeshScratch::trim() {
    if (capacity_ <= keptVertices) return;
    vertices_.reset();
    capacity_ = 0;
}

}  // namespace gravelkin
