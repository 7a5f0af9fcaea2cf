// The subcommands of orvhost. Each registers its options on the program's
// command line and returns the function that runs it.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace app {

// Options every subcommand shares.
struct Common {
    std::string modulePath;  // empty: the host's default
    bool quiet = false;      // errors only
    bool verbose = false;    // settings and figures beside the results
};

using Run = std::function<int()>;

Run addServersCommand(CLI::App &program, const Common &common);
Run addPanelCommand(CLI::App &program, const Common &common);
Run addEvalCommand(CLI::App &program, const Common &common);
Run addSaveCommand(CLI::App &program, const Common &common);
Run addRenderCommand(CLI::App &program, const Common &common);
Run addInfoCommand(CLI::App &program, const Common &common);

}  // namespace app
