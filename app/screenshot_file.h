// Where a screenshot goes and its writing: screenshots/gravelkin-YYYYMMDD-
// HHMMSS.png (local time) under a folder, with -2, -3, ... before ".png"
// while the name is taken, so no screenshot is overwritten.
//
// Threads: any; two callers writing at once could pick the same name.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

#include "render/image_file.h"

namespace gravelkin {

// Writes `image` as a PNG at `path`; on failure `message` says what failed
// and why (the system's reason where there is one).
bool writePngFile(const std::filesystem::path& path, const RgbaImage& image, std::string& message);

// The first free name for a screenshot taken at `when` under `folder`.
std::filesystem::path screenshotPath(const std::filesystem::path& folder, std::time_t when);

// Creates `folder`/screenshots if need be and writes `image` to the first
// free name. On success `message` holds the path written; on failure, what
// failed and why.
bool saveScreenshot(const RgbaImage& image, const std::filesystem::path& folder, std::time_t when,
                    std::string& message);

}  // namespace gravelkin
