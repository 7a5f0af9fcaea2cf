#include "host/io/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace host {
namespace {

// Where libpng's error handler leaves its message and jumps back to.
struct Failure {
    std::jmp_buf jump;
    char message[256] = "";
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
    auto *failure = static_cast<Failure *>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    std::longjmp(failure->jump, 1);
}

void onWarning(png_structp, png_const_charp) {}

int colorTypeOf(int channels) {
    switch (channels) {
        case 1:
            return PNG_COLOR_TYPE_GRAY;
        case 2:
            return PNG_COLOR_TYPE_GRAY_ALPHA;
        case 3:
            return PNG_COLOR_TYPE_RGB;
        default:
            return PNG_COLOR_TYPE_RGB_ALPHA;
    }
}

// libpng reports an error by jumping back to the setjmp below: nothing in
// this function may need destroying, so it holds plain data only.
bool writeStream(std::FILE *out, int width, int height, int channels, const std::uint8_t *samples,
                 PngColors colors, Failure &failure) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(failure.message, sizeof failure.message, "out of memory");
        return false;
    }
    if (setjmp(failure.jump)) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 colorTypeOf(channels), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colors == PngColors::Srgb)
        png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_ABSOLUTE);
    else if (colors == PngColors::Linear)
        png_set_gAMA_fixed(png, info, PNG_GAMMA_LINEAR);
    png_write_info(png, info);
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    for (int y = 0; y < height; ++y)
        png_write_row(png, samples + static_cast<std::size_t>(y) * row);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::string writePng(const std::string &file, int width, int height, int channels,
                     const std::uint8_t *samples, PngColors colors) {
    if (width <= 0 || height <= 0 || channels < 1 || channels > 4 || !samples)
        return "cannot write a PNG of " + std::to_string(width) + " × " + std::to_string(height) +
               " pixels of " + std::to_string(channels) + " channels";
    std::FILE *out = std::fopen(file.c_str(), "wb");
    if (!out) return std::strerror(errno);
    Failure failure;
    const bool wrote = writeStream(out, width, height, channels, samples, colors, failure);
    const bool flushed = std::fflush(out) == 0 && !std::ferror(out);
    const int flushError = errno;
    const bool closed = std::fclose(out) == 0;
    if (!wrote) return failure.message;
    if (!flushed || !closed) return std::strerror(flushed ? errno : flushError);
    return {};
}

}  // namespace host
