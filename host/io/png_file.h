// Writing 8-bit PNG files with libpng alone. Most renders write PNG, and
// writing it here spares them loading the image library.
#pragma once

#include <cstdint>
#include <string>

namespace host {

// What the file says about its colours, for the programs that show it.
enum class PngColors {
    Unmarked,  // nothing
    Srgb,      // the values went through the sRGB curve
    Linear,    // the values are linear (a gamma of 1)
};

// Writes width × height pixels of `channels` samples each (1 grey, 2 grey and
// alpha, 3 RGB, 4 RGBA), rows from the top, to the file, which it creates or
// truncates. Returns why it failed, empty on success; a failed write may
// leave a partial file behind, so callers write to a temporary.
[[nodiscard]] std::string writePng(const std::string &file, int width, int height, int channels,
                                   const std::uint8_t *samples, PngColors colors);

}  // namespace host
