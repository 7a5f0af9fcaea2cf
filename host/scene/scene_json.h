// The JSON text of a scene file, read into a document strictly: comments
// are allowed, but a key twice in one object, a number beyond the double
// range and nesting deeper than any scene needs are errors naming the file
// and the place. Deep nesting is refused while reading, so that nothing
// later (messages that print a value, copies of node data, saving) can
// recurse deeply enough to run out of stack.
#pragma once

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "host/scene/key_order.h"

namespace host {

// Scenes nest a few levels (scene → surfaces → graph → nodes → data →
// blocks); node data nests one level per block. Far beyond either.
constexpr int kMaxSceneNesting = 100;

// Parses a scene's text; `file` names it in errors. Throws Error. With
// `orders`, gives the order the text has the keys of its objects in, where
// it is not the sorted one a document keeps.
nlohmann::json parseSceneText(const std::string &text, const std::filesystem::path &file,
                              TextKeyOrders *orders = nullptr);

// A document as scene files are written by hand: whatever fits on a line of
// 120 characters (a colour, a connection, a node's settings) on one line,
// anything larger one item a line, indented by two; so that a saved scene
// reads and compares like the file it came from. Ends with a newline.
std::string sceneText(const nlohmann::ordered_json &document);

// Writes a document read from a file as sceneText does, its objects' keys
// in the file's order, in pieces to `sink`: a scene of many nodes is never
// held whole as text. `replace`, when given, is asked about each value
// before it is written and may give another to write in its place, in the
// order it gives its own keys: a document is written with a few of its
// values changed without a second copy of the whole.
using OrderedReplacement =
    std::function<std::optional<nlohmann::ordered_json>(const nlohmann::json &)>;
using TextSink = std::function<void(std::string_view)>;
void writeSceneText(const nlohmann::json &document, const KeyOrder &order,
                    const OrderedReplacement &replace, const TextSink &sink);

// The comment lines a scene file opens with, before its first "{", with
// their line ends; empty when it opens with none. A scene written back
// keeps them.
std::string leadingComments(const std::string &text);

// The nesting depth of a document already in memory (0 for a number),
// measured without recursion.
int nestingDepth(const nlohmann::json &document);

}  // namespace host
