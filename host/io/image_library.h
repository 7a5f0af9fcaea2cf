// The image library: reading image files of every common format, filtered
// texture lookups, and writing EXR, HDR and TIFF. It lives in a shared
// library of its own (liborvimageio.so), because the library it is made of
// pulls in some two hundred more, whose loading cost every run of orvhost
// most of its start-up time. The host loads it the first time a file needs
// it; a run that reads no image and writes PNG or PFM never does.
//
// The classes below are the whole contract between the two; both sides are
// built from this header by the same compiler. Nothing throws across it:
// failures come back as a reason in the library's words.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace host {

// An image as read: channels interleaved, rows from the top.
struct ImagePixels {
    int width = 0, height = 0, channels = 0;
    int alphaChannel = -1;      // as the file marks it; -1 when it marks none
    std::vector<float> values;  // empty when the image has no pixels
    // The colour space the file declares, or the one its data implies:
    // "sRGB" for 8- and 16-bit integer data, "linear" for floats.
    std::string colorSpace;
};

// What a written file stores per channel.
enum class StoredType { UInt8, Half, Float };

// One picture to write: the values in floats, or in bytes for UInt8.
struct ImageWrite {
    // The library's name of the format ("openexr", "hdr", "tiff"), or a file
    // name whose extension picks it.
    std::string format;
    int width = 0, height = 0, channels = 0;
    StoredType stored = StoredType::Float;
    const float *floats = nullptr;
    const std::uint8_t *bytes = nullptr;
    std::string colorSpace;  // recorded in the file when not empty
    // One name per channel (the library's defaults when empty), and texts
    // recorded in the file's header.
    std::vector<std::string> channelNames;
    std::vector<std::pair<std::string, std::string>> metadata;
};

// An image's filtered lookups, through MIP levels made on first use.
class FilteredTexture {
  public:
    virtual ~FilteredTexture() = default;
    // The colour around (s, t), s left to right and t top to bottom, both
    // 0..1 and wrapping, over a footprint `width` wide in the same units.
    // False (and black) when the file cannot be filtered.
    virtual bool lookup(float s, float t, float width, float rgb[3]) const = 0;
};

class ImageLibrary {
  public:
    virtual ~ImageLibrary() = default;
    // Reads the file's first image as floats (8- and 16-bit files in 0..1),
    // colours as stored, not multiplied by alpha. An image without pixels
    // comes back with its sizes and no values. False with the reason when
    // the file cannot be read.
    virtual bool read(const std::string &file, ImagePixels &pixels, std::string &reason) = 0;
    // Lookups into the file as it is now: whatever was cached of an earlier
    // version of it is dropped. Safe from any number of threads.
    virtual std::unique_ptr<FilteredTexture> texture(const std::string &file) = 0;
    // Writes the picture to the file; false with the reason on failure.
    virtual bool write(const std::string &file, const ImageWrite &picture, std::string &reason) = 0;
};

// Raised whenever the contract above changes, so that a stale library is
// refused instead of misread.
inline constexpr int kImageLibraryInterface = 2;
// The library's one export: its instance, or null for another interface.
using ImageLibraryEntry = ImageLibrary *(*)(int interface);
inline constexpr const char *kImageLibraryEntry = "orvImageLibrary";

// Where the library is looked for: $ORV_IMAGE_LIBRARY, else beside the
// running program, else one folder up (the tests and benchmarks are built
// in sub-folders of the build).
std::filesystem::path imageLibraryPath();

// The library, loaded on the first call and kept to the end of the process.
// `file` and `purpose` ("reading", "writing") say what needed it: a library
// that cannot be loaded is an Error naming them, its path and the reason.
ImageLibrary &imageLibrary(const std::string &file, const std::string &purpose);

// Whether this process has loaded the library.
bool imageLibraryLoaded();

}  // namespace host
