// Where the program finds the files it reads at start-up (shaders.hlsl and
// assets/): the working folder first, then the data folder of an installed
// program, dataFromExecutable relative to the executable's folder (as
// `cmake --install` lays them out). A folder holds them when shaders.hlsl is
// a file in it; a missing texture is made up for by the renderer.
//
// Threads: any.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace gravelkin {

struct DataFolderSearch {
    std::optional<std::filesystem::path> found;
    std::vector<std::filesystem::path> lookedIn;  // in the order tried

    // "looked in A and B" style list for a message.
    std::string lookedInText() const;
};

DataFolderSearch findDataFolder(const std::filesystem::path& workingFolder,
                                const std::filesystem::path& executableFolder,
                                const std::filesystem::path& dataFromExecutable);

// The folder of the running executable, or empty when /proc cannot tell.
std::filesystem::path executableFolder();

}  // namespace gravelkin
