// The streaming manager's pass over the start view (camera (0, 400, 0),
// radius 500), on a planet without threads: the benchmark plays the chunk
// factories itself, on one thread, to build the planet once.
//
// - BM_ManagerPassConverged: a whole pass once every chunk is built and
//   meshed, the pass the manager repeats every 10 ms while nothing changes.
// - BM_ScanOctantsConverged, BM_MapPassConverged: its two parts.
// - BM_SweepGapsConverged: the gap sweep, which a pass adds at most every
//   Manager::gapSweepInterval passes while the camera moves.
// - BM_ManagerPassEmpty: the eight octant walks of a pass at the whole
//   radius on an empty planet, which request every chunk the walk reaches
//   (the requests are withdrawn, untimed, after each iteration).
// - BM_WalkCold: the same walks by a new manager, whose table of known keys
//   has yet to learn every key and its centre, as at the program's start.
// - BM_ManagerFirstPassCold: a new manager's first pass, which walks only
//   near the camera (the walk's ramp).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/per_item.h"
#include "camera/camera.h"
#include "factory/chunk_factory.h"
#include "factory/factory_jobs.h"
#include "planet/manager.h"
#include "planet/planet.h"
#include "planet/planet_factory_host.h"
#include "planet/planet_factory_side.h"
#include "planet/planet_manager_side.h"
#include "planet/planet_state.h"
#include "device/null_graphics_device.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin::bench {
namespace {

Vec3 startPosition() { return cameraStartPosition; }

// The state of a planet without threads, streaming around the start position.
struct StartState : PlanetState {
    explicit StartState(GraphicsDevice& device)
        : PlanetState(device, Planet::defaultViewRadius, std::make_unique<TerrainGeneratorEarth>(), startPosition) {}
};

// A planet around the start view that has converged: passes and jobs in
// turn until a pass finds nothing to do. Built once, on first use (a few
// seconds).
struct ConvergedPlanet {
    ConvergedPlanet() {
        ChunkFactory factory;
        FactoryWorkspace workspace;
        do {
            manager.pass();
            while (serveOneRequest(factory, host, workspace)) {
            }
        } while (planet.stats().quietPasses == 0);
    }

    NullGraphicsDevice device;
    StartState planet{device};
    PlanetFactoryHost host{PlanetFactorySide(planet)};
    Manager manager{PlanetManagerSide(planet)};
};

ConvergedPlanet& convergedPlanet() {
    static ConvergedPlanet* const instance = new ConvergedPlanet;
    return *instance;
}

void reportPerChunk(benchmark::State& state, const Manager& manager) {
    state.counters["chunks"] = static_cast<double>(manager.residentCount());
    reportTimePer(state, "per_chunk", static_cast<double>(manager.residentCount()));
}

void BM_ManagerPassConverged(benchmark::State& state) {
    ConvergedPlanet& converged = convergedPlanet();
    for (auto _ : state) converged.manager.pass();
    if (converged.planet.stats().quietPasses == 0) state.SkipWithError("a converged pass found work to do");
    reportPerChunk(state, converged.manager);
}

void BM_ScanOctantsConverged(benchmark::State& state) {
    ConvergedPlanet& converged = convergedPlanet();
    for (auto _ : state) {
        for (const Octant& octant : octantScanOrder) converged.manager.scanOctant(octant);
    }
    reportPerChunk(state, converged.manager);
}

void BM_SweepGapsConverged(benchmark::State& state) {
    ConvergedPlanet& converged = convergedPlanet();
    for (auto _ : state) converged.manager.sweepGaps();
    if (!converged.planet.idle()) state.SkipWithError("a sweep of the converged planet requested chunks");
    reportPerChunk(state, converged.manager);
}

void BM_MapPassConverged(benchmark::State& state) {
    ConvergedPlanet& converged = convergedPlanet();
    const float radius = converged.planet.viewRadius;
    for (auto _ : state) converged.manager.mapPass(radius * radius * Manager::dropFactor);
    if (!converged.manager.eraseBatch().empty()) state.SkipWithError("the converged planet has chunks to drop");
    reportPerChunk(state, converged.manager);
}

void walkOctants(Manager& manager) {
    for (const Octant& octant : octantScanOrder) manager.scanOctant(octant);
}

void BM_ManagerPassEmpty(benchmark::State& state) {
    NullGraphicsDevice device;
    StartState planet(device);
    Manager manager{PlanetManagerSide(planet)};
    PlanetFactorySide factories(planet);
    std::size_t requested = 0;
    for (auto _ : state) {
        walkOctants(manager);
        state.PauseTiming();
        requested = planet.queuedRequests();
        ChunkRequest request;
        while (factories.tryPopRequest(request)) factories.finishRequest(request.key);
        state.ResumeTiming();
    }
    state.counters["requests"] = static_cast<double>(requested);
    reportTimePer(state, "per_request", static_cast<double>(requested));
}

// A new planet and manager for each iteration, made and freed untimed;
// `work` is timed.
template <typename Work>
void onNewManagers(benchmark::State& state, Work work) {
    NullGraphicsDevice device;
    std::size_t requested = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto planet = std::make_unique<StartState>(device);
        auto manager = std::make_unique<Manager>(PlanetManagerSide(*planet));
        state.ResumeTiming();
        work(*manager);
        state.PauseTiming();
        requested = planet->queuedRequests();
        manager.reset();
        planet.reset();
        state.ResumeTiming();
    }
    state.counters["requests"] = static_cast<double>(requested);
}

void BM_WalkCold(benchmark::State& state) { onNewManagers(state, walkOctants); }

void BM_ManagerFirstPassCold(benchmark::State& state) {
    onNewManagers(state, [](Manager& manager) { manager.pass(); });
}

BENCHMARK(BM_ManagerPassConverged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanOctantsConverged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SweepGapsConverged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapPassConverged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManagerPassEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManagerFirstPassCold)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace gravelkin::bench
