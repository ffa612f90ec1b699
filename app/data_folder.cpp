#include "app/data_folder.h"

#include <system_error>

namespace gravelkin {

std::string DataFolderSearch::lookedInText() const {
    std::string text;
    for (std::size_t i = 0; i < lookedIn.size(); ++i) {
        if (i != 0) text += i + 1 == lookedIn.size() ? " and " : ", ";
        text += lookedIn[i].string();
    }
    return text;
}

DataFolderSearch findDataFolder(const std::filesystem::path& workingFolder,
                                const std::filesystem::path& executableFolder,
                                const std::filesystem::path& dataFromExecutable) {
    DataFolderSearch search;
    search.lookedIn.push_back(workingFolder);
    if (!executableFolder.empty()) search.lookedIn.push_back((executableFolder / dataFromExecutable).lexically_normal());
    for (const std::filesystem::path& folder : search.lookedIn) {
        std::error_code error;
        if (std::filesystem::is_regular_file(folder / "shaders.hlsl", error)) {
            search.found = folder;
            break;
        }
    }
    return search;
}

std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : executable.parent_path();
}

}  // namespace gravelkin
