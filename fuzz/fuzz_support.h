// What the fuzz targets share: one host with the module loaded, kept for the
// whole run (loading it per input would dwarf the work being fuzzed).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "host/scene/host.h"

namespace fuzz_support {

// The module beside the fuzz target in the build tree, or $ORV_MODULE.
inline host::Host &sharedHost() {
    static std::unique_ptr<host::Host> host = [] {
        const char *path = std::getenv("ORV_MODULE");
        return std::make_unique<host::Host>(path ? std::filesystem::path(path)
                                                 : std::filesystem::path(ORV_FUZZ_MODULE));
    }();
    return *host;
}

}  // namespace fuzz_support
