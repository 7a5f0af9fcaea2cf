// A rendered frame: linear RGB floats, row by row from the top.
#pragma once

#include <filesystem>
#include <vector>

namespace render {

struct Image {
    int width = 0, height = 0;
    std::vector<float> rgb;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, 0.0f) {}
    float *pixel(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
    const float *pixel(int x, int y) const {
        return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    }
};

// 8-bit PNG with the sRGB transfer curve (or, when linear, the values as
// they are), clamped to 0..1. Written to a temporary beside the file and
// renamed, so a failed write leaves no half-written image; throws
// std::runtime_error naming the file.
void writePng(const Image &image, const std::filesystem::path &file, bool linear = false);
// Linear floats, bottom row first, as PFM readers expect.
void writePfm(const Image &image, const std::filesystem::path &file);

}  // namespace render
