// Store Material, Get Material and Group Node through the host: stores found
// by name and id, values evaluated at the fetching spot, references that do
// not outlive their store, and nested graphs that pass values through, copy,
// save, load and open.
#include "host/io/io_state.h"
#include "host/scene/nested_graph.h"
#include "support/module_fixture.h"

namespace {

using nlohmann::json;
using testing_support::Triple;

class Tools : public testing_support::ModuleTest {
  protected:
    host::Graph elsewhere{"Elsewhere"};  // a second graph, as another surface's

    host::ModuleNode &store(const std::string &name) {
        return host.addNode(elsewhere, "Store Material", name);
    }
    std::vector<std::string> slots(host::ModuleNode &get) { return panelOf(get).choices(0x8001); }
    Triple vector(host::Node &node, std::string_view output) {
        Triple value{};
        host::evaluateOutput(node.requireOutput(output), sample, HOST_NOT_VECTOR, value.data());
        return value;
    }
    // The store's Vector input fed by where the spot being shaded is.
    void feedPosition(host::ModuleNode &storeNode) {
        host::Node &spot = host::addNativeNode(elsewhere, "Spot Info", elsewhere.uniqueName("Spot"),
                                               json::object(), "test");
        elsewhere.connect(spot.requireOutput("Position"), storeNode.requireInput("Vector"));
    }
    host::NestedEditor &editorOf(host::Node &node) {
        host::NestedEditor *editor = host::nestedEditorOf(node);
        EXPECT_NE(editor, nullptr);
        return *editor;
    }
};

TEST_F(Tools, GetMaterialEvaluatesTheChosenStoreAtItsOwnSpot) {
    host::ModuleNode &first = store("Bricks");
    host::ModuleNode &second = store("Tiles");
    feedPosition(second);
    host::ModuleNode &get = add("Get Material");
    EXPECT_EQ(slots(get), (std::vector<std::string>{"(none)", "Bricks", "Tiles"}));

    // "(none)": nothing is handed on.
    startFrame();
    double value = 0.0;
    EXPECT_FALSE(
        host::evaluateOutput(get.requireOutput("Scalar"), sample, HOST_NOT_SCALAR, &value));

    set(get, "Slot", "Tiles");
    startFrame();
    sample.worldPosition[0] = 1.5, sample.worldPosition[1] = -2, sample.worldPosition[2] = 7;
    EXPECT_EQ(vector(get, "Vector"), (Triple{1.5, -2, 7}));
    EXPECT_EQ(scalar(get, "Scalar"), 0.0);  // unconnected in the store
    EXPECT_EQ(color(get, "Color"), (Triple{0, 0, 0}));

    // Renaming is seen by every popup, and the choice keeps fetching by id.
    panelOf(second).setValue(0x8001, "Terracotta");
    host::ModuleNode &other = add("Get Material");
    EXPECT_EQ(slots(other)[2], "Terracotta");
    EXPECT_NE(panelOf(get).valueText(0x8001, 0.0).find("Terracotta"), std::string::npos);
    EXPECT_EQ(vector(get, "Vector"), (Triple{1.5, -2, 7}));
    (void)first;
}

TEST_F(Tools, NamesAreCutToTwoHundredFiftyFiveCharacters) {
    host::ModuleNode &named = store(std::string(300, 'n'));
    EXPECT_EQ(panelOf(named).text(0x8001)->size(), 255u);
    panelOf(named).setValue(0x8001, std::string(1000, 'p'));
    EXPECT_EQ(*panelOf(named).text(0x8001), std::string(255, 'p'));
}

// A store deleted or copied over after render-start is never reached again.
TEST_F(Tools, ReferencesDoNotOutliveTheirStore) {
    host::ModuleNode &source = store("Source");
    feedPosition(source);
    host::ModuleNode &get = add("Get Material");
    set(get, "Slot", "Source");
    startFrame();
    sample.worldPosition[0] = 3;
    EXPECT_EQ(vector(get, "Vector")[0], 3);

    host::ModuleNode &target = store("Target");
    host::ModuleNode &copy = host.addNode(elsewhere, "Store Material", "Copy");
    copy.copyFrom(source);
    EXPECT_EQ(*panelOf(copy).text(0x8001), "Source");
    EXPECT_EQ(slots(get), (std::vector<std::string>{"(none)", "Source", "Target"}));

    elsewhere.remove(source);
    Triple untouched{-1, -1, -1};
    EXPECT_FALSE(host::evaluateOutput(get.requireOutput("Vector"), sample, HOST_NOT_VECTOR,
                                      untouched.data()));
    EXPECT_EQ(untouched, (Triple{-1, -1, -1}));
    startFrame();  // nor found again: the copy has no id
    EXPECT_FALSE(host::evaluateOutput(get.requireOutput("Vector"), sample, HOST_NOT_VECTOR,
                                      untouched.data()));
    (void)target;
}

TEST_F(Tools, StoresKeepTheirIdsThroughSaveAndLoad) {
    json document = {{"graphs",
                      {{"Stores",
                        {{"nodes",
                          {{{"name", "Bricks"}, {"server", "Store Material"}},
                           {{"name", "Spot"}, {"native", "Spot Info"}}}},
                         {"connections", {{"Spot", "Position", "Bricks", "Vector"}}}}},
                       // Chosen by name, although the store is read later.
                       {"A Fetch",
                        {{"nodes",
                          {{{"name", "Get"},
                            {"server", "Get Material"},
                            {"settings", {{"Slot", "Bricks"}}}}}}}}}}};
    json saved;
    {
        auto scene = host::Scene::fromJson(host, document, "stores.json");
        saved = scene->save(false);
    }
    store("Newer");  // the next id is past the saved ones, whatever happened before
    auto scene = host::Scene::fromJson(host, saved, "stores.json");
    auto &get = dynamic_cast<host::ModuleNode &>(scene->graph("A Fetch").require("Get"));
    EXPECT_NE(panelOf(get).valueText(0x8001, 0.0).find("Bricks"), std::string::npos);
    scene->renderStart();
    sample.worldPosition[2] = 4;
    EXPECT_EQ(vector(get, "Vector")[2], 4);
    scene->renderEnd();

    // A store loaded with a high id moves the next id past it.
    host::ModuleNode &loaded = store("Loaded");
    host::TextLoadState state(json::array({{{"i2", 7000}}, {{"str", "Loaded"}}}));
    loaded.load(state);
    host::TextSaveState next;
    store("After").save(next);
    EXPECT_EQ(next.items()[0]["i2"], 7001);
}

TEST_F(Tools, GetMaterialThatFeedsItselfIsCutOffAndReported) {
    host::ModuleNode &loop = host.addNode(graph, "Store Material", "Loop");
    host::ModuleNode &get = add("Get Material");
    set(get, "Slot", "Loop");
    graph.connect(get.requireOutput("Scalar"), loop.requireInput("Scalar"));
    startFrame();
    host::takeDepthLimitReport();
    double value = -1.0;
    host::evaluateOutput(get.requireOutput("Scalar"), sample, HOST_NOT_SCALAR, &value);
    EXPECT_THROW(host::checkDepthLimit("test"), host::Error);
    EXPECT_NO_THROW(host::checkDepthLimit("test"));  // reported once
}

TEST_F(Tools, EmptyGroupGivesItsDefaults) {
    host::ModuleNode &group = add("Group Node");
    startFrame();
    for (double c : color(group, "Color"))
        EXPECT_DOUBLE_EQ(c, 0.78431);
    EXPECT_EQ(scalar(group, "Scalar"), 1.0);
    EXPECT_EQ(vector(group, "Vector"), (Triple{0, 0, 0}));
    EXPECT_EQ(integer(group, "Integer"), 1);
    std::array<double, HOST_MATERIAL_DOUBLES> material{};
    material.fill(-1);
    host::evaluateOutput(group.requireOutput("Material"), sample, HOST_NOT_MATERIAL,
                         material.data());
    for (int i = 0; i < HOST_MATERIAL_DOUBLES; ++i)
        EXPECT_DOUBLE_EQ(material[i], i < 3 ? 0.78431 : 0.0) << i;

    host::NestedEditor &editor = editorOf(group);
    EXPECT_EQ(editor.root().inputs().size(), 5u);
    EXPECT_EQ(editor.root().color()[0], 164);
    double bounds[6] = {1, 1, 1, 1, 1, 1};
    EXPECT_TRUE(editor.extent(bounds));
    EXPECT_EQ(editor.callbackUserData(), group.instance());
    double preview[3] = {};
    EXPECT_TRUE(editor.previewColor(sample, preview));
    EXPECT_DOUBLE_EQ(preview[1], 0.78431);

    // The editor goes with its node.
    const HostNodeEditorID id = editor.id();
    graph.remove(group);
    EXPECT_EQ(host::NestedEditor::from(id), nullptr);
}

const json kScalarGraph = {
    {"nodes",
     {{{"name", "Half"}, {"native", "Constant Scalar"}, {"settings", {{"value", 0.5}}}},
      {{"name", "Root of it"}, {"server", "Sqrt"}}}},
    {"connections", {{"Half", "Scalar", "Root of it", "In"}}},
    {"root", {{"Scalar", {"Root of it", "Out"}}}}};

TEST_F(Tools, GroupSavesOneBlockAndLoadsEveryBlockInTurn) {
    host::ModuleNode &group = add("Group Node");
    host::buildNestedGraph(host, editorOf(group), kScalarGraph, "test");
    startFrame();
    EXPECT_DOUBLE_EQ(scalar(group, "Scalar"), std::sqrt(0.5));

    host::TextSaveState saved;
    group.save(saved);
    const json items = saved.items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]["block"], "NodeEditor");

    // Two blocks: the second loads over the first.
    json other = kScalarGraph;
    other["nodes"][0]["settings"]["value"] = 0.25;
    host::ModuleNode &second = add("Group Node");
    host::buildNestedGraph(host, editorOf(second), other, "test");
    host::TextSaveState secondSaved;
    second.save(secondSaved);
    host::ModuleNode &loaded = add("Group Node");
    host::TextLoadState state(json::array({items[0], secondSaved.items()[0]}));
    loaded.load(state);
    startFrame();
    EXPECT_DOUBLE_EQ(scalar(loaded, "Scalar"), 0.5);
    EXPECT_EQ(editorOf(loaded).graph().nodes().size(), 3u);
}

