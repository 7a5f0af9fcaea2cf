// The trace operation's mode word: a trace mode in the low part, OR'ed with
// the flags that are set.
#pragma once

#include <cstdint>

#include "hostapi/node.h"

namespace orv {

// The five flag settings of a node that fires rays, one int each.
struct TraceFlags {
    std::int32_t backshade;
    std::int32_t backdrop;
    std::int32_t object;
    std::int32_t sampledRay;
    std::int32_t noPolygon;
};

// The mode is not masked or range-checked: a negative mode, as a scene may
// hold, sets flag bits of its own.
constexpr std::uint32_t modeWord(std::int32_t mode, const TraceFlags &flags) {
    std::uint32_t word = static_cast<std::uint32_t>(mode);
    if (flags.backshade) word |= HOST_TRACE_BACKSHADE;
    if (flags.backdrop) word |= HOST_TRACE_BACKDROPF;
    if (flags.object) word |= HOST_TRACE_OBJECT;
    if (flags.sampledRay) word |= HOST_TRACE_SAMPLED;
    if (flags.noPolygon) word |= HOST_TRACE_NOPOLYGON;
    return word;
}

}  // namespace orv
