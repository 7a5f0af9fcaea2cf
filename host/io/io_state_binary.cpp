// The binary form: big-endian items, each a kind byte and its payload.
//
//   i1, i2, i4, fp, dp   kind, u32 count, count values (reals as IEEE bits)
//   str                  kind, u32 length, the bytes
//   envelope             kind, u32 length, then: i32 type, u32 channels, and
//                        per channel f64 value, u32 keys, per key f64 time,
//                        f64 value, u8 shape
//   block                kind, u32 identifier, u32 length, the items inside
//
// Every item declares its size before its content, so a reader skips blocks
// it does not know and finds truncated data before reading past it.
#include <cmath>
#include <cstring>
#include <limits>

#include "host/io/io_state_items.h"

namespace host {
namespace {

using io::Item;
using io::Kind;

// ---- Writing ----

class Bytes {
  public:
    void u8(std::uint8_t value) { data_.push_back(value); }
    void u16(std::uint16_t value) { be(value, 2); }
    void u32(std::uint32_t value) { be(value, 4); }
    void u64(std::uint64_t value) { be(value, 8); }
    void f32(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        u32(bits);
    }
    void f64(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        u64(bits);
    }
    void text(const std::string &value) { data_.insert(data_.end(), value.begin(), value.end()); }
    void size(std::size_t value) {
        if (value > std::numeric_limits<std::uint32_t>::max())
            throw DataError("binary save state: an item of " + std::to_string(value) +
                            " bytes or values is too large");
        u32(static_cast<std::uint32_t>(value));
    }

