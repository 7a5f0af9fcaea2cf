// The text form: one node's items as a JSON array. Each item is an object
// tagged by its kind ({"i2": -5}, {"dp": [0.5, 1.0]}, {"str": "x"}); a block is
// {"block": token, "items": [...]}. Finite reals are plain JSON numbers, which
// reload to the same bits; NaN and infinities, which JSON has no numbers for,
// are written as their bit patterns ("0x7ff8000000000000").
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "host/io/io_state_items.h"

namespace host {
namespace {

using io::Item;
using io::Kind;
using nlohmann::json;

constexpr Kind kValueKinds[] = {Kind::I1, Kind::I2, Kind::I4, Kind::FP, Kind::DP, Kind::Str};

const char *shapeName(KeyShape shape) {
    switch (shape) {
        case KeyShape::Stepped:
            return "stepped";
        case KeyShape::Linear:
            return "linear";
        case KeyShape::Smooth:
            return "smooth";
    }
    return "linear";
}

// ---- Writing ----

template <class Bits, class Real>
json bitPattern(Real value) {
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*" PRIx64, static_cast<int>(2 * sizeof bits),
                  static_cast<std::uint64_t>(bits));
    return text;
}

json realJson(double value) {
    return std::isfinite(value) ? json(value) : bitPattern<std::uint64_t>(value);
}

json realJson(float value) {
    // A float widens exactly, and the double's shortest text reloads exactly.
    return std::isfinite(value) ? json(static_cast<double>(value))
                                : bitPattern<std::uint32_t>(value);
}

template <class T>
json valuesJson(const std::vector<T> &values) {
    auto one = [](const T &value) {
        if constexpr (std::is_floating_point_v<T>)
            return realJson(value);
        else
            return json(value);
    };
    if (values.size() == 1) return one(values[0]);
    json array = json::array();
    for (const T &value : values)
        array.push_back(one(value));
    return array;
}

json envelopeJson(const EnvelopeData &envelope) {
    json channels = json::array();
    for (const ChannelData &channel : envelope.channels) {
        json keys = json::array();
        for (const EnvelopeKey &key : channel.keys)
            keys.push_back({{"time", realJson(key.time)},
                            {"value", realJson(key.value)},
                            {"shape", shapeName(key.shape)}});
        channels.push_back({{"value", realJson(channel.value)}, {"keys", std::move(keys)}});
    }
    return {{"type", envelope.envType}, {"channels", std::move(channels)}};
}

json itemsJson(const std::vector<Item> &items) {
    json array = json::array();
    for (const Item &item : items) {
        const char *tag = io::kindName(item.kind);
        switch (item.kind) {
            case Kind::I1:
            case Kind::I2:
            case Kind::I4:
                array.push_back({{tag, valuesJson(item.ints)}});
                break;
            case Kind::FP:
                array.push_back({{tag, valuesJson(item.floats)}});
                break;
            case Kind::DP:
                array.push_back({{tag, valuesJson(item.doubles)}});
                break;
            case Kind::Str:
                array.push_back({{tag, item.text}});
                break;
            case Kind::Envelope:
                array.push_back({{tag, envelopeJson(item.envelope)}});
                break;
            case Kind::Block:
                array.push_back({{tag, item.text}, {"items", itemsJson(item.children)}});
                break;
            case Kind::Corrupt:
                break;  // never written: only a reader makes these
        }
    }
    return array;
}

// ---- Reading ----

// A malformed item: the reader reports it, with its place, when it gets there.
struct Malformed {
    std::string reason;
};

[[noreturn]] void malformed(std::string reason) {
    throw Malformed{std::move(reason)};
}

std::int32_t intValue(const json &value, Kind kind) {
    std::int64_t minimum = std::numeric_limits<std::int32_t>::min();
    std::int64_t maximum = std::numeric_limits<std::int32_t>::max();
    if (kind == Kind::I1) minimum = -128, maximum = 127;
    if (kind == Kind::I2) minimum = -32768, maximum = 32767;
    const char *tag = io::kindName(kind);
    if (!value.is_number_integer()) malformed(std::string(tag) + " value is not an integer");
    if (value.is_number_unsigned()
            ? value.get<std::uint64_t>() > std::uint64_t(maximum)
            : value.get<std::int64_t>() < minimum || value.get<std::int64_t>() > maximum)
        malformed(std::string(tag) + " value " + value.dump() + " out of range");
    return static_cast<std::int32_t>(value.get<std::int64_t>());
}

template <class Bits, class Real>
Real fromBitPattern(const std::string &text, const char *tag) {
    const std::size_t digits = 2 * sizeof(Bits);
    bool valid = text.size() == digits + 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::uint64_t bits = 0;
    for (std::size_t i = 2; valid && i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        valid = digit >= 0;
        bits = bits << 4 | static_cast<std::uint64_t>(digit);
    }
    if (!valid)
        malformed(std::string(tag) + " value \"" + text + "\" is neither a number nor a " +
                  std::to_string(digits) + "-digit bit pattern");
    const auto narrow = static_cast<Bits>(bits);
    Real value;
    std::memcpy(&value, &narrow, sizeof value);
    return value;
}

double doubleValue(const json &value, const char *tag = "dp") {
    if (value.is_string())
        return fromBitPattern<std::uint64_t, double>(value.get<std::string>(), tag);
    if (!value.is_number()) malformed(std::string(tag) + " value is not a number");
    return value.get<double>();
}

float floatValue(const json &value) {
    if (value.is_string())
        return fromBitPattern<std::uint32_t, float>(value.get<std::string>(), "fp");
    const double wide = doubleValue(value, "fp");
    if (std::fabs(wide) > std::numeric_limits<float>::max())
        malformed("fp value " + value.dump() + " out of range");
    return static_cast<float>(wide);
}

// One value or an array of them.
template <class Parse>
void eachValue(const json &values, Parse parse) {
    if (values.is_array()) {
        for (const json &value : values)
            parse(value);
    } else {
        parse(values);
    }
}

const json &member(const json &object, const char *name, const char *what) {
    if (!object.is_object() || !object.contains(name))
        malformed(std::string(what) + " has no \"" + name + "\"");
    return object[name];
}

EnvelopeData envelopeValue(const json &value) {
    EnvelopeData envelope;
    const json &type = member(value, "type", "envelope");
    if (!type.is_number_integer()) malformed("envelope type is not an integer");
    envelope.envType = intValue(type, Kind::I4);
    const json &channels = member(value, "channels", "envelope");
    if (!channels.is_array()) malformed("envelope channels are not a list");
    for (const json &channel : channels) {
        ChannelData data;
        data.value = doubleValue(member(channel, "value", "envelope channel"), "channel");
        const json &keys = member(channel, "keys", "envelope channel");
        if (!keys.is_array()) malformed("envelope keys are not a list");
        for (const json &key : keys) {
            EnvelopeKey parsed;
            parsed.time = doubleValue(member(key, "time", "envelope key"), "key time");
            // Keys are sorted by time, which NaN has no place in.
            if (std::isnan(parsed.time)) malformed("envelope key time is NaN");
            parsed.value = doubleValue(member(key, "value", "envelope key"), "key value");
            const json &shape = member(key, "shape", "envelope key");
            if (shape == "stepped")
                parsed.shape = KeyShape::Stepped;
            else if (shape == "linear")
                parsed.shape = KeyShape::Linear;
            else if (shape == "smooth")
                parsed.shape = KeyShape::Smooth;
            else
                malformed("unknown envelope key shape " + shape.dump());
            data.keys.push_back(parsed);
        }
        envelope.channels.push_back(std::move(data));
    }
    return envelope;
}

std::vector<Item> itemsFrom(const json &items, int depth);

Item itemFrom(const json &value, int depth) {
    Item item;
    if (!value.is_object() || value.empty()) malformed("text item is not a tagged object");
    if (value.contains("block")) {
        const json &token = value["block"];
        if (!token.is_string()) malformed("block token is not a string");
        if (depth >= io::kMaxBlockDepth)
            malformed("blocks nested deeper than " + std::to_string(io::kMaxBlockDepth));
        item.kind = Kind::Block;
        item.text = token.get<std::string>();
        item.children = itemsFrom(member(value, "items", "block"), depth + 1);
        return item;
    }
    if (value.size() != 1) malformed("text item has more than one tag");
    const std::string tag = value.begin().key();
    const json &content = value.begin().value();
    if (tag == "envelope") {
        item.kind = Kind::Envelope;
        item.envelope = envelopeValue(content);
        return item;
    }
    for (Kind kind : kValueKinds) {
        if (tag != io::kindName(kind)) continue;
        item.kind = kind;
        if (kind == Kind::Str) {
            if (!content.is_string()) malformed("str value is not a string");
            item.text = content.get<std::string>();
        } else if (kind == Kind::FP) {
            eachValue(content, [&](const json &one) { item.floats.push_back(floatValue(one)); });
        } else if (kind == Kind::DP) {
            eachValue(content, [&](const json &one) { item.doubles.push_back(doubleValue(one)); });
        } else {
            eachValue(content, [&](const json &one) { item.ints.push_back(intValue(one, kind)); });
        }
        return item;
    }
    malformed("unknown item tag \"" + tag + "\"");
}

Item corruptItem(std::string reason) {
    Item corrupt;
    corrupt.text = std::move(reason);
    return corrupt;
}

std::vector<Item> itemsFrom(const json &items, int depth) {
    std::vector<Item> parsed;
    if (!items.is_array()) {
        parsed.push_back(corruptItem("text data is not a list of items"));
        return parsed;
    }
    for (const json &value : items) {
        try {
            parsed.push_back(itemFrom(value, depth));
        } catch (const Malformed &error) {
            // Later items are not trusted either: reading stops at this one.
            parsed.push_back(corruptItem(error.reason));
            break;
        } catch (const json::exception &error) {
            parsed.push_back(corruptItem(std::string("text item: ") + error.what()));
            break;
        }
    }
    return parsed;
}

}  // namespace

