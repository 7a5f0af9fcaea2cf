// What a node kind declares about itself: its instance record, envelope
// parameters, int settings, connectors and panel, as constant tables. The
// common life cycle (lifecycle.h) works from these tables alone; a kind
// supplies its evaluate and only the hooks where it departs from the pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "hostapi/hostapi.h"
#include "services.h"

namespace fw {

struct NodeKind;

// Leads every instance record, so that callbacks that receive only the
// instance find their kind and host handles.
struct NodeBase {
    const NodeKind *kind;
    HostNodeID node;
    HostChanGroupID group;  // the kind's own channel group, null without one
    HostPanelID panel;      // made on first request, then reused
};

// Offsets into an instance record. Records are plain structs that begin with
// a NodeBase, so offsetof is well defined.
using Offset = std::uint16_t;

// An envelope parameter: its cached value (one or three doubles) and the
// vparm behind it.
struct ParamSpec {
    const char *label;  // channel name and panel label
    int envType;        // HOST_VP_*
    Offset value;       // double or double[3]
    Offset handle;      // HostVParmID
    double defaults[3];
};

// Envelope types whose vparms carry three values.
constexpr int paramChannels(int envType) {
    return (envType == HOST_VP_FLOAT3 || envType == HOST_VP_COLOR) ? 3 : 1;
}

// A plain int setting (popup, choice, check box or integer field). Settings
// are copied, saved and loaded in table order.
struct SettingSpec {
    Offset offset;  // int32_t
    std::int32_t defaultValue;
};

struct ConnectorSpec {
    const char *name;
    int type;       // HOST_NOT_*
    Offset handle;  // HostNodeInputID or HostNodeOutputID
};

// What panel get and set do for one value id.
struct ControlSpec {
    enum Kind : std::uint8_t { Setting, Param };
    std::uint32_t id;
    Kind kind;
    std::uint8_t index;  // into settings or params
    std::int8_t gate;    // input whose connection hides the value, or -1
};

constexpr std::int8_t kNoGate = -1;

// Departures from the common life cycle. Null members take the common
// behaviour; each hook says where it runs.
struct NodeHooks {
    // Between the four node services and the envelope services of the
    // handler activation: asks for the kind's own services. Returns an
    // activation code (HOST_AFUNC_OK or HOST_AFUNC_BADGLOBAL).
    int (*acquireServices)(HostServiceLookup lookup) = nullptr;
    // In create, after the defaults are stored and before the channel group
    // is made; privateData is what the activation put in the instance table
    // (the service lookup).
    void (*afterDefaults)(NodeBase *node, void *privateData) = nullptr;
    // Replace the common load and save entirely.
    HostError (*load)(NodeBase *node, const HostLoadState *state) = nullptr;
    HostError (*save)(NodeBase *node, const HostSaveState *state) = nullptr;
    // Replace the common render callbacks (which do nothing).
    HostError (*renderStart)(NodeBase *node, int mode) = nullptr;
    void (*renderEnd)(NodeBase *node) = nullptr;
    // Runs after the common new-time has refreshed the cached values.
    void (*afterNewTime)(NodeBase *node, int frame, double time) = nullptr;
    // Runs after the common copy.
    void (*afterCopy)(NodeBase *to, const NodeBase *from) = nullptr;
    // Runs in destroy before the record is freed.
    void (*beforeDestroy)(NodeBase *node) = nullptr;
    // Runs at the end of panel creation.
    void (*afterPanelCreated)(NodeBase *node) = nullptr;
    // Runs at the end of create. An error text fails the creation: the
    // instance is destroyed and the host is given the text.
    HostError (*afterCreate)(NodeBase *node) = nullptr;
    // Replace the common panel get and set, for values that are no int
    // setting or envelope (texts, choices with side effects).
    void *(*panelGet)(NodeBase *node, std::uint32_t valueId) = nullptr;
    int (*panelSet)(NodeBase *node, std::uint32_t valueId, void *value) = nullptr;
};

struct NodeKind {
    const char *channelGroup;  // null: the kind makes no channel group
    std::size_t recordSize;
    bool setsPreviewType;  // sets preview type 2 before the colour
    bool usesEnvelopes;    // asks for the vparm and envelope services
    std::span<const ParamSpec> params;
    std::span<const SettingSpec> settings;
    std::span<const ConnectorSpec> inputs;
    std::span<const ConnectorSpec> outputs;
    std::span<const ControlSpec> controls;
    const HostPanelDataDesc *dataDescription;
    const HostPanelHint *hints;
    KindServices *services;
    HostEvaluateFunc evaluate;
    NodeHooks hooks;
};

// Typed access to a record field by offset.
template <typename T>
inline T &field(NodeBase *node, Offset offset) {
    return *reinterpret_cast<T *>(reinterpret_cast<char *>(node) + offset);
}
template <typename T>
inline const T &field(const NodeBase *node, Offset offset) {
    return *reinterpret_cast<const T *>(reinterpret_cast<const char *>(node) + offset);
}

}  // namespace fw
