// "Animation Envelopes": the channel groups modules file their vparms under.
#include <exception>

#include "host/base/envelope.h"
#include "host/services/services.h"

namespace host {
namespace {

HostChanGroupID HOST_CALL createGroup(HostChanGroupID parentId, const char *name) {
    ChannelGroup *parent = ChannelGroup::from(parentId);
    if (!parent || !name) return nullptr;
    try {
        return parent->addChild(name).id();
    } catch (const std::exception &) {
        return nullptr;
    }
}

void HOST_CALL destroyGroup(HostChanGroupID id) {
    ChannelGroup *group = ChannelGroup::from(id);
    // The host's own groups outlive any module's wish to drop them.
    if (!group || group->hostOwned() || !group->parent()) return;
    group->parent()->removeChild(group);
}

const char *HOST_CALL groupName(HostChanGroupID id) {
    ChannelGroup *group = ChannelGroup::from(id);
    return group ? group->name().c_str() : "";
}

HostChanGroupID HOST_CALL groupParent(HostChanGroupID id) {
    ChannelGroup *group = ChannelGroup::from(id);
    return group && group->parent() ? group->parent()->id() : nullptr;
}

const HostEnvelopeFuncs kEnvelopeFuncs = {createGroup, destroyGroup, groupName, groupParent};

}  // namespace

const HostEnvelopeFuncs *envelopeService() {
    return &kEnvelopeFuncs;
}

}  // namespace host
