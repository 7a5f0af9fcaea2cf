// orvhost: the stand-in host on the command line. Loads the node module,
// lists its servers, shows node panels, evaluates nodes and renders scenes.
#include <cstdio>
#include <exception>
#include <map>
#include <string>

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
    runs["render"] = app::addRenderCommand(program, common);

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
