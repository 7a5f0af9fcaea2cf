// Counter, Hold Value, the exponential decays and Render Info: the sequences
// and values users build on.
#include <cmath>
#include <limits>

#include "host/io/io_state.h"
#include "support/module_fixture.h"

namespace {

using testing_support::ModuleTest;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class MemoryNodes : public ModuleTest {
  protected:
    std::vector<double> run(host::Node &node, int count) {
        std::vector<double> values;
        for (int i = 0; i < count; ++i)
            values.push_back(scalar(node));
        return values;
    }
};

TEST_F(MemoryNodes, CounterModesGiveThePublishedSequences) {
    host::ModuleNode &counter = add("Counter");
    set(counter, "A", "3");
    set(counter, "Mode", "Counter Greater Than A");
    startFrame();
    EXPECT_EQ(run(counter, 9), (std::vector<double>{0, 1, 2, 3, 0, 1, 2, 3, 0}));
    set(counter, "Mode", "Counter Equal To A");
    counter.renderStart(0);  // re-armed: the first evaluation gives the start value
    EXPECT_EQ(run(counter, 6), (std::vector<double>{0, 1, 2, 0, 1, 2}));
    // A constant A never changes, so "A Does Change" resets after the first.
    set(counter, "Mode", "A Does Change");
    set(counter, "Start Value", "5");
    counter.renderStart(0);
    EXPECT_EQ(run(counter, 4), (std::vector<double>{5, 5, 5, 5}));
}

TEST_F(MemoryNodes, CounterClampsTheModeInputAndComparesLikeIEEE) {
    host::ModuleNode &counter = add("Counter");
    set(counter, "A", "3");
    feed(counter, "Mode", -5);  // acts as mode 0
    startFrame();
    EXPECT_EQ(run(counter, 4), (std::vector<double>{0, 1, 2, 0}));
    graph.disconnect(counter.requireInput("Mode"));
    feed(counter, "Mode", 99);  // acts as mode 12: A <= B, 3 <= 0 never holds
    counter.renderStart(0);
    EXPECT_EQ(run(counter, 4), (std::vector<double>{0, 1, 2, 3}));

    // NaN makes "A Does Not Change" true (reset) and "A Equal To B" false.
    feedScalar(counter, "A", kNaN);
    graph.disconnect(counter.requireInput("Mode"));
    set(counter, "Mode", "A Does Not Change");
    counter.renderStart(0);
    EXPECT_EQ(run(counter, 3), (std::vector<double>{0, 0, 0}));
    set(counter, "Mode", "A Equal To B");
    counter.renderStart(0);
    EXPECT_EQ(run(counter, 3), (std::vector<double>{0, 1, 2}));
}

TEST_F(MemoryNodes, CounterKeepsOneCountPerRenderThread) {
    host::ModuleNode &counter = add("Counter");
    set(counter, "A", "100");
    startFrame();
    for (int round = 0; round < 3; ++round)
        for (int thread : {0, 5, 15}) {
            sample.threadIndex = thread;
            EXPECT_EQ(scalar(counter), round) << "thread " << thread;
        }
    // An index with no slot of its own touches none: it behaves as a first
    // evaluation and leaves the others counting on.
    for (int stray : {16, -1, 1000}) {
        sample.threadIndex = stray;
        EXPECT_EQ(scalar(counter), 0.0);
    }
    sample.threadIndex = 5;
    EXPECT_EQ(scalar(counter), 3.0);
}

TEST_F(MemoryNodes, HoldValueHoldsWhileItsTestHolds) {
    // In is fed by a counter, so it changes at every evaluation.
    host::ModuleNode &hold = add("Hold Value");
    host::ModuleNode &counter = add("Counter");
    set(counter, "A", "1000");
    graph.connect(*counter.outputs().front(), hold.requireInput("In"));
    set(hold, "Mode", "A Greater Than B");
    set(hold, "A", "2");
    set(hold, "B", "1");
    startFrame();
    EXPECT_EQ(run(hold, 3), (std::vector<double>{0, 0, 0}));  // first In, then held
    set(hold, "A", "0");
    EXPECT_EQ(run(hold, 2), (std::vector<double>{3, 4}));  // A <= B: follows In

    // With A constant, mode 0 follows In and mode 1 keeps the first value.
    set(hold, "Mode", "A Does Change");
    graph.renderStart(0);
    EXPECT_EQ(run(hold, 3), (std::vector<double>{0, 1, 2}));
    set(hold, "Mode", "A Does Not Change");
    graph.renderStart(0);
    EXPECT_EQ(run(hold, 3), (std::vector<double>{0, 0, 0}));

    // The Mode input is clamped: -1 acts as mode 0, 8 as mode 7 (A <= B).
    feed(hold, "Mode", -1);
    graph.renderStart(0);
    EXPECT_EQ(run(hold, 2), (std::vector<double>{0, 1}));
}

TEST_F(MemoryNodes, BIsEnabledOnlyForTheModesThatCompareWithIt) {
    host::ModuleNode &counter = add("Counter");
    host::ModuleNode &hold = add("Hold Value");
    for (int mode = 0; mode < 13; ++mode) {
        panelOf(counter).setInt(0x8001, mode);
        EXPECT_EQ(panelOf(counter).enabled(0x8005), mode >= 7) << "Counter mode " << mode;
    }
    for (int mode = 0; mode < 8; ++mode) {
        panelOf(hold).setInt(0x8001, mode);
        EXPECT_EQ(panelOf(hold).enabled(0x8004), mode >= 2) << "Hold Value mode " << mode;
    }
    // A mode outside the table (as a scene may hold) never reads past it.
    panelOf(counter).setInt(0x8001, 40);
    EXPECT_FALSE(panelOf(counter).enabled(0x8005));
}

TEST_F(MemoryNodes, NegativeModesLoadWithTheirSign) {
    host::ModuleNode &counter = add("Counter");
    host::TextSaveState saved;
    counter.save(saved);
    nlohmann::json items = saved.items();
    items[0] = {{"i2", -5}};
    host::ModuleNode &loaded = add("Counter");
    host::TextLoadState in(items);
    loaded.load(in);
    EXPECT_EQ(loaded.panel()->intValue(0x8001), -5);
    host::TextSaveState again;
    loaded.save(again);
    EXPECT_EQ(again.items()[0], (nlohmann::json{{"i2", -5}}));
}

TEST_F(MemoryNodes, DecayAtNominalDistancesAndGuards) {
    host::ModuleNode &color = add("Exponential Decay (Color)");
    host::ModuleNode &scalarDecay = add("Exponential Decay (Scalar)");
    for (auto [distance, expectColor, expectScalar] :
         {std::tuple{0.0, 1.0, 1.0}, {1.0, 0.78431, 0.5}, {2.0, 0.78431 * 0.78431, 0.25}}) {
        host::applySetting(color, "Distance", distance);
        host::applySetting(scalarDecay, "Distance", distance);
        const auto c = this->color(color);
        for (double channel : c)
            EXPECT_NEAR(channel, expectColor, 1e-12) << distance;
        EXPECT_NEAR(scalar(scalarDecay), expectScalar, 1e-12) << distance;
    }
    // A nominal distance of 0 counts as 1e-12: the power drives 0.5 to 0.
    host::applySetting(color, "Distance", 1.0);
    host::applySetting(color, "Nominal Distance", 0.0);
    host::applySetting(color, "Color", std::vector<double>{0.5, 0.0, 0.5});
    EXPECT_EQ(this->color(color), (testing_support::Triple{0.0, 0.0, 0.0}));
    // A scalar of 0 gives 1 / 1e-12, which the clamp takes to 1.
    host::applySetting(scalarDecay, "Distance", 1.0);
    host::applySetting(scalarDecay, "Scalar", 0.0);
    EXPECT_EQ(scalar(scalarDecay), 1.0);
    // A negative channel to a non-integer power is NaN, left alone by the clamp.
    host::applySetting(color, "Nominal Distance", 2.0);
    host::applySetting(color, "Color", std::vector<double>{-0.5, 0.25, 1.0});
    const auto c = this->color(color);
    EXPECT_TRUE(std::isnan(c[0]));
    EXPECT_DOUBLE_EQ(c[1], 0.5);
}

TEST_F(MemoryNodes, RenderInfoBeforeAnyRender) {
    host::ModuleNode &info = add("Render Info");
    sample.pixelX = 12;
    sample.pixelY = 34;
    EXPECT_EQ(integer(info, "Render X"), 12);
    EXPECT_EQ(integer(info, "Render Y"), 34);
    for (const char *output : {"Start Frame", "End Frame", "Current Frame", "Rendered Frames"})
        EXPECT_EQ(integer(info, output), 0) << output;
}

TEST_F(MemoryNodes, RenderInfoCountsRenderedFrames) {
    host::SceneSettings scene;
    scene.firstFrame = 1;
    scene.lastFrame = 10;
    scene.recursionDepth = 6;
    host.services().setScene(scene);
    host::ModuleNode &info = add("Render Info");
    graph.renderStart(0);
    for (int frame = 1; frame <= 10; ++frame) {
        graph.newTime(frame, frame / 30.0);
        EXPECT_EQ(integer(info, "Current Frame"), frame);
        EXPECT_EQ(integer(info, "Rendered Frames"), frame - 1);
    }
    EXPECT_EQ(integer(info, "Start Frame"), 1);
    EXPECT_EQ(integer(info, "End Frame"), 10);
    EXPECT_EQ(integer(info, "Ray Recursion Limit"), 6);
    graph.renderEnd();
}

}  // namespace
