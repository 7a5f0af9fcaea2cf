// Outputs whose values are kept as the evaluation of one sample delivers
// them. A picture of a node's output must show the value the surface used
// at that spot, not a second evaluation that draws other random numbers and
// disturbs the ones the surface draws next.
#pragma once

#include <span>

#include "host/graph/graph.h"

namespace host {

struct CapturedValue {
    bool taken = false;
    double value[3] = {};  // one number for scalars and integers, three for triples
};

struct OutputCapture {
    const HostSample *sample = nullptr;  // only evaluations at this very record are kept
    std::span<OutputConnector *const> outputs;
    std::span<CapturedValue> values;  // one per output; the first evaluation of each is kept
};

// Watches the calling thread's evaluations until cleared with null. The
// capture lives on the caller's side and must outlast the watch.
inline void watchOutputs(OutputCapture *capture) {
    evaluationThread.capture = capture;
}

}  // namespace host
