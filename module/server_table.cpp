// The module's server table: two servers per node kind, a NodeHandler and a
// NodeInterface under one server name and one tag list, in menu order.
#include "module/server_table.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

// The tag lists and the server records are made from the one list of kinds.
#define ORV_TAG_LIST(kind, user, group, panel)         \
    constexpr HostServerTag kind##Tags[] = {           \
        {user, HOST_SRVTAG_USERNAME},                  \
        {"Orv's Nodes/" group, HOST_SRVTAG_NODEGROUP}, \
        {nullptr, 0},                                  \
    };
ORV_NODE_KINDS(ORV_TAG_LIST)

#define ORV_PANEL_WITH_PANEL(kind) fw::panelActivation<kind>
#define ORV_PANEL_WITHOUT_PANEL(kind) nullptr

#define ORV_SERVER_PAIR(kind, user, group, panel)                                    \
    {HOST_CLASS_NODE_HANDLER, "Orv " user, fw::handlerActivation<kind>, kind##Tags}, \
        {HOST_CLASS_NODE_INTERFACE, "Orv " user, ORV_PANEL_##panel(kind), kind##Tags},

}  // namespace

extern const HostServerRecord kServerTable[] = {
    ORV_NODE_KINDS(ORV_SERVER_PAIR){nullptr, nullptr, nullptr, nullptr},
};

}  // namespace orv
