// orvhost render: placeholder until the renderer is wired in.
#include "commands.h"
#include "host/error.h"

namespace app {

Run addRenderCommand(CLI::App &program, const Common &) {
    program.add_subcommand("render", "Render a scene to an image");
    return [] () -> int { throw host::Error("render: not built"); };
}

}  // namespace app
