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
    void open(bool array) {
        frames_.push_back(Frame{array, 0, {}, {}, array ? 0 : objects_++, false, {}});
    }
    void close() {
        Frame &top = frames_.back();
        if (top.unsorted)
            orders_.objects.emplace_back(top.ordinal,
                                         &*orders_.lists.insert(std::move(top.order)).first);
        frames_.pop_back();
        elementDone();
    }
    void elementDone() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    }
    // False when the object at the top has the key already.
    bool addKey(const std::string &key) {
        Frame &top = frames_.back();
        // Keys in sorted order so far are in the text's order too; the first
        // one out of it starts a record of the text's order.
        if (!top.unsorted && !top.keys.empty() && key < *top.keys.rbegin()) {
            top.unsorted = true;
            top.order.assign(top.keys.begin(), top.keys.end());
        }
        if (top.unsorted) top.order.push_back(key);
        top.key = key;
        return top.keys.insert(key).second;
    }
    // The objects whose keys came in another order than the sorted one, in
    // the order they began.
    TextKeyOrders takeOrders() {
        std::sort(orders_.objects.begin(), orders_.objects.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        return std::move(orders_);
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
        std::size_t ordinal;  // of an object, its place among the text's objects
        bool unsorted;
        std::vector<std::string> order;  // its keys in the text's order, once unsorted
    };
    std::vector<Frame> frames_;
    std::size_t objects_ = 0;
    TextKeyOrders orders_;
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
    TextKeyOrders takeOrders() { return open_.takeOrders(); }

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

json parseSceneText(const std::string &text, const std::filesystem::path &file,
                    TextKeyOrders *orders) {
    const std::string name = file.string();
    CheckedReader reader(name);
    try {
        json::sax_parse(text, &reader, json::input_format_t::json, true,
                        /*ignore_comments=*/true);
        if (orders) *orders = reader.takeOrders();
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
// Text is handed on in pieces of about this size, not held whole.
constexpr std::size_t kPieceSize = std::size_t{1} << 20;

using nlohmann::ordered_json;

// Values and keys are written by one serializer of the library's, straight
// onto the text: a scene of many nodes holds many small values. A document
// in memory keeps its objects' keys sorted; `order` gives the file's. Values
// `replace` gives in place of a document's own come in the order they are
// to be written in, and are written by a formatter of their own kind.
template <class Document>
class Formatter {
  public:
    Formatter(std::string &text, const TextSink *sink, const KeyOrder *order,
              const OrderedReplacement *replace)
        : text_(text),
          sink_(sink),
          order_(order),
          replace_(replace && *replace ? replace : nullptr),
          out_(nlohmann::detail::output_adapter<char, std::string>(text), ' ') {}

    // Writes a value whose line is indented `depth` levels and began at
    // `lineStart`: whole on the line where it fits (unless `opens`), else
    // one item a line. Without recursion: node data may nest as deeply as
    // the reader allows, and a document is walked once whatever its shape.
    void write(const Document &document, std::size_t depth, std::size_t lineStart, bool opens) {
        std::vector<Items> open;
        // Writes an item whole, or opens it and leaves its items to the loop.
        auto item = [&](const Document &given, std::size_t start, bool mayFit) {
            if (std::optional<ordered_json> other = replacement(given)) {
                Formatter<ordered_json>(text_, sink_, nullptr, nullptr)
                    .write(*other, depth + open.size(), start, !mayFit);
                return;
            }
            if (mayFit && oneLine(given, start + kLineWidth)) return;
            if (!given.is_structured() || given.empty()) return value(given);
            text_ += given.is_array() ? '[' : '{';
            open.push_back(itemsOf(given));
        };
        item(document, lineStart, !opens);
        while (!open.empty()) {
            // Between items nothing is taken back: the text so far may go.
            if (sink_ && text_.size() >= kPieceSize) {
                (*sink_)(text_);
                text_.clear();
            }
            Items &top = open.back();
            if (top.done()) {
                const char close = top.value->is_array() ? ']' : '}';
                open.pop_back();
                text_ += '\n';
                text_.append(2 * (depth + open.size()), ' ');
                text_ += close;
                continue;
            }
            text_ += top.first ? "\n" : ",\n";
            top.first = false;
            const std::size_t start = text_.size();
            text_.append(2 * (depth + open.size()), ' ');
            const auto [key, next] = top.take();
            if (key) this->key(*key);
            item(*next, start, true);
        }
    }

  private:
    // An object's or array's items in the order they are written.
    struct Items {
        const Document *value;
        typename Document::const_iterator next;  // in the order kept
        const std::vector<std::string> *keys;    // or in this one
        std::size_t index = 0;
        bool first = true;

        bool done() const { return keys ? index == keys->size() : next == value->end(); }
        // The next item, with its key in an object.
        std::pair<const std::string *, const Document *> take() {
            if (keys) {
                const std::string &key = (*keys)[index++];
                return {&key, &*value->find(key)};
            }
            const auto at = next++;
            return {value->is_object() ? &at.key() : nullptr, &*at};
        }
    };
    Items itemsOf(const Document &value) const {
        const std::vector<std::string> *keys = nullptr;
        if constexpr (std::is_same_v<Document, nlohmann::json>)
            if (order_ && value.is_object()) keys = order_->of(value);
        return {&value, value.begin(), keys};
    }

    std::optional<ordered_json> replacement(const Document &value) const {
        if constexpr (std::is_same_v<Document, nlohmann::json>)
            if (replace_) return (*replace_)(value);
        return std::nullopt;
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
    bool oneLineFrom(const Document &given, std::size_t limit) {
        if (std::optional<ordered_json> other = replacement(given))
            return Formatter<ordered_json>(text_, nullptr, nullptr, nullptr)
                .oneLineFrom(*other, limit);
        if (!given.is_structured()) {
            value(given);
            return text_.size() <= limit;
        }
        text_ += given.is_array() ? '[' : '{';
        for (Items items = itemsOf(given); !items.done();) {
            if (!items.first) text_ += ", ";
            items.first = false;
            const auto [key, next] = items.take();
            if (key) this->key(*key);
            if (text_.size() > limit || !oneLineFrom(*next, limit)) return false;
        }
        text_ += given.is_array() ? ']' : '}';
        return text_.size() <= limit;
    }

    template <class>
    friend class Formatter;

    std::string &text_;
    const TextSink *sink_;
    const KeyOrder *order_;
    const OrderedReplacement *replace_;
    nlohmann::detail::serializer<Document> out_;
};

}  // namespace

void writeSceneText(const json &document, const KeyOrder &order, const OrderedReplacement &replace,
                    const TextSink &sink) {
    std::string text;
    Formatter<json>(text, &sink, &order, &replace).write(document, 0, 0, true);
    text += '\n';
    sink(text);
}

std::string sceneText(const ordered_json &document) {
    std::string text;
    Formatter<ordered_json>(text, nullptr, nullptr, nullptr).write(document, 0, 0, true);
    text += '\n';
    return text;
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
