// Pixel Image: one pixel of an image of the host's list, addressed by X and
// Y, with a tiling rule per axis for coordinates off the image, blended over
// a background colour. Its panel shows the image as a thumbnail.
#include <algorithm>
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
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

enum Id : std::uint32_t {
    kThumbnail = 0x8001,
    kBgColor,
    kImage,
    kBlending,
    kOpacity,
    kUTiling,
    kVTiling,
    kX,
    kY,
};

constexpr ImagePopup kPopup = {&imageServices, offsetof(PixelImage, popupItemCount),
                               offsetof(PixelImage, imageIndex), kImage};

// The thumbnail: the selected image squeezed to the control's size, one
// pixel read per point drawn; black without an image.
void HOST_CALL drawThumbnail(HostPanelID panel, std::uint32_t, HostDrawAreaID area, int width,
                             int height) {
    const HostXPanelFuncs *xpanel = services.panel.xpanel;
    if (!xpanel || !xpanel->drawFuncs) return;
    const HostPanelDrawFuncs &draw = *xpanel->drawFuncs;
    const auto *selected =
        static_cast<const std::int32_t *>(xpanel->formGet(panel, kPopup.controlId));
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

// The thumbnail (0x8001) shows the image and holds no value: the values
// begin at 0x8002.

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

using R = PixelImage;
constexpr fw::ValueRow kRows[] = {
    fw::param(kBgColor, "Bg Color", "color-env", HOST_VP_COLOR, FW_PARAM_FIELDS(R, bgColor), 0.0,
              0.0, 0.0),
    fw::setting(kImage, "Image", "iPopChoice", offsetof(R, imageIndex), 0),
    fw::setting(kBlending, "Blending", "iPopChoice", offsetof(R, blending), 0),
    fw::param(kOpacity, "Opacity", "percent-env", HOST_VP_PERCENT, FW_PARAM_FIELDS(R, opacity),
              1.0),
    fw::setting(kUTiling, "U Tiling", "iPopChoice", offsetof(R, uTiling), 0),
    fw::setting(kVTiling, "V Tiling", "iPopChoice", offsetof(R, vTiling), 0),
    fw::setting(kX, "X", "integer", offsetof(R, x), 0),
    fw::setting(kY, "Y", "integer", offsetof(R, y), 0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
// The common checks but the first: the ids start one late, past the thumbnail.
static_assert(fw::check::dataTypesMatch(kValues), "a value's data type does not match");
static_assert(fw::check::gatesNameInputs(kValues, kInputs), "a gate names no fitting input");
static_assert(fw::check::fieldsFit(kValues, sizeof(fw::NodeBase), sizeof(PixelImage)),
              "a value's field does not fit the record");
constexpr auto kDataDescription = fw::dataDescription(kValues);

// The ints, the image reference, then the vparms.
constexpr std::uint32_t kSaveOrder[] = {kImage, kBlending,      kUTiling, kVTiling, kX,
                                        kY,     fw::kKindItems, kBgColor, kOpacity};

const char *const kBlendChoices[] = {"Normal",   "Additive",    "Subtractive", "Multiply",
                                     "Screen",   "Darken",      "Lighten",     "Difference",
                                     "Negative", "Color Dodge", "Color Burn",  "Red",
                                     "Green",    "Blue",        nullptr};
const char *const kTilingChoices[] = {"Reset", "Repeat", "Mirror", "Edge", nullptr};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY((imagePopupChangeNotify<kPopup, kPixelImage>)),
    FW_HINT_ADD(kThumbnail, "dThumbnail"),
    FW_WORD(HOST_XPTAG_CTLCFG),
    FW_WORD(kThumbnail),
    FW_WORD(0),
    FW_WORD(2),
    FW_WORD(HOST_XPTAG_CTLCFG),
    FW_WORD(kThumbnail),
    FW_WORD(0),
    FW_WORD(0x20000),
    FW_WORD(HOST_XPTAG_DRAWFUNC),
    FW_WORD(kThumbnail),
    FW_CALLBACK(drawThumbnail),
    FW_HINT_VALUE(kValues, kBgColor),
    FW_HINT_VALUE(kValues, kImage),
    FW_HINT_POPUP_FUNCS(kImage, imagePopupCount<kPopup>, imagePopupName<kPopup>),
    FW_HINT_VALUE(kValues, kBlending),
    FW_HINT_CHOICES(kBlending, kBlendChoices),
    FW_HINT_VALUE(kValues, kOpacity),
    FW_HINT_MIN(kOpacity, 0),
    FW_HINT_MAX(kOpacity, 1),
    FW_HINT_VALUE(kValues, kUTiling),
    FW_HINT_CHOICES(kUTiling, kTilingChoices),
    FW_HINT_VALUE(kValues, kVTiling),
    FW_HINT_CHOICES(kVTiling, kTilingChoices),
    FW_HINT_VALUE(kValues, kX),
    FW_HINT_VALUE(kValues, kY),
    FW_HINT_LEFT_ALIGN(FW_ID(kThumbnail)),
    FW_HINT_NARROW(FW_ID(kBgColor), FW_ID(kImage), FW_ID(kBlending)),
    FW_HINT_FINISH,
};

int acquireServices(HostServiceLookup lookup) {
    return acquireImageServices(lookup, imageServices);
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const PixelImage *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 bg = inputs.triple(fw::valueRow(kValues, kBgColor));
    const bool wantsColor = output == node->colorOut;
    // Off the image: the background, fully opaque.
    const auto background = [&] {
        const double opaque = 1.0;
        fw::setOutput(&node->base, value, wantsColor ? bg.data() : &opaque);
    };

    std::int32_t k = inputs.integer(fw::valueRow(kValues, kImage));
    if (k < 0)
        k = 0;
    else if (k >= node->popupItemCount - 1)
        k = node->popupItemCount - 2;
    if (k <= 0) return background();
    HostImageID image = imageAtIndex(imageServices.images, k);

    const std::int32_t mode =
        std::clamp(inputs.integer(fw::valueRow(kValues, kBlending)), 0, kLastBlendMode);
    const double opacity = inputs.scalar(fw::valueRow(kValues, kOpacity));
    const auto ut = static_cast<Tiling>(
        std::clamp(inputs.integer(fw::valueRow(kValues, kUTiling)), 0, kLastTiling));
    const auto vt = static_cast<Tiling>(
        std::clamp(inputs.integer(fw::valueRow(kValues, kVTiling)), 0, kLastTiling));
    std::int32_t x = inputs.integer(fw::valueRow(kValues, kX));
    std::int32_t y = inputs.integer(fw::valueRow(kValues, kY));
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

}  // namespace

extern constexpr fw::NodeKind kPixelImage = fw::nodeKind<PixelImage>({
    .channelGroup = "PixelImage",
    .values = kValues,
    .saveOrder = kSaveOrder,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = imagePopupHooks<kPopup>(acquireServices),
});
FW_CHECK_KIND(kPixelImage);
static_assert(savesImageReference(kPixelImage),
              "the image reference is not saved where the popup puts it");

}  // namespace orv
