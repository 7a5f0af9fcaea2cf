// "NodeFuncs", "NodeInputFuncs 2" and "NodeOutputFuncs": what a module may do
// to its own node and its connectors. None of these throws across the
// boundary, and none trusts a handle to be non-null.
#include <exception>

#include "host/graph/graph.h"
#include "host/services/services.h"

namespace host {
namespace {

// ---- NodeFuncs ----

const char *HOST_CALL nodeName(HostNodeID id) {
    Node *node = Node::from(id);
    return node ? node->name().c_str() : "";
}

const char *HOST_CALL serverUserName(HostNodeID id) {
    Node *node = Node::from(id);
    return node ? node->kindName().c_str() : "";
}

HostChanGroupID HOST_CALL chanGroup(HostNodeID id) {
    Node *node = Node::from(id);
    return node ? node->channelGroup().id() : nullptr;
}

void HOST_CALL setNodeColor(HostNodeID id, int red, int green, int blue) {
    if (Node *node = Node::from(id)) node->setColor(red, green, blue);
}

void HOST_CALL setNodePreviewType(HostNodeID id, int type) {
    if (Node *node = Node::from(id)) node->setPreviewType(type);
}

void HOST_CALL updateNodePreview(HostNodeID id) {
    if (Node *node = Node::from(id)) node->notePreviewUpdate();
}

const HostNodeFuncs kNodeFuncs = {nodeName,     serverUserName,     chanGroup,
                                  setNodeColor, setNodePreviewType, updateNodePreview};

// ---- NodeInputFuncs 2 ----

HostNodeInputID HOST_CALL createInput(HostNodeID id, int type, const char *name,
                                      HostInputEventFunc event) {
    Node *node = Node::from(id);
    if (!node || !name) return nullptr;
    try {
        InputConnector *input = node->addInput(type, name, event);
        return input ? input->id() : nullptr;
    } catch (const std::exception &) {
        return nullptr;
    }
}

void HOST_CALL destroyInput(HostNodeID id, HostNodeInputID input) {
    Node *node = Node::from(id);
    if (!node || !input) return;
    try {
        node->removeInput(InputConnector::from(input));
    } catch (const std::exception &) {
        // A failing input event must not unwind into the module.
    }
}

int HOST_CALL evaluateInputOp(HostNodeInputID input, HostSample *sample, void *value) {
    if (!input || !sample || !value) return 0;
    // Most inputs of most nodes are unconnected: answer those at once.
    if (!InputConnector::from(input)->source) return 0;
    try {
        return evaluateInput(*InputConnector::from(input), *sample, value) ? 1 : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

int HOST_CALL checkInput(HostNodeInputID input) {
    return input && InputConnector::from(input)->source ? 1 : 0;
}

HostNodeID HOST_CALL inputNode(HostNodeInputID input) {
    return input ? InputConnector::from(input)->node->id() : nullptr;
}

const HostNodeInputFuncs kNodeInputFuncs = {createInput, destroyInput, evaluateInputOp, checkInput,
                                            inputNode};

// ---- NodeOutputFuncs ----

HostNodeOutputID HOST_CALL createOutput(HostNodeID id, int type, const char *name) {
    Node *node = Node::from(id);
    if (!node || !name) return nullptr;
    try {
        OutputConnector *output = node->addOutput(type, name);
        return output ? output->id() : nullptr;
    } catch (const std::exception &) {
        return nullptr;
    }
}

void HOST_CALL destroyOutput(HostNodeID id, HostNodeOutputID output) {
    Node *node = Node::from(id);
    if (!node || !output) return;
    try {
        node->removeOutput(OutputConnector::from(output));
    } catch (const std::exception &) {
    }
}

int HOST_CALL setValue(HostNodeValue value, const void *data) {
    return value && ValueSlot::from(value)->deliverInline(data) ? 1 : 0;
}

int HOST_CALL getType(HostNodeValue value) {
    return value ? ValueSlot::from(value)->sourceType() : 0;
}

const HostNodeOutputFuncs kNodeOutputFuncs = {createOutput, destroyOutput, setValue, getType};

}  // namespace

const HostNodeFuncs *nodeFuncsService() {
    return &kNodeFuncs;
}
const HostNodeInputFuncs *nodeInputService() {
    return &kNodeInputFuncs;
}
const HostNodeOutputFuncs *nodeOutputService() {
    return &kNodeOutputFuncs;
}

}  // namespace host
