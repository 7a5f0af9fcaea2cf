// The framework's hooks that only the nodes still to come use, driven
// through the host on a module of test kinds (tests/hooks/hook_kinds.cpp).
#include <gtest/gtest.h>

#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/module/node_server.h"
#include "host/panel/panel.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"
#include "host/services/sample.h"

namespace {

using json = nlohmann::json;

class Hooks : public ::testing::Test {
  protected:
    host::Host host{ORV_HOOK_KINDS};
    host::Graph graph{"Hooks"};

    static std::string failureOf(const std::function<void()> &action) {
        try {
            action();
        } catch (const host::Error &error) {
            return error.what();
        }
        return {};
    }
};

TEST_F(Hooks, ACreateStepThatFailsHandsTheHostItsText) {
    EXPECT_NE(failureOf([&] {
                  host.addNode(graph, "Fail Early");
              }).find("made no instance: Node editor creation failed!"),
              std::string::npos);
    EXPECT_NE(failureOf([&] { host.addNode(graph, "Fail Late"); }).find("registration failed"),
              std::string::npos);
    EXPECT_TRUE(graph.nodes().empty());
}

TEST_F(Hooks, CustomValuesGoThroughTheKindsGetAndSet) {
    host::ModuleNode &node = host.addNode(graph, "Named");
    host::Panel &panel = *node.panel();
    ASSERT_TRUE(panel.error().empty()) << panel.error();
    host::applySetting(node, "Name", "Left wall");
    EXPECT_EQ(panel.text(0x8002), "Left wall");
    // The slot's set also records the store id, which evaluate reads.
    host::applySetting(node, "Slot", "3");
    EXPECT_EQ(panel.intValue(0x8003), 3);
    HostSample sample = host::emptySpaceSample();
    double out = 0.0;
    host::evaluateOutput(*node.outputs().front(), sample, HOST_NOT_SCALAR, &out);
    EXPECT_DOUBLE_EQ(out, 30.5);
}

TEST_F(Hooks, SaveOrderPutsTheKindsItemsBetweenSettingsAndVParms) {
    host::ModuleNode &node = host.addNode(graph, "Named");
    host::applySetting(node, "Mode", "7");
    host::applySetting(node, "Name", "Floor");
    host::applySetting(node, "A", "2");
    host::TextSaveState saved;
    node.save(saved);
    const json items = saved.items();
    ASSERT_EQ(items.size(), 4u) << items.dump();
    EXPECT_EQ(items[0], (json{{"i2", 7}}));
    EXPECT_EQ(items[1], (json{{"str", "Floor"}}));
    EXPECT_TRUE(items[2].contains("envelope"));  // A, saved before B
    EXPECT_TRUE(items[3].contains("envelope"));

    host::ModuleNode &loaded = host.addNode(graph, "Named");
    host::TextLoadState in(items);
    loaded.load(in);
    EXPECT_EQ(loaded.panel()->text(0x8002), "Floor");
    EXPECT_EQ(loaded.panel()->intValue(0x8001), 7);
    EXPECT_EQ(loaded.panel()->numbers(0x8004, 0.0), std::vector<double>{2.0});
    EXPECT_EQ(loaded.panel()->numbers(0x8005, 0.0), (std::vector<double>{0.1, 0.2, 0.3}));
}

TEST_F(Hooks, ANewTimeSlotCanBeLeftAsTheHostGaveIt) {
    const host::NodeServer *named = host.findServer("Named");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(const_cast<host::NodeServer *>(named)->handler().rend->newTime, nullptr);
    const host::NodeServer *early = host.findServer("Fail Early");
    EXPECT_NE(const_cast<host::NodeServer *>(early)->handler().rend->newTime, nullptr);
}

// The host refuses what the real one could not read back: a node that
// leaves its block open or ends it twice fails its save or load, named.
TEST_F(Hooks, BlocksLeftOpenOrEndedTwiceFailTheSaveAndTheLoad) {
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        host::ModuleNode &node = host.addNode(graph, "Unbalanced");
        const json data = json::array({{{"block", "Mode"}, {"items", {{{"i2", mode}}}}}});
        host::TextLoadState load(data);
        const std::string loaded = failureOf([&] { node.load(load); });
        EXPECT_NE(loaded.find("node \"" + node.name() + "\": load: "), std::string::npos) << loaded;
        EXPECT_NE(loaded.find(mode == 1 ? "left 1 block open" : "a block ended that was not found"),
                  std::string::npos)
            << loaded;

        host::TextSaveState save;
        const std::string saved = failureOf([&] { node.save(save); });
        EXPECT_NE(saved.find("node \"" + node.name() + "\": save: "), std::string::npos) << saved;
        EXPECT_NE(saved.find(mode == 1 ? "left 1 block open" : "a block ended that was not begun"),
                  std::string::npos)
            << saved;
    }
    // Ended once, both go through.
    host::ModuleNode &node = host.addNode(graph, "Unbalanced");
    host::BinarySaveState save;
    node.save(save);
    host::BinaryLoadState load(save.bytes());
    node.load(load);
}

}  // namespace
