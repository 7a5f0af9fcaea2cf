#include "host/io/io_state_items.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

namespace host::io {

const char *kindName(Kind kind) {
    switch (kind) {
        case Kind::I1:
            return "i1";
        case Kind::I2:
            return "i2";
        case Kind::I4:
            return "i4";
        case Kind::FP:
            return "fp";
        case Kind::DP:
            return "dp";
        case Kind::Str:
            return "str";
        case Kind::Envelope:
            return "envelope";
        case Kind::Block:
            return "block";
        case Kind::Corrupt:
            break;
    }
    return "corrupt data";
}

std::size_t Item::valueCount() const {
    switch (kind) {
        case Kind::I1:
        case Kind::I2:
        case Kind::I4:
            return ints.size();
        case Kind::FP:
            return floats.size();
        case Kind::DP:
            return doubles.size();
        default:
            return 1;
    }
}

std::string idText(std::uint32_t id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<char>((id >> shift) & 0xffu);
        if (c < 0x20 || c > 0x7e) {
            char hex[11];
            std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(id));
            return hex;
        }
        text += c;
    }
    return text;
}

// ---- Writing ----

void ItemWriter::add(Item item) {
    level().push_back(std::move(item));
}

void ItemWriter::begin(const HostBlockIdent *ident, int mode) {
    Item block;
    block.kind = Kind::Block;
    if (ident) {
        block.id = ident->id;
        // A text scene names the block by its token; without one, by the
        // identifier's characters, which is what a reader looks for then.
        if (mode == HOST_IO_TEXT) block.text = ident->token ? ident->token : idText(ident->id);
    }
    std::vector<Item> &items = level();
    items.push_back(std::move(block));
    open_.push_back(&items.back());
}

void ItemWriter::end() {
    if (open_.empty())
        noteFailure("a block ended that was not begun");
    else
        open_.pop_back();
}

void ItemWriter::noteFailure(const char *what) {
    if (failure_.empty())
        failure_ = std::string("save state: ") + what + " at item " +
                   std::to_string(level().size()) + " of " +
                   (open_.empty() ? std::string("the top level") : "a block");
}

namespace detail {
namespace {

template <class Fill>
void addItem(ItemWriter &writer, Kind kind, Fill fill) {
    try {
        Item item;
        item.kind = kind;
        fill(item);
        writer.add(std::move(item));
    } catch (const std::exception &e) {
        writer.noteFailure(e.what());
    }
}

}  // namespace

// Empty writes leave no item: an item of no values would only make the
// reader's counts harder to follow.
void writeChars(ItemWriter &writer, const char *values, int count) {
    if (!values || count <= 0) return;
    addItem(writer, Kind::I1, [&](Item &item) {
        for (int i = 0; i < count; ++i)
            item.ints.push_back(static_cast<signed char>(values[i]));
    });
}

void writeI2(ItemWriter &writer, const std::int16_t *values, int count) {
    if (!values || count <= 0) return;
    addItem(writer, Kind::I2, [&](Item &item) { item.ints.assign(values, values + count); });
}

void writeI4(ItemWriter &writer, const std::int32_t *values, int count) {
    if (!values || count <= 0) return;
    addItem(writer, Kind::I4, [&](Item &item) { item.ints.assign(values, values + count); });
}

void writeFloats(ItemWriter &writer, const float *values, int count) {
    if (!values || count <= 0) return;
    addItem(writer, Kind::FP, [&](Item &item) { item.floats.assign(values, values + count); });
}

void writeDoubles(ItemWriter &writer, const double *values, int count) {
    if (!values || count <= 0) return;
    addItem(writer, Kind::DP, [&](Item &item) { item.doubles.assign(values, values + count); });
}

// A null text is saved as an empty string, so that the reader still finds
// the item it expects in its place.
void writeString(ItemWriter &writer, const char *text) {
    addItem(writer, Kind::Str, [&](Item &item) { item.text = text ? text : ""; });
}

void writeEnvelope(ItemWriter &writer, const EnvelopeData &envelope) {
    addItem(writer, Kind::Envelope, [&](Item &item) { item.envelope = envelope; });
}

// Nothing in either form depends on a block being a leaf, so the flag is not
// stored: a reader finds and skips both kinds alike.
void beginBlock(ItemWriter &writer, const HostBlockIdent *ident, int /*leaf*/, int mode) {
    try {
        writer.begin(ident, mode);
    } catch (const std::exception &e) {
        writer.noteFailure(e.what());
    }
}

void endBlock(ItemWriter &writer) {
    writer.end();
}

}  // namespace detail

// ---- Reading ----

ItemReader::ItemReader(std::vector<Item> items, int mode) : root_(std::move(items)), mode_(mode) {
    frames_.push_back(Frame{&root_, 0, 0, {}});
}

const Item *ItemReader::current() const {
    const Frame &frame = frames_.back();
    return frame.index < frame.items->size() ? &(*frame.items)[frame.index] : nullptr;
}

void ItemReader::advance() {
    Frame &frame = frames_.back();
    ++frame.index;
    frame.offset = 0;
}

