#include "host/base/dynamic_library.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "host/base/error.h"

namespace host {
namespace {

// The system's text for an error code, without its closing line break; a
// "%1" in it stands for the file.
std::string systemMessage(DWORD code, const std::string &file) {
    char *text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : std::string();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    if (const auto insert = message.find("%1"); insert != std::string::npos)
        message.replace(insert, 2, file);
    return "error " + std::to_string(code) + (message.empty() ? "" : ": " + message);
}

}  // namespace

DynamicLibrary::DynamicLibrary(const std::filesystem::path &path) {
    // No message box for a missing dependency, on this thread only: the
    // caller reports the failure. The altered search path finds the module's
    // own dependencies beside it.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE library = LoadLibraryExW(std::filesystem::absolute(path).c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = library ? 0 : GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    if (!library) throw LibraryLoadError(path, systemMessage(code, path.filename().string()));
    handle_ = library;
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

void *DynamicLibrary::symbol(const char *name) const {
    // A data export (the descriptor) comes back as a procedure address.
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::filesystem::path executableDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 2);  // the name was cut short
    }
}

}  // namespace host
