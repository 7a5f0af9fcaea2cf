// orvhost panel: a node's panel as text.
#include <cstdio>
#include <memory>

#include "host/panel/panel.h"
#include "node_setup.h"

namespace app {

Run addPanelCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "panel",
        "Print a node's panel: tabs, groups and controls with ids, labels, types, choices, "
        "current values and whether each is enabled");
    // The options live as long as the command that parses into them.
    struct Options {
        NodeChoice choice;
        double time = 0.0;
        int frame = 0;
    };
    auto o = std::make_shared<Options>();
    addNodeChoiceOptions(*command, o->choice, false);
    CLI::Option *time =
        command->add_option("-t,--time", o->time, "Time in seconds at which envelopes are shown");
    command
        ->add_option("-f,--frame", o->frame,
                     "Frame at which envelopes are shown (time = frame / frames per second)")
        ->excludes(time);
    return [&common, o] {
        PreparedNode prepared = prepareNode(common, o->choice);
        const double time = o->frame != 0 ? o->frame / prepared.framesPerSecond : o->time;
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
