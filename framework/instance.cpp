// Create, destroy, copy and the render callbacks of the common life cycle.
#include <cstdlib>

#include "lifecycle.h"
#include "module_colors.h"

namespace fw {
namespace {

const char *const kAllocationFailed = "Couldn't allocate memory for instance.";

const HandlerServices &handlerServices(const NodeBase *node) {
    return node->kind->services->handler;
}

void storeDefaults(const NodeKind &kind, NodeBase *node) {
    for (const ValueRow &row : kind.values) {
        if (row.isSetting()) {
            field<std::int32_t>(node, row.offset) = row.settingDefault();
        } else if (row.isParam()) {
            double *value = &field<double>(node, row.offset);
            for (int c = 0; c < row.channels(); ++c)
                value[c] = row.defaults[c];
        }
    }
}

void createVParms(const NodeKind &kind, NodeBase *node) {
    const HostVParmFuncs *vparm = kind.services->handler.vparm;
    forEachParam(kind, [&](const ValueRow &param) {
        HostVParmID handle = vparm->create(param.envType, -1);
        if (handle) {
            vparm->setup(handle, param.channel, node->group, nullptr, nullptr, nullptr, nullptr);
            vparm->setVal(handle, &field<double>(node, param.offset));
        }
        field<HostVParmID>(node, param.handle) = handle;
    });
}

void destroyVParms(NodeBase *node) {
    forEachParam(*node->kind, [&](const ValueRow &param) {
        if (HostVParmID handle = field<HostVParmID>(node, param.handle))
            handlerServices(node).vparm->destroy(handle);
    });
}

void createInputs(const NodeKind &kind, NodeBase *node) {
    const HandlerServices &services = kind.services->handler;
    for (const ConnectorSpec &input : kind.inputs)
        field<HostNodeInputID>(node, input.handle) =
            services.input->create(node->node, input.type, input.name, inputEvent);
}

void createOutputs(const NodeKind &kind, NodeBase *node) {
    const HandlerServices &services = kind.services->handler;
    for (const ConnectorSpec &output : kind.outputs)
        field<HostNodeOutputID>(node, output.handle) =
            services.output->create(node->node, output.type, output.name);
}

HostInstance failCreate(NodeBase *node, HostError text, HostError *error) {
    if (error) *error = text;
    std::free(node);
    return nullptr;
}

}  // namespace

HostInstance createInstance(const NodeKind &kind, void *privateData, HostNodeID hostNode,
                            HostError *error) {
    auto *node = static_cast<NodeBase *>(std::calloc(1, kind.recordSize));
    if (!node) {
        if (error) *error = kAllocationFailed;
        return nullptr;
    }
    node->kind = &kind;
    node->node = hostNode;

    const HandlerServices &services = kind.services->handler;
    if (kind.setsPreviewType) services.node->setNodePreviewType(hostNode, HOST_PREVIEW_SPHERE);
    services.node->setNodeColor(hostNode, kNodeColor.red, kNodeColor.green, kNodeColor.blue);

    storeDefaults(kind, node);
    if (kind.hooks.afterDefaults)
        if (HostError text = kind.hooks.afterDefaults(node, privateData))
            return failCreate(node, text, error);

    const bool envelopes = kind.usesEnvelopes();
    if (envelopes && kind.channelGroup)
        node->group =
            services.envelope->createGroup(services.node->chanGroup(hostNode), kind.channelGroup);
    if (envelopes) createVParms(kind, node);
    createInputs(kind, node);
    HostError text =
        kind.hooks.beforeOutputs ? kind.hooks.beforeOutputs(node, privateData) : nullptr;
    if (!text) {
        createOutputs(kind, node);
        if (kind.hooks.afterConnectors) text = kind.hooks.afterConnectors(node, privateData);
    }
    if (text) {
        destroyVParms(node);
        return failCreate(node, text, error);
    }
    return node;
}

void HOST_CALL destroyInstance(HostInstance instance) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node) return;
    if (node->kind->hooks.beforeDestroy) node->kind->hooks.beforeDestroy(node);
    destroyVParms(node);
    std::free(node);
}

HostError HOST_CALL copyInstance(HostInstance toInstance, HostInstance fromInstance) {
    auto *to = static_cast<NodeBase *>(toInstance);
    auto *from = static_cast<const NodeBase *>(fromInstance);
    if (!to || !from || to->kind != from->kind) return nullptr;
    const NodeKind &kind = *to->kind;
    forEachSetting(kind, [&](const ValueRow &setting) {
        field<std::int32_t>(to, setting.offset) = field<std::int32_t>(from, setting.offset);
    });
    // A vparm whose creation failed has nothing to copy to or from.
    forEachSavedParam(kind, [&](const ValueRow &param) {
        HostVParmID target = field<HostVParmID>(to, param.handle);
        HostVParmID source = field<HostVParmID>(from, param.handle);
        if (target && source) handlerServices(to).vparm->copy(target, source);
    });
    if (kind.hooks.afterCopy) kind.hooks.afterCopy(to, from);
    return nullptr;
}

void refreshCachedValues(NodeBase *node, double time) {
    forEachSavedParam(*node->kind, [&](const ValueRow &param) {
        if (HostVParmID handle = field<HostVParmID>(node, param.handle))
            handlerServices(node).vparm->getVal(handle, time, nullptr,
                                                &field<double>(node, param.offset));
    });
}

HostError HOST_CALL renderStart(HostInstance instance, int mode) {
    auto *node = static_cast<NodeBase *>(instance);
    if (node && node->kind->hooks.renderStart) return node->kind->hooks.renderStart(node, mode);
    return nullptr;
}

void HOST_CALL renderEnd(HostInstance instance) {
    auto *node = static_cast<NodeBase *>(instance);
    if (node && node->kind->hooks.renderEnd) node->kind->hooks.renderEnd(node);
}

HostError HOST_CALL newTime(HostInstance instance, int frame, double time) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node) return nullptr;
    refreshCachedValues(node, time);
    if (node->kind->hooks.afterNewTime) node->kind->hooks.afterNewTime(node, frame, time);
    return nullptr;
}

}  // namespace fw
