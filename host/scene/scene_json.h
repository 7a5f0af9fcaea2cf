// The JSON text of a scene file, read into a document strictly: comments
// are allowed, but a key twice in one object, a number beyond the double
// range and nesting deeper than any scene needs are errors naming the file
// and the place. Deep nesting is refused while reading, so that nothing
// later (messages that print a value, copies of node data, saving) can
// recurse deeply enough to run out of stack.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

namespace host {

// Scenes nest a few levels (scene → surfaces → graph → nodes → data →
// blocks); node data nests one level per block. Far beyond either.
constexpr int kMaxSceneNesting = 100;

// Parses a scene's text; `file` names it in errors. Throws Error.
nlohmann::json parseSceneText(const std::string &text, const std::filesystem::path &file);

// The nesting depth of a document already in memory (0 for a number),
// measured without recursion.
int nestingDepth(const nlohmann::json &document);

}  // namespace host
