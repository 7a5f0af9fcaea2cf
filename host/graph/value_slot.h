// Values as they pass along a connection: the conversions between connector
// types and the slot an upstream node delivers its value into.
#pragma once

#include "hostapi/node.h"

namespace host {

// Doubles (or, for Integer, int32 words) a value of a connector type takes.
int valueSize(int type);
inline bool validConnectorType(int type) {
    return type >= HOST_NOT_COLOR && type <= HOST_NOT_MATERIAL;
}

// Whether an output of one type may feed an input of another. Color, Scalar,
// Vector and Integer convert into each other; Function and Material connect
// only to their own type. Asked on every evaluation, so inline.
inline bool typesConnect(int fromType, int toType) {
    const auto numeric = [](int type) {
        return type >= HOST_NOT_COLOR && type <= HOST_NOT_INTEGER;
    };
    if (numeric(fromType) && numeric(toType)) return true;
    return validConnectorType(fromType) && fromType == toType;
}

// Converts a value between connector types:
//  - a triple (Color or Vector) becomes a Scalar or Integer through the
//    average of its three components, so that a broadcast scalar comes back
//    unchanged;
//  - a Scalar or Integer becomes a triple by broadcast;
//  - Color and Vector copy component by component;
//  - a Scalar becomes an Integer by truncation toward zero, saturated to the
//    int32 range, with NaN giving 0.
// False (and nothing written) when the types do not connect.
bool convertValue(int fromType, const void *from, int toType, void *to);

// Where one evaluation delivers its value: the output's type, the type the
// receiver wants, and the receiver's buffer. It lives on the evaluating
// thread's stack for the length of one evaluate call.
class ValueSlot {
  public:
    ValueSlot(int sourceType, int destinationType, void *destination)
        : sourceType_(sourceType), destinationType_(destinationType), destination_(destination) {
        if (sourceType == HOST_NOT_FUNCTION && destination)
            argument_ = *static_cast<const double *>(destination);
    }

    int sourceType() const { return sourceType_; }
    int destinationType() const { return destinationType_; }
    // For a Function output: the argument the receiver passed in place.
    double functionArgument() const { return argument_; }

    // Converts data (of the source type) into the destination; false for a
    // null buffer.
    bool deliver(const void *data);
    // deliver, with a scalar for a scalar, the commonest value a module
    // hands over, copied inline. (Not for the host's own nodes: where the
    // compiler sees an int handed to a slot of unknown type, it would warn
    // of the scalar read.)
    bool deliverInline(const void *data) {
        if (sourceType_ == HOST_NOT_SCALAR && destinationType_ == HOST_NOT_SCALAR && data &&
            destination_) {
            *static_cast<double *>(destination_) = *static_cast<const double *>(data);
            return delivered_ = true;
        }
        return deliver(data);
    }
    bool delivered() const { return delivered_; }

    HostNodeValue id() { return reinterpret_cast<HostNodeValue>(this); }
    static ValueSlot *from(HostNodeValue id) { return reinterpret_cast<ValueSlot *>(id); }

  private:
    int sourceType_;
    int destinationType_;
    void *destination_;
    double argument_ = 0.0;
    bool delivered_ = false;
};

}  // namespace host
