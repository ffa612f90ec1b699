#include "render/image_file.h"

#include <cstring>

#include <stb_image.h>
#include <stb_image_write.h>

namespace gravelkin {

bool loadRgbaImage(const std::string& path, RgbaImage& image, std::string& error) {
    int width = 0;
    int height = 0;
    int channels = 0;
    // No vertical flip: the first row in the file is the top of the image and
    // the first row uploaded, so texture coordinate v = 0 is the image's top.
    stbi_set_flip_vertically_on_load(0);
    stbi_uc* data = stbi_load(path.c_str(), &width, &height, &channels, 4);
    if (data == nullptr) {
        const char* reason = stbi_failure_reason();
        error = reason != nullptr ? reason : "unknown error";
        return false;
    }
    image.width = width;
    image.height = height;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    image.pixels.assign(data, data + bytes);
    stbi_image_free(data);
    return true;
}

bool writePng(const std::string& path, const RgbaImage& image) {
    return stbi_write_png(path.c_str(), image.width, image.height, 4, image.pixels.data(), image.width * 4) != 0;
}

bool writeJpeg(const std::string& path, const RgbaImage& image, int quality) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i) std::memcpy(&rgb[i * 3], &image.pixels[i * 4], 3);
    return stbi_write_jpg(path.c_str(), image.width, image.height, 3, rgb.data(), quality) != 0;
}

}  // namespace gravelkin
