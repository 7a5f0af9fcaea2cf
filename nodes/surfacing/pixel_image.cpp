// Pixel Image: one pixel of an image of the host's list, addressed by X and
// Y, with a tiling rule per axis for coordinates off the image, blended over
// a background colour. Its panel shows the image as a thumbnail.
#include <algorithm>
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/persistence.h"
#include "image_popup.h"
#include "nodes/node_kinds.h"
#include "pixel_tiling.h"

namespace orv {
namespace {

struct PixelImage {
    fw::NodeBase base;
    fw::Vec3 bgColor;
    HostVParmID bgColorVParm;
    std::int32_t popupItemCount;
    std::int32_t imageIndex;
    std::int32_t blending;
    double opacity;
    HostVParmID opacityVParm;
    std::int32_t uTiling;
    std::int32_t vTiling;
    std::int32_t x;
    std::int32_t y;
    HostNodeInputID bgColorIn, imageIn, blendingIn, opacityIn, uTilingIn, vTilingIn, xIn, yIn;
    HostNodeOutputID colorOut, alphaOut;
};

constexpr std::int32_t kLastBlendMode = 13;
constexpr std::int32_t kLastTiling = 3;

ImageServices imageServices;
fw::KindServices services;

constexpr ImagePopup kPopup = {&imageServices, offsetof(PixelImage, popupItemCount),
                               offsetof(PixelImage, imageIndex), 0x8003};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const PixelImage *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 bg = inputs.triple(node->bgColorIn, node->bgColor);
    const bool wantsColor = output == node->colorOut;
    // Off the image: the background, fully opaque.
    const auto background = [&] {
        const double opaque = 1.0;
        fw::setOutput(&node->base, value, wantsColor ? bg.data() : &opaque);
    };

    std::int32_t k = inputs.integer(node->imageIn, node->imageIndex);
    if (k < 0)
        k = 0;
    else if (k >= node->popupItemCount - 1)
        k = node->popupItemCount - 2;
    if (k <= 0) return background();
    HostImageID image = imageAtIndex(imageServices.images, k);

    const std::int32_t mode =
        std::clamp(inputs.integer(node->blendingIn, node->blending), 0, kLastBlendMode);
    const double opacity = inputs.scalar(node->opacityIn, node->opacity);
    const auto ut = static_cast<Tiling>(
        std::clamp(inputs.integer(node->uTilingIn, node->uTiling), 0, kLastTiling));
    const auto vt = static_cast<Tiling>(
        std::clamp(inputs.integer(node->vTilingIn, node->vTiling), 0, kLastTiling));
    std::int32_t x = inputs.integer(node->xIn, node->x);
    std::int32_t y = inputs.integer(node->yIn, node->y);
    if (!image) return background();

    int width = 0, height = 0;
    imageServices.images->size(image, &width, &height);
    x = tileCoordinate(ut, x, width);
    y = tileCoordinate(vt, y, height);
    // Every rule lands inside a non-empty axis but Reset; an empty image has
    // no pixel under any rule.
    if (!insideExtent(x, width) || !insideExtent(y, height)) return background();

