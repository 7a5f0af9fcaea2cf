// Test images written through the image library the host reads them with,
// so that tests need no image library of their own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>

#include "host/io/image_library.h"

namespace testing_support {

// Writes the pixels, in bytes or floats, to a file whose format its name
// gives; the failure names the file and the library's reason.
template <class T>
testing::AssertionResult writeImage(const std::string &file, int width, int height, int channels,
                                    const T *pixels) {
    host::ImageWrite picture;
    picture.format = file;
    picture.width = width;
    picture.height = height;
    picture.channels = channels;
    if constexpr (std::is_same_v<T, std::uint8_t>) {
        picture.stored = host::StoredType::UInt8;
        picture.bytes = pixels;
    } else {
        static_assert(std::is_same_v<T, float>);
        picture.floats = pixels;
    }
    std::string reason;
    if (host::imageLibrary(file, "writing").write(file, picture, reason))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << file << ": " << reason;
}

}  // namespace testing_support
