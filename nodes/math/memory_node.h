// What Counter and Hold Value share: per-thread slots that start afresh at
// create and at each render-start, and the eight modes that compare A with
// its previous value or with B.
#pragma once

#include <cstddef>

#include "comparisons.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"
#include "thread_slots.h"

namespace orv {

// The popup texts of the modes that compare A, in their order.
#define ORV_A_MODE_NAMES                                                                          \
    "A Does Change", "A Does Not Change", "A Equal To B", "A Not Equal To B", "A Greater Than B", \
        "A Less Than B", "A Greater Than Or Equal To B", "A Less Than Or Equal To B"

template <typename Record, ThreadSlots Record::*slots>
HostError restartSlots(fw::NodeBase *base, int) {
    (reinterpret_cast<Record *>(base)->*slots).restart();
    return nullptr;
}

template <typename Record, ThreadSlots Record::*slots>
HostError restartSlotsAtCreate(fw::NodeBase *base, void *) {
    return restartSlots<Record, slots>(base, 0);
}

// A memory node's kind: it sets the preview type, and its slots restart at
// create and at render-start.
template <typename Record, ThreadSlots Record::*slots>
constexpr fw::NodeKind memoryKind(const char *name, std::span<const fw::ValueRow> values,
                                  std::span<const fw::ConnectorSpec> inputs,
                                  std::span<const fw::ConnectorSpec> outputs,
                                  const HostPanelDataDesc *dataDescription,
                                  const HostPanelHint *hints, fw::KindServices *services,
                                  HostEvaluateFunc evaluate) {
    return fw::nodeKind<Record>({
        .channelGroup = name,
        .setsPreviewType = true,
        .values = values,
        .inputs = inputs,
        .outputs = outputs,
        .dataDescription = dataDescription,
        .hints = hints,
        .services = services,
        .evaluate = evaluate,
        .hooks = {.afterDefaults = restartSlotsAtCreate<Record, slots>,
                  .renderStart = restartSlots<Record, slots>},
    });
}

}  // namespace orv
