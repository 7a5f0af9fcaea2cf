// The common panel callbacks: values shown and set by id, change
// notifications, and the panel made once per instance.
#include "lifecycle.h"
#include "panel_creation.h"

namespace fw {
namespace {

// A value with an input behind it shows nothing while that input is connected.
bool hiddenByConnection(const NodeBase *node, const ValueRow &row) {
    return row.input &&
           node->kind->services->handler.input->check(field<HostNodeInputID>(node, row.input)) != 0;
}

}  // namespace

void *HOST_CALL panelGet(HostInstance instance, std::uint32_t valueId) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node) return nullptr;
    const ValueRow *row = findRow(node->kind->values, valueId);
    if (!row || hiddenByConnection(node, *row)) return nullptr;
    switch (row->edits) {
        case ValueRow::Edits::Setting:
            return &field<std::int32_t>(node, row->offset);
        case ValueRow::Edits::Param:
            return field<HostVParmID>(node, row->handle);
        case ValueRow::Edits::Custom:
            break;
    }
    return node->kind->hooks.panelGet ? node->kind->hooks.panelGet(node, valueId) : nullptr;
}

int HOST_CALL panelSet(HostInstance instance, std::uint32_t valueId, void *value) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node) return 0;
    const ValueRow *row = findRow(node->kind->values, valueId);
    if (!row) return 0;
    switch (row->edits) {
        case ValueRow::Edits::Setting:
            if (value)
                field<std::int32_t>(node, row->offset) = *static_cast<const std::int32_t *>(value);
            return 1;
        case ValueRow::Edits::Param:
            return 1;  // the panel edited the vparm in place; nothing to store
        case ValueRow::Edits::Custom:
            break;
    }
    return node->kind->hooks.panelSet ? node->kind->hooks.panelSet(node, valueId, value) : 0;
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
