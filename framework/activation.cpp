// Handler and panel activations: the service lookups in their fixed order,
// and the host records filled only when every required service is there.
#include "lifecycle.h"
#include "panel_creation.h"

namespace fw {
namespace {

template <typename T>
const T *ask(HostServiceLookup lookup, const char *name) {
    return static_cast<const T *>(lookup(name, HOST_GLOBAL_TRANSIENT));
}

}  // namespace

int activateHandler(const NodeKind &kind, HostCreateFunc create, int version,
                    HostServiceLookup lookup, void *local) {
    if (version != HOST_NODE_HANDLER_VERSION) return HOST_AFUNC_BADVERSION;
    auto *record = static_cast<HostNodeHandler *>(local);
    if (!lookup || !record || !record->inst || !record->rend) return HOST_AFUNC_BADGLOBAL;

    HandlerServices found;
    found.node = ask<HostNodeFuncs>(lookup, HOST_NODEFUNCS_GLOBAL);
    found.editor = ask<HostNodeEditorFuncs>(lookup, HOST_NODEEDITORFUNCS_GLOBAL);
    found.input = ask<HostNodeInputFuncs>(lookup, HOST_NODEINPUTFUNCS_GLOBAL);
    found.output = ask<HostNodeOutputFuncs>(lookup, HOST_NODEOUTPUTFUNCS_GLOBAL);
    if (!found.node || !found.editor || !found.input || !found.output) return HOST_AFUNC_BADGLOBAL;

    if (kind.hooks.acquireServices) {
        const int code = kind.hooks.acquireServices(lookup);
        if (code != HOST_AFUNC_OK) return code;
    }
    if (kind.usesEnvelopes()) {
        found.vparm = ask<HostVParmFuncs>(lookup, HOST_VPARMFUNCS_GLOBAL);
        found.envelope = ask<HostEnvelopeFuncs>(lookup, HOST_ENVELOPEFUNCS_GLOBAL);
        if (!found.vparm || !found.envelope) return HOST_AFUNC_BADGLOBAL;
    }
    kind.services->handler = found;

    // The lookup itself is the private data: create receives it back.
    record->inst->privateData = reinterpret_cast<void *>(lookup);
    record->inst->create = create;
    record->inst->destroy = destroyInstance;
    record->inst->copy = copyInstance;
    record->inst->load = loadInstance;
    record->inst->save = saveInstance;
    record->rend->init = renderStart;
    record->rend->cleanup = renderEnd;
    if (!kind.hooks.leavesNewTime) record->rend->newTime = newTime;
    record->evaluate = kind.evaluate;
    return HOST_AFUNC_OK;
}

int activatePanel(const NodeKind &kind, int version, HostServiceLookup lookup, void *local) {
    if (version != HOST_NODE_INTERFACE_VERSION) return HOST_AFUNC_BADVERSION;
    auto *record = static_cast<HostNodeInterface *>(local);
    if (!lookup || !record) return HOST_AFUNC_BADGLOBAL;

    PanelServices found;
    found.instUpdate =
        reinterpret_cast<HostInstUpdateFunc>(lookup(HOST_INSTUPDATE_GLOBAL, HOST_GLOBAL_TRANSIENT));
    found.xpanel = ask<HostXPanelFuncs>(lookup, HOST_XPANEL_GLOBAL);
    if (!found.instUpdate || !found.xpanel) return HOST_AFUNC_BADGLOBAL;
    kind.services->panel = found;

    auto *node = static_cast<NodeBase *>(record->instance);
    if (node && !node->panel) createPanel(kind, node);
    record->panel = node ? node->panel : nullptr;
    record->options = nullptr;
    record->command = nullptr;
    return HOST_AFUNC_OK;
}

}  // namespace fw
