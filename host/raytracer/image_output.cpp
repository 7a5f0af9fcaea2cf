#include "host/raytracer/image_output.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/base/error.h"
#include "host/base/replaced_file.h"
#include "host/io/image_library.h"
#include "host/io/png_file.h"

namespace render {
namespace {

namespace fs = std::filesystem;

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::uint8_t encodeByte(float value, bool linear) {
    const double v = std::clamp(static_cast<double>(value), 0.0, 1.0);
    const double encoded = linear           ? v
                           : v <= 0.0031308 ? 12.92 * v
                                            : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(encoded * 255.0));
}

// PFM is written here: the image library reads it but does not write it.
void writePfm(const Image &image, const fs::path &temporary, const fs::path &file) {
    std::FILE *out = std::fopen(temporary.c_str(), "wb");
    if (!out) throw ImageError(file.string() + ": cannot write: " + std::strerror(errno));
    const bool grey = image.channels == 1;
    // A negative scale says little-endian, which this machine is.
    bool ok =
        std::fprintf(out, "%s\n%d %d\n-1.0\n", grey ? "Pf" : "PF", image.width, image.height) > 0;
    const std::size_t row = static_cast<std::size_t>(image.width) * image.channels;
    for (int y = image.height - 1; ok && y >= 0; --y)
        ok = std::fwrite(image.pixel(0, y), sizeof(float), row, out) == row;
    ok = std::fclose(out) == 0 && ok;
    if (!ok) throw ImageError(file.string() + ": writing the PFM image failed");
}

// PNG is written here too, so that the usual render never loads the image
// library.
void writePngFile(const Image &image, ImageEncoding encoding, const fs::path &temporary,
                  const fs::path &file) {
    std::vector<std::uint8_t> bytes(image.values.size());
    std::transform(image.values.begin(), image.values.end(), bytes.begin(),
                   [&](float v) { return encodeByte(v, encoding.linear); });
    const std::string reason =
        host::writePng(temporary.string(), image.width, image.height, image.channels, bytes.data(),
                       encoding.linear ? host::PngColors::Linear : host::PngColors::Srgb);
    if (!reason.empty()) throw ImageError(file.string() + ": writing the image failed: " + reason);
}

// The image library, loaded for the first file that needs it.
host::ImageLibrary &libraryFor(const fs::path &file) {
    try {
        return host::imageLibrary(file.string(), "writing");
    } catch (const host::Error &error) {
        throw ImageError(error.what());
    }
}

void writeThroughLibrary(const Image &image, ImageFormat format, ImageEncoding encoding,
                         const fs::path &temporary, const fs::path &file,
                         const std::vector<std::string> &channelNames = {},
                         const std::vector<std::pair<std::string, std::string>> &metadata = {}) {
    // RGBE has no one-channel form: grey goes into all three.
    const Image *source = &image;
    Image widened;
    if (format == ImageFormat::Hdr && image.channels == 1) {
        widened = Image(image.width, image.height, 3);
        for (std::size_t i = 0; i < image.values.size(); ++i)
            std::fill_n(&widened.values[3 * i], 3, image.values[i]);
        source = &widened;
    }
    host::ImageWrite picture;
    picture.format = format == ImageFormat::Exr   ? "openexr"
                     : format == ImageFormat::Hdr ? "hdr"
                                                  : "tiff";
    picture.width = source->width;
    picture.height = source->height;
    picture.channels = source->channels;
    picture.stored = format == ImageFormat::Exr && !encoding.fullFloat ? host::StoredType::Half
                                                                       : host::StoredType::Float;
    picture.floats = source->values.data();
    picture.channelNames = channelNames;
    picture.metadata = metadata;
    std::string reason;
    if (!libraryFor(file).write(temporary.string(), picture, reason))
        throw ImageError(file.string() + ": writing the image failed: " + reason);
}

}  // namespace

ImageFormat imageFormatOf(const fs::path &file) {
    const std::string extension = lowered(file.extension().string());
    if (extension == ".png") return ImageFormat::Png;
    if (extension == ".exr") return ImageFormat::Exr;
    if (extension == ".hdr") return ImageFormat::Hdr;
    if (extension == ".tif" || extension == ".tiff") return ImageFormat::Tiff;
    if (extension == ".pfm") return ImageFormat::Pfm;
    throw ImageError(file.string() + ": unknown image type \"" + file.extension().string() +
                     "\" (write .png, .exr, .hdr, .tif or .pfm)");
}

void checkImageOutput(const fs::path &file) {
    if (file == "-")
        throw ImageError("-: images cannot be written to standard output; name an image file");
    const ImageFormat format = imageFormatOf(file);
    // Asking for permission is not enough (root passes, read-only mounts
    // fail): make and drop the temporary the image would be written to.
    try {
        host::ReplacedFile probe(file, "image");
    } catch (const host::Error &error) {
        throw ImageError(error.what());
    }
    // A library that will not load is found now too, not after the render.
    if (format != ImageFormat::Png && format != ImageFormat::Pfm) libraryFor(file);
}

ImageBatch::~ImageBatch() = default;

fs::path ImageBatch::startWrite(const fs::path &file) {
    // Kept first, so that a failed write still has its temporary removed.
    try {
        pending_.emplace_back(file, "image");
    } catch (const host::Error &error) {
        throw ImageError(error.what());
    }
    return pending_.back().temporary();
}

void ImageBatch::add(const Image &image, const fs::path &file, ImageEncoding encoding) {
    const ImageFormat format = imageFormatOf(file);
    const fs::path temporary = startWrite(file);
    if (format == ImageFormat::Pfm)
        writePfm(image, temporary, file);
    else if (format == ImageFormat::Png)
        writePngFile(image, encoding, temporary, file);
    else
        writeThroughLibrary(image, format, encoding, temporary, file);
}

void ImageBatch::addLayers(const std::vector<ImageLayer> &layers, const fs::path &file,
                           ImageEncoding encoding,
                           const std::vector<std::pair<std::string, std::string>> &metadata) {
    if (imageFormatOf(file) != ImageFormat::Exr)
        throw ImageError(file.string() + ": only an .exr file holds several images");
    int channels = 0;
    std::vector<std::string> names;
    for (const ImageLayer &layer : layers) {
        channels += layer.image->channels;
        names.insert(names.end(), layer.channelNames.begin(), layer.channelNames.end());
    }
    const Image &first = *layers.front().image;
    Image merged(first.width, first.height, channels);
    int at = 0;
    for (const ImageLayer &layer : layers) {
        const Image &image = *layer.image;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                std::copy_n(image.pixel(x, y), image.channels, merged.pixel(x, y) + at);
        at += image.channels;
    }
    const fs::path temporary = startWrite(file);
    writeThroughLibrary(merged, ImageFormat::Exr, encoding, temporary, file, names, metadata);
}

void ImageBatch::commit() {
    // Those moved before a failure stay; the rest are removed with the batch.
    for (host::ReplacedFile &file : pending_) {
        try {
            file.commit();
        } catch (const host::Error &error) {
            throw ImageError(error.what());
        }
    }
    pending_.clear();
}

void writeImage(const Image &image, const fs::path &file, ImageEncoding encoding) {
    ImageBatch batch;
    batch.add(image, file, encoding);
    batch.commit();
}

}  // namespace render
