// Advanced RayTrace, RayShade and Take Samples through the host.
#include <cmath>
#include <random>

#include "host/io/io_state.h"
#include "support/module_fixture.h"

namespace {

using testing_support::RayRecorder;
using testing_support::Triple;

class RayNodes : public testing_support::ModuleTest {
  protected:
    RayRecorder rays;
    void SetUp() override { rays.attach(sample); }
};

TEST_F(RayNodes, TraceModeWordsFromModeAndFlags) {
    host::ModuleNode &trace = add("Advanced RayTrace");
    scalar(trace, "Length");
    ASSERT_EQ(rays.rays.size(), 1u);
    EXPECT_EQ(rays.rays[0].mode, 0u);  // the defaults: "Distance", no flags
    EXPECT_EQ(rays.rays[0].direction, (Triple{0, 0, 0}));

    set(trace, "Mode", "Backdrop");
    EXPECT_EQ(panelOf(trace).intValue(0x8003), 6);  // the position is the stored value
    for (const char *flag : {"Backshade", "Backdrop", "Object", "Sampled Ray", "No Polygon"})
        set(trace, flag, "on");
    color(trace, "Color");
    EXPECT_EQ(rays.rays.back().mode, 0xf8000006u);
}

TEST_F(RayNodes, NegativeModesSetFlagBitsUnmasked) {
    host::ModuleNode &trace = add("Advanced RayTrace");
    host::TextSaveState saved;
    trace.save(saved);
    nlohmann::json items = saved.items();
    // Rewrite the MODE block's integer.
    bool found = false;
    for (auto &item : items)
        if (item.contains("block") && item["block"] == "Mode") {
            item["items"] = nlohmann::json::array({{{"i2", -2}}});
            found = true;
        }
    ASSERT_TRUE(found) << items.dump();
    host::ModuleNode &loaded = add("Advanced RayTrace");
    host::TextLoadState in(items);
    loaded.load(in);
    color(loaded, "Color");
    EXPECT_EQ(rays.rays.back().mode, 0xfffffffeu);
}

TEST_F(RayNodes, BlocksLoadInAnyOrderMissingOrRepeated) {
    host::ModuleNode &trace = add("Advanced RayTrace");
    set(trace, "Mode", "Shadow");
    set(trace, "Refraction Index", "1.5");
    host::TextSaveState saved;
    trace.save(saved);
    nlohmann::json items = saved.items();
    ASSERT_EQ(items.size(), 10u);
    // Reverse the order, drop the Backshade block, repeat Mode with a later value.
    nlohmann::json shuffled = nlohmann::json::array();
    for (auto at = items.rbegin(); at != items.rend(); ++at)
        if ((*at)["block"] != "Backshade") shuffled.push_back(*at);
    shuffled.push_back({{"block", "Mode"}, {"items", {{{"i2", 5}}}}});
    host::ModuleNode &loaded = add("Advanced RayTrace");
    set(loaded, "Backshade", "on");  // a missing block keeps what is there
    host::TextLoadState in(shuffled);
    loaded.load(in);
    EXPECT_EQ(panelOf(loaded).intValue(0x8003), 5);
    EXPECT_EQ(panelOf(loaded).intValue(0x8006), 1);
    EXPECT_EQ(panelOf(loaded).numbers(0x8004, 0.0), std::vector<double>{1.5});
}

TEST_F(RayNodes, ConnectedIorHidesTheControlButKeepsTheValue) {
    host::ModuleNode &trace = add("Advanced RayTrace");
    set(trace, "Refraction Index", "1.33");
    feed(trace, "IOR", 2.0);
    EXPECT_FALSE(panelOf(trace).numbers(0x8004, 0.0).has_value());
    host::TextSaveState saved;
    trace.save(saved);
    EXPECT_NE(saved.items().dump().find("1.33"), std::string::npos);
}

double HOST_CALL shadeRed(const HostSample *sample, const double *, const double *,
                          HostShadedSample *shaded) {
    ++*static_cast<int *>(sample->hostContext);
    shaded->color[0] = 1.0;
    shaded->color[1] = shaded->color[2] = 0.0;
    return 2.5;
}

double HOST_CALL shadeNothing(const HostSample *sample, const double *, const double *,
                              HostShadedSample *) {
    ++*static_cast<int *>(sample->hostContext);
    return -1.0;
}

TEST_F(RayNodes, RayShadeShadesOncePerOutputAndIsBlackOnAMiss) {
    host::ModuleNode &shade = add("RayShade");
    int calls = 0;
    sample.hostContext = &calls;
    sample.shade = shadeRed;
    EXPECT_EQ(color(shade, "Color"), (Triple{1, 0, 0}));
    EXPECT_EQ(scalar(shade, "Length"), 2.5);
    EXPECT_EQ(calls, 2);
    sample.shade = shadeNothing;
    EXPECT_EQ(color(shade, "Color"), (Triple{0, 0, 0}));
    EXPECT_EQ(scalar(shade, "Length"), -1.0);
}

class TakeSamples : public testing_support::ModuleTest {
  protected:
    // Take Samples fed by a counter: samples 0, 1, 2, ... on every channel.
    host::ModuleNode &sampler(const char *mode, int count) {
        host::ModuleNode &take = add("Take Samples");
        set(take, "Mode", mode);
        set(take, "Samples", std::to_string(count));
        counter = &add("Counter");
        set(*counter, "A", "1000");
        graph.connect(*counter->outputs().front(), take.requireInput("Color"));
        startFrame();
        return take;
    }
    host::ModuleNode *counter = nullptr;
};

TEST_F(TakeSamples, CombiningModes) {
    const std::vector<std::pair<const char *, double>> expected = {
        {"Average", 1.5},   {"Minimum", 0.0},  {"Maximum", 3.0},      {"Darkest", 0.0},
        {"Brightest", 3.0}, {"Additive", 6.0}, {"Subtractive", -6.0}, {"Multiply", 0.0},
    };
    for (const auto &[mode, value] : expected) {
        host::ModuleNode &take = sampler(mode, 4);
        EXPECT_EQ(color(take)[1], value) << mode;
        // The input was evaluated exactly four times.
        EXPECT_EQ(scalar(*counter), 4.0) << mode;
    }
}

TEST_F(TakeSamples, ShiftsClampsAndCounts) {
    host::ModuleNode &take = sampler("Maximum", 3);
    set(take, "R Shift", "0.5");
    set(take, "0x8006", "on");  // clamp red high
    set(take, "R High", "1.2");
    const Triple c = color(take);
    EXPECT_DOUBLE_EQ(c[0], 1.2);  // 2.5 clamped
    EXPECT_DOUBLE_EQ(c[1], 2.0);
    feed(take, "Samples", -3);  // raised to one sample
    EXPECT_EQ(color(take)[1], 3.0);
    EXPECT_EQ(scalar(*counter), 4.0);
}

TEST_F(TakeSamples, TiesKeepTheEarlierSample) {
    host::ModuleNode &take = add("Take Samples");
    set(take, "Mode", "Brightest");
    set(take, "Samples", "3");
    feed(take, "Color", std::vector<double>{1.0, 0.0, 0.0});
    EXPECT_EQ(color(take), (Triple{1.0, 0.0, 0.0}));
}

class SqrtAndRandom : public testing_support::ModuleTest {};

TEST_F(SqrtAndRandom, SqrtOfTheMagnitude) {
    host::ModuleNode &sqrt = add("Sqrt");
    for (auto [in, out] : {std::pair{4.0, 2.0}, {-9.0, 3.0}, {0.0, 0.0}, {-0.0, 0.0}}) {
        host::applySetting(sqrt, "Input", in);
        EXPECT_EQ(scalar(sqrt), out) << in;
    }
    feedScalar(sqrt, "In", -INFINITY);
    EXPECT_EQ(scalar(sqrt), INFINITY);
    graph.disconnect(sqrt.requireInput("In"));
    feedScalar(sqrt, "In", NAN);
    EXPECT_TRUE(std::isnan(scalar(sqrt)));
}

TEST_F(SqrtAndRandom, RandomDrawsFromTheGeneratorSeededAtCreate) {
    host::ModuleNode &random = add("Random");
    set(random, "Min", "2");
    set(random, "Max", "4");
    std::mt19937 reference(3);
    for (int i = 0; i < 100; ++i)
        EXPECT_DOUBLE_EQ(scalar(random), 2.0 + 2.0 * (reference() / 4294967295.0));
    add("Random");  // restarts the sequence
    reference.seed(3);
    EXPECT_DOUBLE_EQ(scalar(random), 2.0 + 2.0 * (reference() / 4294967295.0));
    // Min = Max gives that value; Min > Max draws from the reversed range.
    set(random, "Min", "5");
    set(random, "Max", "5");
    EXPECT_EQ(scalar(random), 5.0);
    set(random, "Max", "3");
    for (int i = 0; i < 100; ++i) {
        const double r = scalar(random);
        EXPECT_GE(r, 3.0);
        EXPECT_LE(r, 5.0);
    }
}

}  // namespace
