// What the OpenGL device does to each face mesh it is given, on the factory
// thread that creates the buffer: copying the faces' corners, grouped by side
// and place, and bounding each group for culling (device/face_groups.h). Over
// the meshes of the fixed set of surface chunks, per face.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/per_item.h"
#include "bench/surface_chunks.h"
#include "factory/mesher/mesher.h"
#include "geometry/column_direction_cache.h"
#include "device/chunk_faces.h"
#include "device/deferred_upload_device.h"

namespace gravelkin::bench {
namespace {

// One surface chunk's faces, kept.
struct KeptFaces {
    std::vector<ChunkVertex> corners;
    std::vector<Direction> sides;
    ChunkFaces faces() const { return {corners.data(), sides.data(), static_cast<std::uint32_t>(sides.size())}; }
};

// The surface chunks' face meshes, as the factories hand them to a device.
const std::vector<KeptFaces>& surfaceMeshes() {
    static const std::vector<KeptFaces> meshes = [] {
        std::vector<KeptFaces> out;
        MeshingSet& set = meshingSet();
        ColumnDirectionCache cache;
        MesherOutput output;
        for (std::size_t k = 0; k < set.meshed.size(); ++k) {
            Chunk& chunk = *set.meshed[k];
            chunk.fineNeighbours = &set.fineNeighbours[k];
            resetForChunk(cache, chunk.key);
            cache.columnOffset = 0.0f;
            meshChunk(MesherInput{chunk, cache}, output);
            chunk.fineNeighbours = nullptr;
            const ChunkFaces& faces = output.faces;
            if (faces.count == 0) continue;
            out.push_back({{faces.corners, faces.corners + cornersPerFace * faces.count},
                           {faces.sides, faces.sides + faces.count}});
        }
        return out;
    }();
    return meshes;
}

void BM_PackAndGroupFaces(benchmark::State& state) {
    const std::vector<KeptFaces>& meshes = surfaceMeshes();
    std::uint64_t faces = 0;
    for (const KeptFaces& mesh : meshes) faces += mesh.sides.size();
    std::uint64_t groups = 0;
    StagingArena arena;
    for (auto _ : state) {
        groups = 0;
        for (const KeptFaces& mesh : meshes) {
            const StagedMesh staged(mesh.faces(), arena);
            groups += staged.groups.size();
        }
        benchmark::DoNotOptimize(groups);
    }
    state.counters["faces"] = static_cast<double>(faces);
    state.counters["groups"] = static_cast<double>(groups);
    reportTimePer(state, "per_face", static_cast<double>(faces));
}

BENCHMARK(BM_PackAndGroupFaces)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gravelkin::bench
