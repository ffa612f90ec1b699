// Reading and writing the image files the renderer and its tools use.
//
// Images are 8-bit RGBA, top row first: texel (0, 0) is the top-left corner,
// which the shaders see at texture coordinate v = 0.
//
// Threads: any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravelkin {

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes, row by row, top row first
};

// Loads any format stb_image reads (JPEG, PNG, ...). False, with a reason in
// `error`, when the file is missing or unreadable.
bool loadRgbaImage(const std::string& path, RgbaImage& image, std::string& error);

// Writes a PNG. False when the file cannot be written.
bool writePng(const std::string& path, const RgbaImage& image);

// Writes an RGB JPEG at the given quality (1 to 100); alpha is dropped.
bool writeJpeg(const std::string& path, const RgbaImage& image, int quality);

}  // namespace gravelkin
