// The common node life cycle as the host drives it: create, copy, save and
// load in both forms, new time, and the panel's view of connected inputs.
#include "host/io/io_state.h"
#include "host/services/vparm_access.h"
#include "support/module_fixture.h"

namespace {

using testing_support::ModuleTest;

TEST_F(ModuleTest, CreateSetsColourPreviewChannelsAndConnectors) {
    host::ModuleNode &sqrt = add("Sqrt");
    EXPECT_EQ(std::vector<int>(sqrt.color(), sqrt.color() + 3), (std::vector<int>{164, 50, 10}));
    EXPECT_EQ(sqrt.previewType(), HOST_PREVIEW_SPHERE);
    ASSERT_EQ(sqrt.channelGroup().children().size(), 1u);
    EXPECT_EQ(sqrt.channelGroup().children()[0]->name(), "Sqrt");
    ASSERT_EQ(sqrt.inputs().size(), 1u);
    EXPECT_EQ(sqrt.inputs()[0]->name, "In");
    EXPECT_EQ(sqrt.inputs()[0]->type, HOST_NOT_SCALAR);
    ASSERT_EQ(sqrt.outputs().size(), 1u);
    EXPECT_EQ(sqrt.outputs()[0]->name, "Out");
    // A fresh instance evaluates with its defaults before any new time.
    EXPECT_DOUBLE_EQ(scalar(sqrt), 1.0);

    host::ModuleNode &ao = add("Ambient Occlusion");
    EXPECT_EQ(ao.previewType(), HOST_PREVIEW_NONE);  // only the colour is set
    EXPECT_EQ(ao.color()[0], 164);
    EXPECT_EQ(ao.inputs().size(), 21u);
    EXPECT_EQ(ao.outputs().size(), 2u);
    EXPECT_EQ(ao.inputs()[19]->type, HOST_NOT_FUNCTION);
}

TEST_F(ModuleTest, PanelIsMadeOnceAndHidesConnectedValues) {
    host::ModuleNode &sqrt = add("Sqrt");
    host::Panel *panel = sqrt.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(sqrt.panel(), panel);
    ASSERT_TRUE(panel->error().empty()) << panel->error();
    EXPECT_EQ(panel->numbers(0x8001, 0.0), std::vector<double>{1.0});

    set(sqrt, "Input", "9");
    EXPECT_DOUBLE_EQ(scalar(sqrt), 3.0);
    feed(sqrt, "In", -16.0);
    EXPECT_FALSE(panel->numbers(0x8001, 0.0).has_value());
    EXPECT_DOUBLE_EQ(scalar(sqrt), 4.0);  // the upstream value wins
    graph.disconnect(sqrt.requireInput("In"));
    EXPECT_EQ(panel->numbers(0x8001, 0.0), std::vector<double>{9.0});
    EXPECT_DOUBLE_EQ(scalar(sqrt), 3.0);
}

TEST_F(ModuleTest, NodesWithoutAPanelSaySo) {
    host::ModuleNode &info = add("Render Info");
    EXPECT_FALSE(info.server().hasPanel());
    EXPECT_EQ(info.panel(), nullptr);
}

TEST_F(ModuleTest, NewTimeReadsAnimatedParameters) {
    host::ModuleNode &sqrt = add("Sqrt");
    host::applySetting(sqrt, "Input", {{"keys", {{0.0, 4.0}, {1.0, 16.0}}}});
    startFrame(30, 1.0);
    EXPECT_DOUBLE_EQ(scalar(sqrt), 4.0);
    graph.newTime(15, 0.5);
    EXPECT_DOUBLE_EQ(scalar(sqrt), std::sqrt(10.0));
    graph.renderEnd();
}

// Saves a node of a kind with settings and envelopes, loads the data into a
// fresh node, and compares what both save.
template <class Save, class Load>
void expectRoundTrip(ModuleTest *, host::Host &host, host::Graph &graph, const char *kind,
                     const std::vector<std::pair<std::string, std::string>> &settings) {
    host::ModuleNode &original = host.addNode(graph, kind);
    for (const auto &[control, value] : settings)
        host::applySetting(original, control, nlohmann::json(value));
    Save first;
    original.save(first);
    host::ModuleNode &loaded = host.addNode(graph, kind);
    auto data = [](Save &state) {
        if constexpr (std::is_same_v<Save, host::TextSaveState>)
            return state.items();
        else
            return state.bytes();
    };
    Load in(data(first));
    loaded.load(in);
    Save second;
    loaded.save(second);
    EXPECT_EQ(data(first), data(second)) << kind;
    host::Panel *a = original.panel();
    host::Panel *b = loaded.panel();
    if (a && b) {
        EXPECT_EQ(a->describe(0.0), b->describe(0.0)) << kind;
    }
}

TEST_F(ModuleTest, EveryKindRoundTripsThroughTextAndBinary) {
    const std::vector<std::pair<const char *, std::vector<std::pair<std::string, std::string>>>>
        kinds = {
            {"Sqrt", {{"Input", "2.5"}}},
            {"Random", {{"Min", "-1"}, {"Max", "0.25"}}},
            {"Counter", {{"Mode", "1"}}},
            {"Hold Value", {}},
            {"Exponential Decay (Color)", {}},
            {"Exponential Decay (Scalar)", {}},
            {"Render Info", {}},
            {"Advanced RayTrace", {}},
            {"RayShade", {{"Direction", "0 1 0"}}},
            {"Take Samples", {{"Mode", "Darkest"}, {"Samples", "5"}}},
            {"Ambient Occlusion",
             {{"Mode", "Polar"},
              {"Cone Angle", "45"},
              {"Srf Color", "0.5 0.25 1"},
              {"0x8012", "50"}}},
        };
    for (const auto &[kind, settings] : kinds) {
        expectRoundTrip<host::TextSaveState, host::TextLoadState>(this, host, graph, kind,
                                                                  settings);
        expectRoundTrip<host::BinarySaveState, host::BinaryLoadState>(this, host, graph, kind,
                                                                      settings);
    }
}

TEST_F(ModuleTest, CopyCarriesSettingsAndEnvelopes) {
    host::ModuleNode &from = add("Ambient Occlusion");
    set(from, "Mode", "Polar");
    set(from, "Max", "2.5");
    host::ModuleNode &to = add("Ambient Occlusion");
    to.copyFrom(from);
    EXPECT_EQ(to.panel()->describe(0.0), from.panel()->describe(0.0));
}

TEST_F(ModuleTest, ALoadThatFailsPartWayReportsItAndKeepsTheCachedValues) {
    host::ModuleNode &random = add("Random");  // Min 0, Max 1
    host::TextSaveState saved;
    random.save(saved);
    nlohmann::json items = saved.items();
    ASSERT_EQ(items.size(), 2u);
    items.erase(items.begin() + 1);  // the second envelope is missing
    host::ModuleNode &loaded = add("Random");
    set(loaded, "Min", "5");
    set(loaded, "Max", "5");
    host::TextLoadState in(items);
    EXPECT_THROW(loaded.load(in), host::Error);
    // Min's vparm took the saved 0, but the cached values were not refreshed:
    // the node still draws between 5 and 5.
    EXPECT_EQ(loaded.panel()->numbers(0x8001, 0.0), std::vector<double>{0.0});
    EXPECT_DOUBLE_EQ(scalar(loaded), 5.0);
}

}  // namespace

