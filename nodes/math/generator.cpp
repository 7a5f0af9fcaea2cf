#include "generator.h"

#include <atomic>

#include "nodes/processor.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if ORV_X86
#include <immintrin.h>
#endif

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

// One step of the twist: the new word i from words i and i + 1 and the
// word kShift further on.
constexpr std::uint32_t twisted(std::uint32_t word, std::uint32_t next, std::uint32_t far) {
    const std::uint32_t y = (word & kUpper) | (next & kLower);
    return far ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
}

void twistWords(std::uint32_t *mt, int from, int to, int farOffset) {
    for (int i = from; i < to; ++i)
        mt[i] = twisted(mt[i], mt[i + 1], mt[i + farOffset]);
}

#if ORV_X86
[[gnu::target("avx2")]] [[gnu::always_inline]] inline __m256i wordsAt(const std::uint32_t *mt,
                                                                      int k) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(mt + k));
}

// twistWords eight words abreast. Every word read is one the plain loop
// would read at that point: the word after a group is not yet changed, and
// the far words are either all unchanged (first part) or all already new
// (second part), as kWords - kShift is well over eight.
[[gnu::target("avx2")]] int twistEight(std::uint32_t *mt, int from, int to, int farOffset) {
    const __m256i upper = _mm256_set1_epi32(static_cast<int>(kUpper));
    const __m256i lower = _mm256_set1_epi32(static_cast<int>(kLower));
    const __m256i matrix = _mm256_set1_epi32(static_cast<int>(kMatrix));
    const __m256i one = _mm256_set1_epi32(1);
    int i = from;
    for (; i + 8 <= to; i += 8) {
        const __m256i y = _mm256_or_si256(_mm256_and_si256(wordsAt(mt, i), upper),
                                          _mm256_and_si256(wordsAt(mt, i + 1), lower));
        const __m256i odd = _mm256_cmpeq_epi32(_mm256_and_si256(y, one), one);
        const __m256i word =
            _mm256_xor_si256(_mm256_xor_si256(wordsAt(mt, i + farOffset), _mm256_srli_epi32(y, 1)),
                             _mm256_and_si256(odd, matrix));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(mt + i), word);
    }
    return i;
}
#endif

void twist(State &state) {
    std::uint32_t *mt = state.words;
    const auto part = [mt](int from, int to, int farOffset) {
#if ORV_X86
        if (hasAvx2()) from = twistEight(mt, from, to, farOffset);
#endif
        twistWords(mt, from, to, farOffset);
    };
    part(0, kWords - kShift, kShift);
    part(kWords - kShift, kWords - 1, kShift - kWords);
    mt[kWords - 1] = twisted(mt[kWords - 1], mt[0], mt[kShift - 1]);
    state.position = 0;
}

// Once every 624 draws: kept out of line so that draw stays small enough to
// inline into loops.
[[gnu::noinline]] void refill(State &state, int stateIndex) {
    if (state.position == kUnseeded) seedState(state, derivedSeed(kDefaultSeed, stateIndex));
    twist(state);
}

inline std::uint32_t temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

inline std::uint32_t draw(State &state, int stateIndex) {
    if (state.position >= kWords) [[unlikely]]
        refill(state, stateIndex);
    return temper(state.words[state.position++]);
}

constexpr double kWordScale = 1.0 / 4294967295.0;

// A tempered word in [0, 1], as nextReal makes it.
inline double wordValue(std::uint32_t word) {
    return temper(word) * kWordScale;
}

#if ORV_X86
// wordValue of eight words at a time, as wordValues makes them four at a
// time; returns how many words it did.
[[gnu::target("avx2")]] int wordValuesEight(const std::uint32_t *words, double *values, int n) {
    const __m256d half = _mm256_set1_pd(2147483648.0), scale = _mm256_set1_pd(kWordScale);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i y = wordsAt(words, i);
        y = _mm256_xor_si256(y, _mm256_srli_epi32(y, 11));
        y = _mm256_xor_si256(
            y, _mm256_and_si256(_mm256_slli_epi32(y, 7), _mm256_set1_epi32(0x9d2c5680)));
        y = _mm256_xor_si256(
            y, _mm256_and_si256(_mm256_slli_epi32(y, 15), _mm256_set1_epi32(int(0xefc60000u))));
        y = _mm256_xor_si256(y, _mm256_srli_epi32(y, 18));
        y = _mm256_xor_si256(y, _mm256_set1_epi32(int(0x80000000u)));
        const __m256d low = _mm256_add_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(y)), half);
        const __m256d high =
            _mm256_add_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(y, 1)), half);
        _mm256_storeu_pd(values + i, _mm256_mul_pd(low, scale));
        _mm256_storeu_pd(values + i + 4, _mm256_mul_pd(high, scale));
    }
    return i;
}
#endif

// wordValue of n words, four abreast where SSE2 is there. A word becomes a
// double through the signed conversion that SSE2 has, word - 2^31 then
// 2^31 added back: exact, so the same value as the plain conversion.
void wordValues(const std::uint32_t *words, double *values, int n) {
    int i = 0;
#if ORV_X86
    if (hasAvx2()) i = wordValuesEight(words, values, n);
#endif
#ifdef __SSE2__
    for (; i + 4 <= n; i += 4) {
        __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(words + i));
        y = _mm_xor_si128(y, _mm_srli_epi32(y, 11));
        y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 7), _mm_set1_epi32(0x9d2c5680)));
        y = _mm_xor_si128(y,
                          _mm_and_si128(_mm_slli_epi32(y, 15), _mm_set1_epi32(int(0xefc60000u))));
        y = _mm_xor_si128(y, _mm_srli_epi32(y, 18));
        y = _mm_xor_si128(y, _mm_set1_epi32(int(0x80000000u)));
        const __m128d half = _mm_set1_pd(2147483648.0), scale = _mm_set1_pd(kWordScale);
        const __m128d low = _mm_add_pd(_mm_cvtepi32_pd(y), half);
        const __m128d high = _mm_add_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(y, y)), half);
        _mm_storeu_pd(values + i, _mm_mul_pd(low, scale));
        _mm_storeu_pd(values + i + 2, _mm_mul_pd(high, scale));
    }
#endif
    for (; i < n; ++i)
        values[i] = wordValue(words[i]);
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
    // The words left in the state at a time, with no refill check per word.
    State &state = threadStates[threadIndex];
    while (count > 0) {
        if (state.position >= kWords) refill(state, threadIndex);
        const int n = count < kWords - state.position ? count : kWords - state.position;
        wordValues(state.words + state.position, values, n);
        state.position += n;
        values += n;
        count -= n;
    }
}

}  // namespace orv
