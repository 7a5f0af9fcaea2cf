// Making an instance's panel from its kind's tables.
#pragma once

#include "node_kind.h"

namespace fw {

// Creates the panel once; on failure the instance keeps no panel.
void createPanel(const NodeKind &kind, NodeBase *node);

}  // namespace fw
