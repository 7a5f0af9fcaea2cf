// Reading and writing a node's settings through the host's load and save
// states: ints as 16-bit values (their low 16 bits, widened back with their
// sign), then vparms, each stopping at the first vparm error.
#pragma once

#include "node_kind.h"

namespace fw {

void saveInt16(const HostSaveState *state, std::int32_t value);
// Reads one 16-bit value into value, widened with its sign; a state that has
// no value to give leaves value as it was.
void loadInt16(const HostLoadState *state, std::int32_t &value);

HostError saveParam(const NodeBase *node, const ValueRow &param, const HostSaveState *state);
HostError loadParam(NodeBase *node, const ValueRow &param, const HostLoadState *state);

// The common pattern: the settings, then the parameters in the order their
// vparms are made, or the kind's saveOrder with its own items where it puts
// them. Load reads the same and then refreshes the cached values at time 0.
HostError saveValues(const NodeBase *node, const HostSaveState *state);
HostError loadValues(NodeBase *node, const HostLoadState *state);

}  // namespace fw
