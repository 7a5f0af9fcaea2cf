// The conformance program: loads the module through the host core, the way
// the host application loads it on the system at hand, and checks every node
// kind it offers. Its report of values, written on two systems, must match
// line for line.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "check.h"
#include "conformance.h"
#include "host/base/dynamic_library.h"

namespace {

#ifdef _WIN32
constexpr const char *kModuleFile = "orvnodes.dll";
#else
constexpr const char *kModuleFile = "orvnodes.so";
#endif

void usage(std::FILE *to) {
    std::fprintf(to,
                 "usage: conformance [MODULE] [--values FILE]\n"
                 "       conformance --compare REFERENCE REPORT\n"
                 "\n"
                 "Loads the module (default: %s beside this program, or one folder up)\n"
                 "through the host core and checks its descriptor, server table,\n"
                 "activations, and for every node kind: create, panel, copy, text and\n"
                 "binary save and load, and evaluation in empty space.\n"
                 "\n"
                 "  --values FILE  also write every value seen, one line per subject, so that\n"
                 "                 runs on two systems can be compared\n"
                 "  --compare      compare two such reports: the same lines, numbers to a\n"
                 "                 relative 1e-9, saved data exactly\n"
                 "  --help         show this text\n"
                 "\n"
                 "Exit status: 0 when every check passed (or the reports agree), 1 when one\n"
                 "failed (or they differ), 2 when the module or a report could not be read\n"
                 "or the arguments are wrong.\n",
                 kModuleFile);
}

std::filesystem::path defaultModule() {
    const std::filesystem::path here = host::executableDirectory();
    if (std::filesystem::exists(here / kModuleFile)) return here / kModuleFile;
    return here.parent_path().parent_path() / kModuleFile;  // build/tests/conformance
}

// Writes through a temporary beside the file, so that a failed run leaves no
// half-written report behind.
bool writeReport(const std::filesystem::path &file, const std::string &text) {
    const std::filesystem::path temporary = file.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary);
        out << text;
        if (!out.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    return !error;
}

}  // namespace

int main(int argc, char **argv) {
    std::filesystem::path module;
    std::filesystem::path valuesFile;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            usage(stdout);
            return 0;
        }
        if (argument == "--compare") {
            if (argc != 4 || i != 1) {
                std::fprintf(stderr, "conformance: --compare takes two reports and nothing else\n");
                return 2;
            }
            const int differences = conformance::compareReports(argv[2], argv[3]);
            if (differences < 0) return 2;
            if (differences > 0) {
                std::fprintf(stderr, "conformance: %s and %s differ in %d lines\n", argv[2],
                             argv[3], differences);
                return 1;
            }
            std::printf("conformance: %s and %s agree\n", argv[2], argv[3]);
            return 0;
        }
        if (argument == "--values") {
            if (++i == argc) {
                std::fprintf(stderr, "conformance: --values needs a file name\n");
                return 2;
            }
            valuesFile = argv[i];
        } else if (!argument.empty() && argument[0] == '-') {
            std::fprintf(stderr, "conformance: unknown option %s\n", argument.c_str());
            usage(stderr);
            return 2;
        } else if (module.empty()) {
            module = argument;
        } else {
            std::fprintf(stderr, "conformance: one module only, got %s and %s\n",
                         module.string().c_str(), argument.c_str());
            return 2;
        }
    }
    if (module.empty()) module = defaultModule();

    std::ostringstream values;
    conformance::Report report(valuesFile.empty() ? nullptr : &values);
    try {
        conformance::ConformanceHost host(module);
        std::printf("module %s: %zu node kinds\n", module.string().c_str(), host.kinds().size());
        conformance::checkArithmetic();
        conformance::checkModule(host);
        conformance::checkLifecycle(host, report);
        conformance::checkEvaluation(host, report);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "conformance: %s\n", error.what());
        return 2;
    }
    if (!valuesFile.empty() && !writeReport(valuesFile, values.str())) {
        std::fprintf(stderr, "conformance: cannot write %s\n", valuesFile.string().c_str());
        return 2;
    }
    const conformance::Checks &checks = conformance::checks();
    std::printf("conformance: %d passed, %d failed\n", checks.passed(), checks.failed());
    return checks.failed() ? 1 : 0;
}
