// The operating system's part of loading a module: opening a shared library,
// finding a symbol in it, and where the running program lives. Everything
// platform-specific of the host core sits behind this header.
#pragma once

#include <filesystem>
#include <string>
#include <utility>

#include "host/base/error.h"

namespace host {

// A library that would not open: the message names the path and the
// system's reason, which reason() also gives alone for callers that say
// in their own words what needed the library.
class LibraryLoadError : public Error {
  public:
    LibraryLoadError(const std::filesystem::path &path, std::string reason)
        : Error("module " + path.string() + ": cannot load: " + reason),
          reason_(std::move(reason)) {}
    const std::string &reason() const { return reason_; }

  private:
    std::string reason_;
};

class DynamicLibrary {
  public:
    // Opens the library; throws LibraryLoadError naming the path and the
    // system's reason.
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
