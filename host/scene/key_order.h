// The order a scene file gives the keys of its objects. A document keeps
// an object's keys sorted; a scene written back keeps them where the person
// who wrote the file put them ("scene" before "surfaces", a camera's
// "position" before its "lookAt"). Only objects whose keys the file gives
// in another order than the sorted one are remembered, so that a scene of
// many nodes, each written "name" first, costs nothing.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace host {

// An object of a document in memory → its keys in the file's order.
using KeyOrder = std::unordered_map<const nlohmann::json *, std::vector<std::string>>;

// The key order of `document`'s objects as `file` gives them. Empty when
// the file cannot be read or no longer holds the document's objects and
// keys (it was changed since it was read): the sorted order then stands.
KeyOrder keyOrderOf(const std::filesystem::path &file, const nlohmann::json &document);

// The keys of an object in `order`, or in the order the object keeps.
std::vector<std::string> keysIn(const nlohmann::json &object, const KeyOrder &order);

// A copy of `value` whose objects keep their keys in `order`.
nlohmann::ordered_json toOrdered(const nlohmann::json &value, const KeyOrder &order);
// The same of an object, without the keys `dropped` names.
nlohmann::ordered_json toOrderedWithout(const nlohmann::json &object, const KeyOrder &order,
                                        std::initializer_list<std::string_view> dropped);

}  // namespace host
