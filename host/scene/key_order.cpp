#include "host/scene/key_order.h"

#include <algorithm>

namespace host {

using nlohmann::json;

KeyOrder::KeyOrder(const json &document, TextKeyOrders orders) : lists_(std::move(orders.lists)) {
    // The text's objects began in the order a walk of the document meets
    // them, each object's values taken in the text's order.
    auto next = orders.objects.begin();
    std::size_t ordinal = 0;
    std::vector<const json *> pending{&document};
    while (!pending.empty() && next != orders.objects.end()) {
        const json *value = pending.back();
        pending.pop_back();
        if (value->is_array()) {
            for (auto item = value->rbegin(); item != value->rend(); ++item)
                pending.push_back(&*item);
        } else if (value->is_object()) {
            if (ordinal++ == next->first) {
                const KeyList *keys = next++->second;
                for (auto key = keys->rbegin(); key != keys->rend(); ++key)
                    pending.push_back(&value->at(*key));
                objects_.emplace(value, keys);
            } else {
                for (auto item = value->rbegin(); item != value->rend(); ++item)
                    pending.push_back(&*item);
            }
        }
    }
}

void KeyOrder::erase(json &object, const std::string &key) {
    const auto found = object.find(key);
    if (found == object.end()) return;
    if (const auto kept = objects_.find(&object); kept != objects_.end()) {
        KeyList keys = *kept->second;
        std::erase(keys, key);
        kept->second = &*lists_.insert(std::move(keys)).first;
    }
    std::vector<const json *> pending{&*found};
    while (!objects_.empty() && !pending.empty()) {
        const json *item = pending.back();
        pending.pop_back();
        if (item->is_object()) objects_.erase(item);
        if (item->is_structured())
            for (const json &child : *item)
                pending.push_back(&child);
    }
    object.erase(found);
}

nlohmann::ordered_json toOrderedWithout(const json &object, const KeyOrder &order,
                                        std::initializer_list<std::string_view> dropped) {
    nlohmann::ordered_json copy = nlohmann::ordered_json::object();
    const auto add = [&](const std::string &key, const json &value) {
        if (std::find(dropped.begin(), dropped.end(), key) == dropped.end())
            copy[key] = toOrdered(value, order);
    };
    if (const KeyList *keys = order.of(object))
        for (const std::string &key : *keys)
            add(key, object.at(key));
    else
        for (auto item = object.begin(); item != object.end(); ++item)
            add(item.key(), item.value());
    return copy;
}

nlohmann::ordered_json toOrdered(const json &value, const KeyOrder &order) {
    if (value.is_object()) return toOrderedWithout(value, order, {});
    if (value.is_array()) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const json &item : value)
            array.push_back(toOrdered(item, order));
        return array;
    }
    return value;
}

}  // namespace host
