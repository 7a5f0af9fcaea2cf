// A rendered picture: linear floats, one or three channels per pixel, row by
// row from the top. A frame is RGB; an output of one node may be a scalar.
#pragma once

#include <cstddef>
#include <vector>

namespace render {

struct Image {
    int width = 0, height = 0, channels = 3;
    std::vector<float> values;

    Image() = default;
    Image(int w, int h, int c = 3)
        : width(w),
          height(h),
          channels(c),
          values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                     static_cast<std::size_t>(c),
                 0.0f) {}
    float *pixel(int x, int y) {
        return &values[(static_cast<std::size_t>(y) * width + x) * channels];
    }
    const float *pixel(int x, int y) const {
        return &values[(static_cast<std::size_t>(y) * width + x) * channels];
    }
};

}  // namespace render
