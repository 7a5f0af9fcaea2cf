// orvhost panel: a node's panel as text.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/base/error.h"
#include "host/panel/panel.h"
#include "host/scene/nested_graph.h"
#include "host/services/nested_editor.h"
#include "node_setup.h"

namespace app {
namespace {

// A nested graph as its editor shows it: the nodes, then each connection,
// the root node's inputs last.
void printNestedGraph(const host::NestedEditor &editor) {
    std::printf("\nNested editor \"%s\" opened:\n", editor.openedTitle().c_str());
    for (const auto &node : editor.graph().nodes())
        std::printf("  %s (%s)\n", node->name().c_str(), node->kindName().c_str());
    for (const auto &node : editor.graph().nodes())
        for (const auto &input : node->inputs())
            if (input->source)
                std::printf("  %s.%s -> %s.%s\n", input->source->node->name().c_str(),
                            input->source->name.c_str(), node->name().c_str(), input->name.c_str());
}

}  // namespace

Run addPanelCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "panel",
        "Print a node's panel: tabs, groups and controls with ids, labels, types, choices, "
        "current values and whether each is enabled");
    // The options live as long as the command that parses into them.
    struct Options {
        NodeChoice choice;
        double time = 0.0;
        std::vector<std::string> presses;
    };
    auto o = std::make_shared<Options>();
    addNodeChoiceOptions(*command, o->choice, false);
    command->add_option("-t,--time", o->time, "Time in seconds at which envelopes are shown");
    command
        ->add_option("-p,--press", o->presses,
                     "Press a button (by id or label) after the settings, as a user would; "
                     "a nested editor it opens is printed after the panel")
        ->take_all();
    return [&common, o] {
        const double time = o->time;
        PreparedNode prepared = prepareNode(common, o->choice);
        auto *node = dynamic_cast<host::ModuleNode *>(prepared.node);
        host::Panel *panel = node ? node->panel() : nullptr;
        if (!panel) {
            std::printf("%s (%s) has no panel.\n", prepared.node->name().c_str(),
                        prepared.node->kindName().c_str());
            return 0;
        }
        for (const std::string &press : o->presses) {
            try {
                panel->press(panel->find(press)->id);
            } catch (const host::Error &error) {
                throw host::Error("--press " + press + ": " + error.what());
            }
        }
        std::printf("%s (%s)\n%s", prepared.node->name().c_str(), prepared.node->kindName().c_str(),
                    panel->describe(time).c_str());
        if (host::NestedEditor *editor = host::nestedEditorOf(*node); editor && editor->openCount())
            printNestedGraph(*editor);
        return 0;
    };
}

}  // namespace app
