#include "host/scene/scene_values.h"

#include <cstdio>

namespace host {

using nlohmann::json;

std::string describe(const json &value) {
    std::string text = value.dump();
    if (text.size() > 60) text = text.substr(0, 57) + "...";
    return text;
}

const json &requireKey(const json &object, const char *key, const std::string &where) {
    if (!object.is_object()) throw Error(where + ": expected an object, found " + describe(object));
    const auto found = object.find(key);
    if (found == object.end()) throw Error(where + ": missing key \"" + key + "\"");
    return *found;
}

std::string requireText(const json &object, const char *key, const std::string &where) {
    const json &value = requireKey(object, key, where);
    if (!value.is_string())
        throw Error(where + "." + key + ": expected a text, found " + describe(value));
    return value.get<std::string>();
}

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string toHex(const std::vector<std::uint8_t> &bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::vector<std::uint8_t> fromHex(const std::string &text, const std::string &where) {
    auto digit = [&](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw Error(where + ": not a hex digit: '" + std::string(1, c) + "'");
    };
    if (text.size() % 2) throw Error(where + ": odd number of hex digits");
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(digit(text[2 * i]) * 16 + digit(text[2 * i + 1]));
    return bytes;
}

KeyShape keyShape(const std::string &name, const std::string &where) {
    if (name == "linear") return KeyShape::Linear;
    if (name == "stepped") return KeyShape::Stepped;
    if (name == "smooth") return KeyShape::Smooth;
    throw Error(where + ": unknown key shape \"" + name + "\" (linear, stepped or smooth)");
}

}  // namespace host
