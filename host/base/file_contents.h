// Reading a whole input file (a scene, a mesh) into memory, safely: only a
// regular file is read, so that a path naming a pipe or a device cannot
// block or stream without end, and only up to a size limit, so that a wrong
// path cannot exhaust memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/base/error.h"

namespace host {

// Large enough for any mesh a scene would hold, small enough to fail fast.
constexpr std::uintmax_t kMaxInputFileBytes = std::uintmax_t{1} << 30;

// The file's bytes; throws Error naming the file and what is wrong with it.
// `what` names the kind of file for messages ("scene file", "OBJ file").
inline std::string readRegularFile(const std::filesystem::path &file, const std::string &what,
                                   std::uintmax_t limit = kMaxInputFileBytes) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error || !std::filesystem::exists(status))
        throw Error(file.string() + ": cannot open the " + what + ": no such file");
    if (!std::filesystem::is_regular_file(status))
        throw Error(file.string() + ": the " + what + " is not a regular file");
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) throw Error(file.string() + ": cannot read the " + what);
    if (size > limit)
        throw Error(file.string() + ": the " + what + " is " + std::to_string(size) +
                    " bytes, more than the limit of " + std::to_string(limit));
    std::ifstream in(file, std::ios::binary);
    if (!in) throw Error(file.string() + ": cannot open the " + what);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    // A file that shrank while read is read short; one that grew is read up
    // to the size it had, never further.
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw Error(file.string() + ": cannot read the " + what);
    return text;
}

}  // namespace host
