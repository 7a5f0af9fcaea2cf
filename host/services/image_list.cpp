// The scene's image list and "LW Image List 5" over it.
#include "host/services/image_list.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>

#include "host/base/error.h"
#include "host/services/services.h"

// The decoder is third-party code; its own warnings are not ours to fix.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace host {

struct ImageList::Image {
    std::string name;
    std::string filename;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::vector<float> rgba;  // rows top to bottom, four channels a pixel

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

class File {
  public:
    explicit File(const std::string &filename) : file_(std::fopen(filename.c_str(), "rb")) {}
    ~File() {
        if (file_) std::fclose(file_);
    }
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    std::FILE *get() const { return file_; }

  private:
    std::FILE *file_;
};

// Decodes every supported depth into floats: 8- and 16-bit channels scaled
// to 0..1, HDR values as stored.
template <class T>
void fill(std::vector<float> &out, const T *pixels, std::size_t count, float scale) {
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<float>(pixels[i]) * scale;
}

}  // namespace

HostImageID ImageList::load(const std::string &filename) {
    const std::string what = "image file \"" + filename + "\"";
    File file(filename);
    if (!file.get()) throw Error(what + ": " + std::strerror(errno));

    auto image = std::make_unique<Image>();
    image->filename = filename;
    int channels = 0;
    void *pixels = nullptr;
    enum { Eight, Sixteen, Real } depth = Eight;
    if (stbi_is_hdr_from_file(file.get())) {
        depth = Real;
        pixels = stbi_loadf_from_file(file.get(), &image->width, &image->height, &channels, 4);
    } else if (stbi_is_16_bit_from_file(file.get())) {
        depth = Sixteen;
        pixels = stbi_load_from_file_16(file.get(), &image->width, &image->height, &channels, 4);
    } else {
        pixels = stbi_load_from_file(file.get(), &image->width, &image->height, &channels, 4);
    }
    if (!pixels) throw Error(what + ": " + stbi_failure_reason());
    std::unique_ptr<void, void (*)(void *)> owned(pixels, stbi_image_free);
    const std::size_t count =
        static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height) * 4;
    if (depth == Real)
        fill(image->rgba, static_cast<const float *>(pixels), count, 1.0f);
    else if (depth == Sixteen)
        fill(image->rgba, static_cast<const stbi_us *>(pixels), count, 1.0f / 65535.0f);
    else
        fill(image->rgba, static_cast<const stbi_uc *>(pixels), count, 1.0f / 255.0f);
    image->hasAlpha = channels == 2 || channels == 4;

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

std::vector<HostImageID> ImageList::images() const {
    std::shared_lock lock(mutex_);
    std::vector<HostImageID> ids;
    for (const auto &image : images_)
        ids.push_back(reinterpret_cast<HostImageID>(image.get()));
    return ids;
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

bool ImageList::spot(HostImageID image, double u, double v, bool blend, double color[3]) const {
    std::shared_lock lock(mutex_);
    const Image *found = find(image);
    if (!found || found->width == 0 || found->height == 0 || !std::isfinite(u) ||
        !std::isfinite(v)) {
        color[0] = color[1] = color[2] = 0.0;
        return false;
    }
    const auto wrap = [](long i, int n) { return static_cast<int>(((i % n) + n) % n); };
    // Pixel centres sit at half-integer positions; row 0 is the top (v = 1).
    const double px = (u - std::floor(u)) * found->width - 0.5;
    const double py = (1.0 - (v - std::floor(v))) * found->height - 0.5;
    if (!blend) {
        const int x = wrap(std::lround(px), found->width);
        const int y = wrap(std::lround(py), found->height);
        for (int c = 0; c < 3; ++c)
            color[c] = found->pixel(x, y)[c];
        return true;
    }
    const double fx = std::floor(px), fy = std::floor(py);
    const double tx = px - fx, ty = py - fy;
    const int x0 = wrap(static_cast<long>(fx), found->width);
    const int x1 = wrap(static_cast<long>(fx) + 1, found->width);
    const int y0 = wrap(static_cast<long>(fy), found->height);
    const int y1 = wrap(static_cast<long>(fy) + 1, found->height);
    for (int c = 0; c < 3; ++c) {
        const double top = found->pixel(x0, y0)[c] * (1 - tx) + found->pixel(x1, y0)[c] * tx;
        const double bottom = found->pixel(x0, y1)[c] * (1 - tx) + found->pixel(x1, y1)[c] * tx;
        color[c] = top * (1 - ty) + bottom * ty;
    }
    return true;
}

ImageList &sceneImages() {
    static ImageList list;
    return list;
}

// ---- "LW Image List 5" ----

namespace {

HostImageID HOST_CALL first() {
    const std::vector<HostImageID> images = sceneImages().images();
    return images.empty() ? nullptr : images.front();
}

HostImageID HOST_CALL next(HostImageID image) {
    const std::vector<HostImageID> images = sceneImages().images();
    const auto at = std::find(images.begin(), images.end(), image);
    return at == images.end() || at + 1 == images.end() ? nullptr : *(at + 1);
}

HostImageID HOST_CALL load(const char *filename) {
    return filename ? sceneImages().tryLoad(filename) : nullptr;
}

const char *HOST_CALL name(HostImageID image) {
    return sceneImages().name(image);
}

// Stills only: every frame shows the same file.
const char *HOST_CALL filename(HostImageID image, int /*frame*/) {
    return sceneImages().filename(image);
}

// The footprint is not filtered over: a blended spot is a bilinear lookup.
void HOST_CALL spot(HostImageID image, double u, double v, double /*spotSize*/, int blend,
                    double color[3]) {
    if (color) sceneImages().spot(image, u, v, blend != 0, color);
}

// A saved image reference is the image's file name ("" for none), so that a
// scene finds the same image again whatever its place in the list.
void HOST_CALL sceneSave(const HostSaveState *state, HostImageID image) {
    if (!state) return;
    const char *file = sceneImages().filename(image);
    state->writeStr(state->writeData, file ? file : "");
}

// An image the list does not hold yet is read from its file, so that a
// reference saved with a scene survives a fresh image list.
HostImageID HOST_CALL sceneLoad(const HostLoadState *state) {
    if (!state) return nullptr;
    char file[4096];
    if (state->readStr(state->readData, file, sizeof file) <= 0) return nullptr;
    if (HostImageID image = sceneImages().findByFilename(file)) return image;
    return sceneImages().tryLoad(file);
}

void HOST_CALL size(HostImageID image, int *width, int *height) {
    int w = 0, h = 0;
    sceneImages().size(image, w, h);
    if (width) *width = w;
    if (height) *height = h;
}

void HOST_CALL rgb(HostImageID image, int x, int y, float color[3]) {
    if (color) sceneImages().rgb(image, x, y, color);
}

int HOST_CALL hasAlpha(HostImageID image) {
    return sceneImages().hasAlpha(image) ? 1 : 0;
}

// An image without an alpha channel was decoded with an opaque one.
float HOST_CALL alpha(HostImageID image, int x, int y) {
    return sceneImages().alpha(image, x, y);
}

const HostImageList kImageList = {first,     next,      load, name, filename, spot,
                                  sceneSave, sceneLoad, size, rgb,  hasAlpha, alpha};

}  // namespace

const HostImageList *imageListService() {
    return &kImageList;
}

}  // namespace host
