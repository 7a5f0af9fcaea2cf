// The module-wide Mersenne Twister (MT19937) that Random and the ray-traced
// nodes draw from.
//
// Each render thread draws from a state of its own, chosen by the sample
// record's render-thread index, so draws take no lock and scale with the
// threads. State 0 follows the published MT19937 sequence for the seed;
// state k is seeded with seed + k * 0x9e3779b9. Seeding re-seeds every state
// together, so a single-threaded render reproduces the published sequence,
// re-seeding included. An index outside 0 to kThreadStates - 1 draws from one
// extra state shared by all such callers under a lock: slower, but
// never unsound.
#pragma once

#include <cstdint>

namespace orv {

inline constexpr int kThreadStates = 16;

// The default seed of an unseeded generator.
inline constexpr std::uint32_t kDefaultSeed = 5489u;

// Seeds every state: state 0 with seed, state k with derivedSeed(seed, k).
void seedGenerator(std::uint32_t seed);

// The next tempered 32-bit word of the thread's state.
std::uint32_t nextWord(int threadIndex);

// The next word scaled to the closed interval [0, 1].
inline double nextReal(int threadIndex) {
    return nextWord(threadIndex) * (1.0 / 4294967295.0);
}

// count values of nextReal in a row, in one call: what count calls would
// give, for loops that draw several numbers per step.
void nextReals(int threadIndex, double *values, int count);

constexpr std::uint32_t derivedSeed(std::uint32_t seed, int stateIndex) {
    return seed + static_cast<std::uint32_t>(stateIndex) * 0x9e3779b9u;
}

}  // namespace orv