namespace {

using testing_support::ModuleTest;

// The occlusion panel as its hint list lays it out: tabs of two groups, the
// layout stack, and enable maps with and without tables.
TEST_F(ModuleTest, OcclusionPanelDecodesItsLayoutAndEnableMaps) {
    host::ModuleNode &ao = add("Ambient Occlusion");
    host::Panel &panel = panelOf(ao);
    ASSERT_TRUE(panel.error().empty()) << panel.error();
    const host::Panel::Layout *tabs = panel.layout(0x8021);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->members, (std::vector<std::uint32_t>{0x801f, 0x8020}));
    EXPECT_EQ(panel.layout(0x801f)->label, "Sample Settings");
    const host::Panel::Layout *stack = panel.layout(0x801d);
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->controller, 0x8001u);
    EXPECT_EQ(stack->members, (std::vector<std::uint32_t>{0x8002, 0x801c}));
    EXPECT_TRUE(panel.visible(0x8002));
    EXPECT_FALSE(panel.visible(0x8003));
    set(ao, "Mode", "Polar");
    EXPECT_FALSE(panel.visible(0x8002));
    EXPECT_TRUE(panel.visible(0x8004));

    EXPECT_TRUE(panel.enabled(0x8008));
    EXPECT_TRUE(panel.enabled(0x8011));
    set(ao, "0x8010", "Backdrop");
    EXPECT_FALSE(panel.enabled(0x8011));  // only "Custom" enables the colour
    set(ao, "0x8010", "Custom");
    set(ao, "Ranged", "off");
    EXPECT_FALSE(panel.enabled(0x8008));
    EXPECT_FALSE(panel.enabled(0x8011));  // the ranged-mode rule holds too
    EXPECT_TRUE(panel.enabled(0x8014));

    const host::Panel::Control *samples = panel.control(0x8002);
    EXPECT_EQ(samples->min, 1);
    EXPECT_TRUE(samples->hardMin);
    EXPECT_FALSE(samples->hardMax);
    EXPECT_EQ(panel.control(0x8005)->rangeMax, 90);
    EXPECT_EQ(panel.choices(0x8016), (std::vector<std::string>{"Custom", "Backdrop", "Trace"}));
}

}  // namespace