    if (wantsColor) {
        float rgb[3];
        imageServices.images->RGB(image, x, y, rgb);
        const fw::Vec3 fg{rgb[0], rgb[1], rgb[2]};
        fw::Vec3 result;
        imageServices.utility->blend(result.data(), fg.data(), bg.data(), opacity, mode);
        fw::setOutput(&node->base, value, result.data());
    } else {
        const double alpha = imageServices.images->hasAlpha(image)
                                 ? static_cast<double>(imageServices.images->alpha(image, x, y))
                                 : 1.0;
        fw::setOutput(&node->base, value, &alpha);
    }
}

// The thumbnail: the selected image squeezed to the control's size, one
// pixel read per point drawn; black without an image.
void HOST_CALL drawThumbnail(HostPanelID panel, std::uint32_t, HostDrawAreaID area, int width,
                             int height) {
    const HostXPanelFuncs *xpanel = services.panel.xpanel;
    if (!xpanel || !xpanel->drawFuncs) return;
    const HostPanelDrawFuncs &draw = *xpanel->drawFuncs;
    const auto *selected = static_cast<const std::int32_t *>(xpanel->formGet(panel, 0x8003));
    const HostImageList *images = imageServices.images;
    HostImageID image = selected && images ? imageAtIndex(images, *selected) : nullptr;
    int iw = 0, ih = 0;
    if (image) images->size(image, &iw, &ih);
    if (!image || iw <= 0 || ih <= 0 || width <= 0 || height <= 0) {
        draw.drawRGBBox(area, 0, 0, 0, 0, 0, width, height);
        return;
    }
    const float sx = static_cast<float>(iw) / static_cast<float>(width);
    const float sy = static_cast<float>(ih) / static_cast<float>(height);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            float rgb[3];
            images->RGB(image, static_cast<int>(i * sx), static_cast<int>(j * sy), rgb);
            int channel[3];
            for (int c = 0; c < 3; ++c)
                channel[c] = static_cast<int>(255.0f * std::min(rgb[c], 1.0f));
            draw.drawRGBPixel(area, channel[0], channel[1], channel[2], i, j);
        }
}

constexpr fw::ParamSpec kParams[] = {
    {"Bg Color",
     HOST_VP_COLOR,
     offsetof(PixelImage, bgColor),
     offsetof(PixelImage, bgColorVParm),
     {0.0, 0.0, 0.0}},
    {"Opacity",
     HOST_VP_PERCENT,
     offsetof(PixelImage, opacity),
     offsetof(PixelImage, opacityVParm),
     {1.0}},
};
enum ParamIndex { kBgColor, kOpacity };

constexpr fw::SettingSpec kSettings[] = {
    {offsetof(PixelImage, imageIndex), 0}, {offsetof(PixelImage, blending), 0},
    {offsetof(PixelImage, uTiling), 0},    {offsetof(PixelImage, vTiling), 0},
    {offsetof(PixelImage, x), 0},          {offsetof(PixelImage, y), 0},
};
enum SettingIndex { kImage, kBlending, kUTiling, kVTiling, kX, kY };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Bg Color", HOST_NOT_COLOR, offsetof(PixelImage, bgColorIn)},
    {"Image", HOST_NOT_INTEGER, offsetof(PixelImage, imageIn)},
    {"Blending", HOST_NOT_INTEGER, offsetof(PixelImage, blendingIn)},
    {"Opacity", HOST_NOT_SCALAR, offsetof(PixelImage, opacityIn)},
    {"U Tiling", HOST_NOT_INTEGER, offsetof(PixelImage, uTilingIn)},
    {"V Tiling", HOST_NOT_INTEGER, offsetof(PixelImage, vTilingIn)},
    {"X", HOST_NOT_INTEGER, offsetof(PixelImage, xIn)},
    {"Y", HOST_NOT_INTEGER, offsetof(PixelImage, yIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(PixelImage, colorOut)},
    {"Alpha", HOST_NOT_SCALAR, offsetof(PixelImage, alphaOut)},
};
constexpr fw::ControlSpec kControls[] = {
    {0x8002, fw::ControlSpec::Param, kBgColor, 0},
    {0x8003, fw::ControlSpec::Setting, kImage, 1},
    {0x8004, fw::ControlSpec::Setting, kBlending, 2},
    {0x8005, fw::ControlSpec::Param, kOpacity, 3},
    {0x8006, fw::ControlSpec::Setting, kUTiling, 4},
    {0x8007, fw::ControlSpec::Setting, kVTiling, 5},
    {0x8008, fw::ControlSpec::Setting, kX, 6},
    {0x8009, fw::ControlSpec::Setting, kY, 7},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8002, "Bg Color", "color-env"},
    {0x8003, "Image", "integer"},
    {0x8004, "Blending", "integer"},
    {0x8005, "Opacity", "percent-env"},
    {0x8006, "U Tiling", "integer"},
    {0x8007, "V Tiling", "integer"},
    {0x8008, "X", "integer"},
    {0x8009, "Y", "integer"},
    {0, nullptr, nullptr},
};

