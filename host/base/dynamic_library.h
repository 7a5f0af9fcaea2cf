// The operating system's part of loading a module: opening a shared library,
// finding a symbol in it, and where the running program lives. Everything
// platform-specific of the host core sits behind this header.
#pragma once

#include <filesystem>
#include <string>

namespace host {

class DynamicLibrary {
  public:
    // Opens the library; throws Error naming the path and the system's reason.
    explicit DynamicLibrary(const std::filesystem::path &path);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary &) = delete;
    DynamicLibrary &operator=(const DynamicLibrary &) = delete;

    // The address of an exported symbol, or null when the library has none.
    void *symbol(const char *name) const;

  private:
    void *handle_ = nullptr;
};

// The directory of the running executable (empty when it cannot be told).
std::filesystem::path executableDirectory();

}  // namespace host
