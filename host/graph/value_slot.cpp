#include "host/graph/value_slot.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace host {
namespace {

bool triple(int type) {
    return type == HOST_NOT_COLOR || type == HOST_NOT_VECTOR;
}

std::int32_t toInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);  // truncates toward zero
}

}  // namespace

int valueSize(int type) {
    switch (type) {
        case HOST_NOT_COLOR:
        case HOST_NOT_VECTOR:
            return 3;
        case HOST_NOT_SCALAR:
        case HOST_NOT_INTEGER:
        case HOST_NOT_FUNCTION:
            return 1;
        case HOST_NOT_MATERIAL:
            return HOST_MATERIAL_DOUBLES;
        default:
            return 0;
    }
}

bool convertValue(int fromType, const void *from, int toType, void *to) {
    if (!typesConnect(fromType, toType) || !from || !to) return false;
    if (fromType == toType) {
        const std::size_t bytes =
            fromType == HOST_NOT_INTEGER
                ? sizeof(std::int32_t)
                : sizeof(double) * static_cast<std::size_t>(valueSize(fromType));
        std::memmove(to, from, bytes);
        return true;
    }
    // Every numeric conversion goes through one or three doubles.
    double values[3];
    if (triple(fromType)) {
        std::memcpy(values, from, sizeof values);
    } else {
        const double v = fromType == HOST_NOT_INTEGER ? *static_cast<const std::int32_t *>(from)
                                                      : *static_cast<const double *>(from);
        values[0] = values[1] = values[2] = v;
    }
    if (triple(toType)) {
        std::memcpy(to, values, sizeof values);
        return true;
    }
    const double scalar = triple(fromType) ? (values[0] + values[1] + values[2]) / 3.0 : values[0];
    if (toType == HOST_NOT_INTEGER) {
        *static_cast<std::int32_t *>(to) = toInteger(scalar);
    } else {
        *static_cast<double *>(to) = scalar;
    }
    return true;
}

bool ValueSlot::deliver(const void *data) {
    if (!data || !destination_) return false;
    // Most values go to a receiver of their own type: a plain copy.
    if (sourceType_ == destinationType_) {
        switch (sourceType_) {
            case HOST_NOT_SCALAR:
            case HOST_NOT_FUNCTION:
                std::memmove(destination_, data, sizeof(double));
                return delivered_ = true;
            case HOST_NOT_COLOR:
            case HOST_NOT_VECTOR:
                std::memmove(destination_, data, 3 * sizeof(double));
                return delivered_ = true;
            default:
                break;
        }
    }
    if (!convertValue(sourceType_, data, destinationType_, destination_)) return false;
    delivered_ = true;
    return true;
}

}  // namespace host
