// What a node kind declares about itself: its instance record, one row per
// panel value (value_row.h), connectors and panel hints, as constant tables. The
// common life cycle (lifecycle.h) works from these tables alone; a kind
// supplies its evaluate and only the hooks where it departs from the pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "hostapi/hostapi.h"
#include "kind_services.h"
#include "value_row.h"

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

// The kind's own items among its saved ones, in NodeKind::saveOrder.
constexpr std::uint32_t kKindItems = 0;

// Departures from the common life cycle. Null members take the common
// behaviour; each hook says where it runs.
struct NodeHooks {
    // Between the four node services and the envelope services of the
    // handler activation: asks for the kind's own services. Returns an
    // activation code (HOST_AFUNC_OK or HOST_AFUNC_BADGLOBAL).
    int (*acquireServices)(HostServiceLookup lookup) = nullptr;
    // In create, after the defaults are stored and before the channel group
    // is made; privateData is what the activation put in the instance table
    // (the service lookup). An error text fails the create: the record is
    // freed and the host is handed the text.
    HostError (*afterDefaults)(NodeBase *node, void *privateData) = nullptr;
    // The last step of create, after the connectors. An error text fails the
    // create: the vparms are destroyed and the record freed (beforeDestroy
    // does not run; the hook undoes its own work).
    HostError (*afterConnectors)(NodeBase *node, void *privateData) = nullptr;
    // Between the inputs and the outputs of create, for a kind whose outputs
    // must not exist unless the step succeeds; fails create as afterConnectors
    // does, before any output is made.
    HostError (*beforeOutputs)(NodeBase *node, void *privateData) = nullptr;
    // Panel get and set of the kind's custom values (strings, a choice that
    // sets more than one field); ids without a row never reach them.
    void *(*panelGet)(NodeBase *node, std::uint32_t valueId) = nullptr;
    int (*panelSet)(NodeBase *node, std::uint32_t valueId, void *value) = nullptr;
    // The kind's own items, saved and loaded where kKindItems stands in
    // saveOrder (an image reference between the settings and the vparms).
    HostError (*saveItems)(NodeBase *node, const HostSaveState *state) = nullptr;
    HostError (*loadItems)(NodeBase *node, const HostLoadState *state) = nullptr;
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
    // The handler activation leaves the new-time slot as the host gave it
    // (a kind with nothing to refresh per frame).
    bool leavesNewTime = false;
};

struct NodeKind {
    const char *channelGroup = nullptr;     // null: the kind makes no channel group
    bool setsPreviewType = false;           // sets preview type 2 before the colour
    std::span<const ValueRow> values = {};  // one row per panel value, in id order
    // Parameter ids in the order their vparms are made, when that is not
    // the rows' order.
    std::span<const std::uint32_t> paramOrder = {};
    // Value ids (and kKindItems) in the order they are saved, when that is
    // not the settings then the parameters.
    std::span<const std::uint32_t> saveOrder = {};
    std::span<const ConnectorSpec> inputs = {};
    std::span<const ConnectorSpec> outputs = {};
    const HostPanelDataDesc *dataDescription = nullptr;  // null: no panel
    const HostPanelHint *hints = nullptr;
    KindServices *services = nullptr;
    HostEvaluateFunc evaluate = nullptr;
    NodeHooks hooks = {};
    std::size_t recordSize = 0;  // filled by nodeKind<Record>

    // A kind with parameters or a channel group of its own asks for the
    // vparm and envelope services.
    constexpr bool usesEnvelopes() const {
        if (channelGroup) return true;
        for (const ValueRow &row : values)
            if (row.isParam()) return true;
        return false;
    }
};

// A kind's tables with its record size taken from its record, which must
// begin with its NodeBase.
template <typename Record>
constexpr NodeKind nodeKind(NodeKind kind) {
    static_assert(std::is_standard_layout_v<Record>, "a node record is a plain struct");
    static_assert(offsetof(Record, base) == 0, "a node record begins with its NodeBase");
    kind.recordSize = sizeof(Record);
    return kind;
}

// Calls visit(row) for each parameter in the order its vparm is made.
template <typename Visit>
constexpr void forEachParam(const NodeKind &kind, Visit &&visit) {
    if (kind.paramOrder.empty()) {
        for (const ValueRow &row : kind.values)
            if (row.isParam()) visit(row);
        return;
    }
    for (std::uint32_t id : kind.paramOrder)
        if (const ValueRow *row = findRow(kind.values, id)) visit(*row);
}

// Calls visit(row) for each parameter in the order its vparm is saved, which
// is also the order copy and new-time take them in.
template <typename Visit>
constexpr void forEachSavedParam(const NodeKind &kind, Visit &&visit) {
    if (kind.saveOrder.empty()) {
        forEachParam(kind, visit);
        return;
    }
    for (std::uint32_t id : kind.saveOrder)
        if (const ValueRow *row = findRow(kind.values, id); row && row->isParam()) visit(*row);
}

// Calls visit(row) for each int setting in row order.
template <typename Visit>
constexpr void forEachSetting(const NodeKind &kind, Visit &&visit) {
    for (const ValueRow &row : kind.values)
        if (row.isSetting()) visit(row);
}

namespace check {

constexpr int timesIn(std::span<const std::uint32_t> order, std::uint32_t id) {
    int times = 0;
    for (std::uint32_t entry : order)
        times += entry == id ? 1 : 0;
    return times;
}

// Whether id is a setting or parameter row of the kind (a parameter only,
// when asked). By index rather than findRow: a sanitizer build cannot
// compare an address with null at compile time where the rows belong to a
// template.
constexpr bool isSettingOrParam(const NodeKind &kind, std::uint32_t id, bool paramOnly = false) {
    for (std::size_t i = 0; i < kind.values.size(); ++i)
        if (kind.values[i].id == id)
            return kind.values[i].isParam() || (!paramOnly && kind.values[i].isSetting());
    return false;
}

// What a kind saves and the order its vparms are made in leave nothing out
// and say nothing twice: every setting and parameter once in the save
// order, the kind's own items at most once, every parameter once in the
// parameter order, and no other id. (Whether the hooks are there is not
// asked: a sanitizer build cannot compare a template's address with null at
// compile time. The image kinds take theirs as one set, imagePopupHooks.)
constexpr bool ordersComplete(const NodeKind &kind) {
    if (!kind.saveOrder.empty()) {
        if (timesIn(kind.saveOrder, kKindItems) > 1) return false;
        for (std::uint32_t id : kind.saveOrder)
            if (id != kKindItems && !isSettingOrParam(kind, id)) return false;
        for (const ValueRow &row : kind.values)
            if ((row.isSetting() || row.isParam()) && timesIn(kind.saveOrder, row.id) != 1)
                return false;
    }
    if (!kind.paramOrder.empty()) {
        for (std::uint32_t id : kind.paramOrder)
            if (!isSettingOrParam(kind, id, true)) return false;
        for (const ValueRow &row : kind.values)
            if (row.isParam() && timesIn(kind.paramOrder, row.id) != 1) return false;
    }
    return true;
}

}  // namespace check

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

// The compile-time checks of a whole kind, after its definition.
#define FW_CHECK_KIND(kind)                                                              \
    static_assert(fw::check::ordersComplete(kind),                                       \
                  "a setting or parameter is missing from the save or parameter order, " \
                  "or is there twice, or the kind's own items are saved twice")
