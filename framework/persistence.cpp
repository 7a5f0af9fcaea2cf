#include "persistence.h"

#include "lifecycle.h"

namespace fw {
namespace {

const HostVParmFuncs *vparmFuncs(const NodeBase *node) {
    return node->kind->services->handler.vparm;
}

HostError saveItem(const NodeBase *node, std::uint32_t id, const HostSaveState *state) {
    const NodeKind &kind = *node->kind;
    if (id == kKindItems)
        return kind.hooks.saveItems ? kind.hooks.saveItems(const_cast<NodeBase *>(node), state)
                                    : nullptr;
    const ValueRow *row = findRow(kind.values, id);
    if (!row) return nullptr;
    if (row->isSetting()) {
        saveInt16(state, field<std::int32_t>(node, row->offset));
        return nullptr;
    }
    return row->isParam() ? saveParam(node, *row, state) : nullptr;
}

HostError loadItem(NodeBase *node, std::uint32_t id, const HostLoadState *state) {
    const NodeKind &kind = *node->kind;
    if (id == kKindItems) return kind.hooks.loadItems ? kind.hooks.loadItems(node, state) : nullptr;
    const ValueRow *row = findRow(kind.values, id);
    if (!row) return nullptr;
    if (row->isSetting()) {
        loadInt16(state, field<std::int32_t>(node, row->offset));
        return nullptr;
    }
    return row->isParam() ? loadParam(node, *row, state) : nullptr;
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

HostError saveParam(const NodeBase *node, const ValueRow &param, const HostSaveState *state) {
    return vparmFuncs(node)->save(field<HostVParmID>(node, param.handle), state);
}

HostError loadParam(NodeBase *node, const ValueRow &param, const HostLoadState *state) {
    return vparmFuncs(node)->load(field<HostVParmID>(node, param.handle), state);
}

HostError saveValues(const NodeBase *node, const HostSaveState *state) {
    const NodeKind &kind = *node->kind;
    if (!kind.saveOrder.empty()) {
        for (std::uint32_t id : kind.saveOrder)
            if (HostError error = saveItem(node, id, state)) return error;
        return nullptr;
    }
    forEachSetting(kind, [&](const ValueRow &setting) {
        saveInt16(state, field<std::int32_t>(node, setting.offset));
    });
    HostError error = nullptr;
    forEachParam(kind, [&](const ValueRow &param) {
        if (!error) error = saveParam(node, param, state);
    });
    return error;
}

HostError loadValues(NodeBase *node, const HostLoadState *state) {
    const NodeKind &kind = *node->kind;
    if (!kind.saveOrder.empty()) {
        for (std::uint32_t id : kind.saveOrder)
            if (HostError error = loadItem(node, id, state)) return error;
    } else {
        forEachSetting(kind, [&](const ValueRow &setting) {
            loadInt16(state, field<std::int32_t>(node, setting.offset));
        });
        HostError error = nullptr;
        forEachParam(kind, [&](const ValueRow &param) {
            if (!error) error = loadParam(node, param, state);
        });
        if (error) return error;
    }
    refreshCachedValues(node, 0.0);
    return nullptr;
}

HostError HOST_CALL saveInstance(HostInstance instance, const HostSaveState *state) {
    auto *node = static_cast<const NodeBase *>(instance);
    if (!node || !state) return nullptr;
    if (node->kind->hooks.save) return node->kind->hooks.save(const_cast<NodeBase *>(node), state);
    return saveValues(node, state);
}

HostError HOST_CALL loadInstance(HostInstance instance, const HostLoadState *state) {
    auto *node = static_cast<NodeBase *>(instance);
    if (!node || !state) return nullptr;
    if (node->kind->hooks.load) return node->kind->hooks.load(node, state);
    return loadValues(node, state);
}

}  // namespace fw
