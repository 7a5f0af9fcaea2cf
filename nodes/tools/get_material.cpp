// Get Material: fetches, where it sits, the four values wired into a chosen
// Store Material node anywhere in the scene. The store is chosen by name in
// the "Slot" popup and remembered by id; render-start finds it again by that
// id, and each evaluation evaluates the store's inputs with this node's own
// sample record, so a texture wired into the store is evaluated at this
// node's shading spot, not copied from the store's.
#include <cstddef>

#include "framework/hints.h"
#include "framework/lifecycle.h"
#include "framework/persistence.h"
#include "nodes/node_kinds.h"
#include "nodes/tools/material_pass.h"
#include "nodes/tools/material_registry.h"

namespace orv {
namespace {

enum Id : std::uint32_t { kSlot = 0x8001 };

struct GetMaterial {
    fw::NodeBase base;
    MaterialFetch fetch;
    HostNodeOutputID color, scalar, vector, integer;
};

GetMaterial *getOf(fw::NodeBase *node) {
    return reinterpret_cast<GetMaterial *>(node);
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const GetMaterial *>(instance);
    // Without a store found at render-start there is nothing to hand on.
    const MaterialStore *store = node->fetch.store;
    if (!store) return;
    const MaterialOutputs outputs{node->color, node->scalar, node->vector};
    passMaterialValue(&node->base, *store, outputs, sample, output, value);
}

HostError afterConnectors(fw::NodeBase *node, void *) {
    registerFetch(materialRegistry(), &getOf(node)->fetch);
    return nullptr;
}

void beforeDestroy(fw::NodeBase *node) {
    MaterialFetch &fetch = getOf(node)->fetch;
    releaseStore(materialRegistry(), &fetch);
    withdrawFetch(materialRegistry(), &fetch);
}

// The copy keeps fetching by id, but its slot is no longer kept in step.
void afterCopy(fw::NodeBase *to, const fw::NodeBase *from) {
    const MaterialFetch &source = reinterpret_cast<const GetMaterial *>(from)->fetch;
    MaterialFetch &fetch = getOf(to)->fetch;
    fetch.slot = source.slot;
    fetch.storeId = source.storeId;
    withdrawFetch(materialRegistry(), &fetch);
}

HostError save(fw::NodeBase *node, const HostSaveState *state) {
    const MaterialFetch &fetch = getOf(node)->fetch;
    fw::saveInt16(state, fetch.slot);
    fw::saveInt16(state, fetch.storeId);
    return nullptr;
}

// The store is looked up at render-start, not here: it may load later.
HostError load(fw::NodeBase *node, const HostLoadState *state) {
    MaterialFetch &fetch = getOf(node)->fetch;
    fw::loadInt16(state, fetch.slot);
    fw::loadInt16(state, fetch.storeId);
    return nullptr;
}

HostError renderStart(fw::NodeBase *node, int) {
    holdStore(materialRegistry(), &getOf(node)->fetch);
    return nullptr;
}

void *panelGet(fw::NodeBase *node, std::uint32_t valueId) {
    return valueId == kSlot ? &getOf(node)->fetch.slot : nullptr;
}

// Choosing a store records its id; the reference follows at render-start.
int panelSet(fw::NodeBase *node, std::uint32_t valueId, void *value) {
    if (valueId != kSlot || !value) return 0;
    MaterialFetch &fetch = getOf(node)->fetch;
    fetch.slot = *static_cast<const std::int32_t *>(value);
    const MaterialStore *store =
        fetch.slot > 0 ? storeAt(materialRegistry(), fetch.slot - 1) : nullptr;
    fetch.storeId = store ? store->id : 0;
    return 1;
}

int HOST_CALL slotChoiceCount(void *) {
    return slotCount(materialRegistry());
}

const char *HOST_CALL slotChoiceName(void *, int index) {
    return slotName(materialRegistry(), index);
}

constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(GetMaterial, color)},
    {"Scalar", HOST_NOT_SCALAR, offsetof(GetMaterial, scalar)},
    {"Vector", HOST_NOT_VECTOR, offsetof(GetMaterial, vector)},
    {"Integer", HOST_NOT_INTEGER, offsetof(GetMaterial, integer)},
};

// The slot is an int, but choosing it also records the store's id.
constexpr fw::ValueRow kRows[] = {
    fw::custom(kSlot, "Slot", "integer", "iPopChoice"),
};
constexpr auto kValues = fw::withGates(kRows, {});
FW_CHECK_VALUES(GetMaterial, kValues, std::span<const fw::ConnectorSpec>());
constexpr auto kDataDescription = fw::dataDescription(kValues);

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kGetMaterial),
    FW_HINT_VALUE(kValues, kSlot),
    FW_HINT_POPUP_FUNCS(kSlot, slotChoiceCount, slotChoiceName),
    FW_HINT_FINISH,
};

fw::KindServices services;

}  // namespace

extern constexpr fw::NodeKind kGetMaterial = fw::nodeKind<GetMaterial>({
    .values = kValues,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks =
        {
            .afterConnectors = afterConnectors,
            .panelGet = panelGet,
            .panelSet = panelSet,
            .load = load,
            .save = save,
            .renderStart = renderStart,
            .afterCopy = afterCopy,
            .beforeDestroy = beforeDestroy,
            .leavesNewTime = true,
        },
});
FW_CHECK_KIND(kGetMaterial);

}  // namespace orv
