// The order a scene file gives the keys of its objects. A document keeps
// an object's keys sorted; a scene written back keeps them where the person
// who wrote the file put them ("scene" before "surfaces", a camera's
// "width" before its "height"). Only objects whose keys the file gives
// in another order than the sorted one are remembered, so that a scene of
// many nodes, each written "name" first, costs nothing.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace host {

using KeyList = std::vector<std::string>;

// The order the text of a document gave the keys of its objects in, where
// not the sorted one: objects by their place among the text's objects (0
// for the first "{"), in that order. Each distinct list of keys is kept
// once: a scene of many nodes written alike keeps one.
struct TextKeyOrders {
    std::set<KeyList> lists;
    std::vector<std::pair<std::size_t, const KeyList *>> objects;
};

// The same for the objects of a document in memory.
class KeyOrder {
  public:
    KeyOrder() = default;
    // The order of `document`'s objects, read from a text that gave them in
    // `orders`.
    KeyOrder(const nlohmann::json &document, TextKeyOrders orders);

    // An object's keys in the text's order; null where that is the order
    // the object keeps.
    const KeyList *of(const nlohmann::json &object) const {
        const auto found = objects_.find(&object);
        return found == objects_.end() ? nullptr : found->second;
    }

    // Takes `key` out of `object`, and out of the order kept of it and of
    // the objects its value held.
    void erase(nlohmann::json &object, const std::string &key);

  private:
    std::set<KeyList> lists_;
    std::unordered_map<const nlohmann::json *, const KeyList *> objects_;
};

// A copy of `value` whose objects keep their keys in `order`.
nlohmann::ordered_json toOrdered(const nlohmann::json &value, const KeyOrder &order);
// The same of an object, without the keys `dropped` names.
nlohmann::ordered_json toOrderedWithout(const nlohmann::json &object, const KeyOrder &order,
                                        std::initializer_list<std::string_view> dropped);

}  // namespace host
