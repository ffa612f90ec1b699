// terrain_probe: builds and meshes the chunks around one key with the null
// graphics device and prints, per chunk, the fill state, the face count and
// the time taken, so the terrain pipeline can be watched at work from the
// command line, without a window or a GPU.
//
// The key and its six neighbours (four finer chunks where the next shell is
// divided twice as finely) are meshed against their own neighbours, built
// first with the Earth generator, the way a worker finds them in the chunk
// map. Each is meshed several times by the fast mesher and by the reference
// one; the median of the mesher's own time is shown, apart from the upload to
// the null device (which copies the vertices, as a real upload would).
//
// With --memory it instead builds every chunk of the start view and reports
// what their voxels cost in memory.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "factory/chunk.h"
#include "factory/chunk_factory.h"
#include "factory/mesh_upload.h"
#include "factory/mesher/mesher.h"
#include "factory/mesher/voxel_sides.h"
#include "voxel/constant_voxel_blocks.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "planet/chunks_within.h"
#include "device/null_graphics_device.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin {
namespace {

constexpr const char* usage =
    "usage: terrain_probe [--repeat N] [x shell y face]\n"
    "       terrain_probe --memory\n"
    "  Builds the chunk (x, shell, y, face) and its neighbours with the Earth terrain\n"
    "  generator, meshes it and its six neighbours with a null graphics device, and\n"
    "  prints per chunk: key, fill state, faces, build time and mesh time.\n"
    "  Without a key it is 7 12 8 1, the chunk the camera starts in.\n"
    "  face is 0..5; x and y lie below the shell's chunks per side.\n"
    "  Mesh times are medians of N runs (default 5) of the mesher's own time, not\n"
    "  counting the null device's copy of the vertices; 'ref us' is the reference\n"
    "  mesher, which gives the same vertices.\n"
    "  --memory builds every chunk within 500 of (0, 400, 0), the start view, and\n"
    "  reports the memory their records and voxel blocks take.\n";

// Far enough out for any terrain, near enough for the level table to stay small.
constexpr std::uint32_t largestShell = 65535;

using Clock = std::chrono::steady_clock;
using Count = unsigned long long;  // what printf's %llu takes

struct BuiltChunk {
    std::shared_ptr<Chunk> chunk;
    double buildMicroseconds = 0.0;
    bool generated = false;  // went through the generator (not a constant fill)
};

struct MeshedChunk {
    ChunkKey key;
    std::string role;
    std::uint32_t faces = 0;
    std::optional<double> meshMicroseconds{};       // none: nothing to mesh (all air)
    std::optional<double> referenceMicroseconds{};  // the reference mesher's
    double copyMicroseconds = 0.0;                  // the null device's, per run
};

struct Options {
    ChunkKey key{7, 12, 8, 1};
    int repeat = 5;
    bool memory = false;
};

// Whether the build step samples the generator for `key` (its shell is
// neither wholly above nor wholly below the terrain band).
bool throughTheGenerator(const TerrainGeneratorBase& generator, const ChunkKey& key) {
    const std::uint32_t inner = 32 * key.shell;
    return !(inner > generator.emptyAboveRadius) && !(inner + 31 < generator.solidBelowRadius);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::string keyText(const ChunkKey& key) {
    char text[64];
    std::snprintf(text, sizeof text, "(%u, %u, %u, face %u)", static_cast<unsigned>(key.x),
                  static_cast<unsigned>(key.shell), static_cast<unsigned>(key.y), static_cast<unsigned>(key.face));
    return text;
}

const char* directionName(Direction direction) {
    constexpr const char* names[directionCount] = {"PlusY", "Outward", "MinusY", "Inward", "MinusX", "PlusX"};
    return names[direction];
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
std::optional<int> parseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string_view> numbers;
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg == "--memory") {
            options.memory = true;
        } else if (arg == "--repeat") {
            std::uint32_t repeat = 0;
            if (a + 1 >= argc || !parseNumber(argv[a + 1], repeat) || repeat == 0 || repeat > 1000) {
                return fail("--repeat takes a whole number from 1 to 1000");
            }
            options.repeat = static_cast<int>(repeat);
            ++a;
        } else if (arg.starts_with("-")) {
            return fail("unknown option '" + std::string(arg) + "'");
        } else {
            numbers.push_back(arg);
        }
    }
    if (numbers.empty()) return std::nullopt;
    if (options.memory) return fail("--memory takes no key");
    if (numbers.size() != 4) {
        return fail("expected four numbers x shell y face, got " + std::to_string(numbers.size()) + " arguments");
    }

