#include "persistence.h"

#include "lifecycle.h"

namespace fw {
namespace {

const HostVParmFuncs *vparmFuncs(const NodeBase *node) {
    return node->kind->services->handler.vparm;
}

}  // namespace

void saveInt16(const HostSaveState *state, std::int32_t value) {
    const auto low = static_cast<std::int16_t>(value);
    state->writeI2(state->writeData, &low, 1);
}

void loadInt16(const HostLoadState *state, std::int32_t &value) {
    std::int16_t read = 0;
    if (state->readI2(state->readData, &read, 1) == 1) value = read;
}

HostError saveParam(const NodeBase *node, const ParamSpec &param, const HostSaveState *state) {
    return vparmFuncs(node)->save(field<HostVParmID>(node, param.handle), state);
}

HostError loadParam(NodeBase *node, const ParamSpec &param, const HostLoadState *state) {
    return vparmFuncs(node)->load(field<HostVParmID>(node, param.handle), state);
}

HostError saveSettingsThenParams(const NodeBase *node, const HostSaveState *state) {
    for (const SettingSpec &setting : node->kind->settings)
        saveInt16(state, field<std::int32_t>(node, setting.offset));
    for (const ParamSpec &param : node->kind->params)
        if (HostError error = saveParam(node, param, state)) return error;
    return nullptr;
}

HostError loadSettingsThenParams(NodeBase *node, const HostLoadState *state) {
    for (const SettingSpec &setting : node->kind->settings)
        loadInt16(state, field<std::int32_t>(node, setting.offset));
    for (const ParamSpec &param : node->kind->params)
        if (HostError error = loadParam(node, param, state)) return error;
    refreshCachedValues(node, 0.0);
    return nullptr;
}

HostError HOST_CALL saveInstance(HostInstance instance, const HostSaveState *state) {
    auto *node = static_cast<const NodeBase *>(instance);
    if (!node || !state) return nullptr;
    if (node->kind->hooks.save) return node->kind->hooks.save(const_cast<NodeBase *>(node), state);
    return saveSettingsThenParams(node, state);
}

HostError HOST_CALL loadInstance(HostInstance instance, const HostLoadState *state) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node || !state) return nullptr;
    if (node->kind->hooks.load) return node->kind->hooks.load(node, state);
    return loadSettingsThenParams(node, state);
}

}  // namespace fw
