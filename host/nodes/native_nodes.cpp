// The table of native kinds, the entry points that make them, and the
// settings reader every kind shares.
#include "host/nodes/native_nodes.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "host/base/error.h"
#include "host/nodes/native_common.h"

namespace host {
namespace {

using nlohmann::json;

struct NativeKind {
    std::string name;
    std::function<Node &(Graph &, std::string, native::Settings &)> make;
};

const std::vector<NativeKind> &kinds() {
    using namespace native;
    static const std::vector<NativeKind> table = {
        {"Constant Scalar",
         [](Graph &g, std::string n, Settings &s) -> Node & {
             return addConstant(g, std::move(n), s, HOST_NOT_SCALAR);
         }},
        {"Constant Integer",
         [](Graph &g, std::string n, Settings &s) -> Node & {
             return addConstant(g, std::move(n), s, HOST_NOT_INTEGER);
         }},
        {"Constant Color",
         [](Graph &g, std::string n, Settings &s) -> Node & {
             return addConstant(g, std::move(n), s, HOST_NOT_COLOR);
         }},
        {"Constant Vector",
         [](Graph &g, std::string n, Settings &s) -> Node & {
             return addConstant(g, std::move(n), s, HOST_NOT_VECTOR);
         }},
        {"Function", addFunction},
        {"Spot Info", addSpotInfo},
        {"Vector Math",
         [](Graph &g, std::string n, Settings &s) -> Node & {
             return addTripleMath(g, std::move(n), s, HOST_NOT_VECTOR);
         }},
        {"Color Math",
         [](Graph &g, std::string n, Settings &s) -> Node & {
             return addTripleMath(g, std::move(n), s, HOST_NOT_COLOR);
         }},
        {"Checker", addChecker},
        {"Gradient", addGradient},
        {"Surface", addSurface},
    };
    return table;
}

// A value as error messages show it, cut short when long.
std::string describeValue(const json &value) {
    std::string text = value.dump();
    if (text.size() > 60) text = text.substr(0, 57) + "...";
    return text;
}

}  // namespace

std::vector<std::string> nativeNodeKinds() {
    std::vector<std::string> names;
    for (const NativeKind &kind : kinds())
        names.push_back(kind.name);
    return names;
}

Node &addNativeNode(Graph &graph, std::string_view kind, std::string name,
                    const nlohmann::json &settings, const std::string &where) {
    const auto &table = kinds();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [kind](const NativeKind &k) { return k.name == kind; });
    if (found == table.end())
        throw Error(where + ": unknown native node kind " + inQuotes(std::string(kind)) +
                    "; the kinds are " + native::listInQuotes(nativeNodeKinds()));
    if (!settings.is_object() && !settings.is_null())
        throw Error(where + ".settings: expected an object, found " + describeValue(settings));
    const json empty = json::object();
    native::Settings reader(settings.is_null() ? empty : settings, where, found->name);
    return found->make(graph, std::move(name), reader);
}

std::vector<NativeSetting> nativeKindSettings(std::string_view kind) {
    // What a node of the kind reads: made with its defaults, then once per
    // choice of each choice setting, as operations read settings of their own.
    auto readWith = [kind](const json &settings) {
        Graph scratch("Settings");
        const auto &table = kinds();
        const auto found = std::find_if(table.begin(), table.end(),
                                        [kind](const NativeKind &k) { return k.name == kind; });
        if (found == table.end())
            throw Error("unknown native node kind " + inQuotes(std::string(kind)) +
                        "; the kinds are " + native::listInQuotes(nativeNodeKinds()));
        native::Settings reader(settings, "settings", found->name);
        found->make(scratch, "Settings", reader);
        return reader.read();
    };
    std::vector<NativeSetting> all = readWith(json::object());
    const std::vector<NativeSetting> always = all;
    for (const NativeSetting &setting : always) {
        if (setting.type != "choice") continue;
        std::map<std::string, std::vector<std::string>> takenWith;
        for (const std::string &choice : setting.choices)
            for (const NativeSetting &read : readWith(json{{setting.name, choice}}))
                takenWith[read.name].push_back(choice);
        for (const auto &taken : takenWith) {
            // Named copies: a lambda may not capture a structured binding
            // under every compiler the host is built with.
            const std::string &name = taken.first;
            const std::vector<std::string> &choices = taken.second;
            if (choices.size() == setting.choices.size()) continue;
            std::string with = setting.name + ": ";
            for (std::size_t i = 0; i < choices.size(); ++i)
                with += (i ? ", " : "") + choices[i];
            auto at = std::find_if(all.begin(), all.end(),
                                   [&](const NativeSetting &s) { return s.name == name; });
            if (at == all.end()) {
                const auto made = readWith(json{{setting.name, choices.front()}});
                all.push_back(*std::find_if(made.begin(), made.end(), [&](const NativeSetting &s) {
                    return s.name == name;
                }));
                at = all.end() - 1;
            }
            at->onlyWith = with;
        }
    }
    return all;
}

