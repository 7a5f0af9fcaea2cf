// orvhost: the stand-in host on the command line. Loads the node module,
// lists its servers, shows node panels and kinds, evaluates nodes and
// renders scenes.
#include <cstdio>
#include <exception>
#include <map>

#include "commands.h"
#include "host/base/error.h"

#ifndef ORVHOST_VERSION
#define ORVHOST_VERSION "unknown"
#endif

int main(int argc, char **argv) {
    CLI::App program{
        "orvhost: loads the shading-node module, lists its servers, shows node panels and "
        "kinds, evaluates nodes and renders scenes."};
    program.require_subcommand(1);
    // The program's own options may come before or after the command.
    program.fallthrough();
    program.set_version_flag("--version", std::string("orvhost ") + ORVHOST_VERSION);
    app::Common common;
    program.add_option("--module", common.modulePath,
                       "Module to load (default: $ORV_MODULE, else orvnodes.so beside orvhost)");
    CLI::Option *quiet =
        program.add_flag("-q,--quiet", common.quiet, "Print errors only: no progress or notes");
    program.add_flag("-v,--verbose", common.verbose, "Print settings and figures as work goes")
        ->excludes(quiet);

    std::map<std::string, app::Run> runs;
    runs["servers"] = app::addServersCommand(program, common);
    runs["info"] = app::addInfoCommand(program, common);
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
