#include "generator.h"

#include <atomic>

namespace orv {
namespace {

constexpr int kWords = 624;
constexpr int kShift = 397;
constexpr std::uint32_t kMatrix = 0x9908b0dfu;
constexpr std::uint32_t kUpper = 0x80000000u;
constexpr std::uint32_t kLower = 0x7fffffffu;
// Position of a state that was never seeded.
constexpr int kUnseeded = kWords + 1;

// One MT19937 state, on cache lines of its own so threads don't share them.
struct alignas(64) State {
    std::uint32_t words[kWords]{};
    int position = kUnseeded;
};

void seedState(State &state, std::uint32_t seed) {
    state.words[0] = seed;
    for (int i = 1; i < kWords; ++i) {
        const std::uint32_t previous = state.words[i - 1];
        state.words[i] =
            1812433253u * (previous ^ (previous >> 30)) + static_cast<std::uint32_t>(i);
    }
    state.position = kWords;
}

void twist(State &state) {
    std::uint32_t *mt = state.words;
    auto mix = [](std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
        const std::uint32_t y = (upper & kUpper) | (lower & kLower);
        return far ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
    };
    int i = 0;
    for (; i < kWords - kShift; ++i)
        mt[i] = mix(mt[i], mt[i + 1], mt[i + kShift]);
    for (; i < kWords - 1; ++i)
        mt[i] = mix(mt[i], mt[i + 1], mt[i + kShift - kWords]);
    mt[kWords - 1] = mix(mt[kWords - 1], mt[0], mt[kShift - 1]);
    state.position = 0;
}

// Once every 624 draws: kept out of line so that draw stays small enough to
// inline into loops.
[[gnu::noinline]] void refill(State &state, int stateIndex) {
    if (state.position == kUnseeded) seedState(state, derivedSeed(kDefaultSeed, stateIndex));
    twist(state);
}

inline std::uint32_t draw(State &state, int stateIndex) {
    if (state.position >= kWords) [[unlikely]]
        refill(state, stateIndex);
    std::uint32_t y = state.words[state.position++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

// Constant-initialised: nothing runs at load time.
State threadStates[kThreadStates];
State strayState;  // for render-thread indices the table has no room for
// A spin lock that waits on plain reads, so that waiting threads do not
// fight over the cache line. (std::mutex is not there on every Windows
// toolchain the module is built with.)
class SpinLock {
  public:
    void lock() {
        while (taken_.exchange(true, std::memory_order_acquire))
            while (taken_.load(std::memory_order_relaxed)) {
            }
    }
    void unlock() { taken_.store(false, std::memory_order_release); }

  private:
    std::atomic<bool> taken_{false};
};

SpinLock strayLock;  // constant-initialised: no work at load time

}  // namespace

void seedGenerator(std::uint32_t seed) {
    for (int k = 0; k < kThreadStates; ++k)
        seedState(threadStates[k], derivedSeed(seed, k));
    strayLock.lock();
    seedState(strayState, derivedSeed(seed, kThreadStates));
    strayLock.unlock();
}

std::uint32_t nextWord(int threadIndex) {
    if (static_cast<unsigned>(threadIndex) < static_cast<unsigned>(kThreadStates))
        return draw(threadStates[threadIndex], threadIndex);
    strayLock.lock();
    const std::uint32_t word = draw(strayState, kThreadStates);
    strayLock.unlock();
    return word;
}

void nextReals(int threadIndex, double *values, int count) {
    if (static_cast<unsigned>(threadIndex) >= static_cast<unsigned>(kThreadStates)) {
        for (int i = 0; i < count; ++i)
            values[i] = nextReal(threadIndex);
        return;
    }
    State &state = threadStates[threadIndex];
    for (int i = 0; i < count; ++i)
        values[i] = draw(state, threadIndex) * (1.0 / 4294967295.0);
}

}  // namespace orv
