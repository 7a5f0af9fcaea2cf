// Every node kind of the module, in server-table order. The table
// (module/server_table.cpp) and the kinds' own files meet here.
#pragma once

#include "framework/node_kind.h"

namespace orv {

extern const fw::NodeKind kSqrt;
extern const fw::NodeKind kRandom;

}  // namespace orv
