#include "factory/mesher/mesh_scratch.h"

#include <algorithm>

namespace gravelkin {

namespace {

// A surface chunk has one to two thousand faces.
constexpr std::size_t firstCapacity = std::size_t{1} << 12;

}  // namespace

void MeshScratch::grow(std::size_t count, std::size_t kept) {
    if (count <= capacity_) return;
    const std::size_t capacity = std::max({count, capacity_ * 2, firstCapacity});
    // Left uninitialised: the mesher writes every face it hands on.
    auto corners = std::make_unique_for_overwrite<ChunkVertex[]>(capacity * cornersPerFace);
    auto faceSides = std::make_unique_for_overwrite<Direction[]>(capacity);
    std::copy(corners_.get(), corners_.get() + kept * cornersPerFace, corners.get());
    std::copy(faceSides_.get(), faceSides_.get() + kept, faceSides.get());
    corners_ = std::move(corners);
    faceSides_ = std::move(faceSides);
    capacity_ = capacity;
}

void MeshScratch::trim() {
    if (capacity_ <= keptFaces) return;
    corners_.reset();
    faceSides_.reset();
    capacity_ = 0;
}

}  // namespace gravelkin
