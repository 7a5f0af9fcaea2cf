// The subcommands of orvhost. Each registers its options on the program's
// command line and returns the function that runs it.
#pragma once

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
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

// Option checks CLI11 lacks: a finite number (no nan or inf), and a file
// name that is not empty.
inline const CLI::Validator kFinite(
    [](std::string &text) {
        double value = 0;
        if (!CLI::detail::lexical_cast(text, value) || !std::isfinite(value))
            return "expected a finite number, found \"" + text + "\"";
        return std::string();
    },
    "FINITE");
inline const CLI::Validator kNonEmpty(
    [](std::string &text) {
        return text.empty() ? std::string("expected a file name, found \"\"") : std::string();
    },
    "FILE");

// Reports evaluations the depth limit cut off during a run (they read as
// unconnected inputs); true when there were any.
bool reportEvaluationsCutOff(std::uint64_t before);
// Warns when one evaluation fired more rays than the host's warning level.
void reportHeaviestEvaluation();

Run addServersCommand(CLI::App &program, const Common &common);
Run addPanelCommand(CLI::App &program, const Common &common);
Run addEvalCommand(CLI::App &program, const Common &common);
Run addSaveCommand(CLI::App &program, const Common &common);
Run addRenderCommand(CLI::App &program, const Common &common);
Run addInfoCommand(CLI::App &program, const Common &common);
Run addServeCommand(CLI::App &program, const Common &common);

}  // namespace app