    // A length field to fill in once what it measures is written.
    std::size_t reserveLength() {
        const std::size_t at = data_.size();
        u32(0);
        return at;
    }
    void fillLength(std::size_t at) {
        const std::size_t length = data_.size() - at - 4;
        if (length > std::numeric_limits<std::uint32_t>::max())
            throw DataError("binary save state: a block of " + std::to_string(length) +
                            " bytes is too large");
        for (int i = 0; i < 4; ++i)
            data_[at + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }

    std::vector<std::uint8_t> take() { return std::move(data_); }

  private:
    void be(std::uint64_t value, int bytes) {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
            data_.push_back(static_cast<std::uint8_t>(value >> shift));
    }

    std::vector<std::uint8_t> data_;
};

void writeEnvelope(Bytes &out, const EnvelopeData &envelope) {
    out.u32(static_cast<std::uint32_t>(envelope.envType));
    out.size(envelope.channels.size());
    for (const ChannelData &channel : envelope.channels) {
        out.f64(channel.value);
        out.size(channel.keys.size());
        for (const EnvelopeKey &key : channel.keys) {
            out.f64(key.time);
            out.f64(key.value);
            out.u8(static_cast<std::uint8_t>(key.shape));
        }
    }
}

void writeItems(Bytes &out, const std::vector<Item> &items) {
    for (const Item &item : items) {
        if (item.kind == Kind::Corrupt) continue;  // only a reader makes these
        out.u8(static_cast<std::uint8_t>(item.kind));
        switch (item.kind) {
            case Kind::I1:
                out.size(item.ints.size());
                for (std::int32_t value : item.ints)
                    out.u8(static_cast<std::uint8_t>(value));
                break;
            case Kind::I2:
                out.size(item.ints.size());
                for (std::int32_t value : item.ints)
                    out.u16(static_cast<std::uint16_t>(value));
                break;
            case Kind::I4:
                out.size(item.ints.size());
                for (std::int32_t value : item.ints)
                    out.u32(static_cast<std::uint32_t>(value));
                break;
            case Kind::FP:
                out.size(item.floats.size());
                for (float value : item.floats)
                    out.f32(value);
                break;
            case Kind::DP:
                out.size(item.doubles.size());
                for (double value : item.doubles)
                    out.f64(value);
                break;
            case Kind::Str:
                out.size(item.text.size());
                out.text(item.text);
                break;
            case Kind::Envelope: {
                const std::size_t length = out.reserveLength();
                writeEnvelope(out, item.envelope);
                out.fillLength(length);
                break;
            }
            case Kind::Block: {
                out.u32(item.id);
                const std::size_t length = out.reserveLength();
                writeItems(out, item.children);
                out.fillLength(length);
                break;
            }
            case Kind::Corrupt:
                break;
        }
    }
}

// ---- Reading ----

// A bounded view of the bytes; every read checks what is left first.
class Reader {
  public:
    Reader(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    std::size_t left() const { return size_ - pos_; }
    std::size_t position() const { return pos_; }
    bool has(std::uint64_t bytes) const { return bytes <= left(); }

    std::uint64_t be(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | data_[pos_++];
        return value;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(be(1)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(be(4)); }
    float f32() {
        const auto bits = static_cast<std::uint32_t>(be(4));
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    double f64() {
        const std::uint64_t bits = be(8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    Reader sub(std::size_t length) {
        Reader inner(data_ + pos_, length);
        pos_ += length;
        return inner;
    }
    std::string text(std::size_t length) {
        std::string value(reinterpret_cast<const char *>(data_ + pos_), length);
        pos_ += length;
        return value;
    }

  private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

struct MalformedBinary {
    std::string reason;
};

[[noreturn]] void malformedBinary(std::string reason) {
    throw MalformedBinary{std::move(reason)};
}

void need(const Reader &in, std::uint64_t bytes, const char *what) {
    if (!in.has(bytes))
        malformedBinary(std::string("truncated data: ") + what + " needs " + std::to_string(bytes) +
                        " bytes, " + std::to_string(in.left()) + " left");
}

EnvelopeData readEnvelope(Reader in) {
    EnvelopeData envelope;
    need(in, 8, "envelope header");
    envelope.envType = static_cast<std::int32_t>(in.u32());
    const std::uint32_t channels = in.u32();
    // Sizes are checked against the bytes there before anything is reserved.
    need(in, std::uint64_t(channels) * 12, "envelope channels");
    for (std::uint32_t c = 0; c < channels; ++c) {
        ChannelData channel;
        need(in, 12, "envelope channel");
        channel.value = in.f64();
        const std::uint32_t keys = in.u32();
        need(in, std::uint64_t(keys) * 17, "envelope keys");
        channel.keys.reserve(keys);
        for (std::uint32_t k = 0; k < keys; ++k) {
            EnvelopeKey key;
            key.time = in.f64();
            // Keys are sorted by time, which NaN has no place in.
            if (std::isnan(key.time)) malformedBinary("envelope key time is NaN");
            key.value = in.f64();
            const std::uint8_t shape = in.u8();
            if (shape > static_cast<std::uint8_t>(KeyShape::Smooth))
                malformedBinary("unknown envelope key shape " + std::to_string(shape));
            key.shape = static_cast<KeyShape>(shape);
            channel.keys.push_back(key);
        }
        envelope.channels.push_back(std::move(channel));
    }
    if (in.left() != 0)
        malformedBinary("envelope has " + std::to_string(in.left()) + " bytes after its last key");
    return envelope;
}

template <class Read>
void readValues(Reader &in, int bytes, const char *tag, Read read) {
    need(in, 4, tag);
    const std::uint32_t count = in.u32();
    need(in, std::uint64_t(count) * static_cast<std::uint64_t>(bytes),
         (std::string(tag) + " values").c_str());
    for (std::uint32_t i = 0; i < count; ++i)
        read();
}

std::vector<Item> readItems(Reader in, int depth);

Item readItem(Reader &in, int depth) {
    Item item;
    const std::uint8_t kind = in.u8();
    switch (kind) {
        case std::uint8_t(Kind::I1):
            readValues(in, 1, "i1",
                       [&] { item.ints.push_back(static_cast<std::int8_t>(in.u8())); });
            break;
        case std::uint8_t(Kind::I2):
            readValues(in, 2, "i2", [&] {
                item.ints.push_back(
                    static_cast<std::int16_t>(static_cast<std::uint16_t>(in.be(2))));
            });
            break;
        case std::uint8_t(Kind::I4):
            readValues(in, 4, "i4",
                       [&] { item.ints.push_back(static_cast<std::int32_t>(in.u32())); });
            break;
        case std::uint8_t(Kind::FP):
            readValues(in, 4, "fp", [&] { item.floats.push_back(in.f32()); });
            break;
        case std::uint8_t(Kind::DP):
            readValues(in, 8, "dp", [&] { item.doubles.push_back(in.f64()); });
            break;
        case std::uint8_t(Kind::Str): {
            need(in, 4, "str length");
            const std::uint32_t length = in.u32();
            need(in, length, "str");
            item.text = in.text(length);
            break;
        }
        case std::uint8_t(Kind::Envelope): {
            need(in, 4, "envelope length");
            const std::uint32_t length = in.u32();
            need(in, length, "envelope");
            item.envelope = readEnvelope(in.sub(length));
            break;
        }
        case std::uint8_t(Kind::Block): {
            need(in, 8, "block header");
            item.id = in.u32();
            const std::uint32_t length = in.u32();
            need(in, length, ("block " + io::idText(item.id)).c_str());
            if (depth >= io::kMaxBlockDepth)
                malformedBinary("blocks nested deeper than " + std::to_string(io::kMaxBlockDepth));
            // What is wrong inside a block stays inside it: the data after the
            // block is still whole, and a reader that skips the block never
            // meets the problem.
            item.children = readItems(in.sub(length), depth + 1);
            break;
        }
        default:
            malformedBinary("unknown item kind " + std::to_string(kind));
    }
    item.kind = static_cast<Kind>(kind);
    return item;
}

std::vector<Item> readItems(Reader in, int depth) {
    std::vector<Item> items;
    while (in.left() > 0) {
        const std::size_t start = in.position();
        try {
            items.push_back(readItem(in, depth));
        } catch (const MalformedBinary &error) {
            Item corrupt;
            corrupt.text = error.reason + " (byte " + std::to_string(start) + " of its level)";
            items.push_back(std::move(corrupt));
            break;
        }
    }
    return items;
}

}  // namespace

// ---- Save state ----

struct BinarySaveState::Impl {
    io::SaveCore core;
    static io::SaveCore &of(void *data) {
        return static_cast<BinarySaveState *>(static_cast<SaveState *>(data))->impl_->core;
    }
};

BinarySaveState::BinarySaveState() : impl_(std::make_unique<Impl>()) {
    impl_->core.table = io::saveTable<Impl>(HOST_IO_BINARY, this);
}

BinarySaveState::~BinarySaveState() = default;

const HostSaveState *BinarySaveState::api() {
    return &impl_->core.table;
}

void BinarySaveState::writeEnvelope(const EnvelopeData &envelope) {
    io::detail::writeEnvelope(impl_->core.writer, envelope);
}

const std::string &BinarySaveState::failure() const {
    return impl_->core.writer.failure();
}

std::vector<std::uint8_t> BinarySaveState::bytes() const {
    const io::ItemWriter &writer = impl_->core.writer;
    if (!writer.failure().empty()) throw DataError(writer.failure());
    Bytes out;
    writeItems(out, writer.items());
    return out.take();
}

// ---- Load state ----

struct BinaryLoadState::Impl {
    explicit Impl(const std::vector<std::uint8_t> &bytes)
        : core(readItems(Reader(bytes.data(), bytes.size()), 0), HOST_IO_BINARY) {}
    io::LoadCore core;
    static io::LoadCore &of(void *data) {
        return static_cast<BinaryLoadState *>(static_cast<LoadState *>(data))->impl_->core;
    }
};

BinaryLoadState::BinaryLoadState(std::vector<std::uint8_t> bytes)
    : impl_(std::make_unique<Impl>(bytes)) {
    impl_->core.table = io::loadTable<Impl>(HOST_IO_BINARY, this);
}

BinaryLoadState::~BinaryLoadState() = default;

const HostLoadState *BinaryLoadState::api() {
    return &impl_->core.table;
}

bool BinaryLoadState::readEnvelope(EnvelopeData &envelope) {
    return impl_->core.reader.readEnvelope(envelope);
}

const std::string &BinaryLoadState::error() const {
    return impl_->core.reader.error();
}

}  // namespace host
