// "LW Image List 5" for a host core built without image files: a list that
// stays empty. Loading fails the way a file that cannot be read does, so a
// module sees a host that has no images, never a missing service.
#include "host/base/error.h"
#include "host/services/image_list.h"
#include "host/services/services.h"

namespace host {
namespace {

HostImageID HOST_CALL none() {
    return nullptr;
}
HostImageID HOST_CALL noNext(HostImageID) {
    return nullptr;
}
HostImageID HOST_CALL noLoad(const char *) {
    return nullptr;
}
const char *HOST_CALL noName(HostImageID) {
    return nullptr;
}
const char *HOST_CALL noFilename(HostImageID, int) {
    return nullptr;
}
void HOST_CALL black(HostImageID, double, double, double, int, double color[3]) {
    color[0] = color[1] = color[2] = 0.0;
}
void HOST_CALL saveNothing(const HostSaveState *, HostImageID) {}
HostImageID HOST_CALL loadNothing(const HostLoadState *) {
    return nullptr;
}
void HOST_CALL noSize(HostImageID, int *width, int *height) {
    if (width) *width = 0;
    if (height) *height = 0;
}
void HOST_CALL blackPixel(HostImageID, int, int, float color[3]) {
    color[0] = color[1] = color[2] = 0.0f;
}
int HOST_CALL noAlpha(HostImageID) {
    return 0;
}
float HOST_CALL clearPixel(HostImageID, int, int) {
    return 0.0f;
}

const HostImageList kNoImages = {none,       noNext,     noLoad,      noName,
                                 noFilename, black,      saveNothing, loadNothing,
                                 noSize,     blackPixel, noAlpha,     clearPixel};

}  // namespace

// The host's own list, as empty as the service above: nothing can be read
// into it.
struct ImageList::Image {};

ImageList::ImageList() = default;
ImageList::~ImageList() = default;
HostImageID ImageList::load(const std::string &filename, ImageColorSpace) {
    throw Error(filename + ": cannot read images: this host was built without an image library");
}
HostImageID ImageList::tryLoad(const std::string &filename) {
    lastError_ = filename + ": cannot read images: this host was built without an image library";
    return nullptr;
}
std::string ImageList::lastError() const {
    return lastError_;
}
HostImageID ImageList::first() const {
    return nullptr;
}
HostImageID ImageList::next(HostImageID) const {
    return nullptr;
}
std::size_t ImageList::count() const {
    return 0;
}
std::vector<HostImageID> ImageList::images() const {
    return {};
}
bool ImageList::remove(HostImageID) {
    return false;
}
void ImageList::clear() {}
const char *ImageList::name(HostImageID) const {
    return nullptr;
}
const char *ImageList::filename(HostImageID) const {
    return nullptr;
}
HostImageID ImageList::findByFilename(const std::string &) const {
    return nullptr;
}
bool ImageList::size(HostImageID, int &width, int &height) const {
    width = height = 0;
    return false;
}
bool ImageList::hasAlpha(HostImageID) const {
    return false;
}
bool ImageList::rgb(HostImageID, int, int, float color[3]) const {
    color[0] = color[1] = color[2] = 0.0f;
    return false;
}
float ImageList::alpha(HostImageID, int, int) const {
    return 0.0f;
}
bool ImageList::spot(HostImageID, double, double, double, bool, double color[3]) const {
    color[0] = color[1] = color[2] = 0.0;
    return false;
}

const HostImageList *imageListService() {
    return &kNoImages;
}

}  // namespace host
