// The scene's image list and "LW Image List 5" over it.
#include "host/services/image_list.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <utility>

#include "host/base/error.h"
#include "host/base/rebased_path.h"
#include "host/io/image_library.h"
#include "host/services/services.h"

namespace host {

// A decoded image written out as linear floats for the texture system,
// removed with the image.
struct LinearImageCopy {
    std::filesystem::path file;

    LinearImageCopy() = default;
    LinearImageCopy(int width, int height, const std::vector<float> &rgba, ImageLibrary &library,
                    const std::string &what) {
        static std::atomic<unsigned> counter{0};
        file =
            std::filesystem::temp_directory_path() /
            ("orv-linear-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".exr");
        ImageWrite picture;
        picture.format = "openexr";
        picture.width = width;
        picture.height = height;
        picture.channels = 4;
        picture.stored = StoredType::Float;
        picture.floats = rgba.data();
        if (std::string reason; !library.write(file.string(), picture, reason))
            throw Error(what + ": cannot make its linear copy for filtering in " + file.string() +
                        ": " + reason);
    }
    LinearImageCopy(LinearImageCopy &&other) noexcept : file(std::exchange(other.file, {})) {}
    LinearImageCopy &operator=(LinearImageCopy &&other) noexcept {
        std::swap(file, other.file);
        return *this;
    }
    ~LinearImageCopy() {
        std::error_code ignored;
        if (!file.empty()) std::filesystem::remove(file, ignored);
    }
};

struct ImageList::Image {
    std::string name;
    std::string filename;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    bool decodeSrgb = false;     // the file's colours are sRGB-encoded
    LinearImageCopy linearCopy;  // what the texture filters, for a decoded image
    std::vector<float> rgba;     // rows top to bottom, four channels a pixel
    std::unique_ptr<FilteredTexture> texture;

    const float *pixel(int x, int y) const {
        return &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)) *
                     4];
    }
};

namespace {

std::string baseName(const std::string &filename) {
    const std::size_t slash = filename.find_last_of("/\\");
    std::string name = slash == std::string::npos ? filename : filename.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

// The reason a file cannot be opened at all, in the system's words; empty
// when it can.
std::string unopenable(const std::string &filename) {
    std::FILE *file = std::fopen(filename.c_str(), "rb");
    if (!file) return std::strerror(errno);
    std::fclose(file);
    return {};
}

// Spreads the file's channels over RGBA: grey fills all three colours, and a
// missing alpha is opaque.
void toRgba(const std::vector<float> &in, int channels, int alphaChannel, std::size_t pixels,
            std::vector<float> &out) {
    out.assign(pixels * 4, 1.0f);
    const int colors = std::min(alphaChannel >= 0 ? alphaChannel : channels, 3);
    for (std::size_t p = 0; p < pixels; ++p) {
        const float *source = &in[p * static_cast<std::size_t>(channels)];
        float *target = &out[p * 4];
        for (int c = 0; c < 3; ++c)
            target[c] = colors >= 3 ? source[c] : colors > 0 ? source[0] : 0.0f;
        if (alphaChannel >= 0) target[3] = source[alphaChannel];
    }
}

float srgbToLinear(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

}  // namespace

bool parseImageColorSpace(const std::string &text, ImageColorSpace &space) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "auto")
        space = ImageColorSpace::FromFile;
    else if (lower == "srgb")
        space = ImageColorSpace::Srgb;
    else if (lower == "linear")
        space = ImageColorSpace::Linear;
    else if (lower == "raw")
        space = ImageColorSpace::Raw;
    else
        return false;
    return true;
}

ImageList::ImageList() = default;
ImageList::~ImageList() = default;

