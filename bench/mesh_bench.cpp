// Meshing over the fixed set of surface chunks, each against its real
// neighbours, as a mesh job does it (meshGathered): the mesher, then the
// upload to the null graphics device (which copies the vertices, as an upload
// would). BM_BuildMesh runs the fast mesher, which the workers use;
// BM_BuildMeshReference the plain one it must match. Reported per chunk and
// per emitted face.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/per_item.h"
#include "bench/surface_chunks.h"
#include "factory/factory_jobs.h"
#include "geometry/column_direction_cache.h"
#include "device/null_graphics_device.h"

namespace gravelkin::bench {
namespace {

// Every surface chunk once; then its buffer is dropped again so that the next
// iteration meshes the same chunk afresh.
std::uint64_t meshAll(MeshingSet& set, ColumnDirectionCache& cache, GraphicsDevice& device, ChunkPipeline pipeline) {
    std::uint64_t faces = 0;
    for (std::size_t k = 0; k < set.meshed.size(); ++k) {
        Chunk& chunk = *set.meshed[k];
        // The null device never fails to create a buffer.
        [[maybe_unused]] const bool published = meshGathered(chunk, set.fineNeighbours[k], cache, device, pipeline);
        faces += chunk.vertexCount.load() / 6;
        if (chunk.vertexBuffer != nullptr) chunk.vertexBuffer->release();
        chunk.vertexBuffer = nullptr;
        chunk.vertexCount.store(0);
        chunk.meshPending.store(true);
    }
    return faces;
}

void runMeshing(benchmark::State& state, ChunkPipeline pipeline) {
    MeshingSet& set = meshingSet();
    ColumnDirectionCache cache;
    NullGraphicsDevice device;
    const std::uint64_t faces = meshAll(set, cache, device, pipeline);
    for (auto _ : state) benchmark::DoNotOptimize(meshAll(set, cache, device, pipeline));
    state.counters["chunks"] = static_cast<double>(set.meshed.size());
    state.counters["faces"] = static_cast<double>(faces);
    reportTimePer(state, "per_chunk", static_cast<double>(set.meshed.size()));
    reportTimePer(state, "per_face", static_cast<double>(faces));
}

void BM_BuildMesh(benchmark::State& state) { runMeshing(state, ChunkPipeline::Fast); }

void BM_BuildMeshReference(benchmark::State& state) { runMeshing(state, ChunkPipeline::Reference); }

BENCHMARK(BM_BuildMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildMeshReference)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gravelkin::bench
