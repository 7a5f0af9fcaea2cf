// orvhost save: reads a scene and writes it back with every module node's
// state as the node itself holds it: readable settings by default, or the
// node's saved data.
#include <cstdio>
#include <memory>

#include "node_setup.h"

namespace app {

Run addSaveCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "save",
        "Read a scene and write it back with each module node's state as settings by panel "
        "name, in panel order (or as the node's saved data: --data, --binary)");
    struct Options {
        std::string input, output;
        bool data = false, binary = false;
    };
    auto o = std::make_shared<Options>();
    command->add_option("scene", o->input, "Scene file to read")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-o,--output", o->output, "Scene file to write")
        ->required()
        ->check(kNonEmpty);
    CLI::Option *data =
        command->add_flag("--data", o->data, "Save node data as the node's text items");
    command->add_flag("--binary", o->binary, "Save node data in the binary form (hex)")
        ->excludes(data);
    return [&common, o] {
        auto host = makeHost(common);
        auto scene = host::Scene::load(*host, o->input);
        scene->saveTo(o->output, o->binary ? host::Scene::SaveForm::Binary
                                 : o->data ? host::Scene::SaveForm::Text
                                           : host::Scene::SaveForm::Settings);
        if (!common.quiet) std::fprintf(stderr, "wrote %s\n", o->output.c_str());
        return 0;
    };
}

}  // namespace app
