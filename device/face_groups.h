// Chunk faces grouped by the side they show and the part of the chunk they
// lie in, so that whole groups that face away from the eye, or lie outside
// the view, can be left undrawn.
//
// The pipeline culls back faces: a triangle is drawn only from the side its
// winding makes front-facing, which for the mesher's corners is the side its
// normal (c1 - c0) x (c2 - c0) points to. The faces of one side of a chunk's
// voxels point nearly one way (bent a little by the sphere), and from any eye
// some sides face away from it wholesale: the rasteriser would shade their
// vertices and then discard every one of their triangles. Each group carries
// a cone that holds every one of its triangles' normals and a sphere that
// holds every one of its corners; from an eye whose every line of sight to the
// sphere meets each plane from behind, by a margin far beyond the rounding of
// the vertex stage, none of its triangles can be front-facing, so leaving the
// group out changes no pixel. Splitting by the part of the chunk keeps the
// spheres small and gives each group a box for the frustum test.
//
// The side names the group; the cone is bounded from the triangles
// themselves, since neither the side nor a face's vertex normal bounds them:
// the outward and inward sides' four corners lie on a sphere, not in a plane,
// and near the planet's centre one side's faces turn through more than a
// right angle within a chunk. A group whose triangles fit in no cone is drawn
// whatever the eye.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "camera/frustum.h"
#include "camera/vector_math.h"
#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"
#include "geometry/neighbours.h"

namespace gravelkin {

struct FaceGroup {
    std::uint32_t firstQuad = 0;  // in the packed corners (quad_packing.h)
    std::uint32_t quads = 0;
    // False where no cone holds the triangles' normals (or a triangle is too
    // thin for its normal to be trusted): never left out for facing away.
    bool cullable = false;
    float axis[3] = {0.0f, 0.0f, 0.0f};    // unit
    float spread = 0.0f;                   // radians: every triangle normal lies within this of axis
    float centre[3] = {0.0f, 0.0f, 0.0f};  // every corner lies within radius of centre
    float radius = 0.0f;
    Box3 box;  // every corner
};

// Each side's faces are split by the cell of the mesh's box their first
// corner lies in, cellsPerSide along each axis.
inline constexpr std::size_t cellsPerSide = 4;
inline constexpr std::size_t cells = cellsPerSide * cellsPerSide * cellsPerSide;
inline constexpr std::size_t maxFaceGroups = directionCount * cells;

// Copies the corners of `faces` into `corners`, which has room for
// cornersPerFace a face, so that each group's faces lie together, in their
// order in `faces`; returns the groups in buffer order. The groups go side by
// side, the sides in the order their first faces come in `faces`, and within
// a side by cell.
std::vector<FaceGroup> packFaceGroups(const ChunkFaces& faces, ChunkVertex* corners);

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
