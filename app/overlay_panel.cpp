#include "app/overlay_panel.h"

#include <algorithm>
#include <cstdio>

#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>

#include "app/overlay_far_terrain_lines.h"
#include "app/overlay_memory_lines.h"

namespace gravelkin {

namespace {

// The backend's GLSL variant for a 4.x core context.
constexpr const char* shaderVersion = "#version 410 core";
// ImGui refuses a zero time step.
constexpr float minimumStep = 1e-4f;

double mib(std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

void chunkLines(const OverlayFigures& f) {
    const ChunkCensus& c = f.chunks;
    ImGui::Text("chunks %zu: mixed %zu, all air %zu, all solid %zu", c.chunks, c.count(ChunkFillState::Mixed),
                c.count(ChunkFillState::AllAir), c.count(ChunkFillState::AllSolid));
    ImGui::Text("meshed %zu, queued %zu, in flight %zu", c.meshed, f.queued, f.inFlight);
    ImGui::Text("faces %llu, vertex memory %.1f MiB", static_cast<unsigned long long>(c.faces), mib(c.vertexBytes));
    ImGui::Text("chunk memory %.1f MiB, resident %.1f MiB", mib(c.memoryBytes),
                static_cast<double>(f.residentKiB) / 1024.0);
}

// Three to a line, in the order of their list.
void streamingLines(const OverlayFigures& f) {
    constexpr std::size_t perLine = 3;
    std::size_t shown = 0;
    for (const StreamingCounterEntry& counted : streamingCounterTable) {
        if (shown++ % perLine != 0) ImGui::SameLine();
        ImGui::Text("%s %llu", counted.name, static_cast<unsigned long long>(f.streaming.*counted.stat));
    }
}

void cameraLines(const OverlayFigures& f) {
    ImGui::Text("camera (%.1f, %.1f, %.1f), %.1f from the centre", static_cast<double>(f.camera.x),
                static_cast<double>(f.camera.y), static_cast<double>(f.camera.z),
                static_cast<double>(f.distanceFromCentre));
    const ChunkKey& k = f.cameraChunk;
    ImGui::Text("chunk x %u shell %u y %u face %u", k.x, k.shell, k.y, static_cast<unsigned>(k.face));
    const std::string radius = radiusLine(f);
    const std::string memory = memoryLine(f);
    ImGui::TextUnformatted(radius.c_str());
    ImGui::TextUnformatted(memory.c_str());
}

}  // namespace

std::unique_ptr<OverlayPanel> OverlayPanel::create(int width, int height, std::string& error) {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_NoMouse | ImGuiConfigFlags_NoMouseCursorChange;
    ImGui::StyleColorsDark();
    if (!ImGui_ImplOpenGL3_Init(shaderVersion)) {
        ImGui::DestroyContext();
        error = "Dear ImGui's OpenGL 3 backend did not start";
        return nullptr;
    }
    return std::unique_ptr<OverlayPanel>(new OverlayPanel(width, height));
}

OverlayPanel::~OverlayPanel() {
    ImGui_ImplOpenGL3_Shutdown();
    ImGui::DestroyContext();
}

void OverlayPanel::draw(const OverlayFigures& figures, float frameSeconds) {
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(width_), static_cast<float>(height_));
    io.DeltaTime = std::max(frameSeconds, minimumStep);
    ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f));
    ImGui::SetNextWindowBgAlpha(0.6f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoInputs | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    ImGui::Begin("Statistics", nullptr, flags);
    ImGui::Text("%.0f frames per second", static_cast<double>(figures.framesPerSecond));
    const std::vector<float>& times = figures.frameMilliseconds;
    const float slowest = times.empty() ? 0.0f : *std::max_element(times.begin(), times.end());
    char caption[64];
    std::snprintf(caption, sizeof caption, "frame ms, last %.0f s (max %.1f)",
                  static_cast<double>(OverlayFigureRecorder::historySeconds), static_cast<double>(slowest));
    ImGui::PlotLines("##frame times", times.data(), static_cast<int>(times.size()), 0, caption, 0.0f,
                     std::max(slowest, 1.0f) * 1.2f, ImVec2(360.0f, 70.0f));
    chunkLines(figures);
    for (const std::string& line : farTerrainLines(figures)) ImGui::TextUnformatted(line.c_str());
    streamingLines(figures);
    cameraLines(figures);
    ImGui::End();
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

}  // namespace gravelkin
