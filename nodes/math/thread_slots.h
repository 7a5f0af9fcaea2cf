// Per-render-thread memory of Counter and Hold Value: one slot per render
// thread, chosen by the sample record's render-thread index.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr int kSlots = 16;

// The slot of a render-thread index, or -1 for an index the record has no
// slot for. Such an evaluation neither reads nor writes any slot (two
// threads must never share one); it behaves as a slot's first evaluation.
inline int slotOf(std::int32_t threadIndex) {
    return (threadIndex >= 0 && threadIndex < kSlots) ? threadIndex : -1;
}

}  // namespace orv
