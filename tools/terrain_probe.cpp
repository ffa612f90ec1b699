// terrain_probe: builds and meshes the chunks around one key with the null
// graphics device and prints, per chunk, the fill state, the face count and
// the time taken, so the terrain pipeline can be watched at work from the
// command line, without a window or a GPU.
//
// The key and its six neighbours (four finer chunks where the next shell is
// divided twice as finely) are meshed; everything they need to be meshed
// against, their own neighbours, is built first with the Earth generator, the
// way a worker would find it in the chunk map.
//
// Usage: terrain_probe [x shell y face]   (default 7 12 8 1, the camera's start)
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "factory/chunk.h"
#include "factory/chunk_factory.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "render/null_graphics_device.h"
#include "terrain/terrain_generator_earth.h"

namespace gravelkin {
namespace {

constexpr const char* usage =
    "usage: terrain_probe [x shell y face]\n"
    "  Builds the chunk (x, shell, y, face) and its neighbours with the Earth terrain\n"
    "  generator, meshes it and its six neighbours with a null graphics device, and\n"
    "  prints per chunk: key, fill state, faces, build time and mesh time.\n"
    "  Without arguments the key is 7 12 8 1, the chunk the camera starts in.\n"
    "  face is 0..5; x and y lie below the shell's chunks per side.\n";

// Far enough out for any terrain, near enough for the level table to stay small.
constexpr std::uint32_t largestShell = 65535;

using Clock = std::chrono::steady_clock;
using ChunkTable = std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher>;

struct BuiltChunk {
    std::shared_ptr<Chunk> chunk;
    double buildMicroseconds = 0.0;
    bool generated = false;  // went through the generator (not a constant fill)
};

struct MeshedChunk {
    ChunkKey key;
    std::string role;
    std::uint32_t faces = 0;
    std::optional<double> meshMicroseconds;  // none: nothing to mesh (all air)
};

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::string keyText(const ChunkKey& key) {
    char text[64];
    std::snprintf(text, sizeof text, "(%u, %u, %u, face %u)", static_cast<unsigned>(key.x),
                  static_cast<unsigned>(key.shell), static_cast<unsigned>(key.y), static_cast<unsigned>(key.face));
    return text;
}

const char* fillStateName(ChunkFillState state) {
    switch (state) {
        case Mixed: return "Mixed";
        case AllAir: return "AllAir";
        case AllSolid: return "AllSolid";
        default: return "Unknown";
    }
}

const char* directionName(std::uint8_t direction) {
    constexpr const char* names[6] = {"PlusY", "Outward", "MinusY", "Inward", "MinusX", "PlusX"};
    return names[direction];
}

// The chunk keys across one side: one key, or four where the space is split.
std::vector<ChunkKey> keysAcross(const ChunkKey& key, std::uint8_t direction) {
    const NeighbourStep<ChunkKey> step = chunkNeighbour(key, direction);
    if (!step.split) return {step.address};
    std::vector<ChunkKey> keys;
    for (std::uint32_t k = 0; k < 4; ++k) {
        ChunkKey fine = step.address;
        fine.x += (k == 1 || k == 3) ? 1 : 0;
        fine.y += (k == 2 || k == 3) ? 1 : 0;
        keys.push_back(fine);
    }
    return keys;
}

bool parseNumber(std::string_view text, std::uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}

int fail(const std::string& message) {
    std::fprintf(stderr, "terrain_probe: %s\n%s", message.c_str(), usage);
    return 2;
}

// Returns the exit code when the arguments end the run (help or an error).
std::optional<int> parseKey(int argc, char** argv, ChunkKey& key) {
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
    }
    if (argc == 1) return std::nullopt;
    if (argc != 5) return fail("expected four numbers x shell y face, got " + std::to_string(argc - 1) + " arguments");

    const char* names[4] = {"x", "shell", "y", "face"};
    std::uint32_t values[4];
    for (int a = 0; a < 4; ++a) {
        if (!parseNumber(argv[a + 1], values[a])) {
            return fail(std::string("the ") + names[a] + " argument '" + argv[a + 1] +
                        "' is not a non-negative whole number");
        }
    }
    if (values[3] > 5) return fail("face must be 0..5, got " + std::to_string(values[3]));
    if (values[1] > largestShell) {
        return fail("shell must be at most " + std::to_string(largestShell) + ", got " + std::to_string(values[1]));
    }
    const auto side = static_cast<std::uint32_t>(chunksPerSide(values[1]));
    if (values[0] >= side || values[2] >= side) {
        return fail("shell " + std::to_string(values[1]) + " has " + std::to_string(side) +
                    " chunks per side: x and y must be below " + std::to_string(side));
    }
    key = {values[0], values[1], values[2], static_cast<std::uint8_t>(values[3])};
    return std::nullopt;
}

class Probe {
public:
    explicit Probe(const ChunkKey& key) : key_(key) {}