TEST_F(Tools, CopyFollowsTheCopiedGraphAndEditNodesUsesTheCurrentName) {
    host::ModuleNode &group = add("Group Node");
    host::buildNestedGraph(host, editorOf(group), kScalarGraph, "test");
    host::ModuleNode &copy = add("Group Node");
    copy.copyFrom(group);
    editorOf(group).clear();
    startFrame();
    EXPECT_DOUBLE_EQ(scalar(copy, "Scalar"), std::sqrt(0.5));
    EXPECT_EQ(scalar(group, "Scalar"), 1.0);

    graph.rename(copy, "Bricks");
    host::Panel &panel = panelOf(copy);
    panel.press(panel.find("Edit Nodes")->id);
    EXPECT_EQ(editorOf(copy).openCount(), 1);
    EXPECT_EQ(editorOf(copy).openedTitle(), "Bricks");
}

TEST_F(Tools, SceneFilesHoldNestedGraphsAsGraphs) {
    json inner = kScalarGraph;
    inner["nodes"].push_back(
        {{"name", "Inner"}, {"server", "Group Node"}, {"graph", kScalarGraph}});
    inner["root"]["Integer"] = {"Inner", "Integer"};
    json document = {
        {"graphs",
         {{"G", {{"nodes", {{{"name", "Group"}, {"server", "Group Node"}, {"graph", inner}}}}}}}}};
    auto scene = host::Scene::fromJson(host, document, "nested.json");
    const json saved = scene->save(false);
    const json &entry = saved["graphs"]["G"]["nodes"][0];
    EXPECT_EQ(entry["graph"]["root"]["Scalar"], json({"Root of it", "Out"}));
    EXPECT_EQ(entry["graph"]["nodes"][2]["graph"]["connections"][0],
              json({"Half", "Scalar", "Root of it", "In"}));
    EXPECT_EQ(entry["graph"]["nodes"][0]["settings"]["value"], 0.5);

    scene.reset();
    auto again = host::Scene::fromJson(host, saved, "nested.json");
    EXPECT_EQ(again->save(false), saved);
    again->renderStart();
    EXPECT_DOUBLE_EQ(scalar(again->graph("G").require("Group"), "Scalar"), std::sqrt(0.5));

    json wrong = document;
    wrong["graphs"]["G"]["nodes"][0]["graph"]["root"]["Colour"] = {"Half", "Scalar"};
    EXPECT_THROW(
        {
            try {
                host::Scene::fromJson(host, wrong, "nested.json");
            } catch (const host::Error &error) {
                EXPECT_NE(std::string(error.what()).find("graphs.G.nodes[0].graph.root.Colour"),
                          std::string::npos)
                    << error.what();
                throw;
            }
        },
        host::Error);
}

}  // namespace