namespace native {

std::string listInQuotes(const std::vector<std::string> &names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += inQuotes(names[i]);
    }
    return names.empty() ? "none" : text;
}

Settings::Settings(const json &settings, const std::string &where, const std::string &kind)
    : settings_(settings), where_(where), kind_(kind) {}

const json *Settings::find(const std::string &key, const char *type, json fallback,
                           const std::vector<std::string> &choices) {
    if (std::find(known_.begin(), known_.end(), key) == known_.end()) {
        known_.push_back(key);
        read_.push_back({key, type, std::move(fallback), choices, {}});
    }
    const auto found = settings_.find(key);
    return found == settings_.end() ? nullptr : &*found;
}

void Settings::fail(const std::string &key, const std::string &problem) const {
    throw Error(where_ + ".settings." + key + ": " + problem);
}

double Settings::number(const std::string &key, double fallback) {
    return number(key, fallback, "number");
}

double Settings::number(const std::string &key, double fallback, const char *type) {
    const json *value = find(key, type, fallback);
    if (!value) return fallback;
    if (!value->is_number() || !std::isfinite(value->get<double>()))
        fail(key, "expected a number, found " + describeValue(*value));
    return value->get<double>();
}

double Settings::positive(const std::string &key, double fallback) {
    const double value = number(key, fallback, "positive number");
    if (!(value > 0.0)) {
        const auto given = settings_.find(key);
        fail(key, "must be above 0, found " +
                      describeValue(given != settings_.end() ? *given : json(value)));
    }
    return value;
}

std::int32_t Settings::integer(const std::string &key, std::int32_t fallback) {
    const json *value = find(key, "integer", fallback);
    if (!value) return fallback;
    const double number = value->is_number() ? value->get<double>() : NAN;
    if (!std::isfinite(number) || number != std::floor(number) || number < -2147483648.0 ||
        number > 2147483647.0)
        fail(key, "expected a whole number from -2147483648 to 2147483647, found " +
                      describeValue(*value));
    return static_cast<std::int32_t>(number);
}

Vec3 Settings::triple(const std::string &key, const Vec3 &fallback) {
    const json *value = find(key, "triple", fallback);
    if (!value) return fallback;
    const auto finite = [](const json &v) {
        return v.is_number() && std::isfinite(v.get<double>());
    };
    if (finite(*value)) {
        const double v = value->get<double>();
        return {v, v, v};
    }
    if (!value->is_array() || value->size() != 3 ||
        !std::all_of(value->begin(), value->end(), finite))
        fail(key, "expected three numbers or one, found " + describeValue(*value));
    return {(*value)[0].get<double>(), (*value)[1].get<double>(), (*value)[2].get<double>()};
}

std::size_t Settings::word(const std::string &key, const std::vector<std::string> &words,
                           std::size_t fallback) {
    const json *value = find(key, "choice", words.at(fallback), words);
    if (!value) return fallback;
    const auto at = value->is_string()
                        ? std::find(words.begin(), words.end(), value->get<std::string>())
                        : words.end();
    if (at == words.end())
        fail(key, "unknown " + key + " " + describeValue(*value) + " for a " + inQuotes(kind_) +
                      " node; the choices are " + listInQuotes(words));
    return static_cast<std::size_t>(at - words.begin());
}

void Settings::finish() const {
    for (auto item = settings_.begin(); item != settings_.end(); ++item)
        if (std::find(known_.begin(), known_.end(), item.key()) == known_.end())
            fail(item.key(), "not a setting of this " + inQuotes(kind_) + " node (value " +
                                 describeValue(item.value()) + "); " +
                                 (known_.empty() ? std::string("it takes none")
                                                 : "its settings are " + listInQuotes(known_)));
}

double readScalar(const InputConnector &input, HostSample &sample, double fallback) {
    double value = fallback;
    evaluateInput(input, sample, &value);
    return value;
}

Vec3 readTriple(const InputConnector &input, HostSample &sample, const Vec3 &fallback) {
    Vec3 value = fallback;
    evaluateInput(input, sample, value.data());
    return value;
}

std::size_t outputIndex(const Node &node, const OutputConnector &output) {
    const auto &outputs = node.outputs();
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (outputs[i].get() == &output) return i;
    return outputs.size();
}

}  // namespace native
}  // namespace host
