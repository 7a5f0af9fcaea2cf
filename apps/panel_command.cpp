// orvhost panel: a node's panel as text.
#include <cstdio>

#include "host/panel.h"
#include "node_setup.h"

namespace app {

Run addPanelCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "panel",
        "Print a node's panel: tabs, groups and controls with ids, labels, types, choices, "
        "current values and whether each is enabled");
    static NodeChoice choice;
    static double time = 0.0;
    addNodeChoiceOptions(*command, choice, false);
    command->add_option("-t,--time", time, "Time in seconds at which envelopes are shown");
    return [&common] {
        PreparedNode prepared = prepareNode(common, choice);
        auto *node = dynamic_cast<host::ModuleNode *>(prepared.node);
        host::Panel *panel = node ? node->panel() : nullptr;
        if (!panel) {
            std::printf("%s (%s) has no panel.\n", prepared.node->name().c_str(),
                        prepared.node->kindName().c_str());
            return 0;
        }
        std::printf("%s (%s)\n%s", prepared.node->name().c_str(), prepared.node->kindName().c_str(),
                    panel->describe(time).c_str());
        return 0;
    };
}

}  // namespace app
