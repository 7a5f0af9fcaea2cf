// "NodeEditorFuncs": nested node editors owned by a node. This host has no
// nested editors yet: creation fails (null), which a module must cope with as
// it copes with any failed creation, and every other operation is a safe
// no-op on the null editor.
#include "host/services/services.h"

namespace host {
namespace {

constexpr const char *kNoEditors = "this host has no nested node editors";

HostNodeEditorID HOST_CALL create(const char *, const char *, const HostEditorCreation *, void *) {
    return nullptr;
}
void HOST_CALL destroy(HostNodeEditorID) {}
void HOST_CALL rename(const char *, HostNodeEditorID) {}
void HOST_CALL setUserDataCallback(HostNodeEditorID, HostEditorUserDataFunc) {}
HostError HOST_CALL copy(HostNodeEditorID, HostNodeEditorID) {
    return kNoEditors;
}
HostError HOST_CALL save(HostNodeEditorID, const HostSaveState *) {
    return kNoEditors;
}
HostError HOST_CALL load(HostNodeEditorID, const HostLoadState *) {
    return kNoEditors;
}
HostError HOST_CALL renderStart(HostNodeEditorID, int) {
    return nullptr;
}
HostError HOST_CALL newTime(HostNodeEditorID, int, double) {
    return nullptr;
}
void HOST_CALL renderEnd(HostNodeEditorID) {}
HostNodeInputID HOST_CALL addRootInput(HostNodeEditorID, int, const char *, HostInputEventFunc) {
    return nullptr;
}
void HOST_CALL setChanGroup(HostNodeEditorID, HostChanGroupID) {}
void HOST_CALL setExtentCallback(HostNodeEditorID, HostEditorExtentFunc) {}
void *HOST_CALL userData(void *) {
    return nullptr;
}
int HOST_CALL open(HostNodeEditorID) {
    return 0;
}
HostNodeID HOST_CALL rootNode(HostNodeEditorID) {
    return nullptr;
}

const HostNodeEditorFuncs kEditorFuncs = {
    create,
    destroy,
    rename,
    setUserDataCallback,
    copy,
    save,
    load,
    renderStart,
    newTime,
    renderEnd,
    addRootInput,
    setChanGroup,
    setExtentCallback,
    userData,
    open,
    rootNode,
};

}  // namespace

const HostNodeEditorFuncs *nodeEditorService() {
    return &kEditorFuncs;
}

}  // namespace host
