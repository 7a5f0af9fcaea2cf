// Group Node: owns a nested node graph, a node editor of its own whose root
// node offers one input of each value kind. Whatever the nested graph wires
// into them comes out of the node's outputs of the same names, evaluated with
// the node's own sample record, so a piece of a graph can be packed into one
// node. The nested editor is saved inside the node's data and follows it
// through copy and the render callbacks.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/module_colors.h"
#include "nodes/node_kinds.h"
#include "nodes/tools/group_defaults.h"

namespace orv {
namespace {

enum Id : std::uint32_t { kEditNodes = 0x8001 };
constexpr HostBlockIdent kEditorBlocks[] = {
    {HOST_ID4('N', 'O', 'D', 'E'), "NodeEditor"},
    {0, nullptr},
};

struct GroupNode {
    fw::NodeBase base;
    HostNodeEditorID editor;
    HostNodeID root;
    HostChanGroupID group;  // "Group Node", under the node's channel group
    HostNodeInputID rootInputs[kGroupValueKinds];
    HostNodeOutputID outputs[kGroupValueKinds];
};

// The services only this kind asks for.
const HostNodeUtilityFuncs *utility = nullptr;
const HostEnvelopeFuncs *envelopes = nullptr;

fw::KindServices services;

GroupNode *groupOf(fw::NodeBase *node) {
    return reinterpret_cast<GroupNode *>(node);
}

const HostNodeEditorFuncs &editors() {
    return *services.handler.editor;
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const GroupNode *>(instance);
    for (int kind = 0; kind < kGroupValueKinds; ++kind) {
        if (output != node->outputs[kind]) continue;
        GroupValue result = groupDefault(kind);
        services.handler.input->evaluate(node->rootInputs[kind], sample, result.data());
        fw::setOutput(&node->base, value, result.data());
        return;
    }
}

// The colour the nested editor previews its graph with.
void HOST_CALL previewColor(void *handle, HostSample *sample, double color[3]) {
    color[0] = color[1] = color[2] = fw::kDefaultGrey;
    const auto *node = static_cast<const GroupNode *>(editors().userData(handle));
    if (node) services.handler.input->evaluate(node->rootInputs[0], sample, color);
}

void *HOST_CALL userDataOf(void *handle) {
    return editors().userData(handle);
}

void HOST_CALL extentOf(void *, HostInstance instance, double extent[6]) {
    const auto *node = static_cast<const GroupNode *>(instance);
    if (!node || !utility) return;
    double size[3] = {0.0, 0.0, 0.0}, unused[3] = {0.0, 0.0, 0.0};
    utility->nodeSize(node->base.node, size, unused);
    for (int axis = 0; axis < 3; ++axis) {
        extent[2 * axis] = -0.5 * size[axis];
        extent[2 * axis + 1] = 0.5 * size[axis];
    }
}

int acquireServices(HostServiceLookup lookup) {
    utility = static_cast<const HostNodeUtilityFuncs *>(
        lookup(HOST_NODEUTILITYFUNCS_GLOBAL, HOST_GLOBAL_TRANSIENT));
    envelopes = static_cast<const HostEnvelopeFuncs *>(
        lookup(HOST_ENVELOPEFUNCS_GLOBAL, HOST_GLOBAL_TRANSIENT));
    return utility && envelopes ? HOST_AFUNC_OK : HOST_AFUNC_BADGLOBAL;
}

// Without its nested editor the node cannot exist. The node has no inputs
// and its outputs come after this step, so a failure leaves nothing on the
// host's node.
HostError beforeOutputs(fw::NodeBase *base, void *) {
    GroupNode *node = groupOf(base);
    const HostNodeEditorFuncs &editor = editors();
    HostEditorCreation creation{};
    creation.colorCallback = previewColor;
    node->editor = editor.create("Group Node", "Group Node", &creation, node);
    if (!node->editor) return "Node editor creation failed!";
    const HostNodeFuncs &nodes = *services.handler.node;
    const HostChanGroupID own = nodes.chanGroup(base->node);
    node->group = envelopes->createGroup(own, "Group Node");
    editor.setChanGroup(node->editor, own);
    node->root = editor.rootNode(node->editor);
    nodes.setNodeColor(node->root, fw::kNodeColor.red, fw::kNodeColor.green, fw::kNodeColor.blue);
    editor.setUserDataCallback(node->editor, userDataOf);
    editor.setExtentCallback(node->editor, extentOf);
    for (int kind = 0; kind < kGroupValueKinds; ++kind)
        node->rootInputs[kind] = editor.addRootInput(node->editor, kGroupKinds[kind].type,
                                                     kGroupKinds[kind].name, nullptr);
    return nullptr;
}

void beforeDestroy(fw::NodeBase *node) {
    if (HostNodeEditorID editor = groupOf(node)->editor) editors().destroy(editor);
}

void afterCopy(fw::NodeBase *to, const fw::NodeBase *from) {
    editors().copy(groupOf(to)->editor, reinterpret_cast<const GroupNode *>(from)->editor);
}

// An error of the nested editor returns at once, leaving the block open, as
// the host expects of a failed save.
HostError save(fw::NodeBase *node, const HostSaveState *state) {
    state->beginBlock(state->writeData, &kEditorBlocks[0], 0);
    if (HostError error = editors().save(groupOf(node)->editor, state)) return error;
    state->endBlock(state->writeData);
    return nullptr;
}

// Every editor block loads in turn, each over the one before.
HostError load(fw::NodeBase *node, const HostLoadState *state) {
    while (state->findBlock(state->readData, kEditorBlocks) != 0) {
        if (HostError error = editors().load(groupOf(node)->editor, state)) return error;
        state->endBlock(state->readData);
    }
    return nullptr;
}

HostError renderStart(fw::NodeBase *node, int mode) {
    editors().renderStart(groupOf(node)->editor, mode);
    return nullptr;
}

void renderEnd(fw::NodeBase *node) {
    editors().renderEnd(groupOf(node)->editor);
}

void afterNewTime(fw::NodeBase *node, int frame, double time) {
    editors().newTime(groupOf(node)->editor, frame, time);
}

// "Edit Nodes": the editor opens under the node's current name.
void HOST_CALL editNodes(HostPanelID panel, std::uint32_t) {
    const HostXPanelFuncs *xpanel = services.panel.xpanel;
    auto *node = xpanel ? static_cast<GroupNode *>(xpanel->getData(panel, 0)) : nullptr;
    if (!node) return;
    editors().rename(services.handler.node->nodeName(node->base.node), node->editor);
    editors().open(node->editor);
}

constexpr fw::ConnectorSpec kOutputs[] = {
    {kGroupKinds[0].name, kGroupKinds[0].type, offsetof(GroupNode, outputs[0])},
    {kGroupKinds[1].name, kGroupKinds[1].type, offsetof(GroupNode, outputs[1])},
    {kGroupKinds[2].name, kGroupKinds[2].type, offsetof(GroupNode, outputs[2])},
    {kGroupKinds[3].name, kGroupKinds[3].type, offsetof(GroupNode, outputs[3])},
    {kGroupKinds[4].name, kGroupKinds[4].type, offsetof(GroupNode, outputs[4])},
};

// A button only: no values.
constexpr HostPanelDataDesc kDataDescription[] = {
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kGroupNode),
    FW_HINT_CONTROL(kEditNodes, "vButton", "Edit Nodes"),
    FW_HINT_BUTTON(kEditNodes, editNodes),
    FW_HINT_FINISH,
};

}  // namespace

extern constexpr fw::NodeKind kGroupNode = fw::nodeKind<GroupNode>({
    .outputs = kOutputs,
    .dataDescription = kDataDescription,
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks =
        {
            .acquireServices = acquireServices,
            .beforeOutputs = beforeOutputs,
            .load = load,
            .save = save,
            .renderStart = renderStart,
            .renderEnd = renderEnd,
            .afterNewTime = afterNewTime,
            .afterCopy = afterCopy,
            .beforeDestroy = beforeDestroy,
        },
});
FW_CHECK_KIND(kGroupNode);

}  // namespace orv
