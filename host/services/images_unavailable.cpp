// "LW Image List 5" for a host core built without image files: a list that
// stays empty. Loading fails the way a file that cannot be read does, so a
// module sees a host that has no images, never a missing service.
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

const HostImageList *imageListService() {
    return &kNoImages;
}

}  // namespace host