std::string ItemReader::where() const {
    const Frame &frame = frames_.back();
    std::string text = "item " + std::to_string(frame.index);
    if (frames_.size() == 1) return text + " of the top level";
    text += " of block ";
    for (std::size_t i = 1; i < frames_.size(); ++i) {
        if (i > 1) text += '/';
        text += "\"" + frames_[i].name + "\"";
    }
    return text;
}

void ItemReader::fail(const std::string &what) {
    if (error_.empty()) error_ = what;
}

void ItemReader::mismatch(const char *wanted) {
    const Item *item = current();
    if (!item)
        fail(std::string("expected ") + wanted + ", found the end of the data at " + where());
    else if (item->kind == Kind::Corrupt)
        fail(item->text + " at " + where());
    else
        fail(std::string("expected ") + wanted + ", found " + kindName(item->kind) + " at " +
             where());
}

template <class Out, class Get>
int ItemReader::readValues(Kind kind, Out *values, int count, Get get) {
    if (!error_.empty() || !values || count <= 0) return -1;
    int read = 0;
    // One read may span several items of its kind; it stops short at the end
    // of the block or at an item of another kind, which the next read meets.
    while (read < count) {
        const Item *item = current();
        if (!item || item->kind != kind) break;
        Frame &frame = frames_.back();
        const std::size_t available = item->valueCount() - frame.offset;
        const std::size_t taken = std::min(available, static_cast<std::size_t>(count - read));
        for (std::size_t i = 0; i < taken; ++i) {
            if (!get(*item, frame.offset + i, values[read + static_cast<int>(i)])) return -1;
        }
        read += static_cast<int>(taken);
        frame.offset += taken;
        if (frame.offset == item->valueCount()) advance();
    }
    if (read > 0) return read;
    const Item *item = current();
    if (item) mismatch(kindName(kind));
    return -1;
}

int ItemReader::readChars(char *values, int count) {
    return readValues(Kind::I1, values, count, [](const Item &item, std::size_t i, char &out) {
        out = static_cast<char>(item.ints[i]);
        return true;
    });
}

int ItemReader::readI2(std::int16_t *values, int count) {
    return readValues(Kind::I2, values, count,
                      [](const Item &item, std::size_t i, std::int16_t &out) {
                          out = static_cast<std::int16_t>(item.ints[i]);
                          return true;
                      });
}

int ItemReader::readI4(std::int32_t *values, int count) {
    return readValues(Kind::I4, values, count,
                      [](const Item &item, std::size_t i, std::int32_t &out) {
                          out = item.ints[i];
                          return true;
                      });
}

int ItemReader::readFloats(float *values, int count) {
    return readValues(Kind::FP, values, count, [](const Item &item, std::size_t i, float &out) {
        out = item.floats[i];
        return true;
    });
}

int ItemReader::readDoubles(double *values, int count) {
    return readValues(Kind::DP, values, count, [](const Item &item, std::size_t i, double &out) {
        out = item.doubles[i];
        return true;
    });
}

int ItemReader::readString(char *buffer, int max) {
    if (!error_.empty() || !buffer || max <= 0) return -1;
    const Item *item = current();
    if (!item) return -1;
    if (item->kind != Kind::Str) {
        mismatch("str");
        return -1;
    }
    // A string longer than the buffer is cut; the item is used up either way.
    const std::size_t length = std::min(item->text.size(), static_cast<std::size_t>(max - 1));
    std::memcpy(buffer, item->text.data(), length);
    buffer[length] = '\0';
    advance();
    return static_cast<int>(length);
}

bool ItemReader::readEnvelope(EnvelopeData &envelope) {
    if (!error_.empty()) return false;
    const Item *item = current();
    if (!item || item->kind != Kind::Envelope) {
        mismatch("envelope");
        return false;
    }
    try {
        envelope = item->envelope;
    } catch (const std::exception &e) {
        fail(std::string("envelope: ") + e.what() + " at " + where());
        return false;
    }
    advance();
    return true;
}

bool ItemReader::matches(const Item &block, const HostBlockIdent &entry) const {
    if (mode_ == HOST_IO_TEXT)
        return block.text == (entry.token ? std::string(entry.token) : idText(entry.id));
    return block.id == entry.id;
}

std::uint32_t ItemReader::findBlock(const HostBlockIdent *list) {
    if (!error_.empty() || !list) return 0;
    try {
        // Everything before the next wanted block is skipped, items and
        // unknown blocks alike (a newer version's additions).
        for (const Item *item = current(); item; item = current()) {
            if (item->kind == Kind::Corrupt) {
                fail(item->text + " at " + where());
                return 0;
            }
            if (item->kind == Kind::Block) {
                for (const HostBlockIdent *entry = list; entry->id != 0; ++entry) {
                    if (!matches(*item, *entry)) continue;
                    advance();
                    frames_.push_back(Frame{&item->children, 0, 0,
                                            mode_ == HOST_IO_TEXT ? item->text : idText(item->id)});
                    return entry->id;
                }
            }
            advance();
        }
    } catch (const std::exception &e) {
        fail(std::string("block search: ") + e.what() + " at " + where());
    }
    return 0;
}

void ItemReader::endBlock() {
    // The enclosing level's cursor already stands past the block, so leaving
    // it skips whatever the loader did not read.
    if (frames_.size() > 1)
        frames_.pop_back();
    else if (error_.empty())
        fail("a block ended that was not found, at " + where());
}

}  // namespace host::io
