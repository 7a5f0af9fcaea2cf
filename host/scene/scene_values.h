// Reading values out of a scene's document, each failure an Error naming
// the file, the key path and the value found; and the texts values are
// written as.
#pragma once

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <type_traits>
#include <vector>

#include "host/base/envelope_data.h"
#include "host/base/error.h"

namespace host {

// A value as messages show it, cut short after 60 characters.
std::string describe(const nlohmann::json &value);
// The value under key; throws Error when object is no object or lacks it.
const nlohmann::json &requireKey(const nlohmann::json &object, const char *key,
                                 const std::string &where);
std::string requireText(const nlohmann::json &object, const char *key, const std::string &where);
// A number as a panel takes it: every digit a double holds.
std::string numberText(double value);
std::string toHex(const std::vector<std::uint8_t> &bytes);
std::vector<std::uint8_t> fromHex(const std::string &text, const std::string &where);
KeyShape keyShape(const std::string &name, const std::string &where);

// The number under key, or fallback when it is missing; whole numbers must
// be whole and within T's range.
template <typename T>
T optionalNumber(const nlohmann::json &object, const char *key, T fallback,
                 const std::string &where) {
    const auto found = object.find(key);
    if (found == object.end()) return fallback;
    if (!found->is_number())
        throw Error(where + "." + key + ": expected a number, found " + describe(*found));
    if constexpr (std::is_integral_v<T>) {
        if (!found->is_number_integer())
            throw Error(where + "." + key + ": expected a whole number, found " + describe(*found));
        // Unsigned JSON numbers above the signed range read as negative
        // through get<std::int64_t>(); check them apart.
        if (found->is_number_unsigned()
                ? found->get<std::uint64_t>() >
                      static_cast<std::uint64_t>(std::numeric_limits<T>::max())
                : found->get<std::int64_t>() < std::numeric_limits<T>::min() ||
                      found->get<std::int64_t>() > std::numeric_limits<T>::max())
            throw Error(where + "." + key + ": expected a whole number from " +
                        std::to_string(std::numeric_limits<T>::min()) + " to " +
                        std::to_string(std::numeric_limits<T>::max()) + ", found " +
                        describe(*found));
    }
    return found->get<T>();
}

}  // namespace host
