#include "host/raytracer/image_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/base/error.h"
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

// The folder a file lands in, "." for a bare name.
fs::path folderOf(const fs::path &file) {
    const fs::path parent = file.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// A name beside the target no other write uses: hidden, and unique to this
// process and call.
fs::path temporaryFor(const fs::path &target) {
    static std::atomic<unsigned> counter{0};
    return folderOf(target) / ("." + target.filename().string() + ".partial-" +
                               std::to_string(getpid()) + "-" + std::to_string(counter++));
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

fs::path writeTarget(const fs::path &file) {
    fs::path target = file;
    std::error_code error;
    // A loop of links ends the walk; the open then reports it.
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(target, error)); ++hop) {
        const fs::path next = fs::read_symlink(target, error);
        if (error) break;
        target = next.is_absolute() ? next : folderOf(target) / next;
    }
    return target;
}

void checkImageOutput(const fs::path &file) {
    const ImageFormat format = imageFormatOf(file);
    const fs::path target = writeTarget(file);
    std::error_code error;
    if (fs::is_directory(target, error))
        throw ImageError(file.string() + ": is a folder, not an image file");
    const fs::path folder = folderOf(target);
    if (!fs::is_directory(folder, error))
        throw ImageError(file.string() + ": the folder " + folder.string() + " does not exist");
    // Asking for permission is not enough (root passes, read-only mounts
    // fail): make and drop a file where the image will go.
    const fs::path probe = temporaryFor(target);
    const int descriptor = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (descriptor < 0)
        throw ImageError(file.string() + ": cannot write in " + folder.string() + ": " +
                         std::strerror(errno));
    ::close(descriptor);
    fs::remove(probe, error);
    // A library that will not load is found now too, not after the render.
    if (format != ImageFormat::Png && format != ImageFormat::Pfm) libraryFor(file);
}

ImageBatch::~ImageBatch() {
    std::error_code ignored;
    for (const Pending &pending : pending_)
        fs::remove(pending.temporary, ignored);
}

fs::path ImageBatch::startWrite(const fs::path &file) {
    const fs::path target = writeTarget(file);
    const fs::path temporary = temporaryFor(target);
    // Recorded first, so that a failed write still has its temporary removed.
    pending_.push_back({temporary, target});
    return temporary;
}

void ImageBatch::keepPermissions(const fs::path &temporary) {
    // A new file gets what the file-creation mask allows, as the temporary
    // did when it was made; a replaced one keeps its own.
    const fs::path &target = pending_.back().target;
    std::error_code error;
    const fs::file_status existing = fs::status(target, error);
    if (!error && fs::exists(existing))
        fs::permissions(temporary, existing.permissions(), fs::perm_options::replace, error);
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
    keepPermissions(temporary);
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
    keepPermissions(temporary);
}

void ImageBatch::commit() {
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        std::error_code error;
        fs::rename(pending_[i].temporary, pending_[i].target, error);
        if (error) {
            const fs::path failed = pending_[i].target;
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(i));
            throw ImageError(failed.string() + ": cannot replace the file: " + error.message());
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
