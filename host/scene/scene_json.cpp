#include "host/scene/scene_json.h"

#include <algorithm>
#include <memory>
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
    std::size_t depth() const { return frames_.size(); }
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

// Builds the document as the library's own reader does, checking each event
// first. The library's reader with a callback scans the open array at every
// object's end, which makes a list of many nodes slow to read; this one
// costs the same for every value.
class CheckedReader {
  public:
    explicit CheckedReader(const std::string &name) : name_(name), builder_(document, true) {}

    json document;

    bool null() { return value() && builder_.null(); }
    bool boolean(bool v) { return value() && builder_.boolean(v); }
    bool number_integer(json::number_integer_t v) { return value() && builder_.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) {
        return value() && builder_.number_unsigned(v);
    }
    bool number_float(json::number_float_t v, const json::string_t &text) {
        return value() && builder_.number_float(v, text);
    }
    bool string(json::string_t &v) { return value() && builder_.string(v); }
    bool binary(json::binary_t &v) { return value() && builder_.binary(v); }
    bool start_object(std::size_t size) {
        open(false);
        return builder_.start_object(size);
    }
    bool end_object() {
        open_.close();
        return builder_.end_object();
    }
    bool start_array(std::size_t size) {
        open(true);
        return builder_.start_array(size);
    }
    bool end_array() {
        open_.close();
        return builder_.end_array();
    }
    bool key(json::string_t &key) {
        if (!open_.addKey(key))
            throw Error(name_ + ": " + open_.path() + ": the key " + inQuotes(key) +
                        " appears twice in one object");
        return builder_.key(key);
    }
    // A template, as the reader's own: the error is thrown as its own type.
    template <class Exception>
    bool parse_error(std::size_t position, const std::string &token, const Exception &error) {
        return builder_.parse_error(position, token, error);
    }
    std::string path() const { return open_.path(); }

  private:
    bool value() {
        open_.elementDone();
        return true;
    }
    void open(bool array) {
        if (open_.depth() >= kMaxSceneNesting)
            throw Error(name_ + ": " + open_.path() + ": nested more than " +
                        std::to_string(kMaxSceneNesting) + " levels deep");
        open_.open(array);
    }

    const std::string &name_;
    nlohmann::detail::json_sax_dom_parser<json> builder_;
    OpenValues open_;
};

}  // namespace

json parseSceneText(const std::string &text, const std::filesystem::path &file) {
    const std::string name = file.string();
    CheckedReader reader(name);
    try {
        json::sax_parse(text, &reader, json::input_format_t::json, true,
                        /*ignore_comments=*/true);
        return std::move(reader.document);
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
            name + ":" + lineOf(text, token) + " " + reader.path() + ": " +
            (token.empty() ? what : "the number " + token + " is beyond the range of a double"));
    }
}

namespace {

// Lines of a saved scene stay within this width where they can.
constexpr std::size_t kLineWidth = 120;

// Values and keys are written by one serializer of the library's, straight
// onto the text: a scene of many nodes holds many small values.
template <class Document>
class SceneWriter {
  public:
    SceneWriter(std::string &text, const Replacement<Document> &replace)
        : text_(text),
          replace_(replace),
          out_(nlohmann::detail::output_adapter<char, std::string>(text), ' ') {}

    // The value to write for `given`: the one `replace` gives, kept in
    // `owned`, or itself.
    const Document &written(const Document &given, std::unique_ptr<const Document> &owned) const {
        if (replace_)
            if (std::optional<Document> other = replace_(given))
                owned = std::make_unique<const Document>(std::move(*other));
        return owned ? *owned : given;
    }

    void value(const Document &value) { out_.dump(value, false, false, 0); }
    void key(const std::string &key) {
        out_.dump(Document(key), false, false, 0);
        text_ += ": ";
    }
    // Appends the value on one line, or nothing and false when the text
    // would pass limit. Each level adds a character, so the recursion ends
    // within limit levels.
    bool oneLine(const Document &value, std::size_t limit) {
        const std::size_t start = text_.size();
        if (oneLineFrom(value, limit)) return true;
        text_.resize(start);
        return false;
    }

  private:
    bool oneLineFrom(const Document &given, std::size_t limit) {
        std::unique_ptr<const Document> owned;
        const Document &v = written(given, owned);
        if (!v.is_structured()) {
            value(v);
            return text_.size() <= limit;
        }
        text_ += v.is_array() ? '[' : '{';
        for (auto item = v.begin(); item != v.end(); ++item) {
            if (item != v.begin()) text_ += ", ";
            if (v.is_object()) key(item.key());
            if (text_.size() > limit || !oneLineFrom(*item, limit)) return false;
        }
        text_ += v.is_array() ? ']' : '}';
        return text_.size() <= limit;
    }

    std::string &text_;
    const Replacement<Document> &replace_;
    nlohmann::detail::serializer<Document> out_;
};

// Without recursion: node data may nest as deeply as the reader allows, and
// a saved document is walked once whatever its shape. A value `replace`
// gives another for is written as that one, which lives only while it is
// being written.
template <class Document>
std::string formatted(const Document &document, const Replacement<Document> &replace) {
    std::string text;
    SceneWriter<Document> writer(text, replace);
    struct Open {
        const Document *value;
        typename Document::const_iterator next;
        bool first;
        std::unique_ptr<const Document> owned;
    };
    std::vector<Open> open;
    // Writes a value whole on the line when it fits, or opens it and leaves
    // its items to the loop. The document itself always opens.
    auto write = [&](const Document &given, std::size_t lineStart) {
        if (!open.empty() && writer.oneLine(given, lineStart + kLineWidth)) return;
        std::unique_ptr<const Document> owned;
        const Document &value = writer.written(given, owned);
        if (!value.is_structured() || value.empty()) return writer.value(value);
        text += value.is_array() ? '[' : '{';
        open.push_back({&value, value.begin(), true, std::move(owned)});
    };
    write(document, 0);
    while (!open.empty()) {
        Open &top = open.back();
        if (top.next == top.value->end()) {
            const char close = top.value->is_array() ? ']' : '}';
            open.pop_back();
            text += '\n';
            text.append(2 * open.size(), ' ');
            text += close;
            continue;
        }
        text += top.first ? "\n" : ",\n";
        top.first = false;
        const std::size_t lineStart = text.size();
        text.append(2 * open.size(), ' ');
        const auto item = top.next++;
        if (top.value->is_object()) writer.key(item.key());
        write(*item, lineStart);
    }
    return text + '\n';
}

}  // namespace

std::string sceneText(const json &document, const Replacement<json> &replace) {
    return formatted(document, replace);
}

std::string sceneText(const nlohmann::ordered_json &document,
                      const Replacement<nlohmann::ordered_json> &replace) {
    return formatted(document, replace);
}

std::string leadingComments(const std::string &text) {
    std::string comments;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line(text.data() + at, end - at);
        const auto start = line.find_first_not_of(" \t\r");
        if (start != std::string_view::npos && line.substr(start, 2) != "//") break;
        comments.append(line);
        comments += '\n';
        at = end + 1;
    }
    // Blank lines alone are no comment worth keeping.
    return comments.find("//") == std::string::npos ? "" : comments;
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
