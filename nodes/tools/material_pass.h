// What Store Material and Get Material share: evaluating one of a store's
// four inputs, the one of the asked output's type, with a sample record, and
// handing it on. Store Material does it with its own sample; Get Material
// with the sample of the spot where it sits.
#pragma once

#include "framework/inputs.h"
#include "nodes/tools/material_registry.h"

namespace orv {

// A node's Color, Scalar and Vector outputs; any other output is taken as
// the Integer one.
struct MaterialOutputs {
    HostNodeOutputID color, scalar, vector;
};

inline void passMaterialValue(const fw::NodeBase *node, const MaterialStore &store,
                              const MaterialOutputs &outputs, HostSample *sample,
                              HostNodeOutputID output, HostNodeValue value) {
    const fw::Inputs inputs(node, sample);
    if (output == outputs.color || output == outputs.vector) {
        const fw::Vec3 result =
            inputs.triple(output == outputs.color ? store.color : store.vector, fw::Vec3{});
        fw::setOutput(node, value, result.data());
    } else if (output == outputs.scalar) {
        const double result = inputs.scalar(store.scalar, 0.0);
        fw::setOutput(node, value, &result);
    } else {
        const std::int32_t result = inputs.integer(store.integer, 0);
        fw::setOutput(node, value, &result);
    }
}

}  // namespace orv
