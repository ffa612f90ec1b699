// What the OpenGL device does to each mesh it is given, on the factory thread
// that creates the buffer: packing the faces into their four corners,
// grouped by facing and place (render/face_groups.h). Over the meshes of the
// fixed set of surface chunks, per face.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/per_item.h"
#include "bench/surface_chunks.h"
#include "factory/factory_jobs.h"
#include "geometry/column_direction_cache.h"
#include "device/null_graphics_device.h"
#include "device/deferred_upload_device.h"

namespace gravelkin::bench {
namespace {

// The surface chunks' meshes, as the factories hand them to a device.
const std::vector<std::vector<ChunkVertex>>& surfaceMeshes() {
    static const std::vector<std::vector<ChunkVertex>> meshes = [] {
        std::vector<std::vector<ChunkVertex>> out;
        MeshingSet& set = meshingSet();
        ColumnDirectionCache cache;
        NullGraphicsDevice device;
        for (std::size_t k = 0; k < set.meshed.size(); ++k) {
            Chunk& chunk = *set.meshed[k];
            meshGathered(chunk, set.fineNeighbours[k], cache, device, ChunkPipeline::Fast);
            if (chunk.vertexBuffer == nullptr) continue;
            out.push_back(static_cast<NullVertexBuffer*>(chunk.vertexBuffer)->vertices());
            chunk.vertexBuffer->release();
            chunk.vertexBuffer = nullptr;
            chunk.vertexCount.store(0);
            chunk.meshPending.store(true);
        }
        return out;
    }();
    return meshes;
}

void BM_PackAndGroupFaces(benchmark::State& state) {
    const std::vector<std::vector<ChunkVertex>>& meshes = surfaceMeshes();
    std::uint64_t faces = 0;
    for (const std::vector<ChunkVertex>& mesh : meshes) faces += mesh.size() / 6;
    std::uint64_t groups = 0;
    for (auto _ : state) {
        groups = 0;
        for (const std::vector<ChunkVertex>& mesh : meshes) {
            const StagedMesh staged(mesh.data(), static_cast<std::uint32_t>(mesh.size()));
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
