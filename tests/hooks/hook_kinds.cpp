// A module of test kinds that use the framework's hooks the landed nodes do
// not: a create that fails early or late, custom panel values (a name kept
// as text, a choice that also records a second field), a save order that
// differs from the creation order with the kind's own item between the
// settings and the vparms, a new-time slot left to the host, and a save and
// load that leave their blocks unbalanced.
#include <cstddef>
#include <cstring>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/persistence.h"
#include "hostapi/module.h"

namespace hooks {

extern const fw::NodeKind kNamedKind;

namespace {

constexpr int kNameSize = 32;

struct Named {
    fw::NodeBase base;
    std::int32_t mode;
    std::int32_t slot;
    std::int32_t storeId;  // recorded by the slot's set
    char name[kNameSize];
    double a;
    HostVParmID aVParm;
    fw::Vec3 b;
    HostVParmID bVParm;
    HostNodeInputID aIn;
    HostNodeOutputID out;
};

void HOST_CALL evaluateNamed(HostInstance instance, HostSample *sample, HostNodeOutputID,
                             HostNodeValue value) {
    const auto *node = static_cast<const Named *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double result = node->storeId + inputs.scalar(node->aIn, node->a);
    fw::setOutput(&node->base, value, &result);
}

enum Id : std::uint32_t { kMode = 0x8001, kName, kSlot, kA, kB };

constexpr fw::ConnectorSpec kNamedInputs[] = {{"A", HOST_NOT_SCALAR, offsetof(Named, aIn)}};
constexpr fw::ConnectorSpec kNamedOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Named, out)}};
constexpr fw::ValueRow kNamedRows[] = {
    fw::setting(kMode, "Mode", "integer", offsetof(Named, mode), 1),
    fw::custom(kName, "Name", "string", "string"),
    fw::custom(kSlot, "Slot", "integer", "integer"),
    fw::param(kA, "A", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Named, a), 0.5),
    fw::param(kB, "B", "color-env", HOST_VP_COLOR, FW_PARAM_FIELDS(Named, b), 0.1, 0.2, 0.3),
};
constexpr auto kNamedValues = fw::withGates(kNamedRows, kNamedInputs);
FW_CHECK_VALUES(Named, kNamedValues, kNamedInputs);
constexpr auto kNamedDescription = fw::dataDescription(kNamedValues);
constexpr std::uint32_t kNamedParamOrder[] = {kB, kA};
constexpr std::uint32_t kNamedSaveOrder[] = {kMode, fw::kKindItems, kA, kB};

void *panelGet(fw::NodeBase *base, std::uint32_t id) {
    auto *node = reinterpret_cast<Named *>(base);
    if (id == kName) return node->name;
    if (id == kSlot) return &node->slot;
    return nullptr;
}

int panelSet(fw::NodeBase *base, std::uint32_t id, void *value) {
    auto *node = reinterpret_cast<Named *>(base);
    if (!value) return 0;
    if (id == kName) {
        std::strncpy(node->name, static_cast<const char *>(value), kNameSize - 1);
        return 1;
    }
    if (id == kSlot) {
        node->slot = *static_cast<const std::int32_t *>(value);
        node->storeId = node->slot > 0 ? node->slot * 10 : 0;
        return 1;
    }
    return 0;
}

HostError saveItems(fw::NodeBase *base, const HostSaveState *state) {
    state->writeStr(state->writeData, reinterpret_cast<Named *>(base)->name);
    return nullptr;
}

HostError loadItems(fw::NodeBase *base, const HostLoadState *state) {
    state->readStr(state->readData, reinterpret_cast<Named *>(base)->name, kNameSize);
    return nullptr;
}

const HostPanelHint kNamedHints[] = {
    FW_HINT_BEGIN(kNamedKind),
    FW_HINT_VALUE(kNamedValues, kMode),
    FW_HINT_VALUE(kNamedValues, kName),
    FW_HINT_VALUE(kNamedValues, kSlot),
    FW_HINT_VALUE(kNamedValues, kA),
    FW_HINT_VALUE(kNamedValues, kB),
    FW_HINT_FINISH,
};

fw::KindServices namedServices;

// A kind that fails in create, early or late as its private flag says.
struct Failing {
    fw::NodeBase base;
    double a;
    HostVParmID aVParm;
    HostNodeOutputID out;
};

void HOST_CALL evaluateNothing(HostInstance, HostSample *, HostNodeOutputID, HostNodeValue) {}

constexpr fw::ConnectorSpec kFailingOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Failing, out)}};
constexpr fw::ValueRow kFailingRows[] = {
    fw::param(0x8001, "A", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Failing, a), 1.0),
};
constexpr auto kFailingValues = fw::withGates(kFailingRows, {});
FW_CHECK_VALUES(Failing, kFailingValues, std::span<const fw::ConnectorSpec>());

HostError failEarly(fw::NodeBase *, void *) {
    return "Node editor creation failed!";
}
HostError failLate(fw::NodeBase *, void *) {
    return "registration failed";
}

fw::KindServices earlyServices, lateServices;

// A kind whose save and load leave their block as its saved mode says:
// 0 ended once, 1 left open, 2 ended twice.
struct Unbalanced {
    fw::NodeBase base;
    std::int32_t mode;
    HostNodeOutputID out;
};

