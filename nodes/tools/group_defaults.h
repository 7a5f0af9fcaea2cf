// Group Node's five value kinds: the root inputs and outputs of one name and
// type each, and the value each gives while nothing feeds its root input.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "framework/module_colors.h"
#include "hostapi/node.h"

namespace orv {

inline constexpr int kGroupValueKinds = 5;

struct GroupKind {
    const char *name;
    int type;
};

inline constexpr GroupKind kGroupKinds[kGroupValueKinds] = {
    {"Color", HOST_NOT_COLOR},     {"Scalar", HOST_NOT_SCALAR},     {"Vector", HOST_NOT_VECTOR},
    {"Integer", HOST_NOT_INTEGER}, {"Material", HOST_NOT_MATERIAL},
};

// Room for the largest value, a material. An Integer is kept in the first
// bytes as an int32 (the storage is suitably aligned for it).
struct GroupValue {
    alignas(double) std::array<double, HOST_MATERIAL_DOUBLES> storage{};
    double *data() { return storage.data(); }
};

inline GroupValue groupDefault(int kind) {
    GroupValue value;
    switch (kGroupKinds[kind].type) {
        case HOST_NOT_COLOR:
        case HOST_NOT_MATERIAL:
            value.storage[0] = value.storage[1] = value.storage[2] = fw::kDefaultGrey;
            break;
        case HOST_NOT_SCALAR:
            value.storage[0] = 1.0;
            break;
        case HOST_NOT_INTEGER: {
            const std::int32_t one = 1;
            std::memcpy(value.data(), &one, sizeof one);
            break;
        }
        default:
            break;
    }
    return value;
}

}  // namespace orv
