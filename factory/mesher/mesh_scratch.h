// Working memory of the fast mesher, kept from chunk to chunk inside a
// MesherOutput (mesher.h): the solid masks, one layer's visible sides and the
// face arrays (corners and sides, device/chunk_faces.h) the faces are written
// into.
//
// Keeping it means a chunk's faces go into pages that are already mapped and
// warm instead of fresh arrays grown face by face. Face arrays that grew past
// keptFaces (an unusually busy chunk) are given back by trim(), once the
// faces are used, so that an idle thread does not sit on them.
//
// One thread at a time.
#pragma once

#include <cstddef>
#include <memory>

#include "factory/mesher/solid_masks.h"
#include "factory/mesher/visible_sides.h"
#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

class MeshScratch {
public:
    // Several times what a surface chunk needs (3 MiB of corners).
    static constexpr std::size_t keptFaces = std::size_t{1} << 14;

    ChunkVertex* corners() const { return corners_.get(); }  // cornersPerFace a face
    Direction* faceSides() const { return faceSides_.get(); }
    std::size_t capacity() const { return capacity_; }  // faces
    // Room for at least `count` faces, keeping the first `kept`.
    void grow(std::size_t count, std::size_t kept);
    // Gives back face arrays larger than keptFaces.
    void trim();

    SolidMasks masks;
    LayerSides sides;

private:
    std::unique_ptr<ChunkVertex[]> corners_;
    std::unique_ptr<Direction[]> faceSides_;
    std::size_t capacity_ = 0;
};

}  // namespace gravelkin