HostImageID ImageList::load(const std::string &filename, ImageColorSpace colorSpace) {
    const std::string what = "image file \"" + filename + "\"";
    if (const std::string reason = unopenable(filename); !reason.empty())
        throw Error(what + ": " + reason);
    // The image library is loaded only now, when a file has to be read.
    ImageLibrary &library = imageLibrary(what, "reading");
    ImagePixels read;
    if (std::string reason; !library.read(filename, read, reason))
        throw Error(what + ": " + reason);
    if (read.width <= 0 || read.height <= 0 || read.channels <= 0)
        throw Error(what + ": the image is " + std::to_string(read.width) + " × " +
                    std::to_string(read.height) + " pixels; it has nothing to show");

    auto image = std::make_unique<Image>();
    image->filename = filename;
    image->width = read.width;
    image->height = read.height;
    int alphaChannel = read.alphaChannel;
    if (alphaChannel < 0 && (read.channels == 2 || read.channels == 4))
        alphaChannel = read.channels - 1;
    image->hasAlpha = alphaChannel >= 0;
    const std::size_t pixels =
        static_cast<std::size_t>(read.width) * static_cast<std::size_t>(read.height);
    toRgba(read.values, read.channels, alphaChannel, pixels, image->rgba);
    image->decodeSrgb = colorSpace == ImageColorSpace::Srgb ||
                        (colorSpace == ImageColorSpace::FromFile && read.colorSpace == "sRGB");
    if (image->decodeSrgb) {
        for (std::size_t p = 0; p < pixels; ++p)
            for (int c = 0; c < 3; ++c)
                image->rgba[p * 4 + c] = srgbToLinear(image->rgba[p * 4 + c]);
        // Filtered lookups average linear light, not encoded values: the
        // texture is made from a linear copy, kept while the image lives.
        image->linearCopy =
            LinearImageCopy(image->width, image->height, image->rgba, library, what);
        image->texture = library.texture(image->linearCopy.file.string());
    } else {
        image->texture = library.texture(filename);
    }

    std::unique_lock lock(mutex_);
    // Menus list images by name, so two images never share one.
    const std::string base = baseName(filename);
    image->name = base;
    for (int n = 2; std::any_of(images_.begin(), images_.end(),
                                [&](const auto &other) { return other->name == image->name; });
         ++n)
        image->name = base + " (" + std::to_string(n) + ")";
    images_.push_back(std::move(image));
    return reinterpret_cast<HostImageID>(images_.back().get());
}

HostImageID ImageList::tryLoad(const std::string &filename) {
    try {
        return load(filename);
    } catch (const std::exception &e) {
        std::unique_lock lock(mutex_);
        lastError_ = e.what();
        return nullptr;
    }
}

std::string ImageList::lastError() const {
    std::shared_lock lock(mutex_);
    return lastError_;
}

HostImageID ImageList::first() const {
    std::shared_lock lock(mutex_);
    return images_.empty() ? nullptr : reinterpret_cast<HostImageID>(images_.front().get());
}

HostImageID ImageList::next(HostImageID image) const {
    std::shared_lock lock(mutex_);
    for (std::size_t i = 0; i + 1 < images_.size(); ++i)
        if (reinterpret_cast<HostImageID>(images_[i].get()) == image)
            return reinterpret_cast<HostImageID>(images_[i + 1].get());
    return nullptr;
}

std::size_t ImageList::count() const {
    std::shared_lock lock(mutex_);
    return images_.size();
}

std::vector<HostImageID> ImageList::images() const {
    std::shared_lock lock(mutex_);
    std::vector<HostImageID> ids;
    for (const auto &image : images_)
        ids.push_back(reinterpret_cast<HostImageID>(image.get()));
    return ids;
}

bool ImageList::remove(HostImageID image) {
    std::unique_lock lock(mutex_);
    const auto at = std::find_if(images_.begin(), images_.end(), [&](const auto &candidate) {
        return reinterpret_cast<HostImageID>(candidate.get()) == image;
    });
    if (at == images_.end()) return false;
    images_.erase(at);
    return true;
}

void ImageList::clear() {
    std::unique_lock lock(mutex_);
    images_.clear();
}

// Handles come from modules, which may keep one after the list has changed:
// only handles of images still in the list are ever followed.
const ImageList::Image *ImageList::find(HostImageID image) const {
    for (const auto &candidate : images_)
        if (reinterpret_cast<HostImageID>(candidate.get()) == image) return candidate.get();
    return nullptr;
}

const char *ImageList::name(HostImageID image) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    return found ? found->name.c_str() : nullptr;
}

const char *ImageList::filename(HostImageID image) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    return found ? found->filename.c_str() : nullptr;
}

HostImageID ImageList::findByFilename(const std::string &filename) const {
    std::shared_lock lock(mutex_);
    for (const auto &image : images_)
        if (image->filename == filename) return reinterpret_cast<HostImageID>(image.get());
    for (const auto &image : images_)
        if (sameFile(image->filename, filename)) return reinterpret_cast<HostImageID>(image.get());
    return nullptr;
}

bool ImageList::size(HostImageID image, int &width, int &height) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    width = found ? found->width : 0;
    height = found ? found->height : 0;
    return found != nullptr;
}

bool ImageList::hasAlpha(HostImageID image) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    return found && found->hasAlpha;
}

bool ImageList::rgb(HostImageID image, int x, int y, float color[3]) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    const bool inside = found && x >= 0 && y >= 0 && x < found->width && y < found->height;
    for (int c = 0; c < 3; ++c)
        color[c] = inside ? found->pixel(x, y)[c] : 0.0f;
    return inside;
}

float ImageList::alpha(HostImageID image, int x, int y) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    if (!found || x < 0 || y < 0 || x >= found->width || y >= found->height) return 0.0f;
    return found->pixel(x, y)[3];
}

