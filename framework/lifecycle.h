// The common node life cycle, written once for every kind: activations,
// create, destroy, copy, load, save, the render callbacks, the panel
// callbacks and panel creation.
#pragma once

#include "node_kind.h"

namespace fw {

// The handler activation: checks the version, asks for the services in their
// order, fills the host's record. Leaves the record untouched on failure.
int activateHandler(const NodeKind &kind, HostCreateFunc create, int version,
                    HostServiceLookup lookup, void *local);
// The panel activation: hands the host the instance's panel, made on first use.
int activatePanel(const NodeKind &kind, int version, HostServiceLookup lookup, void *local);

HostInstance createInstance(const NodeKind &kind, void *privateData, HostNodeID node,
                            HostError *error);

// The callbacks a handler record and a panel take. They find the kind
// through the instance's NodeBase.
void HOST_CALL destroyInstance(HostInstance instance);
HostError HOST_CALL copyInstance(HostInstance to, HostInstance from);
HostError HOST_CALL loadInstance(HostInstance instance, const HostLoadState *state);
HostError HOST_CALL saveInstance(HostInstance instance, const HostSaveState *state);
HostError HOST_CALL renderStart(HostInstance instance, int mode);
void HOST_CALL renderEnd(HostInstance instance);
HostError HOST_CALL newTime(HostInstance instance, int frame, double time);
int HOST_CALL inputEvent(HostInstance instance, HostNodeInputID input, int event);
void *HOST_CALL panelGet(HostInstance instance, std::uint32_t valueId);
int HOST_CALL panelSet(HostInstance instance, std::uint32_t valueId, void *value);
// The common change-notify: event 1 updates the node's preview, event 2
// tells the host the instance changed.
int notifyChange(const NodeKind &kind, HostPanelID panel, int event);
void HOST_CALL panelDestroy(void *panelData);

// Refreshes every cached parameter value from its vparm at a time.
void refreshCachedValues(NodeBase *node, double time);

// Per-kind entry points for the server table. Only create and the
// activations need the kind before an instance exists.
template <const NodeKind &Kind>
HostInstance HOST_CALL create(void *privateData, HostNodeID node, HostError *error) {
    return createInstance(Kind, privateData, node, error);
}

template <const NodeKind &Kind>
int HOST_CALL handlerActivation(int version, HostServiceLookup lookup, void *local, void *) {
    return activateHandler(Kind, &create<Kind>, version, lookup, local);
}

// The change-notify callback a kind's hint list names; the panel hands back
// only itself, so the kind is bound here.
template <const NodeKind &Kind>
int HOST_CALL changeNotify(HostPanelID panel, std::uint32_t, std::uint32_t, int event) {
    return notifyChange(Kind, panel, event);
}

template <const NodeKind &Kind>
int HOST_CALL panelActivation(int version, HostServiceLookup lookup, void *local, void *) {
    return activatePanel(Kind, version, lookup, local);
}

}  // namespace fw