    const char* names[4] = {"x", "shell", "y", "face"};
    std::uint32_t values[4];
    for (int a = 0; a < 4; ++a) {
        if (!parseNumber(numbers[a], values[a])) {
            return fail(std::string("the ") + names[a] + " argument '" + std::string(numbers[a]) +
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
    options.key = {values[0], values[1], values[2], static_cast<std::uint8_t>(values[3])};
    return std::nullopt;
}

class Probe {
public:
    Probe(const ChunkKey& key, int repeat) : key_(key), repeat_(repeat) {}

    int run() {
        // The meshed chunks: the key, then its neighbours in direction order.
        meshed_.push_back({key_, "key"});
        for (const Direction d : allDirections) {
            for (const ChunkKey& k : chunkKeysAcross(key_, d)) meshed_.push_back({k, directionName(d)});
        }
        // Build each meshed chunk and all it is meshed against, once each.
        for (const MeshedChunk& m : meshed_) {
            build(m.key);
            for (const Direction d : allDirections) {
                for (const ChunkKey& k : chunkKeysAcross(m.key, d)) build(k);
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
        entry.generated = throughTheGenerator(generator_, key);
        const auto start = Clock::now();
        entry.chunk = factory_.buildChunk(key, generator_);
        entry.buildMicroseconds = microsecondsSince(start);
        built_.emplace(key, std::move(entry));
        buildOrder_.push_back(key);
    }

    // As a worker does it: gather the neighbours, lend the fine ones, mesh;
    // repeat_ times with each mesher, the fast one last, whose mesh stays.
    void mesh(MeshedChunk& m) {
        Chunk& chunk = *built_.at(m.key).chunk;
        if (!chunk.meshPending.load()) return;  // all air: never meshed
        FineNeighbourMap fine;
        for (const Direction d : allDirections) {
            const std::vector<ChunkKey> across = chunkKeysAcross(m.key, d);
            chunk.neighbours[d] = across.size() == 1 ? built_.at(across[0]).chunk.get() : nullptr;
            if (across.size() == 1) continue;
            for (const ChunkKey& k : across) fine.emplace(k, built_.at(k).chunk);
        }
        m.referenceMicroseconds = meshTimes(chunk, fine, true).first;
        const auto [fast, copy] = meshTimes(chunk, fine, false);
        m.meshMicroseconds = fast;
        m.copyMicroseconds = copy;
        m.faces = chunk.vertexCount.load() / triangleListVerticesPerFace;
    }

    // Medians of the mesher's own time and of the device's copy, each run
    // as a mesh job does it (meshGathered).
    std::pair<double, double> meshTimes(Chunk& chunk, const FineNeighbourMap& fine, bool reference) {
        std::vector<double> own, copy;
        MesherOutput& output = threadMesherOutput();
        for (int run = 0; run < repeat_; ++run) {
            if (chunk.vertexBuffer != nullptr) chunk.vertexBuffer->release();
            chunk.vertexBuffer = nullptr;
            chunk.vertexCount.store(0);
            const auto start = Clock::now();
            chunk.fineNeighbours = &fine;
            resetForChunk(factory_.cache, chunk.key);
            factory_.cache.columnOffset = 0.0f;
            const MesherInput input{chunk, factory_.cache};
            reference ? meshChunkReference(input, output) : meshChunk(input, output);
            chunk.fineNeighbours = nullptr;
            own.push_back(microsecondsSince(start));
            const auto copyStart = Clock::now();
            if (output.faces.count != 0) publishMesh(chunk, device_, output.faces);
            copy.push_back(microsecondsSince(copyStart));
            output.trim();
        }
        chunk.meshPending.store(false);
        return {median(own), median(copy)};
    }

    void report() const {
        std::printf("%-8s %-26s %-9s %8s %10s %10s %10s\n", "role", "key (x, shell, y, face)", "fill", "faces",
                    "build us", "mesh us", "ref us");
        double meshTotal = 0.0, referenceTotal = 0.0, copyTotal = 0.0;
        std::uint64_t facesTotal = 0;
        std::uint32_t meshedCount = 0;
        for (const MeshedChunk& m : meshed_) {
            const BuiltChunk& b = built_.at(m.key);
            char meshText[32] = "-";
            char referenceText[32] = "-";
            if (m.meshMicroseconds) {
                std::snprintf(meshText, sizeof meshText, "%.1f", *m.meshMicroseconds);
                std::snprintf(referenceText, sizeof referenceText, "%.1f", *m.referenceMicroseconds);
                meshTotal += *m.meshMicroseconds;
                referenceTotal += *m.referenceMicroseconds;
                copyTotal += m.copyMicroseconds;
                facesTotal += m.faces;
                ++meshedCount;
            }
            std::printf("%-8s %-26s %-9s %8u %10.1f %10s %10s\n", m.role.c_str(), keyText(m.key).c_str(),
                        fillStateName(b.chunk->fillState), m.faces, b.buildMicroseconds, meshText, referenceText);
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

        std::printf("\nkey: %s\n", keyText(key_).c_str());
        std::printf("chunks built: %zu\n", buildOrder_.size());
        std::printf("chunks generated: %u\n", generatedCount);
        std::printf("generated voxels: %llu\n", Count{generatedVoxels});
        std::printf("build time us: %.1f\n", buildTotal);
        std::printf("generate time us: %.1f\n", generateTotal);
        std::printf("ns per generated voxel: %.2f\n",
                    generatedVoxels ? generateTotal * 1000.0 / static_cast<double>(generatedVoxels) : 0.0);
        const auto perChunk = [&](double total) { return meshedCount ? total / meshedCount : 0.0; };
        const auto perFace = [&](double total) { return facesTotal ? total * 1000.0 / double(facesTotal) : 0.0; };
        std::printf("chunks meshed: %u\n", meshedCount);
        std::printf("faces: %llu\n", Count{facesTotal});
        std::printf("mesh runs per chunk: %d (medians)\n", repeat_);
        std::printf("mesh time us: %.1f\n", meshTotal);
        std::printf("us per meshed chunk: %.1f\n", perChunk(meshTotal));
        std::printf("ns per face: %.1f\n", perFace(meshTotal));
        std::printf("reference us per meshed chunk: %.1f\n", perChunk(referenceTotal));
        std::printf("reference ns per face: %.1f\n", perFace(referenceTotal));
        std::printf("null device copy us per meshed chunk (not counted above): %.1f\n", perChunk(copyTotal));
        std::printf("vertex buffers: %lld\n", static_cast<long long>(device_.liveBuffers()));
    }

    ChunkKey key_;
    int repeat_;
    TerrainGeneratorEarth generator_;
    ChunkFactory factory_;
    NullGraphicsDevice device_;
    std::unordered_map<ChunkKey, BuiltChunk, ChunkKeyHasher> built_;
    std::vector<ChunkKey> buildOrder_;
    std::vector<MeshedChunk> meshed_;
};

// Every chunk of the start view, built as the streaming would build it, and
// what the chunks cost: the records, the blocks of their own and the shared
// constant blocks.
class MemoryProbe {
public:
    int run() {
        const Vec3 camera{0.0f, 400.0f, 0.0f};
        const float viewRadius = 500.0f;
        const std::vector<ChunkKey> keys = chunkKeysWithin(camera, viewRadius);
        const std::int64_t blocksBefore = VoxelVolume::liveOwnBlocks();
        std::vector<std::unique_ptr<Chunk>> chunks;
        chunks.reserve(keys.size());
        std::uint64_t byState[4] = {};
        std::uint64_t generated = 0;
        const auto start = Clock::now();
        for (const ChunkKey& key : keys) {
            generated += throughTheGenerator(generator_, key);
            chunks.push_back(factory_.buildChunk(key, generator_));
            ++byState[static_cast<std::size_t>(chunks.back()->fillState)];
        }
        const double buildSeconds = microsecondsSince(start) / 1e6;

        std::uint64_t ownBlocks = 0;
        for (const auto& chunk : chunks) ownBlocks += chunk->voxels.ownsBlock();
        const std::uint64_t count = chunks.size();
        const std::uint64_t recordBytes = count * sizeof(Chunk);
        const std::uint64_t ownBytes = ownBlocks * sizeof(VoxelBlock);
        const std::uint64_t sharedBytes = constantVoxelBlockCount() * sizeof(VoxelBlock);
        const std::uint64_t total = recordBytes + ownBytes + sharedBytes;
        // What the chunks would take with every record holding its voxels
        // inline.
        const std::uint64_t inlineBytes = count * (sizeof(Chunk) - sizeof(VoxelVolume) + sizeof(VoxelBlock));
        const auto gib = [](std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0); };

        const auto inState = [&](ChunkFillState state) { return Count{byState[static_cast<std::size_t>(state)]}; };
        std::printf("view: camera (0, 400, 0), radius %.0f\n", static_cast<double>(viewRadius));
        std::printf("chunks: %llu\n", Count{count});
        std::printf("chunks generated: %llu\n", Count{generated});
        std::printf("fill states: ChunkFillState::Mixed %llu, ChunkFillState::AllAir %llu, "
                    "ChunkFillState::AllSolid %llu\n",
                    inState(ChunkFillState::Mixed), inState(ChunkFillState::AllAir), inState(ChunkFillState::AllSolid));
        std::printf("chunks with a voxel block of their own: %llu\n", Count{ownBlocks});
        std::printf("chunks on a shared constant block: %llu\n", Count{count - ownBlocks});
        std::printf("shared constant blocks: %zu\n", constantVoxelBlockCount());
        std::printf("bytes per chunk record: %zu\n", sizeof(Chunk));
        std::printf("bytes per voxel block: %zu\n", sizeof(VoxelBlock));
        std::printf("bytes per constant chunk: %zu\n", sizeof(Chunk));
        std::printf("bytes per generated chunk with a block: %zu\n", sizeof(Chunk) + sizeof(VoxelBlock));
        std::printf("chunk memory bytes: %llu (%.3f GiB)\n", Count{total}, gib(total));
        std::printf("chunk memory with voxels inline in every record: %llu (%.3f GiB)\n", Count{inlineBytes},
                    gib(inlineBytes));
        std::printf("own blocks counted by the volume: %lld\n",
                    static_cast<long long>(VoxelVolume::liveOwnBlocks() - blocksBefore));
        std::printf("build time s: %.1f\n", buildSeconds);
        return 0;
    }

private:
    TerrainGeneratorEarth generator_;
    ChunkFactory factory_;
};

}  // namespace
}  // namespace gravelkin

int main(int argc, char** argv) {
    gravelkin::Options options;
    if (const auto exitCode = gravelkin::parseOptions(argc, argv, options)) return *exitCode;
    if (options.memory) return gravelkin::MemoryProbe().run();
    gravelkin::Probe probe(options.key, options.repeat);
    return probe.run();
}
