// Writing one side's four corners and its side straight into face memory,
// for the fast mesher.
//
// The values are those of expandFaces (mesh_expansion.h), bit for bit: the
// same corner order, texture coordinates, colour and normal, the normal made
// with faceNormal's operations in faceNormal's order. Only the stores differ:
// each 48-byte corner record is written as three rows of four floats,
//   [x y z red] [green blue 1 u] [v nx ny nz],
// of which the second takes one of two values per voxel and the third one of
// two values per face.
//
// Corners come as lanes::Float4 with w = 0 (bits all zero), so that a corner
// and the red channel merge into one row with a bitwise or.
//
// The faces go to the thread's scratch (mesh_scratch.h), grown when a
// voxel's six sides might not fit.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "factory/mesher/face_record.h"
#include "factory/mesher/float4.h"
#include "factory/mesher/mesh_expansion.h"
#include "factory/mesher/mesh_scratch.h"
#include "factory/mesher/voxel_sides.h"
#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"
#include "geometry/neighbours.h"

namespace gravelkin {

class FaceWriter {
public:
    FaceWriter(MeshScratch& scratch, const Vec3& collapsedNormal)
        : scratch_(scratch),
          sideOut_(scratch.faceSides()),
          sideEnd_(scratch.faceSides() + scratch.capacity()),
          out_(scratch.corners()),
          collapsedNormal_(lanes::set(collapsedNormal.x, collapsedNormal.y, collapsedNormal.z, 0.0f)) {}

    // Makes room for the six sides of one voxel.
    void makeRoomForVoxel() {
        constexpr std::ptrdiff_t room = directionCount;
        if (sideEnd_ - sideOut_ >= room) [[likely]] return;
        const auto written = static_cast<std::size_t>(sideOut_ - scratch_.faceSides());
        scratch_.grow(written + room, written);
        sideOut_ = scratch_.faceSides() + written;
        sideEnd_ = scratch_.faceSides() + scratch_.capacity();
        out_ = scratch_.corners() + written * cornersPerFace;
    }

    // The faces written so far.
    ChunkFaces faces() const {
        return {scratch_.corners(), scratch_.faceSides(),
                static_cast<std::uint32_t>(sideOut_ - scratch_.faceSides())};
    }

    // The colour of the faces written next (the solid voxel's).
    void setColour(const Vec3& colour) {
        red_ = lanes::set(0.0f, 0.0f, 0.0f, colour.x);
        colourU0_ = lanes::set(colour.y, colour.z, 1.0f, 0.0f);
        colourU1_ = lanes::set(colour.y, colour.z, 1.0f, 1.0f);
    }

    // The `side` face, where the set of sides `shown` (voxel_sides.h) holds
    // it; corners in corner-table order.
    void writeIfShown(unsigned shown, Direction side, lanes::Float4 c0, lanes::Float4 c1, lanes::Float4 c2,
                      lanes::Float4 c3) {
        using namespace lanes;
        if ((shown & sideBit(side)) == 0) return;
        const Float4 normalV0 = shiftUp(normalOf(c0, c1, c2, c3));  // [0 nx ny nz]
        const Float4 normalV1 = bitOr(normalV0, set(1.0f, 0.0f, 0.0f, 0.0f));
        float* f = reinterpret_cast<float*>(out_);
        row(f + 0, bitOr(c0, red_), colourU0_, normalV0);     // c0 (0, 0)
        row(f + 12, bitOr(c1, red_), colourU1_, normalV0);    // c1 (1, 0)
        row(f + 24, bitOr(c2, red_), colourU1_, normalV1);    // c2 (1, 1)
        row(f + 36, bitOr(c3, red_), colourU0_, normalV1);    // c3 (0, 1)
        out_ += cornersPerFace;
        *sideOut_++ = side;
    }

private:
    static void row(float* vertex, lanes::Float4 a, lanes::Float4 b, lanes::Float4 c) {
        lanes::store(vertex, a);
        lanes::store(vertex + 4, b);
        lanes::store(vertex + 8, c);
    }

    // dot3(v, v): (x x + y y) + z z.
    static float lengthSquared(lanes::Float4 v) {
        const lanes::Float4 squares = lanes::mul(v, v);
        return (lanes::laneX(squares) + lanes::laneY(squares)) + lanes::laneZ(squares);
    }
    static bool normalisable(float lengthSquared) { return lengthSquared > 0.0f && std::isfinite(lengthSquared); }

    // faceNormal, w = 0.
    lanes::Float4 normalOf(lanes::Float4 c0, lanes::Float4 c1, lanes::Float4 c2, lanes::Float4 c3) const {
        using namespace lanes;
        const Float4 n = cross(sub(c1, c0), sub(c3, c0));
        const float nn = lengthSquared(n);
        if (normalisable(nn)) [[likely]] return mul(n, splat(1.0f / std::sqrt(nn)));
        const Float4 diagonals = cross(sub(c2, c0), sub(c3, c1));
        const float dd = lengthSquared(diagonals);
        if (normalisable(dd)) return mul(diagonals, splat(1.0f / std::sqrt(dd)));
        return collapsedNormal_;
    }

    MeshScratch& scratch_;
    Direction* sideOut_;
    Direction* sideEnd_;
    ChunkVertex* out_;
    lanes::Float4 collapsedNormal_;
    lanes::Float4 red_{};
    lanes::Float4 colourU0_{};
    lanes::Float4 colourU1_{};
};

}  // namespace gravelkin
