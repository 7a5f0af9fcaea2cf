// The module-wide generator on its own: the published MT19937 sequence,
// re-seeding, the closed interval of next real, and sound concurrent draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "nodes/math/generator.h"

namespace {

TEST(Generator, FollowsThePublishedSequenceForTheDefaultSeed) {
    orv::seedGenerator(orv::kDefaultSeed);
    std::mt19937 reference;  // default seed 5489
    std::uint32_t word = 0;
    for (int i = 1; i <= 10000; ++i) {
        word = orv::nextWord(0);
        ASSERT_EQ(word, reference()) << "word " << i;
    }
    EXPECT_EQ(word, 4123659995u);
}

TEST(Generator, ReseedingRestartsEveryState) {
    orv::seedGenerator(3);
    std::vector<std::uint32_t> first;
    for (int i = 0; i < 700; ++i)
        first.push_back(orv::nextWord(0));
    const std::uint32_t otherThread = orv::nextWord(5);
    orv::seedGenerator(3);
    for (int i = 0; i < 700; ++i)
        ASSERT_EQ(orv::nextWord(0), first[i]);
    EXPECT_EQ(orv::nextWord(5), otherThread);

    std::mt19937 reference(3);
    orv::seedGenerator(3);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(orv::nextWord(0), reference());
}

TEST(Generator, NextRealCoversTheClosedInterval) {
    // The extreme words map onto the ends exactly.
    EXPECT_EQ(0u * (1.0 / 4294967295.0), 0.0);
    EXPECT_EQ(4294967295u * (1.0 / 4294967295.0), 1.0);
    orv::seedGenerator(3);
    for (int i = 0; i < 10000; ++i) {
        const double r = orv::nextReal(0);
        ASSERT_GE(r, 0.0);
        ASSERT_LE(r, 1.0);
    }
}

// Drawing several at once gives what one at a time gives, across the
// refills every 624 words and for indices outside the thread table.
TEST(Generator, NextRealsAreTheNextRealsInARow) {
    for (int thread : {0, 7, -1, 99}) {
        orv::seedGenerator(3);
        std::vector<double> single(1500);
        for (double &r : single)
            r = orv::nextReal(thread);
        orv::seedGenerator(3);
        std::vector<double> batched(1500);
        for (std::size_t i = 0; i < batched.size(); i += 54)
            orv::nextReals(thread, &batched[i],
                           static_cast<int>(std::min<std::size_t>(54, batched.size() - i)));
        ASSERT_EQ(single, batched) << "thread " << thread;
    }
}

// Each render thread draws from its own state: its words are exactly the
// sequence of its own seed, however the threads interleave.
TEST(Generator, ConcurrentDrawsFollowEachThreadsOwnSequence) {
    constexpr int kThreads = 16;
    constexpr int kDraws = 20000;
    orv::seedGenerator(1234);
    std::vector<std::vector<std::uint32_t>> drawn(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &drawn] {
            drawn[t].reserve(kDraws);
            for (int i = 0; i < kDraws; ++i)
                drawn[t].push_back(orv::nextWord(t));
        });
    for (auto &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        std::mt19937 reference(orv::derivedSeed(1234, t));
        for (int i = 0; i < kDraws; ++i)
            ASSERT_EQ(drawn[t][i], reference()) << "thread " << t;
    }
}

// Indices beyond the table share one locked state: every word of its
// sequence is drawn exactly once.
TEST(Generator, StrayThreadIndicesShareOneSoundState) {
    constexpr int kThreads = 4;
    constexpr int kDraws = 5000;
    orv::seedGenerator(77);
    std::vector<std::vector<std::uint32_t>> drawn(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &drawn] {
            for (int i = 0; i < kDraws; ++i)
                drawn[t].push_back(orv::nextWord(t % 2 ? -1 : 99));
        });
    for (auto &thread : threads)
        thread.join();
    std::vector<std::uint32_t> all;
    for (const auto &words : drawn)
        all.insert(all.end(), words.begin(), words.end());
    std::mt19937 reference(orv::derivedSeed(77, orv::kThreadStates));
    std::vector<std::uint32_t> expected(all.size());
    for (auto &word : expected)
        word = reference();
    std::sort(all.begin(), all.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(all, expected);
}

}  // namespace
