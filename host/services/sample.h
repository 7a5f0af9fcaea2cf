// Sample records for evaluations outside a render (orvhost eval, tests): a
// spot in empty space, whose rays hit nothing.
#pragma once

#include "hostapi/node.h"

namespace host {

// A spot at the origin facing +y, seen from one unit above it: every field a
// node reads has a sensible value. Its cast, trace and shade hit nothing:
// cast and shade report a negative distance, trace brings back the backdrop
// when the mode or flags ask for it and black otherwise.
HostSample emptySpaceSample();

}  // namespace host
