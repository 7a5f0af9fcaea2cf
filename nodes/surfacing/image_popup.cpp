#include "image_popup.h"

namespace orv {
namespace {

const char *const kNone = "(none)";
const char *const kLoadImage = "(load Image)";
const char *const kUnknownImage = "(error)";

std::int32_t &itemCountOf(const ImagePopup &popup, fw::NodeBase *node) {
    return fw::field<std::int32_t>(node, popup.itemCount);
}
std::int32_t &indexOf(const ImagePopup &popup, fw::NodeBase *node) {
    return fw::field<std::int32_t>(node, popup.index);
}

// Moves the popup's selection as the panel would: through the panel's form,
// whose set reaches the node, and into the index directly, so that a node
// without an open panel (or a host whose form does not call back) agrees.
void select(const ImagePopup &popup, fw::NodeBase *node, std::int32_t position) {
    const fw::PanelServices &panel = node->kind->services->panel;
    if (node->panel && panel.xpanel) panel.xpanel->formSet(node->panel, popup.controlId, &position);
    indexOf(popup, node) = position;
}

void refresh(const fw::NodeBase *node) {
    const fw::PanelServices &panel = node->kind->services->panel;
    if (node->panel && panel.xpanel) panel.xpanel->viewRefresh(node->panel);
}

// 1-based position of an image in the list; 0 when it is not there.
int positionOf(const HostImageList *images, HostImageID image) {
    if (!image) return 0;
    int position = 1;
    for (HostImageID at = images->first(); at; at = images->next(at), ++position)
        if (at == image) return position;
    return 0;
}

}  // namespace

int acquireImageServices(HostServiceLookup lookup, ImageServices &services) {
    const auto *images =
        static_cast<const HostImageList *>(lookup(HOST_IMAGELIST_GLOBAL, HOST_GLOBAL_TRANSIENT));
    const auto *utility = static_cast<const HostNodeUtilityFuncs *>(
        lookup(HOST_NODEUTILITYFUNCS_GLOBAL, HOST_GLOBAL_TRANSIENT));
    const auto fileRequest =
        reinterpret_cast<HostFileReqFunc>(lookup(HOST_FILEREQ_GLOBAL, HOST_GLOBAL_TRANSIENT));
    if (!images || !utility || !fileRequest) return HOST_AFUNC_BADGLOBAL;
    services.images = images;
    services.utility = utility;
    services.fileRequest = fileRequest;
    HostFileRequest &request = services.request;
    request = {};
    request.reqType = HOST_FREQ_LOAD;
    request.title = "Load Clip or Still";
    request.fileType = "Images";
    request.path = services.path;
    request.baseName = services.baseName;
    request.fullName = services.fullName;
    request.bufLen = kRequestBufferLength;
    return HOST_AFUNC_OK;
}

int imageCount(const HostImageList *images) {
    int count = 0;
    for (HostImageID image = images->first(); image; image = images->next(image))
        ++count;
    return count;
}

HostImageID imageAtIndex(const HostImageList *images, int index) {
    if (index <= 0) return nullptr;
    if (index == imageCount(images) + 1) return nullptr;  // "(load Image)"
    HostImageID image = images->first();
    for (int step = 1; image && step < index; ++step)
        image = images->next(image);
    return image;
}

int popupCount(const ImagePopup &popup, fw::NodeBase *node) {
    const int count = imageCount(popup.services->images) + 2;
    // The list shrank under a selection that now lands on "(load Image)".
    if (node && itemCountOf(popup, node) > count && indexOf(popup, node) >= count - 1)
        select(popup, node, 0);
    return count;
}

const char *popupName(const ImagePopup &popup, fw::NodeBase *node, int position) {
    const int count = imageCount(popup.services->images) + 2;
    if (position == 0) return kNone;
    if (node && itemCountOf(popup, node) != count && indexOf(popup, node) == count - 1) {
        select(popup, node, 0);
        itemCountOf(popup, node) = count;
        return kNone;
    }
    if (position >= count - 1) return kLoadImage;
    const HostImageList *images = popup.services->images;
    HostImageID image = imageAtIndex(images, position);
    const char *name = image ? images->name(image) : nullptr;
    return name ? name : kUnknownImage;
}

int popupChangeNotify(const ImagePopup &popup, const fw::NodeKind &kind, HostPanelID panel,
                      std::uint32_t controlId, int event) {
    const fw::PanelServices &services = kind.services->panel;
    if (!services.xpanel) return HOST_XPANEL_REFRESH_NONE;
    auto *node = static_cast<fw::NodeBase *>(services.xpanel->getData(panel, 0));
    if (!node) return HOST_XPANEL_REFRESH_NONE;
    if (event == HOST_XPANEL_EVENT_TRACK) {
        kind.services->handler.node->updateNodePreview(node->node);
        refresh(node);
        return HOST_XPANEL_REFRESH_NONE;
    }
    if (event != HOST_XPANEL_EVENT_VALUE) {
        refresh(node);
        return HOST_XPANEL_REFRESH_NONE;
    }
    if (services.instUpdate) services.instUpdate(HOST_CLASS_NODE_HANDLER, node);
    if (controlId != popup.controlId) {
        refresh(node);
        return HOST_XPANEL_REFRESH_NONE;
    }
    ImageServices &images = *popup.services;
    int count = imageCount(images.images) + 2;
    if (indexOf(popup, node) != count - 1) {
        refresh(node);
        return HOST_XPANEL_REFRESH_CHOICES;
    }
    // "(load Image)": ask the user for a file.
    if (images.fileRequest(HOST_FILEREQ_VERSION, &images.request) != 0 ||
        images.request.result < 1) {
        indexOf(popup, node) = 0;
        refresh(node);
        return HOST_XPANEL_REFRESH_CHOICES;
    }
    images.images->load(images.fullName);
    count = imageCount(images.images) + 2;
    if (itemCountOf(popup, node) > count && indexOf(popup, node) >= count - 1)
        select(popup, node, 0);
    itemCountOf(popup, node) = count;
    // The new image is the last of the list; a file that failed to load
    // leaves the list as it was, and the selection on its last image.
    select(popup, node, count - 2);
    refresh(node);
    return HOST_XPANEL_REFRESH_CHOICES;
}

void popupRenderStart(const ImagePopup &popup, fw::NodeBase *node) {
    const int images = imageCount(popup.services->images);
    itemCountOf(popup, node) = images + 2;
    if (indexOf(popup, node) >= images + 1) indexOf(popup, node) = images;
}

void popupAfterPanelCreated(const ImagePopup &popup, fw::NodeBase *node) {
    const fw::PanelServices &panel = node->kind->services->panel;
    if (node->panel && panel.xpanel) panel.xpanel->setData(node->panel, popup.controlId, node);
}

void saveImageReference(const ImagePopup &popup, const fw::NodeBase *node,
                        const HostSaveState *state) {
    const std::int32_t index = fw::field<std::int32_t>(node, popup.index);
    if (index <= 0) return;
    const HostImageList *images = popup.services->images;
    images->sceneSave(state, imageAtIndex(images, index));
}

void loadImageReference(const ImagePopup &popup, fw::NodeBase *node, const HostLoadState *state) {
    if (indexOf(popup, node) <= 0) return;
    const HostImageList *images = popup.services->images;
    indexOf(popup, node) = positionOf(images, images->sceneLoad(state));
}

fw::Vec3 sphericalLookup(const ImageServices &services, HostImageID image, double seamAngle,
                         const fw::Vec3 &direction, double spotSize) {
    double u = 0.0, v = 0.0;
    services.utility->sphericalMap(seamAngle, direction.data(), &u, &v);
    fw::Vec3 color{0.0, 0.0, 0.0};
    services.images->spot(image, u, v, spotSize, 1, color.data());
    return color;
}

}  // namespace orv
