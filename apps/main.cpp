// orvhost: the stand-in host on the command line. Loads the node module,
// lists its servers, shows node panels and kinds, evaluates nodes and
// renders scenes.
#include <cstdio>
#include <exception>
#include <map>
#include <string>

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
#ifdef ORV_WITH_SERVE
    runs["serve"] = app::addServeCommand(program, common);
#endif

    // CLI11 would say only that a subcommand is required; name what was typed.
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--module") {
            ++i;
            continue;
        }
        if (word.empty() || word[0] == '-') continue;
        if (!runs.count(word)) {
            std::string known;
            for (const auto &[name, run] : runs)
                known += (known.empty() ? "" : ", ") + name;
            std::fprintf(stderr, "orvhost: unknown command \"%s\"; the commands are %s\n",
                         word.c_str(), known.c_str());
            return 1;
        }
        break;
    }
    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        // Help is no failure; every mistake on the command line exits with 1,
        // as every other failure does.
        return program.exit(error) == 0 ? 0 : 1;
    }
    try {
        for (CLI::App *command : program.get_subcommands())
            return runs.at(command->get_name())();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "orvhost: %s\n", error.what());
        return 1;
    }
    return 0;
}