bool ImageList::spot(HostImageID image, double u, double v, double spotSize, bool blend,
                     double color[3]) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    if (!found || !std::isfinite(u) || !std::isfinite(v)) {
        color[0] = color[1] = color[2] = 0.0;
        return false;
    }
    const double s = u - std::floor(u);
    const double t = 1.0 - (v - std::floor(v));  // row 0, the top, is v = 1
    if (!blend) {
        const auto wrap = [](long i, int n) { return static_cast<int>(((i % n) + n) % n); };
        const int x = wrap(static_cast<long>(std::floor(s * found->width)), found->width);
        const int y = wrap(static_cast<long>(std::floor(t * found->height)), found->height);
        for (int c = 0; c < 3; ++c)
            color[c] = found->pixel(x, y)[c];
        return true;
    }
    // A footprint narrower than a pixel reads the full-size image bilinearly.
    const float width =
        std::isfinite(spotSize) ? static_cast<float>(std::clamp(spotSize, 0.0, 1.0)) : 0.0f;
    float filtered[3] = {0.0f, 0.0f, 0.0f};
    const bool ok =
        found->texture->lookup(static_cast<float>(s), static_cast<float>(t), width, filtered);
    for (int c = 0; c < 3; ++c)
        color[c] = ok ? filtered[c] : 0.0;
    return ok;
}

// ---- "LW Image List 5" ----

namespace {

// The list of the host that is current; none between hosts.
ImageList *currentImages() {
    Services *services = currentServicesOrNull();
    return services ? &services->images() : nullptr;
}

HostImageID HOST_CALL first() {
    const ImageList *images = currentImages();
    return images ? images->first() : nullptr;
}

HostImageID HOST_CALL next(HostImageID image) {
    const ImageList *images = currentImages();
    return images ? images->next(image) : nullptr;
}

HostImageID HOST_CALL load(const char *filename) {
    ImageList *images = currentImages();
    return images && filename ? images->tryLoad(filename) : nullptr;
}

const char *HOST_CALL name(HostImageID image) {
    const ImageList *images = currentImages();
    return images ? images->name(image) : nullptr;
}

// Stills only: every frame shows the same file.
const char *HOST_CALL filename(HostImageID image, int /*frame*/) {
    const ImageList *images = currentImages();
    return images ? images->filename(image) : nullptr;
}

void HOST_CALL spot(HostImageID image, double u, double v, double spotSize, int blend,
                    double color[3]) {
    if (!color) return;
    if (const ImageList *images = currentImages())
        images->spot(image, u, v, spotSize, blend != 0, color);
    else
        color[0] = color[1] = color[2] = 0.0;
}

// A saved image reference is the image's file name ("" for none), so that a
// scene finds the same image again whatever its place in the list.
void HOST_CALL sceneSave(const HostSaveState *state, HostImageID image) {
    const ImageList *images = currentImages();
    if (!state) return;
    const char *file = images ? images->filename(image) : nullptr;
    const std::string saved = file ? rebasedPath(file, ".", images->referenceFolder()) : "";
    state->writeStr(state->writeData, saved.c_str());
}

// An image the list does not hold yet is read from its file, so that a
// reference saved with a scene survives a fresh image list.
HostImageID HOST_CALL sceneLoad(const HostLoadState *state) {
    ImageList *images = currentImages();
    if (!state || !images) return nullptr;
    char file[4096];
    if (state->readStr(state->readData, file, sizeof file) <= 0) return nullptr;
    // Beside the scene file; scenes saved before references followed the
    // scene named them from the working folder, which is tried second.
    const std::string beside = rebasedPath(file, images->referenceFolder(), ".");
    if (HostImageID image = images->findByFilename(beside)) return image;
    std::error_code ignored;
    const std::string chosen = std::filesystem::exists(beside, ignored) ? beside : file;
    if (HostImageID image = images->findByFilename(chosen)) return image;
    return images->tryLoad(chosen);
}

void HOST_CALL size(HostImageID image, int *width, int *height) {
    int w = 0, h = 0;
    if (const ImageList *images = currentImages()) images->size(image, w, h);
    if (width) *width = w;
    if (height) *height = h;
}

void HOST_CALL rgb(HostImageID image, int x, int y, float color[3]) {
    if (!color) return;
    if (const ImageList *images = currentImages())
        images->rgb(image, x, y, color);
    else
        color[0] = color[1] = color[2] = 0.0f;
}

int HOST_CALL hasAlpha(HostImageID image) {
    const ImageList *images = currentImages();
    return images && images->hasAlpha(image) ? 1 : 0;
}

// An image without an alpha channel was read with an opaque one.
float HOST_CALL alpha(HostImageID image, int x, int y) {
    const ImageList *images = currentImages();
    return images ? images->alpha(image, x, y) : 0.0f;
}

const HostImageList kImageList = {first,     next,      load, name, filename, spot,
                                  sceneSave, sceneLoad, size, rgb,  hasAlpha, alpha};

}  // namespace

const HostImageList *imageListService() {
    return &kImageList;
}

}  // namespace host
