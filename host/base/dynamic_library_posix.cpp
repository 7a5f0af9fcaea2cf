#include "host/base/dynamic_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <system_error>

#include "host/base/error.h"

namespace host {

DynamicLibrary::DynamicLibrary(const std::filesystem::path &path) {
    // RTLD_LOCAL: two modules may export the same descriptor symbol.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char *reason = dlerror();
        throw LibraryLoadError(path, reason ? reason : "unknown reason");
    }
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_) dlclose(handle_);
}

void *DynamicLibrary::symbol(const char *name) const {
    dlerror();  // clear a stale error so that a null symbol is told apart
    return dlsym(handle_, name);
}

std::filesystem::path executableDirectory() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return exe.parent_path();
}

}  // namespace host
