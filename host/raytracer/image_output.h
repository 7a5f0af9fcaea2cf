// Writing pictures to files, the format chosen by the file's extension:
//   .png        8 bits, through the sRGB curve (or as is, when linear)
//   .exr        half floats, or full floats on request
//   .hdr        RGBE; a one-channel picture is written grey in all three
//   .tif .tiff  32-bit floats
//   .pfm        32-bit floats, bottom row first
// A file is replaced whole or not at all, as the host writes every file
// (host/base/replaced_file.h): through symbolic links, keeping permissions,
// never over a device or a pipe; images never go to standard output.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/base/replaced_file.h"
#include "host/raytracer/image.h"

namespace render {

class ImageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class ImageFormat { Png, Exr, Hdr, Tiff, Pfm };

struct ImageEncoding {
    bool linear = false;     // PNG: store values as they are, not through the sRGB curve
    bool fullFloat = false;  // EXR: 32-bit floats instead of halves
};

// A picture as some of the channels of a file, one name per channel.
struct ImageLayer {
    const Image *image = nullptr;
    std::vector<std::string> channelNames;
};

// The format a file's extension asks for; throws ImageError naming the file
// and the extensions there are.
ImageFormat imageFormatOf(const std::filesystem::path &file);

using host::writeTarget;

// Throws ImageError, naming the file, unless its extension is known and its
// folder exists and takes new files. Meant to be asked before long work.
void checkImageOutput(const std::filesystem::path &file);

// Pictures written together: each goes to a temporary at once, and commit()
// moves them all into place. Destroyed before commit() (a later write
// failed), the batch removes its temporaries, leaving every target as it was.
class ImageBatch {
  public:
    ImageBatch() = default;
    ~ImageBatch();
    ImageBatch(const ImageBatch &) = delete;
    ImageBatch &operator=(const ImageBatch &) = delete;

    // Writes the picture to a temporary beside the file; throws ImageError.
    void add(const Image &image, const std::filesystem::path &file, ImageEncoding encoding = {});
    // Writes pictures of one size as the named channels of one EXR file,
    // with the metadata given (names and texts); throws ImageError.
    void addLayers(const std::vector<ImageLayer> &layers, const std::filesystem::path &file,
                   ImageEncoding encoding,
                   const std::vector<std::pair<std::string, std::string>> &metadata);
    // Moves every temporary over its target; throws ImageError naming the
    // first that would not move (those moved before it stay).
    void commit();

  private:
    // Makes the temporary the file's picture goes to, recorded first.
    std::filesystem::path startWrite(const std::filesystem::path &file);
    std::vector<host::ReplacedFile> pending_;
};

// One picture, written as a batch of one.
void writeImage(const Image &image, const std::filesystem::path &file, ImageEncoding encoding = {});

}  // namespace render