constexpr fw::ConnectorSpec kUnbalancedOutputs[] = {
    {"Out", HOST_NOT_SCALAR, offsetof(Unbalanced, out)}};
constexpr fw::ValueRow kUnbalancedRows[] = {
    fw::setting(0x8001, "Mode", "integer", offsetof(Unbalanced, mode), 0),
};
constexpr auto kUnbalancedValues = fw::withGates(kUnbalancedRows, {});
FW_CHECK_VALUES(Unbalanced, kUnbalancedValues, std::span<const fw::ConnectorSpec>());
constexpr HostBlockIdent kUnbalancedBlock[] = {{HOST_ID4('M', 'O', 'D', 'E'), "Mode"},
                                               {0, nullptr}};

template <typename State, typename End>
void endAsTheModeSays(std::int32_t mode, const State *state, End end) {
    if (mode != 1) end(state);
    if (mode == 2) end(state);
}

HostError saveUnbalanced(fw::NodeBase *node, const HostSaveState *state) {
    const std::int32_t mode = reinterpret_cast<Unbalanced *>(node)->mode;
    state->beginBlock(state->writeData, kUnbalancedBlock, 0);
    fw::saveInt16(state, mode);
    endAsTheModeSays(mode, state, [](const HostSaveState *s) { s->endBlock(s->writeData); });
    return nullptr;
}

HostError loadUnbalanced(fw::NodeBase *node, const HostLoadState *state) {
    if (!state->findBlock(state->readData, kUnbalancedBlock)) return nullptr;
    std::int32_t &mode = reinterpret_cast<Unbalanced *>(node)->mode;
    fw::loadInt16(state, mode);
    endAsTheModeSays(mode, state, [](const HostLoadState *s) { s->endBlock(s->readData); });
    return nullptr;
}

fw::KindServices unbalancedServices;

}  // namespace

extern constexpr fw::NodeKind kNamedKind = fw::nodeKind<Named>({
    .channelGroup = "Named",
    .setsPreviewType = false,
    .values = kNamedValues,
    .paramOrder = kNamedParamOrder,
    .saveOrder = kNamedSaveOrder,
    .inputs = kNamedInputs,
    .outputs = kNamedOutputs,
    .dataDescription = kNamedDescription.data(),
    .hints = kNamedHints,
    .services = &namedServices,
    .evaluate = evaluateNamed,
    .hooks = {.panelGet = panelGet,
              .panelSet = panelSet,
              .saveItems = saveItems,
              .loadItems = loadItems,
              .leavesNewTime = true},
});
FW_CHECK_KIND(kNamedKind);

extern constexpr fw::NodeKind kFailEarly = fw::nodeKind<Failing>({
    .channelGroup = "Fail Early",
    .setsPreviewType = false,
    .values = kFailingValues,
    .outputs = kFailingOutputs,
    .dataDescription = nullptr,
    .hints = nullptr,
    .services = &earlyServices,
    .evaluate = evaluateNothing,
    .hooks = {.afterDefaults = failEarly},
});
FW_CHECK_KIND(kFailEarly);

extern constexpr fw::NodeKind kFailLate = fw::nodeKind<Failing>({
    .channelGroup = "Fail Late",
    .setsPreviewType = false,
    .values = kFailingValues,
    .outputs = kFailingOutputs,
    .dataDescription = nullptr,
    .hints = nullptr,
    .services = &lateServices,
    .evaluate = evaluateNothing,
    .hooks = {.afterConnectors = failLate},
});
FW_CHECK_KIND(kFailLate);

extern constexpr fw::NodeKind kUnbalanced = fw::nodeKind<Unbalanced>({
    .values = kUnbalancedValues,
    .outputs = kUnbalancedOutputs,
    .services = &unbalancedServices,
    .evaluate = evaluateNothing,
    .hooks = {.load = loadUnbalanced, .save = saveUnbalanced},
});
FW_CHECK_KIND(kUnbalanced);

namespace {

constexpr HostServerTag kTags[] = {{"Hook Kinds", HOST_SRVTAG_NODEGROUP}, {nullptr, 0}};

const HostServerRecord kServers[] = {
    {HOST_CLASS_NODE_HANDLER, "Named", fw::handlerActivation<kNamedKind>, kTags},
    {HOST_CLASS_NODE_INTERFACE, "Named", fw::panelActivation<kNamedKind>, kTags},
    {HOST_CLASS_NODE_HANDLER, "Fail Early", fw::handlerActivation<kFailEarly>, kTags},
    {HOST_CLASS_NODE_HANDLER, "Fail Late", fw::handlerActivation<kFailLate>, kTags},
    {HOST_CLASS_NODE_HANDLER, "Unbalanced", fw::handlerActivation<kUnbalanced>, kTags},
    {nullptr, nullptr, nullptr, nullptr},
};

int HOST_CALL start() {
    return HOST_MODULE_START_OK;
}
void HOST_CALL stop() {}

}  // namespace
}  // namespace hooks

extern "C" HOST_MODULE_EXPORT const HostModuleDescriptor _mod_descrip = {
    HOST_MODULE_SYNC, HOST_MODULE_VERSION, HOST_MODULE_MACHINE,
    hooks::start,     hooks::stop,         hooks::kServers,
};
