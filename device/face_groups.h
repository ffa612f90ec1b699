// Chunk faces grouped by where they lie and the way they face, so that whole
// groups that face away from the eye, or lie outside the view, can be left
// undrawn.
//
// The pipeline culls back faces: a triangle is drawn only from the side its
// winding makes front-facing, which for the mesher's clockwise corners is the
// side its normal (c1 - c0) x (c2 - c0) points to. A chunk's faces point in
// a handful of directions (its voxels' six sides, bent a little by the
// sphere), and from any eye some of those sides face away from it wholesale:
// the rasteriser would shade their vertices and then discard every one of
// their triangles. Each group carries a cone that holds every one of its
// triangles' normals and a sphere that holds every one of its corners; from
// an eye whose every line of sight to the sphere meets each plane from behind,
// by a margin far beyond the rounding of the vertex stage, none of its
// triangles can be front-facing, so leaving the group out changes no pixel.
// Groups are also split by the part of the chunk they lie in, which keeps
// their spheres small and gives each a box for the frustum test.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "camera/frustum.h"
#include "camera/vector_math.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

struct FaceGroup {
    std::uint32_t firstQuad = 0;  // in the packed corners (quad_packing.h)
    std::uint32_t quads = 0;
    // False for faces with a triangle too small to have a normal, which are
    // never left out for facing away.
    bool cullable = false;
    float axis[3] = {0.0f, 0.0f, 0.0f};    // unit
    float spread = 0.0f;                   // radians: every triangle normal lies within this of axis
    float centre[3] = {0.0f, 0.0f, 0.0f};  // every corner lies within radius of centre
    float radius = 0.0f;
    Box3 box;  // every corner
};

// The faces' directions fall into at most this many groups that may be left
// out for facing away, and one that may not; each is split by the cell of the
// chunk's box it lies in, cellsPerSide along each axis.
inline constexpr std::size_t maxFacings = 6;
inline constexpr std::size_t cellsPerSide = 4;
inline constexpr std::size_t cells = cellsPerSide * cellsPerSide * cellsPerSide;
inline constexpr std::size_t maxFaceGroups = (maxFacings + 1) * cells;

// Packs the faces of a quad list (isQuadList in quad_packing.h: `count`
// vertices, six a face) into `corners`, which has room for four corners a
// face, so that each group's faces lie together, in their order in the list;
// returns the groups in buffer order.
std::vector<FaceGroup> packFaceGroups(const ChunkVertex* quadList, std::uint32_t count, ChunkVertex* corners);

// Whether every triangle of the group is back-facing, by a safe margin, to
// an eye at `eye`.
bool facesAwayFrom(const FaceGroup& group, const Vec3& eye);

// Faces drawn, and left out for facing away or lying outside the frustum.
struct FaceCounts {
    std::uint64_t drawn = 0;
    std::uint64_t facingAway = 0;
    std::uint64_t outsideFrustum = 0;
};

// A run of packed faces to draw with one draw.
struct QuadRun {
    std::uint32_t firstQuad = 0;
    std::uint32_t quads = 0;
};

// Writes to `runs` (room for groups.size()) the runs that draw the groups
// neither facing away from `eye` nor outside `frustum`, neighbouring groups
// in one run, and returns how many; adds every group's faces to `counts`.
std::size_t runsToDraw(const std::vector<FaceGroup>& groups, const Vec3& eye, const Frustum& frustum, QuadRun* runs,
                       FaceCounts& counts);

}  // namespace gravelkin
