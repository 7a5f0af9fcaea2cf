// Per-render-thread memory of Counter and Hold Value: one slot per render
// thread, chosen by the sample record's render-thread index, each holding
// the node's value and the A it last saw.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr int kSlots = 16;

struct ThreadSlot {
    std::int32_t fresh;  // no evaluation yet since render-start (or create)
    double value;
    double previousA;
};

struct ThreadSlots {
    ThreadSlot slot[kSlots];

    // At render-start and create: every thread begins afresh.
    void restart() {
        for (ThreadSlot &s : slot)
            s.fresh = 1;
    }

    // The slot of a render-thread index, or null for an index the record has
    // no slot for. Such an evaluation neither reads nor writes any slot (two
    // threads must never share one); it behaves as a slot's first evaluation.
    ThreadSlot *of(std::int32_t threadIndex) {
        return (threadIndex >= 0 && threadIndex < kSlots) ? &slot[threadIndex] : nullptr;
    }
};

// One evaluation's turn of a thread's slot. The first evaluation takes
// `first` and remembers A; each later one takes next(value, previous A) and,
// in the modes that watch A change, remembers A. Without a slot the result
// is `first`.
template <typename Next>
double advance(ThreadSlot *slot, double first, double a, bool watchesA, Next next) {
    if (!slot) return first;
    if (slot->fresh) {
        slot->fresh = 0;
        slot->value = first;
        slot->previousA = a;
    } else {
        slot->value = next(slot->value, slot->previousA);
        if (watchesA) slot->previousA = a;
    }
    return slot->value;
}

}  // namespace orv
