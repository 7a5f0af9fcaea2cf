// orvhost save: reads a scene and writes it back with every module node's
// data saved by the node itself.
#include <cstdio>
#include <memory>

#include "node_setup.h"

namespace app {

Run addSaveCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "save",
        "Read a scene and write it with each module node's saved data in place of its "
        "settings (text items, or --binary for the binary form)");
    struct Options {
        std::string input, output;
        bool binary = false;
    };
    auto o = std::make_shared<Options>();
    command->add_option("scene", o->input, "Scene file to read")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-o,--output", o->output, "Scene file to write")
        ->required()
        ->check(kNonEmpty);
    command->add_flag("--binary", o->binary, "Save node data in the binary form (hex)");
    return [&common, o] {
        auto host = makeHost(common);
        auto scene = host::Scene::load(*host, o->input);
        scene->saveTo(o->output, o->binary);
        std::fprintf(stderr, "wrote %s\n", o->output.c_str());
        return 0;
    };
}

}  // namespace app
