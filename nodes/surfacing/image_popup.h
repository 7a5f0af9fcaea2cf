// The image popup that Gaussian Reflections, Gaussian Refractions and Pixel
// Image share: "(none)", the names of the host's images in list order, and
// "(load Image)", which opens a file request and appends the chosen file to
// the host's image list. The popup's setting (the image index) points into a
// list the user edits independently of the node, so it is resynchronised
// lazily: at render-start and in the popup callbacks.
#pragma once

#include <cstdint>

#include "framework/node_kind.h"
#include "framework/vec3.h"
#include "hostapi/hostapi.h"

namespace orv {

constexpr int kRequestBufferLength = 512;

// The image services of one node kind and its own file request record, both
// filled by that kind's handler activation.
struct ImageServices {
    const HostImageList *images = nullptr;
    const HostNodeUtilityFuncs *utility = nullptr;
    HostFileReqFunc fileRequest = nullptr;
    HostFileRequest request{};
    char path[kRequestBufferLength]{};
    char baseName[kRequestBufferLength]{};
    char fullName[kRequestBufferLength]{};
};

// Asks for the image list, node utility and file request services in that
// order and fills the file request record. An activation code.
int acquireImageServices(HostServiceLookup lookup, ImageServices &services);

// Where a kind keeps the popup's values in its record, and the popup's id.
struct ImagePopup {
    ImageServices *services;
    fw::Offset itemCount;  // int32_t: item count at the last resynchronisation
    fw::Offset index;      // int32_t: 0 none, k the k-th image
    std::uint32_t controlId;
};

// Images in the host's list, counted by walking it.
int imageCount(const HostImageList *images);
// The image at a popup position: none for 0 or less, for the "(load Image)"
// position, and past the end of the list.
HostImageID imageAtIndex(const HostImageList *images, int index);

// The popup callbacks, the change-notify and render-start of the three kinds.
int popupCount(const ImagePopup &popup, fw::NodeBase *node);
const char *popupName(const ImagePopup &popup, fw::NodeBase *node, int position);
int popupChangeNotify(const ImagePopup &popup, const fw::NodeKind &kind, HostPanelID panel,
                      std::uint32_t controlId, int event);
void popupRenderStart(const ImagePopup &popup, fw::NodeBase *node);
// Stores the instance as the popup control's user data, for the callbacks.
void popupAfterPanelCreated(const ImagePopup &popup, fw::NodeBase *node);

// The image reference saved after the ints when an image is selected, and
// read back into the index as the image's position in the current list.
void saveImageReference(const ImagePopup &popup, const fw::NodeBase *node,
                        const HostSaveState *state);
void loadImageReference(const ImagePopup &popup, fw::NodeBase *node, const HostLoadState *state);

// The colour of an image where a direction meets it as a spherical map whose
// seam is turned by seamAngle.
fw::Vec3 sphericalLookup(const ImageServices &services, HostImageID image, double seamAngle,
                         const fw::Vec3 &direction, double spotSize);

// The typed callbacks a hint list names, bound to one kind's popup.
template <const ImagePopup &Popup>
int HOST_CALL imagePopupCount(void *instance) {
    return popupCount(Popup, static_cast<fw::NodeBase *>(instance));
}
template <const ImagePopup &Popup>
const char *HOST_CALL imagePopupName(void *instance, int position) {
    return popupName(Popup, static_cast<fw::NodeBase *>(instance), position);
}
template <const ImagePopup &Popup, const fw::NodeKind &Kind>
int HOST_CALL imagePopupChangeNotify(HostPanelID panel, std::uint32_t controlId, std::uint32_t,
                                     int event) {
    return popupChangeNotify(Popup, Kind, panel, controlId, event);
}

// The life-cycle hooks every kind with an image popup takes as they are: the
// image reference saved between the settings and the parameters, the popup
// resynchronised at render-start and once its panel exists.
template <const ImagePopup &Popup>
HostError imagePopupSaveItems(fw::NodeBase *node, const HostSaveState *state) {
    saveImageReference(Popup, node, state);
    return nullptr;
}
template <const ImagePopup &Popup>
HostError imagePopupLoadItems(fw::NodeBase *node, const HostLoadState *state) {
    loadImageReference(Popup, node, state);
    return nullptr;
}
template <const ImagePopup &Popup>
HostError imagePopupRenderStart(fw::NodeBase *node, int) {
    popupRenderStart(Popup, node);
    return nullptr;
}
template <const ImagePopup &Popup>
void imagePopupAfterPanelCreated(fw::NodeBase *node) {
    popupAfterPanelCreated(Popup, node);
}

// The hooks of a kind with an image popup, whose activation asks for its
// services through acquire.
template <const ImagePopup &Popup>
constexpr fw::NodeHooks imagePopupHooks(int (*acquire)(HostServiceLookup)) {
    return {.acquireServices = acquire,
            .saveItems = imagePopupSaveItems<Popup>,
            .loadItems = imagePopupLoadItems<Popup>,
            .renderStart = imagePopupRenderStart<Popup>,
            .afterPanelCreated = imagePopupAfterPanelCreated<Popup>};
}

// A kind with an image popup saves its image reference where its own items
// stand in its save order (its hooks, imagePopupHooks, put it there).
constexpr bool savesImageReference(const fw::NodeKind &kind) {
    return fw::check::timesIn(kind.saveOrder, fw::kKindItems) == 1 &&
           fw::check::ordersComplete(kind);
}

}  // namespace orv
