// orvhost save: reads a scene and writes it back with every module node's
// data saved by the node itself.
#include <cstdio>

#include "node_setup.h"

namespace app {

Run addSaveCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "save",
        "Read a scene and write it with each module node's saved data in place of its "
        "settings (text items, or --binary for the binary form)");
    static std::string input, output;
    static bool binary = false;
    command->add_option("scene", input, "Scene file to read")->required()->check(CLI::ExistingFile);
    command->add_option("-o,--output", output, "Scene file to write")->required();
    command->add_flag("--binary", binary, "Save node data in the binary form (hex)");
    return [&common] {
        auto host = makeHost(common);
        auto scene = host::Scene::load(*host, input);
        scene->saveTo(output, binary);
        std::fprintf(stderr, "wrote %s\n", output.c_str());
        return 0;
    };
}

}  // namespace app
