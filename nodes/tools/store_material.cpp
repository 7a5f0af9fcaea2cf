// Store Material: publishes whatever is wired into its four inputs under a
// name and an id, so that Get Material nodes anywhere in the scene can
// evaluate the same inputs at their own shading samples. Within its own graph
// it passes each input through to the output of the same type.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/persistence.h"
#include "nodes/node_kinds.h"
#include "nodes/tools/material_pass.h"
#include "nodes/tools/material_registry.h"

namespace orv {
namespace {

enum Id : std::uint32_t { kName = 0x8001 };

struct StoreMaterial {
    fw::NodeBase base;
    MaterialStore store;
    HostNodeOutputID color, scalar, vector, integer;
};

StoreMaterial *storeOf(fw::NodeBase *node) {
    return reinterpret_cast<StoreMaterial *>(node);
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const StoreMaterial *>(instance);
    const MaterialOutputs outputs{node->color, node->scalar, node->vector};
    passMaterialValue(&node->base, node->store, outputs, sample, output, value);
}

// The name starts as the host's name of the node; registering gives the id.
HostError afterConnectors(fw::NodeBase *node, void *) {
    StoreMaterial *store = storeOf(node);
    copyMaterialName(store->store.name, node->kind->services->handler.node->nodeName(node->node));
    store->store.id = -1;
    registerStore(materialRegistry(), &store->store);
    return nullptr;
}

void beforeDestroy(fw::NodeBase *node) {
    withdrawStore(materialRegistry(), &storeOf(node)->store);
}

// A copy takes the name but not the id: it is withdrawn, so that it is never
// listed nor found in place of its source.
void afterCopy(fw::NodeBase *to, const fw::NodeBase *from) {
    copyMaterialName(storeOf(to)->store.name,
                     reinterpret_cast<const StoreMaterial *>(from)->store.name);
    withdrawStore(materialRegistry(), &storeOf(to)->store);
}

HostError save(fw::NodeBase *node, const HostSaveState *state) {
    const MaterialStore &store = storeOf(node)->store;
    fw::saveInt16(state, store.id);
    state->writeStr(state->writeData, store.name);
    return nullptr;
}

HostError load(fw::NodeBase *node, const HostLoadState *state) {
    MaterialStore &store = storeOf(node)->store;
    fw::loadInt16(state, store.id);
    char name[kMaterialNameSize] = {};
    if (state->readStr(state->readData, name, sizeof name) >= 0) copyMaterialName(store.name, name);
    registerStore(materialRegistry(), &store);
    return nullptr;
}

void *panelGet(fw::NodeBase *node, std::uint32_t valueId) {
    return valueId == kName ? storeOf(node)->store.name : nullptr;
}

int panelSet(fw::NodeBase *node, std::uint32_t valueId, void *value) {
    if (valueId != kName) return 0;
    // The text as the panel holds it now; however long, the name keeps what
    // fits.
    const HostXPanelFuncs *xpanel = node->kind->services->panel.xpanel;
    const void *text = node->panel && xpanel ? xpanel->formGet(node->panel, kName) : value;
    if (!text) text = value;
    copyMaterialName(storeOf(node)->store.name, static_cast<const char *>(text));
    return 1;
}

constexpr fw::ConnectorSpec kInputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(StoreMaterial, store.color)},
    {"Scalar", HOST_NOT_SCALAR, offsetof(StoreMaterial, store.scalar)},
    {"Vector", HOST_NOT_VECTOR, offsetof(StoreMaterial, store.vector)},
    {"Integer", HOST_NOT_INTEGER, offsetof(StoreMaterial, store.integer)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(StoreMaterial, color)},
    {"Scalar", HOST_NOT_SCALAR, offsetof(StoreMaterial, scalar)},
    {"Vector", HOST_NOT_VECTOR, offsetof(StoreMaterial, vector)},
    {"Integer", HOST_NOT_INTEGER, offsetof(StoreMaterial, integer)},
};

constexpr fw::ValueRow kRows[] = {
    fw::custom(kName, "Name", "string", "string"),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(StoreMaterial, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kStoreMaterial),
    FW_HINT_VALUE(kValues, kName),
    FW_HINT_FINISH,
};

fw::KindServices services;

}  // namespace

extern constexpr fw::NodeKind kStoreMaterial = fw::nodeKind<StoreMaterial>({
    .values = kValues,
    .inputs = kInputs,
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
            .afterCopy = afterCopy,
            .beforeDestroy = beforeDestroy,
            .leavesNewTime = true,
        },
});
FW_CHECK_KIND(kStoreMaterial);

}  // namespace orv
