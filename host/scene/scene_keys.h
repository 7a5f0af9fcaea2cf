// The keys a scene file may use, per kind of object, so that a misspelt key
// ("positon", "widht") is an error naming the file, the key path and the
// nearest valid key, rather than a setting silently left at its default.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace host {

// Throws Error at the first key the scene format does not know.
void checkKnownKeys(const nlohmann::json &document, const std::filesystem::path &file);

// Every key the scene format knows, each once, for the format's reference
// to be checked against.
std::vector<std::string> sceneFormatKeys();

// The known key nearest to `key` by edit distance, or empty when none is
// near enough to be a likely misspelling.
std::string nearestKey(const std::string &key, const std::vector<std::string> &known);

}  // namespace host
