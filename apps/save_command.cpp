// orvhost save: reads a scene and writes it back with every module node's
// state as the node itself holds it: readable settings by default, or the
// node's saved data.
#include <cstdio>
#include <memory>

#include "host/base/error.h"
#include "host/base/replaced_file.h"
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
    command
        ->add_option("-o,--output", o->output,
                     "Scene file to write, in place of what the path names (through a "
                     "symbolic link to its file); - for standard output")
        ->required()
        ->check(kNonEmpty);
    CLI::Option *data =
        command->add_flag("--data", o->data, "Save node data as the node's text items");
    command->add_flag("--binary", o->binary, "Save node data in the binary form (hex)")
        ->excludes(data);
    return [&common, o] {
        // A device, a pipe or a missing folder is refused before any work.
        if (o->output != "-") host::checkReplaceable(o->output, "scene file");
        auto host = makeHost(common);
        auto scene = host::Scene::load(*host, o->input);
        const auto form = o->binary ? host::Scene::SaveForm::Binary
                          : o->data ? host::Scene::SaveForm::Text
                                    : host::Scene::SaveForm::Settings;
        if (o->output == "-") {
            // Paths are written as seen from the working folder, where a
            // redirection would put the file.
            const std::string text = scene->savedText(form, ".");
            if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
                std::fflush(stdout) != 0)
                throw host::Error("-: writing the scene to standard output failed");
            return 0;
        }
        scene->saveTo(o->output, form);
        if (!common.quiet) std::fprintf(stderr, "wrote %s\n", o->output.c_str());
        return 0;
    };
}

}  // namespace app