// ---- Save state ----

struct TextSaveState::Impl {
    io::SaveCore core;
    static io::SaveCore &of(void *data) {
        return static_cast<TextSaveState *>(static_cast<SaveState *>(data))->impl_->core;
    }
};

TextSaveState::TextSaveState() : impl_(std::make_unique<Impl>()) {
    impl_->core.table = io::saveTable<Impl>(HOST_IO_TEXT, this);
}

TextSaveState::~TextSaveState() = default;

const HostSaveState *TextSaveState::api() {
    return &impl_->core.table;
}

void TextSaveState::writeEnvelope(const EnvelopeData &envelope) {
    io::detail::writeEnvelope(impl_->core.writer, envelope);
}

const std::string &TextSaveState::failure() const {
    return impl_->core.writer.failure();
}

nlohmann::json TextSaveState::items() const {
    const io::ItemWriter &writer = impl_->core.writer;
    if (!writer.failure().empty()) throw DataError(writer.failure());
    return itemsJson(writer.items());
}

// ---- Load state ----

struct TextLoadState::Impl {
    explicit Impl(const json &items) : core(itemsFrom(items, 0), HOST_IO_TEXT) {}
    io::LoadCore core;
    static io::LoadCore &of(void *data) {
        return static_cast<TextLoadState *>(static_cast<LoadState *>(data))->impl_->core;
    }
};

TextLoadState::TextLoadState(nlohmann::json items) : impl_(std::make_unique<Impl>(items)) {
    impl_->core.table = io::loadTable<Impl>(HOST_IO_TEXT, this);
}

TextLoadState::~TextLoadState() = default;

const HostLoadState *TextLoadState::api() {
    return &impl_->core.table;
}

bool TextLoadState::readEnvelope(EnvelopeData &envelope) {
    return impl_->core.reader.readEnvelope(envelope);
}

const std::string &TextLoadState::error() const {
    return impl_->core.reader.error();
}

// ---- Mapping a table back to its state ----

SaveState &saveStateOf(const HostSaveState *api) {
    if (!api || !api->writeData) throw DataError("no save state");
    return *static_cast<SaveState *>(api->writeData);
}

LoadState &loadStateOf(const HostLoadState *api) {
    if (!api || !api->readData) throw DataError("no load state");
    return *static_cast<LoadState *>(api->readData);
}

}  // namespace host
