// Evaluating a node's inputs over locals: a connected input replaces the
// local with the upstream value for this sample, an unconnected one leaves
// it alone.
#pragma once

#include <cstdint>

#include "node_kind.h"
#include "vec3.h"

namespace fw {

// A popup position that an input may have set to any int, limited to the
// count positions the popup has.
constexpr int clampChoice(std::int32_t value, int count) {
    if (value < 0) return 0;
    if (value > count - 1) return count - 1;
    return value;
}

class Inputs {
  public:
    Inputs(const NodeBase *node, HostSample *sample)
        : node_(node), funcs_(node->kind->services->handler.input), sample_(sample) {}

    // A value as evaluation sees it: the record's setting or cached
    // parameter, replaced by the row's input when that is connected. The row
    // names both, so a value cannot be read from another value's input.
    double scalar(const ValueRow &row) const { return read<double>(row); }
    std::int32_t integer(const ValueRow &row) const { return read<std::int32_t>(row); }
    Vec3 triple(const ValueRow &row) const { return read<Vec3>(row); }
    int choice(const ValueRow &row, int count) const { return clampChoice(integer(row), count); }

    double scalar(HostNodeInputID input, double value) const {
        funcs_->evaluate(input, sample_, &value);
        return value;
    }
    std::int32_t integer(HostNodeInputID input, std::int32_t value) const {
        funcs_->evaluate(input, sample_, &value);
        return value;
    }
    Vec3 triple(HostNodeInputID input, Vec3 value) const {
        funcs_->evaluate(input, sample_, value.data());
        return value;
    }
    // A popup setting with an input behind it, limited to its positions.
    int choice(HostNodeInputID input, std::int32_t value, int count) const {
        return clampChoice(integer(input, value), count);
    }
    // A Function input maps a value in place.
    double function(HostNodeInputID input, double value) const { return scalar(input, value); }
    bool connected(HostNodeInputID input) const { return funcs_->check(input) != 0; }

  private:
    template <typename T>
    T read(const ValueRow &row) const {
        T value = field<T>(node_, row.offset);
        if (row.input) funcs_->evaluate(field<HostNodeInputID>(node_, row.input), sample_, &value);
        return value;
    }

    const NodeBase *node_;
    const HostNodeInputFuncs *funcs_;
    HostSample *sample_;
};

// Hands a result to the host for the output asked for.
inline void setOutput(const NodeBase *node, HostNodeValue value, const void *data) {
    node->kind->services->handler.output->setValue(value, data);
}

}  // namespace fw
