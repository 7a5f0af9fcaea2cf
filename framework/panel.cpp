// The common panel callbacks: values shown and set by id, change
// notifications, and the panel made once per instance.
#include "lifecycle.h"
#include "panel_creation.h"

namespace fw {
namespace {

const ControlSpec *findControl(const NodeKind &kind, std::uint32_t valueId) {
    for (const ControlSpec &control : kind.controls)
        if (control.id == valueId) return &control;
    return nullptr;
}

// A value with an input behind it shows nothing while that input is connected.
bool hiddenByConnection(const NodeBase *node, const ControlSpec &control) {
    if (control.gate == kNoGate) return false;
    const ConnectorSpec &input = node->kind->inputs[control.gate];
    return node->kind->services->handler.input->check(field<HostNodeInputID>(node, input.handle));
}

}  // namespace

void *HOST_CALL panelGet(HostInstance instance, std::uint32_t valueId) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node) return nullptr;
    if (node->kind->hooks.panelGet) return node->kind->hooks.panelGet(node, valueId);
    const ControlSpec *control = findControl(*node->kind, valueId);
    if (!control || hiddenByConnection(node, *control)) return nullptr;
    if (control->kind == ControlSpec::Setting)
        return &field<std::int32_t>(node, node->kind->settings[control->index].offset);
    return field<HostVParmID>(node, node->kind->params[control->index].handle);
}

int HOST_CALL panelSet(HostInstance instance, std::uint32_t valueId, void *value) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node) return 0;
    if (node->kind->hooks.panelSet) return node->kind->hooks.panelSet(node, valueId, value);
    const ControlSpec *control = findControl(*node->kind, valueId);
    if (!control) return 0;
    // An envelope control edits its vparm in place; nothing to store.
    if (control->kind == ControlSpec::Setting && value)
        field<std::int32_t>(node, node->kind->settings[control->index].offset) =
            *static_cast<const std::int32_t *>(value);
    return 1;
}

int notifyChange(const NodeKind &kind, HostPanelID panel, int event) {
    const PanelServices &services = kind.services->panel;
    if (!services.xpanel) return HOST_XPANEL_REFRESH_NONE;
    auto *node = static_cast<NodeBase *>(services.xpanel->getData(panel, 0));
    if (!node) return HOST_XPANEL_REFRESH_NONE;
    if (event == HOST_XPANEL_EVENT_TRACK) {
        kind.services->handler.node->updateNodePreview(node->node);
    } else if (event == HOST_XPANEL_EVENT_VALUE && services.instUpdate) {
        services.instUpdate(HOST_CLASS_NODE_HANDLER, node);
    }
    return HOST_XPANEL_REFRESH_NONE;
}

void HOST_CALL panelDestroy(void *) {}

int HOST_CALL inputEvent(HostInstance instance, HostNodeInputID, int event) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node) return 1;
    const PanelServices &services = node->kind->services->panel;
    if (node->panel && services.xpanel) services.xpanel->viewRefresh(node->panel);
    if (services.instUpdate && event == HOST_INPUT_EVENT_CHANGED)
        services.instUpdate(HOST_CLASS_NODE_HANDLER, instance);
    return 1;
}

void createPanel(const NodeKind &kind, NodeBase *node) {
    const HostXPanelFuncs *xpanel = kind.services->panel.xpanel;
    HostPanelID panel = xpanel->create(HOST_XPANEL_VIEW, nullptr);
    if (!panel) return;
    xpanel->hint(panel, 0, kind.hints);
    xpanel->describe(panel, kind.dataDescription, panelGet, panelSet);
    xpanel->viewInst(panel, node);
    xpanel->setData(panel, 0, node);
    node->panel = panel;
    if (kind.hooks.afterPanelCreated) kind.hooks.afterPanelCreated(node);
}

}  // namespace fw
