// The "LWXPanel" table: the C entry points nodes reach their panels through.
// None of them throws; problems stay on the panel (Panel::error()).
#include <algorithm>

#include "host/panel/panel.h"

namespace host {
namespace {

// Where a drawing callback draws: the picture it was handed, clipped.
void HOST_CALL drawBox(HostDrawAreaID area, int r, int g, int b, int x, int y, int w, int h) {
    auto *picture = reinterpret_cast<Panel::Picture *>(area);
    if (!picture) return;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(x) + w, picture->width);
    const long long y1 = std::min<long long>(static_cast<long long>(y) + h, picture->height);
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(std::clamp(r, 0, 255)),
                                 static_cast<std::uint8_t>(std::clamp(g, 0, 255)),
                                 static_cast<std::uint8_t>(std::clamp(b, 0, 255))};
    for (long long row = y0; row < y1; ++row)
        for (long long column = x0; column < x1; ++column)
            std::copy(rgb, rgb + 3, picture->rgb.begin() + (row * picture->width + column) * 3);
}

void HOST_CALL drawPixel(HostDrawAreaID area, int r, int g, int b, int x, int y) {
    drawBox(area, r, g, b, x, y, 1, 1);
}

HostPanelID HOST_CALL xpCreate(int type, const void * /*controls*/) {
    // Only panels that view a node instance exist here.
    if (type != HOST_XPANEL_VIEW) return nullptr;
    Panel *panel = Panel::create();
    return panel ? panel->id() : nullptr;
}

void HOST_CALL xpDestroy(HostPanelID id) {
    try {
        Panel::destroy(Panel::from(id));
    } catch (...) {
    }
}

void HOST_CALL xpDescribe(HostPanelID id, const HostPanelDataDesc *data, HostPanelGetFunc get,
                          HostPanelSetFunc set) {
    Panel *panel = Panel::from(id);
    if (!panel) return;
    try {
        panel->setDataDescription(data, get, set);
    } catch (...) {
    }
}

void HOST_CALL xpHint(HostPanelID id, std::uint32_t hintId, const HostPanelHint *hints) {
    Panel *panel = Panel::from(id);
    if (!panel) return;
    try {
        panel->addHints(hintId, hints);
    } catch (...) {
    }
}

void *HOST_CALL xpGetData(HostPanelID id, std::uint32_t dataId) {
    const Panel *panel = Panel::from(id);
    return panel ? panel->userData(dataId) : nullptr;
}

void HOST_CALL xpSetData(HostPanelID id, std::uint32_t dataId, void *data) {
    Panel *panel = Panel::from(id);
    if (!panel) return;
    try {
        panel->setUserData(dataId, data);
    } catch (...) {
    }
}

void HOST_CALL xpViewInst(HostPanelID id, HostInstance instance) {
    if (Panel *panel = Panel::from(id)) panel->bindInstance(instance);
}

void HOST_CALL xpViewRefresh(HostPanelID id) {
    if (Panel *panel = Panel::from(id)) panel->refresh();
}

void *HOST_CALL xpFormGet(HostPanelID id, std::uint32_t controlId) {
    Panel *panel = Panel::from(id);
    if (!panel) return nullptr;
    try {
        return panel->formValue(controlId);
    } catch (...) {
        return nullptr;
    }
}

void HOST_CALL xpFormSet(HostPanelID id, std::uint32_t controlId, void *value) {
    Panel *panel = Panel::from(id);
    if (!panel) return;
    try {
        panel->setFormValue(controlId, value);
    } catch (...) {
    }
}

const HostPanelDrawFuncs kDrawFuncs = {drawPixel, drawBox};

const HostXPanelFuncs kXPanel = {
    xpCreate,   xpDestroy,     xpDescribe, xpHint,    xpGetData,   xpSetData,
    xpViewInst, xpViewRefresh, xpFormGet,  xpFormSet, &kDrawFuncs,
};

}  // namespace

const HostXPanelFuncs *xpanelService() {
    return &kXPanel;
}

}  // namespace host