    int run() {
        // The meshed chunks: the key, then its neighbours in direction order.
        meshed_.push_back({key_, "key", 0, std::nullopt});
        for (std::uint8_t d = 0; d < 6; ++d) {
            for (const ChunkKey& k : keysAcross(key_, d)) meshed_.push_back({k, directionName(d), 0, std::nullopt});
        }
        // Build each meshed chunk and all it is meshed against, once each.
        for (const MeshedChunk& m : meshed_) {
            build(m.key);
            for (std::uint8_t d = 0; d < 6; ++d) {
                for (const ChunkKey& k : keysAcross(m.key, d)) build(k);
            }
        }
        for (MeshedChunk& m : meshed_) mesh(m);
        report();
        return 0;
    }

private:
    void build(const ChunkKey& key) {
        if (built_.contains(key)) return;
        BuiltChunk entry;
        const std::uint32_t inner = 32 * key.shell;
        entry.generated = !(inner > generator_.emptyAboveRadius) && !(inner + 31 < generator_.solidBelowRadius);
        const auto start = Clock::now();
        entry.chunk = factory_.buildChunk(key, generator_);
        entry.buildMicroseconds = microsecondsSince(start);
        chunks_.emplace(key, entry.chunk);
        built_.emplace(key, std::move(entry));
        buildOrder_.push_back(key);
    }

    // As a worker does it: gather the neighbours, lend the fine ones, mesh.
    void mesh(MeshedChunk& m) {
        Chunk& chunk = *built_.at(m.key).chunk;
        if (!chunk.meshPending.load()) return;  // all air: never meshed
        FineNeighbourMap fine;
        for (std::uint8_t d = 0; d < 6; ++d) {
            const std::vector<ChunkKey> across = keysAcross(m.key, d);
            if (across.size() == 1) {
                chunk.neighbours[d] = chunks_.at(across[0]).get();
                continue;
            }
            for (const ChunkKey& k : across) fine.emplace(k, chunks_.at(k));
            chunk.neighbours[d] = nullptr;
        }
        const auto start = Clock::now();
        chunk.fineNeighbours = &fine;
        resetForChunk(factory_.cache, m.key);
        factory_.cache.columnOffset = 0.0f;
        chunk.buildMesh(factory_.cache, device_);
        chunk.fineNeighbours = nullptr;
        m.meshMicroseconds = microsecondsSince(start);
        m.faces = chunk.vertexCount.load() / 6;
    }

    void report() const {
        std::printf("%-8s %-26s %-9s %8s %10s %10s\n", "role", "key (x, shell, y, face)", "fill", "faces",
                    "build us", "mesh us");
        double meshTotal = 0.0;
        std::uint64_t facesTotal = 0;
        std::uint32_t meshedCount = 0;
        for (const MeshedChunk& m : meshed_) {
            const BuiltChunk& b = built_.at(m.key);
            char meshText[32] = "-";
            if (m.meshMicroseconds) {
                std::snprintf(meshText, sizeof meshText, "%.1f", *m.meshMicroseconds);
                meshTotal += *m.meshMicroseconds;
                facesTotal += m.faces;
                ++meshedCount;
            }
            std::printf("%-8s %-26s %-9s %8u %10.1f %10s\n", m.role.c_str(), keyText(m.key).c_str(),
                        fillStateName(b.chunk->fillState), m.faces, b.buildMicroseconds, meshText);
        }

        double buildTotal = 0.0, generateTotal = 0.0;
        std::uint64_t generatedVoxels = 0;
        std::uint32_t generatedCount = 0;
        for (const ChunkKey& k : buildOrder_) {
            const BuiltChunk& b = built_.at(k);
            buildTotal += b.buildMicroseconds;
            if (!b.generated) continue;
            ++generatedCount;
            generateTotal += b.buildMicroseconds;
            // Only the used columns of each layer are sampled.
            for (std::uint32_t r = 0; r < 32; ++r) {
                const std::uint64_t columns = columnsPerChunk(32 * k.shell + r);
                generatedVoxels += columns * columns;
            }
        }

        std::printf("\n");
        std::printf("key: %s\n", keyText(key_).c_str());
        std::printf("chunks built: %zu\n", buildOrder_.size());
        std::printf("chunks generated: %u\n", generatedCount);
        std::printf("generated voxels: %llu\n", static_cast<unsigned long long>(generatedVoxels));
        std::printf("build time us: %.1f\n", buildTotal);
        std::printf("generate time us: %.1f\n", generateTotal);
        std::printf("ns per generated voxel: %.2f\n",
                    generatedVoxels ? generateTotal * 1000.0 / static_cast<double>(generatedVoxels) : 0.0);
        std::printf("chunks meshed: %u\n", meshedCount);
        std::printf("faces: %llu\n", static_cast<unsigned long long>(facesTotal));
        std::printf("mesh time us: %.1f\n", meshTotal);
        std::printf("us per meshed chunk: %.1f\n", meshedCount ? meshTotal / meshedCount : 0.0);
        std::printf("vertex buffers: %lld\n", static_cast<long long>(device_.liveBuffers()));
    }

    ChunkKey key_;
    TerrainGeneratorEarth generator_;
    ChunkFactory factory_;
    NullGraphicsDevice device_;
    std::unordered_map<ChunkKey, BuiltChunk, ChunkKeyHasher> built_;
    ChunkTable chunks_;
    std::vector<ChunkKey> buildOrder_;
    std::vector<MeshedChunk> meshed_;
};

}  // namespace
}  // namespace gravelkin

int main(int argc, char** argv) {
    gravelkin::ChunkKey key{7, 12, 8, 1};
    if (const auto exitCode = gravelkin::parseKey(argc, argv, key)) return *exitCode;
    gravelkin::Probe probe(key);
    return probe.run();
}
