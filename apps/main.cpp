// orvhost: the stand-in host on the command line. Loads the node module,
// lists its servers, shows node panels, evaluates nodes and renders scenes.
#include <cstdio>
#include <exception>
#include <map>

#include "commands.h"
#include "host/base/error.h"

int main(int argc, char **argv) {
    CLI::App program{
        "orvhost: loads the shading-node module, lists its servers, shows node panels, "
        "evaluates nodes and renders scenes."};
    program.require_subcommand(1);
    app::Common common;
    program.add_option("--module", common.modulePath,
                       "Module to load (default: $ORV_MODULE, else orvnodes.so beside orvhost)");

    std::map<std::string, app::Run> runs;
    runs["servers"] = app::addServersCommand(program, common);
    runs["panel"] = app::addPanelCommand(program, common);
    runs["eval"] = app::addEvalCommand(program, common);
    runs["save"] = app::addSaveCommand(program, common);
#ifdef ORV_WITH_RENDERER
    runs["render"] = app::addRenderCommand(program, common);
#endif

    CLI11_PARSE(program, argc, argv);
    try {
        for (CLI::App *command : program.get_subcommands())
            return runs.at(command->get_name())();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "orvhost: %s\n", error.what());
        return 1;
    }
    return 0;
}
