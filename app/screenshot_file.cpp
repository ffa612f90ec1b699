#include "app/screenshot_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace gravelkin {

bool writePngFile(const std::filesystem::path& path, const RgbaImage& image, std::string& message) {
    errno = 0;
    if (writePng(path.string(), image)) return true;
    const int reason = errno;
    message = "cannot write " + path.string() + ": " + (reason != 0 ? std::strerror(reason) : "the PNG encoder failed");
    return false;
}

std::filesystem::path screenshotPath(const std::filesystem::path& folder, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::filesystem::path base = folder / "screenshots" / (std::string("gravelkin-") + stamp);
    std::filesystem::path path = base.string() + ".png";
    std::error_code error;
    for (int counter = 2; std::filesystem::exists(path, error); ++counter) {
        path = base.string() + "-" + std::to_string(counter) + ".png";
    }
    return path;
}

bool saveScreenshot(const RgbaImage& image, const std::filesystem::path& folder, std::time_t when,
                    std::string& message) {
    std::error_code error;
    const std::filesystem::path screenshots = folder / "screenshots";
    std::filesystem::create_directories(screenshots, error);
    if (error) {
        message = "cannot create the folder " + screenshots.string() + ": " + error.message();
        return false;
    }
    const std::filesystem::path path = screenshotPath(folder, when);
    if (!writePngFile(path, image, message)) return false;
    message = path.string();
    return true;
}

}  // namespace gravelkin
