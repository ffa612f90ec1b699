// Meshing over the fixed set of surface chunks, each against its real
// neighbours, with the null graphics device (which copies the vertices, as an
// upload would): buildMesh, which the workers use, and buildMeshReference,
// the plain mesher it must match. Reported per chunk and per emitted face.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/per_item.h"
#include "bench/surface_chunks.h"
#include "geometry/column_direction_cache.h"
#include "render/device/null_graphics_device.h"

namespace gravelkin::bench {
namespace {

using MeshFunction = void (Chunk::*)(ColumnDirectionCache&, GraphicsDevice&);

// What a worker does around meshing; then the buffer is dropped again so that
// the next iteration meshes the same chunk afresh.
std::uint64_t meshAll(MeshingSet& set, ColumnDirectionCache& cache, GraphicsDevice& device, MeshFunction mesh) {
    std::uint64_t faces = 0;
    for (std::size_t k = 0; k < set.meshed.size(); ++k) {
        Chunk& chunk = *set.meshed[k];
        chunk.fineNeighbours = &set.fineNeighbours[k];
        resetForChunk(cache, chunk.key);
        cache.columnOffset = 0.0f;
        (chunk.*mesh)(cache, device);
        chunk.fineNeighbours = nullptr;
        faces += chunk.vertexCount.load() / 6;
        if (chunk.vertexBuffer != nullptr) chunk.vertexBuffer->release();
        chunk.vertexBuffer = nullptr;
        chunk.vertexCount.store(0);
        chunk.meshPending.store(true);
    }
    return faces;
}

void runMeshing(benchmark::State& state, MeshFunction mesh) {
    MeshingSet& set = meshingSet();
    ColumnDirectionCache cache;
    NullGraphicsDevice device;
    const std::uint64_t faces = meshAll(set, cache, device, mesh);
    for (auto _ : state) benchmark::DoNotOptimize(meshAll(set, cache, device, mesh));
    state.counters["chunks"] = static_cast<double>(set.meshed.size());
    state.counters["faces"] = static_cast<double>(faces);
    reportTimePer(state, "per_chunk", static_cast<double>(set.meshed.size()));
    reportTimePer(state, "per_face", static_cast<double>(faces));
}

void BM_BuildMesh(benchmark::State& state) { runMeshing(state, &Chunk::buildMesh); }

void BM_BuildMeshReference(benchmark::State& state) { runMeshing(state, &Chunk::buildMeshReference); }

BENCHMARK(BM_BuildMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildMeshReference)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gravelkin::bench
