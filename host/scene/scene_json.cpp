#include "host/scene/scene_json.h"

#include <algorithm>
#include <set>
#include <vector>

#include "host/base/error.h"

namespace host {
namespace {

using nlohmann::json;

// Where the parser stands: one frame per open object or array, for the key
// path in messages and for the keys an object already has.
class OpenValues {
  public:
    void open(bool array) { frames_.push_back(Frame{array, 0, {}, {}}); }
    void close() {
        frames_.pop_back();
        elementDone();
    }
    void elementDone() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    }
    // False when the object at the top has the key already.
    bool addKey(const std::string &key) {
        Frame &top = frames_.back();
        top.key = key;
        return top.keys.insert(key).second;
    }
    std::string path() const {
        std::string text;
        for (const Frame &frame : frames_) {
            if (frame.array)
                text += "[" + std::to_string(frame.index) + "]";
            else if (!frame.key.empty())
                text += (text.empty() ? "" : ".") + frame.key;
        }
        // Deep nesting would make a path of thousands of "[0]".
        if (text.size() > 100) text = text.substr(0, 97) + "...";
        return text.empty() ? "(top level)" : text;
    }

  private:
    struct Frame {
        bool array;
        std::size_t index;
        std::string key;
        std::set<std::string> keys;
    };
    std::vector<Frame> frames_;
};

// The line of the first place the text holds `token`, for errors the parser
// reports without a position.
std::string lineOf(const std::string &text, const std::string &token) {
    const auto at = text.find(token);
    if (token.empty() || at == std::string::npos) return "";
    return std::to_string(1 +
                          std::count(text.begin(), text.begin() + static_cast<long>(at), '\n')) +
           ":";
}

}  // namespace

json parseSceneText(const std::string &text, const std::filesystem::path &file) {
    const std::string name = file.string();
    OpenValues open;
    auto check = [&](int depth, json::parse_event_t event, json &parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
            case json::parse_event_t::array_start:
                if (depth >= kMaxSceneNesting)
                    throw Error(name + ": " + open.path() + ": nested more than " +
                                std::to_string(kMaxSceneNesting) + " levels deep");
                open.open(event == json::parse_event_t::array_start);
                break;
            case json::parse_event_t::object_end:
            case json::parse_event_t::array_end:
                open.close();
                break;
            case json::parse_event_t::key:
                if (!open.addKey(parsed.get<std::string>()))
                    throw Error(name + ": " + open.path() + ": the key " +
                                inQuotes(parsed.get<std::string>()) +
                                " appears twice in one object");
                break;
            case json::parse_event_t::value:
                open.elementDone();
                break;
        }
        return true;
    };
    try {
        return json::parse(text, check, true, /*ignore_comments=*/true);
    } catch (const json::parse_error &error) {
        // The parser reports the byte offset; turn it into a line.
        const std::size_t at = std::min<std::size_t>(error.byte, text.size());
        const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n');
        throw Error(name + ":" + std::to_string(line) + ": not valid JSON: " + error.what());
    } catch (const json::exception &error) {
        // A number too large for a double; the message quotes it.
        const std::string what = error.what();
        const auto quote = what.find('\'');
        const std::string token =
            quote == std::string::npos
                ? ""
                : what.substr(quote + 1, what.find('\'', quote + 1) - quote - 1);
        throw Error(
            name + ":" + lineOf(text, token) + " " + open.path() + ": " +
            (token.empty() ? what : "the number " + token + " is beyond the range of a double"));
    }
}

int nestingDepth(const json &document) {
    int deepest = 0;
    std::vector<std::pair<const json *, int>> pending{{&document, 0}};
    while (!pending.empty()) {
        const auto [value, depth] = pending.back();
        pending.pop_back();
        if (!value->is_structured()) continue;
        deepest = std::max(deepest, depth + 1);
        for (const json &child : *value)
            pending.emplace_back(&child, depth + 1);
    }
    return deepest;
}

}  // namespace host
