// orvhost panel: a node's panel as text.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/base/error.h"
#include "host/io/image_library.h"
#include "host/io/png_file.h"
#include "host/panel/panel.h"
#include "host/scene/nested_graph.h"
#include "host/services/nested_editor.h"
#include "node_setup.h"

namespace app {
namespace {

// Runs the first drawing callback of the panel into a picture of the size
// asked, and writes it whole or not at all.
void writeThumbnail(host::Panel &panel, const std::string &file, const std::vector<int> &size) {
    const host::Panel::Control *drawn = nullptr;
    for (const host::Panel::Control &control : panel.controls())
        if (control.draw && !drawn) drawn = &control;
    if (!drawn) throw host::Error("--thumbnail " + file + ": this panel draws nothing");
    const host::Panel::Picture picture = panel.draw(drawn->id, size.at(0), size.at(1));
    const std::string partial = file + ".partial.png";
    // A PNG is written directly; another format by the image library, which
    // its extension picks.
    std::string extension = std::filesystem::path(file).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string reason;
    if (extension == ".png") {
        reason = host::writePng(partial, picture.width, picture.height, 3, picture.rgb.data(),
                                host::PngColors::Unmarked);
    } else {
        host::ImageWrite request;
        request.format = file;
        request.width = picture.width;
        request.height = picture.height;
        request.channels = 3;
        request.stored = host::StoredType::UInt8;
        request.bytes = picture.rgb.data();
        host::ImageLibrary &library = host::imageLibrary("--thumbnail " + file, "writing");
        if (!library.write(partial, request, reason) && reason.empty())
            reason = "writing the image failed";
    }
    if (!reason.empty()) {
        std::remove(partial.c_str());
        throw host::Error("--thumbnail " + file + ": " + reason);
    }
    if (std::rename(partial.c_str(), file.c_str()) != 0) {
        std::remove(partial.c_str());
        throw host::Error("--thumbnail " + file + ": cannot write the file");
    }
    std::fprintf(stderr, "wrote %s (%d x %d)\n", file.c_str(), picture.width, picture.height);
}

// A nested graph as its editor shows it: the nodes, then each connection,
// the root node's inputs last.
void printNestedGraph(const host::NestedEditor &editor) {
    std::printf("\nNested editor \"%s\" opened:\n", editor.openedTitle().c_str());
    for (const auto &node : editor.graph().nodes())
        std::printf("  %s (%s)\n", node->name().c_str(), node->kindName().c_str());
    for (const auto &node : editor.graph().nodes())
        for (const auto &input : node->inputs())
            if (input->source)
                std::printf("  %s.%s -> %s.%s\n", input->source->node->name().c_str(),
                            input->source->name.c_str(), node->name().c_str(), input->name.c_str());
}

}  // namespace

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
        std::vector<std::string> presses;
        std::string thumbnail;
        std::vector<int> thumbnailSize{128, 96};
    };
    auto o = std::make_shared<Options>();
    addNodeChoiceOptions(*command, o->choice, false);
    CLI::Option *time =
        command->add_option("-t,--time", o->time, "Time in seconds at which envelopes are shown");
    command
        ->add_option("-f,--frame", o->frame,
                     "Frame at which envelopes are shown (time = frame / frames per second)")
        ->excludes(time);
    command->add_option("--thumbnail", o->thumbnail,
                        "Also let the panel's drawn control (a thumbnail) draw into OUT.png");
    command
        ->add_option("--thumbnail-size", o->thumbnailSize,
                     "Width and height of the drawn picture, in pixels")
        ->expected(2)
        ->delimiter('x')
        ->capture_default_str();
    command
        ->add_option("-p,--press", o->presses,
                     "Press a button (by id or label) after the settings, as a user would; "
                     "a nested editor it opens is printed after the panel")
        ->take_all();
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
        for (const std::string &press : o->presses) {
            try {
                panel->press(panel->find(press)->id);
            } catch (const host::Error &error) {
                throw host::Error("--press " + press + ": " + error.what());
            }
        }
        std::printf("%s (%s)\n%s", prepared.node->name().c_str(), prepared.node->kindName().c_str(),
                    panel->describe(time).c_str());
        if (!o->thumbnail.empty()) writeThumbnail(*panel, o->thumbnail, o->thumbnailSize);
        if (host::NestedEditor *editor = host::nestedEditorOf(*node); editor && editor->openCount())
            printNestedGraph(*editor);
        return 0;
    };
}

}  // namespace app
