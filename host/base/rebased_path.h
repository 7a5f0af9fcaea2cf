// Paths a scene names are relative to the scene file's folder. When the
// scene is written into another folder, each relative path is rewritten so
// that it still names the same file from there; absolute paths stay as they
// are.
#pragma once

#include <filesystem>
#include <string>

namespace host {

// The path, named relative to `from` (or absolute), as named relative to
// `to`. Empty folders are the working folder.
// A folder as an absolute path without a trailing separator.
inline std::filesystem::path absoluteFolder(const std::filesystem::path &folder) {
    std::filesystem::path normal =
        std::filesystem::absolute(folder.empty() ? "." : folder).lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

inline std::string rebasedPath(const std::string &path, const std::filesystem::path &from,
                               const std::filesystem::path &to) {
    namespace fs = std::filesystem;
    const fs::path given(path);
    if (path.empty() || given.is_absolute()) return path;
    const fs::path file = (absoluteFolder(from) / given).lexically_normal();
    const fs::path rebased = file.lexically_relative(absoluteFolder(to));
    // No relative way there (another drive): the absolute path serves.
    return (rebased.empty() ? file : rebased).generic_string();
}

// Whether two paths, each relative to the working folder or absolute, name
// one file as far as their text tells.
inline bool sameFile(const std::string &a, const std::string &b) {
    namespace fs = std::filesystem;
    if (a == b) return true;
    if (a.empty() || b.empty()) return false;
    return fs::absolute(a).lexically_normal() == fs::absolute(b).lexically_normal();
}

}  // namespace host
