#include "host/raytracer/image.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace render {
namespace {

std::uint8_t encodeSrgb(float linear) {
    const double v = std::clamp(static_cast<double>(linear), 0.0, 1.0);
    const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(encoded * 255.0));
}

void replace(const std::filesystem::path &temporary, const std::filesystem::path &file) {
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw std::runtime_error(file.string() + ": cannot write the image");
    }
}

std::filesystem::path partial(const std::filesystem::path &file) {
    auto temporary = file;
    temporary += ".partial";
    return temporary;
}

}  // namespace

void writePng(const Image &image, const std::filesystem::path &file, bool linear) {
    std::vector<std::uint8_t> bytes(image.rgb.size());
    std::transform(image.rgb.begin(), image.rgb.end(), bytes.begin(), [linear](float v) {
        return linear ? static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f))
                      : encodeSrgb(v);
    });
    const auto temporary = partial(file);
    if (!stbi_write_png(temporary.c_str(), image.width, image.height, 3, bytes.data(),
                        image.width * 3)) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw std::runtime_error(file.string() + ": cannot write the PNG image");
    }
    replace(temporary, file);
}

void writePfm(const Image &image, const std::filesystem::path &file) {
    const auto temporary = partial(file);
    std::FILE *out = std::fopen(temporary.c_str(), "wb");
    if (!out) throw std::runtime_error(file.string() + ": cannot write the PFM image");
    // A negative scale says little-endian, which this machine is.
    bool ok = std::fprintf(out, "PF\n%d %d\n-1.0\n", image.width, image.height) > 0;
    for (int y = image.height - 1; ok && y >= 0; --y)
        ok =
            std::fwrite(image.pixel(0, y), sizeof(float), static_cast<std::size_t>(image.width) * 3,
                        out) == static_cast<std::size_t>(image.width) * 3;
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw std::runtime_error(file.string() + ": writing the PFM image failed");
    }
    replace(temporary, file);
}

}  // namespace render
