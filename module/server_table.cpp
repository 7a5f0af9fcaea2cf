// The module's server table: two servers per node kind, a NodeHandler and a
// NodeInterface under one server name and one tag list, in menu order.
#include "module/server_table.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

// Each node kind once: its kind table, user name, menu group, and whether it
// has a panel. The tag lists and the server records are made from this list.
#define ORV_NODE_KINDS(X)                                              \
    X(kAdvancedRayTrace, "Advanced RayTrace", "Surfacing", WITH_PANEL) \
    X(kAmbientOcclusion, "Ambient Occlusion", "Surfacing", WITH_PANEL) \
    X(kCounter, "Counter", "Math", WITH_PANEL)                         \
    X(kDecayColor, "Exponential Decay (Color)", "Math", WITH_PANEL)    \
    X(kDecayScalar, "Exponential Decay (Scalar)", "Math", WITH_PANEL)  \
    X(kGetMaterial, "Get Material", "Tools", WITH_PANEL)               \
    X(kGroupNode, "Group Node", "Tools", WITH_PANEL)                   \
    X(kHoldValue, "Hold Value", "Math", WITH_PANEL)                    \
    X(kRenderInfo, "Render Info", "Info", WITHOUT_PANEL)               \
    X(kRandom, "Random", "Math", WITH_PANEL)                           \
    X(kRayShade, "RayShade", "Surfacing", WITH_PANEL)                  \
    X(kSqrt, "Sqrt", "Math", WITH_PANEL)                               \
    X(kStoreMaterial, "Store Material", "Tools", WITH_PANEL)           \
    X(kTakeSamples, "Take Samples", "Surfacing", WITH_PANEL)

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
