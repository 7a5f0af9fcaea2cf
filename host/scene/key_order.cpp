#include "host/scene/key_order.h"

#include <algorithm>
#include <fstream>

namespace host {
namespace {

using nlohmann::json;

// Follows the file's text through the document read from it, one value at
// a time, without building anything but the orders it finds.
class KeyOrderReader {
  public:
    explicit KeyOrderReader(const json &document) : next_(&document) {}

    bool null() { return scalar(); }
    bool boolean(bool) { return scalar(); }
    bool number_integer(json::number_integer_t) { return scalar(); }
    bool number_unsigned(json::number_unsigned_t) { return scalar(); }
    bool number_float(json::number_float_t, const std::string &) { return scalar(); }
    bool string(std::string &) { return scalar(); }
    bool binary(json::binary_t &) { return scalar(); }

    bool start_object(std::size_t) { return open(json::value_t::object); }
    bool key(std::string &key) {
        Level &top = open_.back();
        const auto found = top.value->find(key);
        if (found == top.value->end()) return lost();
        top.keys.push_back(key);
        next_ = &*found;
        return true;
    }
    bool end_object() {
        Level &top = open_.back();
        if (top.keys.size() != top.value->size()) return lost();
        if (!inKeptOrder(top)) order_.emplace(top.value, std::move(top.keys));
        open_.pop_back();
        return ended();
    }
    bool start_array(std::size_t) {
        if (!open(json::value_t::array)) return false;
        next_ = element(open_.back());
        return true;
    }
    bool end_array() {
        if (open_.back().index != open_.back().value->size()) return lost();
        open_.pop_back();
        return ended();
    }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &) {
        return lost();
    }

    KeyOrder result() && { return lost_ ? KeyOrder{} : std::move(order_); }

  private:
    struct Level {
        const json *value;
        std::vector<std::string> keys;  // of an object, as the file gives them
        std::size_t index = 0;          // of an array, the element next
    };

    bool open(json::value_t type) {
        if (!next_ || next_->type() != type) return lost();
        open_.push_back({next_, {}, 0});
        next_ = nullptr;
        return true;
    }
    bool scalar() {
        if (!next_ || next_->is_structured()) return lost();
        return ended();
    }
    // A value ended: in an array, the next element follows.
    bool ended() {
        next_ = nullptr;
        if (!open_.empty() && open_.back().value->is_array()) {
            ++open_.back().index;
            next_ = element(open_.back());
        }
        return true;
    }
    static const json *element(const Level &array) {
        return array.index < array.value->size() ? &(*array.value)[array.index] : nullptr;
    }
    static bool inKeptOrder(const Level &object) {
        auto kept = object.value->begin();
        for (const std::string &key : object.keys)
            if (kept.key() != key) return false;
            else ++kept;
        return true;
    }
    bool lost() {
        lost_ = true;
        return false;
    }

    const json *next_;
    std::vector<Level> open_;
    KeyOrder order_;
    bool lost_ = false;
};

}  // namespace

KeyOrder keyOrderOf(const std::filesystem::path &file, const json &document) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    KeyOrderReader reader(document);
    try {
        json::sax_parse(in, &reader, json::input_format_t::json, /*strict=*/true,
                        /*ignore_comments=*/true);
    } catch (const json::exception &) {
        return {};
    }
    return std::move(reader).result();
}

std::vector<std::string> keysIn(const json &object, const KeyOrder &order) {
    if (const auto found = order.find(&object); found != order.end()) return found->second;
    std::vector<std::string> keys;
    for (auto item = object.begin(); item != object.end(); ++item)
        keys.push_back(item.key());
    return keys;
}

nlohmann::ordered_json toOrderedWithout(const json &object, const KeyOrder &order,
                                        std::initializer_list<std::string_view> dropped) {
    nlohmann::ordered_json copy = nlohmann::ordered_json::object();
    const auto add = [&](const std::string &key, const json &value) {
        if (std::find(dropped.begin(), dropped.end(), key) == dropped.end())
            copy[key] = toOrdered(value, order);
    };
    if (const auto found = order.find(&object); found != order.end())
        for (const std::string &key : found->second)
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