const char *const kBlendChoices[] = {"Normal",   "Additive",    "Subtractive", "Multiply",
                                     "Screen",   "Darken",      "Lighten",     "Difference",
                                     "Negative", "Color Dodge", "Color Burn",  "Red",
                                     "Green",    "Blue",        nullptr};
const char *const kTilingChoices[] = {"Reset", "Repeat", "Mirror", "Edge", nullptr};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY((imagePopupChangeNotify<kPopup, kPixelImage>)),
    FW_HINT_ADD(0x8001, "dThumbnail"),
    FW_WORD(HOST_XPTAG_CTLCFG),
    FW_WORD(0x8001),
    FW_WORD(0),
    FW_WORD(2),
    FW_WORD(HOST_XPTAG_CTLCFG),
    FW_WORD(0x8001),
    FW_WORD(0),
    FW_WORD(0x20000),
    FW_WORD(HOST_XPTAG_DRAWFUNC),
    FW_WORD(0x8001),
    FW_CALLBACK(drawThumbnail),
    FW_HINT_CONTROL(0x8002, "color-env", "Bg Color"),
    FW_HINT_CONTROL(0x8003, "iPopChoice", "Image"),
    FW_HINT_POPUP_FUNCS(0x8003, imagePopupCount<kPopup>, imagePopupName<kPopup>),
    FW_HINT_CONTROL(0x8004, "iPopChoice", "Blending"),
    FW_HINT_CHOICES(0x8004, kBlendChoices),
    FW_HINT_CONTROL(0x8005, "percent-env", "Opacity"),
    FW_HINT_MIN(0x8005, 0),
    FW_HINT_MAX(0x8005, 1),
    FW_HINT_CONTROL(0x8006, "iPopChoice", "U Tiling"),
    FW_HINT_CHOICES(0x8006, kTilingChoices),
    FW_HINT_CONTROL(0x8007, "iPopChoice", "V Tiling"),
    FW_HINT_CHOICES(0x8007, kTilingChoices),
    FW_HINT_CONTROL(0x8008, "integer", "X"),
    FW_HINT_CONTROL(0x8009, "integer", "Y"),
    FW_HINT_LEFT_ALIGN(FW_ID(0x8001)),
    FW_HINT_NARROW(FW_ID(0x8002), FW_ID(0x8003), FW_ID(0x8004)),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

int acquireServices(HostServiceLookup lookup) {
    return acquireImageServices(lookup, imageServices);
}

HostError save(fw::NodeBase *node, const HostSaveState *state) {
    for (const fw::SettingSpec &setting : kSettings)
        fw::saveInt16(state, fw::field<std::int32_t>(node, setting.offset));
    saveImageReference(kPopup, node, state);
    for (const fw::ParamSpec &param : kParams)
        if (HostError error = fw::saveParam(node, param, state)) return error;
    return nullptr;
}

HostError load(fw::NodeBase *node, const HostLoadState *state) {
    for (const fw::SettingSpec &setting : kSettings)
        fw::loadInt16(state, fw::field<std::int32_t>(node, setting.offset));
    loadImageReference(kPopup, node, state);
    for (const fw::ParamSpec &param : kParams)
        if (HostError error = fw::loadParam(node, param, state)) return error;
    fw::refreshCachedValues(node, 0.0);
    return nullptr;
}

HostError renderStart(fw::NodeBase *node, int) {
    popupRenderStart(kPopup, node);
    return nullptr;
}

void afterPanelCreated(fw::NodeBase *node) {
    popupAfterPanelCreated(kPopup, node);
}

}  // namespace

extern const fw::NodeKind kPixelImage = {
    .channelGroup = "PixelImage",
    .recordSize = sizeof(PixelImage),
    .setsPreviewType = false,
    .usesEnvelopes = true,
    .params = kParams,
    .settings = kSettings,
    .inputs = kInputs,
    .outputs = kOutputs,
    .controls = kControls,
    .dataDescription = kDataDescription,
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.acquireServices = acquireServices,
              .load = load,
              .save = save,
              .renderStart = renderStart,
              .afterPanelCreated = afterPanelCreated},
};

}  // namespace orv
